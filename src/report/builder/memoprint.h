#pragma once

#include "report/model/objects.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <unordered_map>

struct TfrTextLayout;
class TfrEMFPages;
class TfrEngine;
class TfrTextMeasurer;

// What printing memos needs from the builder; every hook is optional.
struct TfrMemoHooks {
    // One design line with its bracketed expressions replaced by their
    // formatted values (display formats and HideZeros applied). Without it
    // lines stay as they are.
    std::function<QString(const QString& line, TfrMemoView& memo)> expandLine;
    // Runs the object's script before it is printed.
    std::function<void(TfrView& view)> runScript;
    // OnBeforePrint (with the data-field load); it may change the text.
    std::function<void(TfrView& view, QStringList& text)> beforePrint;
    // Whether the memo's highlight condition holds (an error counts as false).
    std::function<bool(const TfrMemoView& memo)> highlightHolds;
    // A Tag with its bracketed expressions expanded (display format off).
    std::function<QString(const QString& tag, TfrView& view)> expandTag;
};

// How a stretchable object is being printed: whole, being measured, or the
// part of a split object that fits the page.
enum class TfrDrawMode { Whole = 0, Height = 1, Part = 2 };

// The memo steps of one build: measuring for band stretching, printing into
// the prepared pages, split memos that print their first part and keep the
// rest, Suppress (a value equal to the one printed last is left out) and
// highlighting. Memos are the builder's working copies: their working text
// (memo1) holds the expanded, then laid-out, lines and, between the parts of
// a split memo, the lines still to print.
//
// While it exists it answers CALCHEIGHT for the engine's scripts.
class TfrMemoPrinter {
public:
    TfrMemoPrinter(TfrEngine& engine, const TfrTextMeasurer& measurer, TfrMemoHooks hooks = {});
    ~TfrMemoPrinter();
    TfrMemoPrinter(const TfrMemoPrinter&) = delete;
    TfrMemoPrinter& operator=(const TfrMemoPrinter&) = delete;

    // Set in the first pass of a two-pass build: measuring a Suppress memo
    // records its text as printed.
    bool firstOfTwoPasses = false;

    // Content height for band stretching: lines and gaps of the expanded,
    // laid-out text (0 for an invisible memo, and for a Suppress memo whose
    // text equals the one printed last). Lines: their height; other objects:
    // their height.
    std::int32_t calcHeight(TfrView& view);
    // The height worth printing (frame, gaps and one line; 1 for lines).
    std::int32_t minHeight(const TfrView& view) const;
    // What is left when `height` is filled with whole lines (0 for lines).
    std::int32_t remainHeight(const TfrView& view, std::int32_t height) const;

    // Prints a memo at its current place into page `pageIndex`: in draw mode
    // Part only the lines that fit its current height, keeping the rest as its
    // working text. Nothing is written for an invisible memo or a repeated
    // Suppress value. The draw mode returns to Whole.
    void print(TfrMemoView& memo, TfrEMFPages& pages, int pageIndex);

    TfrDrawMode drawMode(const TfrView& view) const;
    void setDrawMode(const TfrView& view, TfrDrawMode mode);
    // The text is expanded again at the next printing (band splitting asks).
    void requestExpansion(const TfrView& view);
    // Suppress memos print their next value again.
    void forgetLastPrinted(const TfrView& view);
    void forgetAllPrinted();

    // Replaces the working text by the expansion of the design text.
    void expand(TfrMemoView& memo);

private:
    struct State {
        TfrDrawMode mode = TfrDrawMode::Whole;
        bool expand = false;
        bool printed = false;
        QStringList lastPrinted;
    };
    State& state(const TfrView& view) { return m_states[&view]; }
    TfrFont printFont(const TfrMemoView& memo) const;
    TfrTextLayout layoutForPrint(const TfrMemoView& memo, const TfrFont& font) const;

    TfrEngine& m_engine;
    const TfrTextMeasurer& m_measurer;
    TfrMemoHooks m_hooks;
    std::unordered_map<const TfrView*, State> m_states;
    std::function<std::int32_t(TfrView&)> m_previousCalculator;
};
