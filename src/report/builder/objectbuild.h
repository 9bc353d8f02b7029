#pragma once

#include "common/variant.h"
#include "report/render/geometry.h"
#include "report/model/objects.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class TfrBuildState;
class TfrTextMeasurer;

// What the builder offers the classes of the objects it prints. Every hook is
// optional; without one its step is left out (tests fill only what they need).
struct TfrPrintContext {
    TfrPrintContext(TfrBuildState& buildState, const TfrTextMeasurer& textMeasurer)
        : state(buildState), measurer(textMeasurer) {}

    TfrBuildState& state;
    const TfrTextMeasurer& measurer;
    // One design line with its bracketed expressions replaced by their
    // formatted values (display formats and HideZeros applied).
    std::function<QString(const QString& line, TfrView& view)> expandLine;
    // One bracket's content ("expression" or "expression #format") evaluated
    // with the object as the current object and formatted in its display
    // format (inline formats and HideZeros applied).
    std::function<QString(const QString& bracket, TfrView& view)> expandBracket;
    // A Tag with its bracketed expressions expanded (display format off).
    std::function<QString(const QString& tag, TfrView& view)> expandTag;
    // The value of an expression ("[...]" brackets may enclose it); throws on errors.
    std::function<TVariant(const QString& expression, TfrView& view)> evaluate;
    // Whether a condition (a highlight) holds; an error counts as false.
    std::function<bool(const QString& condition, TfrView& view)> conditionHolds;
    // Throws when an expression cannot be read.
    std::function<void(const QString& expression)> checkExpression;
    // Runs the object's script before it is printed.
    std::function<void(TfrView& view)> runScript;
    // The report's OnBeforePrint; it may change the text to print.
    std::function<void(TfrView& view, QStringList& text)> beforePrint;
    // Where band alignment puts an object on the band being built (its
    // left edge and width; its own box when unset): text is laid out there.
    std::function<TfrBox(const TfrView& view)> alignedBox;
    // Loads the content of the data field the object shows, if any.
    std::function<void(TfrView& view)> loadDataField;
    // Writes an object in prepared form into the page being printed.
    std::function<void(const TfrView& image)> output;
    // Set in the first of two passes, which only counts pages.
    bool firstOfTwoPasses = false;
};

// Where a printed object stands on its page: its own place moved by (dx, dy),
// unless band alignment fixes its top (baTop, baBottom), its left edge or its
// width; and the band alignment its written copy keeps (an object placed by
// its band is written without one).
struct TfrPrintPlace {
    std::int32_t dx = 0, dy = 0;
    std::optional<std::int32_t> top;
    std::optional<std::int32_t> left, width;
    std::optional<std::uint8_t> bandAlign;
};

// How the objects of a class take part in a build: measuring for band
// stretching, printing (whole, or in parts when a band splits over pages),
// and hearing of the objects printed around them. What a class keeps per
// object between these calls (a split memo's lines still to print, the values
// a chart collected) lives in the build state (TfrBuildState::objectState),
// never in the object. This base is the behaviour of objects that do not
// stretch: they print whole, as they stand.
class TfrObjectBuilder {
public:
    virtual ~TfrObjectBuilder() = default;

    // Once per build when the object's page is set up: what the object will
    // evaluate is checked here (a faulty condition fails the build early).
    virtual void setUp(TfrView& view, TfrPrintContext& context) const {}

    // The lines whose bracketed expressions the object evaluates when it
    // prints (the aggregate calls in them are registered before the build):
    // its memo.
    virtual QStringList expressionLines(const TfrView& view) const { return view.memo; }

    // Whether the object grows with its content on a stretching band, and
    // can be printed in parts when its band splits.
    virtual bool stretches() const { return false; }
    // The height the content needs (band stretching, CALCHEIGHT).
    virtual std::int32_t contentHeight(TfrView& view, TfrPrintContext& context) const { return view.height; }
    // The least height worth printing of a part.
    virtual std::int32_t minimumHeight(const TfrView& view, TfrPrintContext& context) const { return 1; }
    // What is left over when `height` is filled with whole parts of the content.
    virtual std::int32_t remainingHeight(const TfrView& view, std::int32_t height, TfrPrintContext& context) const {
        return 0;
    }
    // The width the content needs (CALCWIDTH of expressions).
    virtual std::int32_t contentWidth(TfrView& view, TfrPrintContext& context) const { return view.width; }
    // The band is split over pages: what the object measured is measured afresh.
    virtual void splitStarts(TfrView& view, TfrPrintContext& context) const {}
    // What was just measured is not what prints next (a cross cell is
    // measured in every column before its columns print): the next print
    // starts afresh.
    virtual void measureDiscarded(const TfrView& view, TfrPrintContext& context) const {}

    // Prints the object at `place`: writes its prepared record(s) through
    // context.output, never changing the object itself. With `part` only what
    // fits its current height, keeping the rest for the next part. The base
    // loads the data field, raises OnBeforePrint, runs the script, and writes
    // a visible object with its Tag expanded.
    virtual void print(TfrView& view, const TfrPrintPlace& place, bool part, TfrPrintContext& context) const;
    // The object is not printed in this pass (the first of two): its script runs.
    virtual void skip(TfrView& view, TfrPrintContext& context) const;
    // Suppressed repeats print again: a new group starts, or the second of two passes.
    virtual void forgetPrinted(const TfrView& view, TfrPrintContext& context) const {}

    // Told, for an object carrying the notification flag, about every object
    // with text printed in the build and the lines it printed.
    virtual void objectPrinted(TfrView& listener, const TfrView& printed, const QStringList& text,
                               TfrPrintContext& context) const {}

    // The object as it is written: a copy of it (same class, name and
    // fields) at `place`, with its Tag expanded. The copy is the object's own
    // in the build state (one per object), reused by every print.
    static TfrView& printImage(const TfrView& view, const TfrPrintPlace& place, TfrPrintContext& context);
};

// The build behaviour of an object's class: that of its class or the nearest
// base class with one; the built-in text objects and lines have their own.
const TfrObjectBuilder& frObjectBuilder(const TfrView& view);
