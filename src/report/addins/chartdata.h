#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>

class TBinaryReader;
class TBinaryWriter;

// The chart object's settings and data, apart from the report object itself:
// the stored settings block, what a chart collects from the memos printed
// around it while a report is built (the lines of its memo), and how those
// lines become series of numbers.

enum class TfrChartKind : std::uint8_t { Line, Area, Points, Bars, HorizontalBars, Pie };
// What the small caption beside every point shows.
enum class TfrChartMarkStyle : std::uint8_t { Value, Percent, Caption, CaptionPercent, CaptionValue };

// The stored settings of a chart. A kind or mark style byte outside the known
// values is kept as read, so that it is written back unchanged; drawing treats
// it as the first value (line chart, value marks).
struct TfrChartSettings {
    TfrChartKind kind = TfrChartKind::Line;
    bool view3d = true;
    bool singleSeries = true; // false: several series with titles
    bool legend = true;
    bool axes = false;
    bool marks = true;
    bool multicolored = true; // every point its own colour
    TfrChartMarkStyle markStyle = TfrChartMarkStyle::Value;
    // How many of the largest values are shown singly; the rest is summed
    // under restCaption or dropped when that is empty. 0 or less: all values.
    std::int32_t topCount = 0;
    std::array<std::uint8_t, 36> reserved{}; // kept as read
    QString captionObject; // memo whose printed texts are the captions (series titles)
    QString valueObject;   // memo whose printed texts are the values
    QString restCaption;

    bool operator==(const TfrChartSettings&) const = default;
};

// The settings block of the chart's stored form: eight bytes (kind, 3-D,
// single series, legend, axes, marks, multicoloured, mark style), the top
// count (i32), 36 reserved bytes and the three names as template strings of
// the stream's format `version`. The reader throws EFormatError when the block
// runs past the end; the writer throws Exception for a name longer than a
// template string holds.
TfrChartSettings frReadChartSettings(TBinaryReader& in, int version);
void frWriteChartSettings(TBinaryWriter& out, const TfrChartSettings& settings);

// Collecting during a build: memo `name` was printed with `text` (its lines
// after expansion). The caption object's first line goes to memo line 0, the
// value object's to the line of the current series, each entry ended by ";".
// Single series: line 0 captions, line 1 values. Several series: every
// caption print (a series title) starts the next series (`seriesCounter`
// counts them; 0 at the start of a build) and its values go to line
// `seriesCounter`; values printed before the first title belong to no series
// and are left out. Names are compared without regard to case; an empty name
// matches nothing.
void frCollectChartText(QStringList& memo, std::int32_t& seriesCounter, const TfrChartSettings& settings,
                        const QString& name, const QStringList& text);

// The ";"-ended entries of a collected line; a last entry without ";" counts
// too.
QStringList frChartEntries(QStringView line);

// The number of a collected value text: blanks trimmed, everything before the
// first "-" or digit and after the last digit dropped, thousands separators
// (the blank that report number formats group with) removed, the rest read
// with "." as decimal separator. A text that does not read, or reads as no
// finite number, gives 0.
double frChartNumber(QStringView text);

struct TfrChartSeries {
    QString title;       // several series: the series title
    QStringList captions; // one per value; empty texts in several-series mode
    QList<double> values;

    bool operator==(const TfrChartSeries&) const = default;
};

struct TfrChartData {
    QList<TfrChartSeries> series;
};

// Bounds on what a chart draws, so that a damaged prepared report cannot make
// a drawing run long: points of all series together, and memo lines (series).
inline constexpr qsizetype maxChartPoints = 10000;
inline constexpr qsizetype maxChartLines = 1001;

// Top-N grouping of a single series: keeps the `count` largest values
// (largest first, each shown to three decimals, captions of at most 255
// characters; equal values in descending caption order) and, when
// `restCaption` is not empty, one more entry summing the values left out.
// Nothing changes unless 0 < count < number of values.
void frGroupChartTop(TfrChartSeries& series, std::int32_t count, const QString& restCaption);

// The series of a chart's memo: nothing when the memo holds no drawable data
// (no captions or no values, unequal numbers of captions and values in
// single-series mode, a line count that does not match the titles in
// several-series mode, more than maxChartPoints points or maxChartLines
// lines). Single series: one series of (caption, value) points, top-N
// grouped as set. Several series: one series per title of line 0 with the
// values of the line of the same number.
std::optional<TfrChartData> frChartData(const TfrChartSettings& settings, const QStringList& memo);
