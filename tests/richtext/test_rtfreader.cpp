#include "richtest.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "richtext/richedit.h"
#include "richtext/rtfreader.h"
#include "rtf_input.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace richtest;

namespace {

QString textOf(const QByteArray& rtf) {
    QTextDocument doc;
    richtext::readRtf(rtf, doc);
    return richtext::plainText(doc);
}

QByteArray rtf(const char* body) { return QByteArray("{\\rtf1\\ansi\\ansicpg1251 ") + body + "}"; }

// Text as the reader gives it: characters, paragraph ends and line breaks
// as "\n".
TEST(RtfReader, ReadsTheTextOfEveryKindOfInput) {
    const struct {
        const char* name;
        QByteArray rtf;
        QString text;
    } cases[] = {
        {"\\'hh in the document's code page", rtf("\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2"), u"Привет"_qs},
        {"raw 8-bit text", rtf("\xcf\xf0\xe8"), u"При"_qs},
        {"code page 1251 without \\ansicpg", "{\\rtf1\\ansi \\'c0\\'e1}", u"Аб"_qs},
        {"another document code page", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80}", u"café €"_qs},
        {"font character sets over the document's",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 Arial;}{\\f1\\fcharset0 Times;}}\\f0 \\'c0\\f1 "
         "\\'c0}",
         u"АÀ"_qs},
        {"a font's own code page", "{\\rtf1{\\fonttbl{\\f0\\cpg1253 Arial;}}\\f0 \\'e1}", u"α"_qs},
        {"two-byte code page", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}", u"あ"_qs},
        {"symbol font bullet", "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\f1 \\'b7} x}", u"• x"_qs},
        {"\\u with its \\uc replacement skipped", rtf("\\u1055?\\u1088\\'f0\\uc0\\u1080\\uc2\\u1074\\'e2\\'e2 x"),
         u"Прив x"_qs},
        {"\\u beyond 32767 and a surrogate pair", rtf("\\u-3?\\u-10179?\\u-8704?"), u"\uFFFD😀"_qs},
        {"\\uc in a group ends with it", rtf("{\\uc0\\u1046}\\u1046?"), u"ЖЖ"_qs},
        {"a group ends the replacement", rtf("\\uc3\\u1046{}x"), u"Жx"_qs},
        {"characters that are no text dropped", rtf("a\\u1?\\u-2?\\u-560?\\u65532?b\x01"), u"ab"_qs},
        {"special characters",
         rtf("\\~\\-\\_\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\emspace\\enspace"),
         u"\u00A0\u00AD\u2011—–•‘’“”\u2003\u2002"_qs},
        {"escaped markup characters", rtf("\\{\\}\\\\"), u"{}\\"_qs},
        {"line breaks and tabs", rtf("a\\line b\\tab c\td"), u"a\nb\tc\td"_qs},
        {"line ends in the file are no text", rtf("a\r\nb\nc"), u"abc"_qs},
        {"a backslash before a line end is a paragraph end", rtf("a\\\nb"), u"a\nb"_qs},
        {"the last paragraph end makes no empty paragraph", rtf("a\\par b\\par"), u"a\nb"_qs},
        {"empty paragraphs kept", rtf("a\\par\\par b\\par \\par"), u"a\n\nb\n"_qs},
        {"page and section ends between paragraphs", rtf("a\\par\\page b\\sect c\\par\\sect d"), u"a\nb\nc\nd"_qs},
        {"destinations left out",
         rtf("{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}{\\*\\generator G;}{\\header H}"
             "{\\footer F}{\\footnote N}{\\pict\\wmetafile8 0102ff}{\\*\\unknown U}{\\*\\listtable{\\list L}}text"),
         u"text"_qs},
        {"binary picture data with braces in it", rtf("{\\pict\\bin4 {}\\}}after"), u"after"_qs},
        {"a field keeps its result", rtf("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}"), u"link"_qs},
        {"an object keeps its result", rtf("{\\object\\objemb{\\*\\objdata 0102}{\\result res}}"), u"res"_qs},
        {"hidden text left out", rtf("a{\\v hidden}b\\v c\\v0 d"), u"abd"_qs},
        {"table cells separated by tabs, rows as paragraphs",
         rtf("\\trowd\\cellx1000\\cellx2000\\cellx3000\\intbl a\\cell \\cell c\\cell\\row\\pard after"),
         u"a\t\tc\nafter"_qs},
        {"list texts kept", rtf("{\\pntext 1.\\tab}one\\par{\\listtext\\pard\\plain 2.\\tab}two"),
         u"1.\tone\n2.\ttwo"_qs},
        {"unknown control words ignored", rtf("\\foo12 te\\bar xt\\zz-3"), u"text"_qs},
        {"an escape that is none read as text", rtf("\\'zz"), u"zz"_qs},
        {"what follows the document is no part of it", "{\\rtf1 a}junk{\\b b}", u"a"_qs},
        {"blanks before the document", "\r\n {\\rtf1 a}", u"a"_qs},
        {"font table without entry groups",
         "{\\rtf1{\\fonttbl\\f0\\fcharset204 Arial;\\f1\\fcharset0 Courier;}\\f0 \\'c0\\f1 \\'c0}", u"АÀ"_qs},
        {"no RTF: code page 1251 text, one paragraph a line", "\xd1\xf2\xf0\xee\xea\xe0 1\r\n2\r3\n",
         u"Строка 1\n2\n3\n"_qs},
        {"no RTF: UTF-8 after a byte order mark", "\xEF\xBB\xBF\xD0\x96 {\\rtf1}", u"Ж {\\rtf1}"_qs},
        {"nothing", "", u""_qs},
        {"an empty document", "{\\rtf1}", u""_qs},
    };
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(textOf(c.rtf), c.text) << c.name;
        } catch (const Exception& e) {
            ADD_FAILURE() << c.name << ": " << e.what();
        }
    }
}

TEST(RtfReader, ReadsCharacterFormatting) {
    const QByteArray doc = "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman{\\*\\panose 0}Times New "
                           "Roman;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                           "\\f0\\fs20 n{\\b b}{\\i i}{\\ul u}{\\uldb d}{\\strike s}{\\cf1 r}{\\highlight2 h}{\\cb2 c}"
                           "{\\super p}{\\sub q}{\\f1\\fs31 t}{\\b\\i\\ul x\\b0\\i0\\ulnone y}{\\b\\cf2 z\\plain w}}";
    TextRun base{{}, "Arial", 10};
    auto with = [&](const char* text, auto change) {
        TextRun r = base;
        r.text = QString::fromUtf8(text);
        change(r);
        return r;
    };
    const std::vector<TextRun> expected = {
        with("n", [](TextRun&) {}),
        with("b", [](TextRun& r) { r.bold = true; }),
        with("i", [](TextRun& r) { r.italic = true; }),
        with("ud", [](TextRun& r) { r.underline = true; }),
        with("s", [](TextRun& r) { r.strike = true; }),
        with("r", [](TextRun& r) { r.foreground = "#ff0000"; }),
        with("hc", [](TextRun& r) { r.background = "#0000ff"; }),
        with("p", [](TextRun& r) { r.valign = QTextCharFormat::AlignSuperScript; }),
        with("q", [](TextRun& r) { r.valign = QTextCharFormat::AlignSubScript; }),
        with("t", [](TextRun& r) { r.family = "Times New Roman", r.points = 15.5; }),
        with("x", [](TextRun& r) { r.bold = r.italic = r.underline = true; }),
        with("y", [](TextRun&) {}),
        with("z", [](TextRun& r) { r.bold = true, r.foreground = "#0000ff"; }),
        TextRun{"w", "Times New Roman", 12}, // \plain: the default font at 12 points
    };
    const std::vector<Paragraph> p = read(doc);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].runs, expected);

    const std::vector<Paragraph> late = read("{\\rtf1\\cf1 a\\par{\\colortbl;\\red255\\green0\\blue0;}b}");
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0].runs.at(0).foreground, "") << "no colour table yet";
    EXPECT_EQ(late[1].runs.at(0).foreground, "#ff0000") << "a colour table read after text counts from there";
}

TEST(RtfReader, ReadsParagraphFormatting) {
    const std::vector<Paragraph> p =
        read(rtf("\\pard\\qr\\li100\\ri200\\fi-50\\sb10\\sa20\\sl-300\\slmult0\\tqr\\tx1500\\tqc\\tx1000\\tx500 a\\par"
                 "\\pard\\qj\\sl360\\slmult1 b\\par\\pard\\qc\\sl240 c\\par\\pard\\li99999 d\\par"
                 "{\\pard\\qc e\\par}f\\par"
                 "\\trowd\\cellx1000\\cellx2500 g\\cell h\\cell\\row"));
    ASSERT_EQ(p.size(), 7u);
    EXPECT_EQ(p[0].align, int(Qt::AlignRight));
    EXPECT_EQ(std::vector<double>({p[0].left, p[0].right, p[0].first, p[0].before, p[0].after}),
              std::vector<double>({100, 200, -50, 10, 20}));
    EXPECT_EQ(p[0].lineHeightType, QTextBlockFormat::FixedHeight);
    EXPECT_EQ(p[0].lineHeight, 300);
    const std::vector<std::pair<double, int>> tabs = {
        {500, QTextOption::LeftTab}, {1000, QTextOption::CenterTab}, {1500, QTextOption::RightTab}};
    EXPECT_EQ(p[0].tabs, tabs);
    EXPECT_EQ(p[1].align, int(Qt::AlignJustify));
    EXPECT_EQ(p[1].lineHeightType, QTextBlockFormat::ProportionalHeight);
    EXPECT_EQ(p[1].lineHeight, 150);
    EXPECT_EQ(p[2].align, int(Qt::AlignHCenter));
    EXPECT_EQ(p[2].lineHeightType, QTextBlockFormat::MinimumHeight);
    EXPECT_EQ(p[2].lineHeight, 240);
    EXPECT_EQ(p[3].left, 31680) << "indents are bounded to the largest page";
    EXPECT_EQ(p[4].align, int(Qt::AlignHCenter));
    EXPECT_EQ(p[5].align, int(Qt::AlignLeft)) << "paragraph properties end with their group";
    EXPECT_EQ(p[6].tabs, (std::vector<std::pair<double, int>>{{1000, QTextOption::LeftTab}}))
        << "a table row's cells start at tab stops";
}

// Word-processor documents as they come: a style sheet, document
// information, Unicode text with replacements, list paragraphs with their
// bullets, a table, a field, a picture.
TEST(RtfReader, ReadsAWordProcessorDocument) {
    QFile file(QStringLiteral(OSTRAND_TEST_DATA_DIR "/wordprocessor.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QTextDocument doc;
    richtext::readRtf(file.readAll(), doc);
    EXPECT_EQ(richtext::plainText(doc), u"Отчёт о точках телемеханики\n"
                                        "Итог: [SUM([Qty])] шт.\n"
                                        "•\tПервый пункт\n"
                                        "•\tВторой пункт\n"
                                        "Точка\tЗначение\n"
                                        "ТИ-1\t12,5\n"
                                        "Сайт: www.example.ru"_qs);
    const std::vector<Paragraph> p = paragraphs(doc);
    ASSERT_EQ(p.size(), 7u);
    EXPECT_EQ(p[0].align, int(Qt::AlignHCenter));
    EXPECT_EQ(p[0].runs.at(0).family, "Times New Roman");
    EXPECT_EQ(p[0].runs.at(0).points, 16);
    EXPECT_TRUE(p[0].runs.at(0).bold);
    ASSERT_EQ(p[1].runs.size(), 2u);
    EXPECT_EQ(p[1].runs[0].text, u"Итог:"_qs);
    EXPECT_TRUE(p[1].runs[0].bold);
    EXPECT_FALSE(p[1].runs[1].bold);
    EXPECT_EQ(p[1].runs[1].foreground, "#c00000");
    EXPECT_EQ(std::pair(p[2].left, p[2].first), std::pair(720.0, -360.0));
    EXPECT_EQ(p[4].tabs.size(), 1u);
}

// The same in the form another word processor writes: every letter as \uN
// with a '?' for readers without Unicode, fonts switched by \loch and
// \hich, page styles in a table of their own.
TEST(RtfReader, ReadsAnotherWordProcessorsDocument) {
    QFile file(QStringLiteral(OSTRAND_TEST_DATA_DIR "/libreoffice.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QTextDocument doc;
    richtext::readRtf(file.readAll(), doc);
    EXPECT_EQ(richtext::plainText(doc), u"Сводка по точкам\nОбычный текст и курсив.\nТочка\t12,5"_qs);
    const std::vector<Paragraph> p = paragraphs(doc);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].align, int(Qt::AlignHCenter));
    EXPECT_EQ(p[0].before, 240);
    EXPECT_EQ(p[0].runs.at(0), (TextRun{u"Сводка по точкам"_qs, "Liberation Sans", 14, true}));
    ASSERT_EQ(p[1].runs.size(), 3u);
    EXPECT_EQ(p[1].runs[1], (TextRun{u"курсив"_qs, "Liberation Serif", 12, false, true}));
    EXPECT_EQ(p[1].lineHeight, 115);
    EXPECT_EQ(p[2].tabs, (std::vector<std::pair<double, int>>{{2268, QTextOption::LeftTab}}));
    EXPECT_EQ(p[2].runs.at(1).foreground, "#000080");
    EXPECT_EQ(doc.defaultTextOption().tabStopDistance(), 709);
}

// Hostile input ends in an error with a message, and the document is left
// empty; input at the bounds is read.
TEST(RtfReader, RefusesWhatPassesItsBounds) {
    const QByteArray deep = "{\\rtf1 " + QByteArray(richtext::MaxGroupDepth, '{') + "x" +
                            QByteArray(richtext::MaxGroupDepth, '}') + "}";
    const QByteArray deepest = "{\\rtf1 " + QByteArray(richtext::MaxGroupDepth - 1, '{') + "x" +
                               QByteArray(richtext::MaxGroupDepth - 1, '}') + "}";
    EXPECT_EQ(textOf(deepest), u"x"_qs);
    EXPECT_EQ(textOf(rtf("\\" + QByteArray(richtext::MaxControlWord, 'x') + "1234567890 ok")), u"ok"_qs);
    QTextDocument most;
    richtext::readRtf(rtf(QByteArray("\\par ").repeated(richtext::MaxParagraphs - 1) + "a"), most);
    EXPECT_EQ(most.blockCount(), richtext::MaxParagraphs);
    const struct {
        const char* name;
        QByteArray rtf;
        const char* says;
    } cases[] = {
        {"groups nested too deeply", deep, "вложенность"},
        {"endless groups", "{\\rtf1 " + QByteArray(100000, '{'), "вложенность"},
        {"a control word too long", rtf("\\" + QByteArray(richtext::MaxControlWord + 1, 'x') + " a"),
         "управляющее слово"},
        {"a parameter too long", rtf("\\fs12345678901 a"), "параметр"},
        {"binary data beyond the end", rtf("{\\pict\\bin999999 ab}"), "\\bin"},
        {"binary data of negative length", rtf("{\\pict\\bin-5 ab}"), "\\bin"},
        {"binary data just past the end", "{\\rtf1 {\\pict\\bin3 ab", "\\bin"},
        {"text without its closing braces", "{\\rtf1 text", "обрывается"},
        {"a group left open", "{\\rtf1 {\\b x}", "обрывается"},
        {"a broken escape at the end", "{\\rtf1 \\'c", "обрывается"},
        {"a backslash at the end", "{\\rtf1 \\", "обрывается"},
        {"more than the input size bound", QByteArray("{\\rtf1 ") + QByteArray(richtext::MaxRtfSize, 'a') + "}",
         "МБ"},
        {"more characters than a document holds", rtf(QByteArray(richtext::MaxDocumentChars + 1, 'a')), "символов"},
        {"more characters and paragraph ends than a document holds",
         rtf(QByteArray("a\\line ").repeated(richtext::MaxDocumentChars / 2) + "\\par a"), "символов"},
        {"more paragraphs than a document holds", rtf(QByteArray("\\par ").repeated(richtext::MaxParagraphs)),
         "абзацев"},
        {"more lines of plain text than a document holds", QByteArray("\n").repeated(richtext::MaxParagraphs),
         "абзацев"},
    };
    for (const auto& c : cases) {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("old"));
        try {
            richtext::readRtf(c.rtf, doc);
            ADD_FAILURE() << c.name << ": read";
        } catch (const EFormatError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << c.name << ": " << e.what();
            EXPECT_EQ(richtext::textLength(doc), 0) << c.name;
        }
    }
}

// Inputs the fuzzer found harmful once go through its steps again (read,
// written and read back, laid out and drawn) without a fault.
TEST(RtfReader, FuzzerFindingsGoThroughHarmlessly) {
    const QDir dir(QStringLiteral(OSTRAND_TEST_DATA_DIR "/fuzz"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        QImage image(64, 64, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.scale(96 / 1440.0, 96 / 1440.0);
        const char* fault = frfuzz::runRtfInput(f.readAll(), &painter);
        EXPECT_EQ(fault, nullptr) << name.toStdString() << ": " << fault;
    }
}

} // namespace
