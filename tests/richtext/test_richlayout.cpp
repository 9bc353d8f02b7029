#include "richtest.h"

#include "common/cp1251.h"

#include "richtext/richedit.h"
#include "richtext/richlayout.h"
#include "richtext/rtfreader.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace richtest;

namespace {

TextRun plain(const QString& text, double points = 10) { return TextRun{text, "Arial", points}; }

Paragraph paragraph(std::vector<TextRun> runs) {
    Paragraph p;
    p.align = Qt::AlignLeft;
    p.mark = plain({});
    p.runs = std::move(runs);
    return p;
}

// About `chars` characters of Russian prose in six paragraphs: justified,
// indented, centred, in several fonts, sizes and styles.
void prose(QTextDocument& doc, int chars) {
    const QString words = u"Текущее значение телеизмерения на подстанции Северная превысило уставку, "
                          "дежурный диспетчер принял меры. "_qs;
    std::vector<Paragraph> ps;
    for (int i = 0; i < 6; ++i) {
        QString text;
        while (text.size() < chars / 6)
            text += words;
        text.truncate(chars / 6 - 1);
        const int third = int(text.size()) / 3;
        TextRun bold = plain(text.mid(third, third), 12);
        bold.bold = true;
        TextRun italic = plain(text.mid(2 * third), 9);
        italic.italic = true;
        italic.family = "Times New Roman";
        Paragraph p = paragraph({plain(text.left(third)), bold, italic});
        p.align = i % 3 == 0 ? Qt::AlignJustify : i % 3 == 1 ? Qt::AlignLeft : Qt::AlignHCenter;
        p.left = i * 100, p.first = i % 2 ? 360 : 0, p.after = 120;
        ps.push_back(p);
    }
    build(doc, ps);
}

QString visible(const QString& text) {
    QString s;
    for (QChar c : text)
        if (!c.isSpace() && c != QChar::SoftHyphen)
            s += c;
    return s;
}

// Where a document splits when it is laid out into rectangles of one size
// from the start to the end, drawn with the painter when there is one.
std::vector<int> splits(const QTextDocument& doc, const QRectF& rect, QPainter* painter = nullptr) {
    std::vector<int> out;
    for (int from = 0; from < richtext::textLength(doc) && out.size() <= 10000;)
        out.push_back(from = richtext::formatRange(doc, from, rect, painter));
    return out;
}

// 3 000 characters in a narrow rectangle split over two ranges: what the two
// ranges draw is the whole text, nothing lost, nothing twice, each inside its
// rectangle.
TEST(RichLayout, ATextSplitOverTwoRangesIsDrawnWholeOnce) {
    QTextDocument doc;
    prose(doc, 3000);
    const int length = richtext::textLength(doc);
    ASSERT_GE(length, 2990);
    const double width = 2880; // two inches
    const double height = richtext::rangeHeight(doc, 0, width);
    const QRectF first(100, 200, width, height / 2);
    const QRectF second(5000, 0, width, height);
    const int split = richtext::formatRange(doc, 0, first);
    ASSERT_GT(split, 0);
    ASSERT_LT(split, length);
    EXPECT_EQ(richtext::formatRange(doc, split, second), length);

    TRecordingDevice one, two;
    QPainter p1(&one), p2(&two);
    EXPECT_EQ(richtext::formatRange(doc, 0, first, &p1), split) << "drawing lays out as measuring";
    EXPECT_EQ(richtext::formatRange(doc, split, second, &p2), length);
    EXPECT_EQ(drawnText(one.drawn) + drawnText(two.drawn), visible(richtext::plainText(doc)));
    EXPECT_EQ(drawnText(one.drawn), visible(richtext::plainText(doc).left(split)));
    for (const auto& [drawn, rect] : {std::pair(&one.drawn, first), std::pair(&two.drawn, second)})
        for (const Drawn& d : *drawn) {
            EXPECT_GE(d.position.x(), rect.left() - 0.5) << d.text.toStdString();
            EXPECT_LE(d.position.x() + d.width, rect.right() + 0.5) << d.text.toStdString();
            EXPECT_GT(d.position.y(), rect.top()) << d.text.toStdString();
            EXPECT_LT(d.position.y(), rect.bottom()) << d.text.toStdString();
        }
}

// A paragraph of many lines breaks into the same lines drawn at once as
// laid out one line at a time, each line started afresh.
TEST(RichLayout, ALongParagraphBreaksAlikeWholeAndLineByLine) {
    QString text;
    for (int i = 0; text.size() < 6000; ++i)
        text += QString(u"слово%1 "_qs).arg(i * 7919 % 1000).repeated(1 + i % 3);
    Paragraph p = paragraph({plain(text)});
    p.align = Qt::AlignJustify;
    QTextDocument doc;
    build(doc, {p});
    const QRectF rect(0, 0, 3000, 1e6);
    auto lines = [](const std::vector<Drawn>& drawn) {
        std::vector<QString> out;
        double y = -1;
        for (const Drawn& d : drawn) {
            if (out.empty() || d.position.y() != y)
                out.emplace_back();
            out.back() += d.text.trimmed();
            y = d.position.y();
        }
        return out;
    };
    TRecordingDevice whole;
    QPainter painter(&whole);
    ASSERT_EQ(richtext::formatRange(doc, 0, rect, &painter), richtext::textLength(doc));
    QTextDocument one;
    build(one, {paragraph({plain(u"строка"_qs)})});
    const double lineHeight = richtext::rangeHeight(one, 0, rect.width());
    std::vector<QString> lineByLine;
    for (int from = 0; from < richtext::textLength(doc);) {
        TRecordingDevice line;
        QPainter linePainter(&line);
        from = richtext::formatRange(doc, from, QRectF(0, 0, rect.width(), lineHeight), &linePainter);
        lineByLine.push_back(lines(line.drawn).at(0));
    }
    EXPECT_GT(lineByLine.size(), 150u);
    EXPECT_EQ(lines(whole.drawn), lineByLine);
}

// The height of a range is the least that holds it: from the start, from a
// line start inside the text and from inside a line.
TEST(RichLayout, TheHeightOfARangeIsTheLeastThatHoldsIt) {
    QTextDocument doc;
    prose(doc, 3000);
    const int length = richtext::textLength(doc);
    const double width = 4000;
    const int lineStart = richtext::formatRange(doc, 0, QRectF(0, 0, width, 2000));
    for (int from : {0, lineStart, lineStart + 7, doc.findBlockByNumber(4).position()}) {
        const double h = richtext::rangeHeight(doc, from, width);
        EXPECT_GT(h, 0) << from;
        EXPECT_EQ(richtext::formatRange(doc, from, QRectF(0, 0, width, h)), length) << from;
        EXPECT_LT(richtext::formatRange(doc, from, QRectF(0, 0, width, h - 1)), length) << from;
    }
    EXPECT_EQ(richtext::rangeHeight(doc, length, width), 0);
    EXPECT_EQ(richtext::formatRange(doc, length + 5, QRectF(0, 0, width, 100)), length);
}

// However small the rectangle and however large the letters, every range
// takes at least one character, and the ranges draw the whole text once.
TEST(RichLayout, EveryRangeMakesProgress) {
    QTextDocument huge;
    build(huge, {paragraph({plain(u"Ширококолейный"_qs, 1638)}), paragraph({}), paragraph({plain(u"ж д"_qs, 72)})});
    QTextDocument empty;
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        QTextDocument* doc;
        QRectF rect;
    } cases[] = {
        {"letters larger than the rectangle", &huge, QRectF(0, 0, 100, 100)},
        {"no height", &huge, QRectF(0, 0, 5000, 0)},
        {"no width", &huge, QRectF(0, 0, 0, 50000)},
        {"a negative rectangle", &huge, QRectF(0, 0, -500, -500)},
        {"not a number", &huge, QRectF(0, 0, nan, nan)},
        {"an endless rectangle", &huge, QRectF(0, 0, inf, inf)},
    };
    for (const auto& c : cases) {
        TRecordingDevice device;
        QPainter painter(&device);
        const std::vector<int> parts = splits(*c.doc, c.rect, &painter);
        ASSERT_FALSE(parts.empty()) << c.name;
        EXPECT_EQ(parts.back(), richtext::textLength(*c.doc)) << c.name;
        EXPECT_LE(int(parts.size()), richtext::textLength(*c.doc)) << c.name;
        EXPECT_TRUE(std::is_sorted(parts.begin(), parts.end()) &&
                    std::adjacent_find(parts.begin(), parts.end()) == parts.end())
            << c.name;
        EXPECT_EQ(drawnText(device.drawn), visible(richtext::plainText(*c.doc))) << c.name;
    }
    EXPECT_EQ(richtext::formatRange(huge, 0, QRectF(nan, -inf, 100, inf)), richtext::textLength(huge))
        << "an endless rectangle holds everything";
    EXPECT_EQ(richtext::formatRange(empty, 0, QRectF(0, 0, 100, 100)), 0);
    EXPECT_EQ(richtext::rangeHeight(empty, 0, 100), 0);
}

// The lines a range reports are the ones it takes and draws: they follow
// one another from the range's start to the position it returns, stacked
// from the rectangle's top, each box where its text is drawn.
TEST(RichLayout, ReportsTheLinesItTakes) {
    QTextDocument doc;
    prose(doc, 3000);
    const QRectF rect(500, 300, 4000, 3000);
    for (const int from : {0, 37, doc.findBlockByNumber(2).position()}) {
        std::vector<richtext::RangeLine> lines;
        TRecordingDevice device;
        QPainter painter(&device);
        const int end = richtext::formatRange(doc, from, rect, &painter, &lines);
        ASSERT_GT(lines.size(), 3u) << from;
        EXPECT_EQ(lines.front().start, from);
        EXPECT_EQ(lines.back().end, end);
        EXPECT_NEAR(lines.front().box.top(), rect.top(), 0.01);
        EXPECT_LE(lines.back().box.bottom(), rect.bottom() + richtext::FitTolerance);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const richtext::RangeLine& l = lines[i];
            EXPECT_LE(l.box.bottom(), i + 1 < lines.size() ? lines[i + 1].box.top() + 0.01 : rect.bottom() + 0.01);
            if (i + 1 < lines.size()) {
                EXPECT_EQ(l.end, lines[i + 1].start) << from;
            }
            EXPECT_GE(l.box.left(), rect.left() - 0.01);
            EXPECT_LE(l.box.right(), rect.right() + 0.01);
        }
        // Every drawn piece of text lies inside the box of the line it belongs to.
        for (const Drawn& d : device.drawn) {
            const auto in = std::find_if(lines.begin(), lines.end(), [&](const richtext::RangeLine& l) {
                return d.position.y() > l.box.top() && d.position.y() <= l.box.bottom();
            });
            ASSERT_NE(in, lines.end()) << d.text.toStdString();
            EXPECT_GE(d.position.x(), in->box.left() - 0.5) << d.text.toStdString();
            EXPECT_LE(d.position.x() + d.width, in->box.right() + 0.5) << d.text.toStdString();
        }
    }
}

// A document laid out once says of every range from a line start what a
// layout of that range says: where it ends in a height, the bottom of its
// last line, the height it needs; ranges from elsewhere are laid out anew.
TEST(RichLayout, ALayoutOfTheWholeDocumentFitsRangesAsTheirOwnLayouts) {
    // Prose with numbers, dates, codes, a URL, tabs and a word longer than a line.
    const QStringList words = {u"Значение"_qs, u"1 234,50"_qs, u"12.05.2026"_qs, u"(см. п. 3.1)"_qs,
                               u"«Северная»"_qs, u"ПС-110/35/10"_qs, u"25%"_qs, u"http://example.com/a?c=1,2"_qs,
                               u"\\tab"_qs, u"x=1,5;"_qs, u"{\\b ТМ-1234:}"_qs, u"—"_qs, u"{\\i курсив,}"_qs,
                               u"Ширококолейнейшийтекстбезпробеловоченьдлинныйидлинный"_qs, u"№ 7"_qs, u"и"_qs,
                               u"подстанции"_qs, u"превысило"_qs, u"уставку."_qs};
    QString body;
    for (int p = 0, k = 0; p < 6; ++p) {
        body += p % 2 ? u"\\pard\\qj\\fi360 "_qs : u"\\pard\\li200 "_qs;
        for (int w = 0; w < 60; ++w, k = (k + 7) % int(words.size()))
            body += words[k] + u' ';
        body += u"\\par "_qs;
    }
    QTextDocument doc;
    richtext::readRtf("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + cp1251::encode(body) + "}", doc);
    const int length = richtext::textLength(doc);
    ASSERT_TRUE(richtext::plainText(doc).contains(u'\t'));
    for (const double width : {1500.0, 4535.0}) {
        const richtext::DocumentLayout layout(doc, width);
        std::vector<int> starts{0, 5, doc.findBlockByNumber(3).position() - 1};
        for (const richtext::RangeLine& l : layout.lines())
            starts.push_back(l.start);
        for (const int from : starts) {
            EXPECT_NEAR(layout.height(from), richtext::rangeHeight(doc, from, width), 0.01) << width << " " << from;
            for (const double height : {0.0, 250.0, 1440.0, 5000.0}) {
                std::vector<richtext::RangeLine> lines;
                const int expected = richtext::formatRange(doc, from, QRectF(0, 0, width, height), nullptr, &lines);
                double bottom = -1;
                EXPECT_EQ(layout.fit(from, height, &bottom), expected) << width << " " << from << " " << height;
                EXPECT_NEAR(bottom, lines.back().box.bottom(), 0.01) << width << " " << from << " " << height;
            }
        }
        EXPECT_EQ(layout.fit(length, 100), length);
        EXPECT_EQ(layout.height(length), 0);
    }
}

// Lines break alike whatever they are drawn on: no painter, a screen-like
// image, a printer-like image, a PDF, each scaled from twips to its pixels.
TEST(RichLayout, IsTheSameOnEveryDevice) {
    QTextDocument doc;
    prose(doc, 3000);
    const QRectF rect(0, 0, 2880, 1440);
    const std::vector<int> measured = splits(doc, rect);
    ASSERT_GT(measured.size(), 3u);
    for (const int dpi : {96, 600}) {
        QImage image(int(rect.width() * dpi / 1440), int(rect.height() * dpi / 1440), QImage::Format_RGB32);
        image.setDotsPerMeterX(int(dpi / 0.0254));
        image.setDotsPerMeterY(int(dpi / 0.0254));
        QPainter painter(&image);
        painter.scale(dpi / 1440.0, dpi / 1440.0);
        EXPECT_EQ(splits(doc, rect, &painter), measured) << dpi << " dpi";
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(1200);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_6);
        QPainter painter(&writer);
        painter.scale(1200 / 1440.0, 1200 / 1440.0);
        EXPECT_EQ(splits(doc, rect, &painter), measured) << "PDF";
    }
    EXPECT_TRUE(pdf.data().contains("/FontFile2")) << "text drawn as text with its font";
    EXPECT_FALSE(pdf.data().contains("/Subtype /Image")) << "and not as a picture";
}

// Lines are placed by their paragraph's alignment, indents and tab stops,
// tab stops counting from the text's left edge.
TEST(RichLayout, PlacesLinesByTheParagraphFormat) {
    const QRectF rect(1000, 0, 6000, 20000);
    auto drawnOf = [&](Paragraph p, double defaultTab = 720) {
        QTextDocument doc;
        build(doc, {p});
        QTextOption option = doc.defaultTextOption();
        option.setTabStopDistance(defaultTab);
        doc.setDefaultTextOption(option);
        TRecordingDevice device;
        QPainter painter(&device);
        richtext::formatRange(doc, 0, rect, &painter);
        return device.drawn;
    };
    auto at = [](const std::vector<Drawn>& drawn, const QString& text) {
        for (const Drawn& d : drawn)
            if (d.text == text)
                return d;
        ADD_FAILURE() << text.toStdString() << " not drawn";
        return Drawn{};
    };
    auto with = [](Paragraph p, auto change) {
        change(p);
        return p;
    };
    const Paragraph base = paragraph({plain(u"слово"_qs)});
    EXPECT_NEAR(at(drawnOf(with(base, [](Paragraph& p) { p.left = 500; })), u"слово"_qs).position.x(), 1500, 0.5);
    {
        const Drawn d = at(drawnOf(with(base, [](Paragraph& p) { p.align = Qt::AlignRight, p.right = 300; })),
                           u"слово"_qs);
        EXPECT_NEAR(d.position.x() + d.width, rect.right() - 300, 1);
    }
    {
        const Drawn d = at(drawnOf(with(base, [](Paragraph& p) { p.align = Qt::AlignHCenter; })), u"слово"_qs);
        EXPECT_NEAR(d.position.x() + d.width / 2, rect.center().x(), 1);
    }
    const Paragraph tabbed = paragraph({plain(u"а\tб"_qs)});
    EXPECT_NEAR(at(drawnOf(with(tabbed, [](Paragraph& p) { p.tabs = {{2000, QTextOption::LeftTab}}; })), u"б"_qs)
                    .position.x(),
                3000, 0.5);
    EXPECT_NEAR(at(drawnOf(with(tabbed, [](Paragraph& p) { p.left = 100; })), u"б"_qs).position.x(), 1720, 0.5)
        << "default stops count from the text's left edge, not from the indent";
    EXPECT_NEAR(at(drawnOf(with(tabbed, [](Paragraph& p) { p.left = 100, p.first = 300; }), 500), u"б"_qs)
                    .position.x(),
                2000, 0.5)
        << "on an indented first line too";
    {
        const Drawn d = at(drawnOf(with(paragraph({plain(u"x\t12345"_qs)}),
                                        [](Paragraph& p) { p.tabs = {{3000, QTextOption::RightTab}}; })),
                           u"12345"_qs);
        EXPECT_NEAR(d.position.x() + d.width, 4000, 1);
    }
    EXPECT_NEAR(at(drawnOf(paragraph({plain(u"•\tпункт"_qs)}), 5000), u"•"_qs).position.x(), 1000, 0.5);
    EXPECT_NEAR(at(drawnOf(with(paragraph({plain(u"•\tпункт"_qs)}),
                                [](Paragraph& p) { p.left = 720, p.first = -360; })),
                   u"пункт"_qs)
                    .position.x(),
                1720, 0.5)
        << "a hanging first line has a stop at the left indent";
}

TEST(RichLayout, SpacesParagraphsAndLines) {
    auto height = [](std::vector<Paragraph> ps, double width = 100000) {
        QTextDocument doc;
        build(doc, ps);
        return richtext::rangeHeight(doc, 0, width);
    };
    const Paragraph line = paragraph({plain(u"строка"_qs)});
    const double natural = height({line});
    EXPECT_GT(natural, 200);
    EXPECT_LT(natural, 300) << "a 10-point line";
    auto with = [&](int type, double value, double before = 0, double after = 0) {
        Paragraph p = line;
        p.lineHeightType = type, p.lineHeight = value, p.before = before, p.after = after;
        return p;
    };
    EXPECT_DOUBLE_EQ(height({with(0, 0, 100, 200), with(0, 0, 50, 400)}), 2 * natural + 100 + 200 + 50)
        << "space before each paragraph, after all but the last";
    EXPECT_DOUBLE_EQ(height({with(QTextBlockFormat::FixedHeight, 400)}, 1), 400.0 * 6) << "six lines of one letter";
    EXPECT_DOUBLE_EQ(height({with(QTextBlockFormat::MinimumHeight, 50)}), natural);
    EXPECT_DOUBLE_EQ(height({with(QTextBlockFormat::MinimumHeight, 500)}), 500);
    EXPECT_DOUBLE_EQ(height({with(QTextBlockFormat::ProportionalHeight, 200)}), 2 * natural);
    EXPECT_DOUBLE_EQ(height({paragraph({}), paragraph({})}), 2 * natural) << "empty paragraphs take a line each";
}

} // namespace
