#pragma once

#include "report/builder/objectbuild.h"

#include <QStringList>

// What a build keeps of a text object between its measuring and its printing.
struct TfrMemoPrintState {
    // Measured since it last printed: printing takes the measured text.
    bool measured = false;
    // The design text is expanded again at the next printing (band splitting asks).
    bool expand = false;
    // Suppress: whether a value was printed, and which.
    bool printed = false;
    QStringList lastPrinted;
    // The working text: the expansion of the design text, then its laid-out
    // lines; between the parts of a split memo, the lines still to print.
    QStringList text;
};

// The build behaviour of text objects: measuring for band stretching,
// printing into the prepared pages (split memos print their first part and
// keep the rest), Suppress (a value equal to the one printed last is left
// out), highlighting, and the Tag and bottom alignment of the written object.
class TfrMemoBuilder : public TfrObjectBuilder {
public:
    void setUp(TfrView& view, TfrPrintContext& context) const override;
    bool stretches() const override { return true; }
    // Lines and gaps of the expanded, laid-out text (0 for an invisible memo,
    // and for a Suppress memo whose text equals the one printed last).
    std::int32_t contentHeight(TfrView& view, TfrPrintContext& context) const override;
    // The frame, gaps and one line.
    std::int32_t minimumHeight(const TfrView& view, TfrPrintContext& context) const override;
    // What is left when `height` is filled with whole lines.
    std::int32_t remainingHeight(const TfrView& view, std::int32_t height, TfrPrintContext& context) const override;
    // The widest expanded line and both gaps.
    std::int32_t contentWidth(TfrView& view, TfrPrintContext& context) const override;
    void splitStarts(TfrView& view, TfrPrintContext& context) const override;
    void measureDiscarded(const TfrView& view, TfrPrintContext& context) const override;
    // Nothing is written for an invisible memo or a repeated Suppress value.
    void print(TfrView& view, const TfrPrintPlace& place, bool part, TfrPrintContext& context) const override;
    void skip(TfrView& view, TfrPrintContext& context) const override;
    void forgetPrinted(const TfrView& view, TfrPrintContext& context) const override;

    // Replaces the working text by the expansion of the design text.
    static void expand(TfrMemoView& memo, TfrPrintContext& context);
};

// The build behaviour of lines: they stretch with their band and print whole.
class TfrLineBuilder : public TfrObjectBuilder {
public:
    bool stretches() const override { return true; }
};
