#pragma once

// What the rich-text tests share: documents as lists of paragraphs and runs
// that compare and print, RTF from a test's text, and a paint device that
// records the text drawn on it.

#include <QByteArray>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPointF>
#include <QString>
#include <QTextCharFormat>
#include <ostream>
#include <vector>

class QTextDocument;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace richtest {

// A run of text in one character format (adjacent runs in equal formats
// are one run).
struct TextRun {
    QString text;
    QString family;
    double points = 0;
    bool bold = false, italic = false, underline = false, strike = false;
    QString foreground = {}, background = {}; // "#rrggbb", empty for none
    int valign = 0;
    bool operator==(const TextRun&) const = default;
};

struct Paragraph {
    int align = 0; // Qt::Alignment, horizontal part
    double left = 0, right = 0, first = 0, before = 0, after = 0;
    int lineHeightType = 0;
    double lineHeight = 0;
    std::vector<std::pair<double, int>> tabs; // position, type
    TextRun mark;                                 // the format of the paragraph end (its text empty)
    std::vector<TextRun> runs;
    bool operator==(const Paragraph&) const = default;
};

std::vector<Paragraph> paragraphs(const QTextDocument& document);

void PrintTo(const TextRun& r, std::ostream* os);
void PrintTo(const Paragraph& p, std::ostream* os);

// The document read from RTF bytes (a test's text in code page 1251 through
// cp1251::encode, or bytes as they are).
std::vector<Paragraph> read(const QByteArray& rtf);

// The QTextCharFormat of a run, for building documents.
QTextCharFormat format(const TextRun& r);

// Fills an empty document with paragraphs.
void build(QTextDocument& document, const std::vector<Paragraph>& paragraphs);

// Text drawn on the device, one entry per text item, in the painter's
// coordinates (device coordinates: the painter is not transformed).
struct Drawn {
    QString text;
    QPointF position; // left end of the baseline
    double width = 0;
};

class TRecordingDevice : public QPaintDevice {
public:
    TRecordingDevice();
    ~TRecordingDevice() override;
    QPaintEngine* paintEngine() const override;
    std::vector<Drawn> drawn;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    Engine* m_engine;
};

// The drawn texts joined, white space left out.
QString drawnText(const std::vector<Drawn>& drawn);

} // namespace richtest
