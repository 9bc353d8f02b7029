#include "richtest.h"

#include "richtext/richedit.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace richtest;

namespace {

TextRun run(const QString& text, const QString& family = "Arial", double points = 10) {
    return TextRun{text, family, points};
}

template <class Change>
TextRun run(const QString& text, Change change) {
    TextRun r = run(text);
    change(r);
    return r;
}

Paragraph paragraph(std::vector<TextRun> runs) {
    Paragraph p;
    p.align = Qt::AlignLeft;
    p.mark = run({});
    p.runs = std::move(runs);
    return p;
}

QByteArray written(const std::vector<Paragraph>& paragraphs) {
    QTextDocument doc;
    build(doc, paragraphs);
    return richtext::writeRtf(doc);
}

// What the writer writes the reader reads back: the same paragraphs with
// the same formats and the same runs of text in the same formats.
TEST(RtfWriter, WritesWhatTheReaderReadsBack) {
    Paragraph formats = paragraph({});
    formats.align = Qt::AlignRight;
    formats.left = 720, formats.right = 360, formats.first = -360, formats.before = 120, formats.after = 240;
    formats.lineHeightType = QTextBlockFormat::FixedHeight, formats.lineHeight = 300;
    formats.tabs = {{500, QTextOption::LeftTab}, {1000, QTextOption::RightTab}, {1500, QTextOption::CenterTab},
                    {2000, QTextOption::DelimiterTab}};
    formats.mark = run({}, "Courier New", 8);
    formats.runs = {run(u"правый край"_qs)};
    auto aligned = [](int align, int lineHeightType, double lineHeight) {
        Paragraph p = paragraph({run(u"строка"_qs)});
        p.align = align, p.lineHeightType = lineHeightType, p.lineHeight = lineHeight;
        return p;
    };
    const struct {
        const char* name;
        std::vector<Paragraph> paragraphs;
    } cases[] = {
        {"Russian text in fonts, sizes and styles",
         {paragraph({run(u"Итог: "_qs, [](TextRun& r) { r.bold = true; }),
                     run(u"сумма"_qs, [](TextRun& r) { r.family = "Times New Roman", r.points = 12.5, r.italic = true; }),
                     run(u" и "_qs),
                     run(u"подчёркнуто, зачёркнуто"_qs, [](TextRun& r) { r.underline = r.strike = true; }),
                     run(u"м"_qs), run(u"2"_qs, [](TextRun& r) { r.valign = QTextCharFormat::AlignSuperScript; }),
                     run(u"H"_qs), run(u"2"_qs, [](TextRun& r) { r.valign = QTextCharFormat::AlignSubScript; }),
                     run(u"красный на жёлтом"_qs, [](TextRun& r) { r.foreground = "#ff0000", r.background = "#ffff00"; }),
                     run(u"синий"_qs, [](TextRun& r) { r.foreground = "#0000ff", r.points = 72; })})}},
        {"characters code page 1251 lacks", {paragraph({run(u"漢字 α ő 😀 € № ё"_qs)})}},
        {"characters with control words of their own",
         {paragraph({run(u"a\tb\u2028c\u00A0d\u00ADe\u2011f {g} h\\i; j"_qs)})}},
        {"paragraph formats",
         {formats, aligned(Qt::AlignLeft, QTextBlockFormat::MinimumHeight, 400),
          aligned(Qt::AlignHCenter, QTextBlockFormat::ProportionalHeight, 150),
          aligned(Qt::AlignJustify, QTextBlockFormat::SingleHeight, 0)}},
        {"empty paragraphs first, between and last",
         {paragraph({}), paragraph({run("a")}), paragraph({}), paragraph({})}},
        {"a font named in Russian", {paragraph({run(u"текст"_qs, u"Шрифт {особый}"_qs, 11)})}},
        {"an empty document", {paragraph({})}},
    };
    for (const auto& c : cases) {
        const QByteArray rtf = written(c.paragraphs);
        EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251")) << c.name;
        for (char ch : rtf)
            ASSERT_TRUE(ch >= 0x20 ? ch < 0x7F : ch == '\r' || ch == '\n') << c.name << ": seven-bit text only";
        EXPECT_EQ(read(rtf), c.paragraphs) << c.name << "\n" << rtf.toStdString();
    }
}

TEST(RtfWriter, EscapesTextInCodePage1251) {
    const struct {
        QString text;
        QByteArray rtf;
    } cases[] = {
        {u"plain"_qs, "plain"},
        {u"{a}\\b"_qs, "\\{a\\}\\\\b"},
        {u"Жё№"_qs, "\\'c6\\'b8\\'b9"},
        {u"€"_qs, "\\'88"},
        {u"漢"_qs, "\\u28450?"},
        {u"\uFFFD"_qs, "\\u-3?"},
        {u"😀"_qs, "\\u-10179?\\u-8704?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(richtext::escape(c.text), c.rtf) << c.text.toStdString();
}

// A document read from a word processor's file is written and read again
// with the same paragraphs and runs, and written again to the same bytes.
TEST(RtfWriter, RewritesAWordProcessorDocumentUnchanged) {
    QFile file(QStringLiteral(OSTRAND_TEST_DATA_DIR "/wordprocessor.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QTextDocument first;
    richtext::readRtf(file.readAll(), first);
    const QByteArray rtf = richtext::writeRtf(first);
    QTextDocument second;
    richtext::readRtf(rtf, second);
    EXPECT_EQ(paragraphs(second), paragraphs(first));
    EXPECT_EQ(richtext::writeRtf(second), rtf);
}

QString unrtfHtml(const QByteArray& rtf) {
    QTemporaryDir dir;
    QFile f(dir.filePath("doc.rtf"));
    if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
        return {};
    f.close();
    QProcess unrtf;
    unrtf.setWorkingDirectory(dir.path());
    unrtf.start(QStringLiteral("unrtf"), {"--html", "--nopict", f.fileName()});
    if (!unrtf.waitForFinished(60000) || unrtf.exitCode() != 0)
        return {};
    return QString::fromUtf8(unrtf.readAllStandardOutput());
}

// An independent reader reads the writer's documents: Debian's unrtf finds
// the texts (Russian in code page 1251, and characters beyond it), bold and
// italic text and the colours.
TEST(RtfWriter, UnrtfReadsTheDocuments) {
    if (QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty())
        GTEST_SKIP() << "unrtf is not installed";
    const QString html = unrtfHtml(
        written({paragraph({run(u"Итог:"_qs, [](TextRun& r) { r.bold = true; }), run(u" 1 234,50 шт."_qs)}),
                 paragraph({run(u"Курсив"_qs, [](TextRun& r) { r.italic = true; }),
                            run(u"Красный"_qs, [](TextRun& r) { r.foreground = "#ff0000"; })}),
                 paragraph({run(u"漢字 € {скобки} \\"_qs)})}));
    ASSERT_FALSE(html.isEmpty()) << "unrtf failed";
    for (const QString& expected :
         {u"<b>&#1048;&#1090;&#1086;&#1075;:</b>"_qs, u" 1 234,50 &#1096;&#1090;."_qs,
          u"<i>&#1050;&#1091;&#1088;&#1089;&#1080;&#1074;</i>"_qs,
          u"<font color=\"#ff0000\">&#1050;&#1088;&#1072;&#1089;&#1085;&#1099;&#1081;</font>"_qs,
          u"&#28450;&#23383; &euro; {&#1089;&#1082;&#1086;&#1073;&#1082;&#1080;} \\"_qs})
        EXPECT_TRUE(html.contains(expected)) << expected.toStdString() << " in\n" << html.toStdString();
}

// Optional: LibreOffice, where installed, saves the writer's document as RTF
// of its own, and the reader finds the same text and formats in it.
TEST(RtfWriter, ReadsWhatLibreOfficeWritesOfTheDocuments) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    const std::vector<Paragraph> doc = {
        paragraph({run(u"Итог:"_qs, [](TextRun& r) { r.bold = true; }), run(u" 1 234,50 шт."_qs)}),
        paragraph({run(u"Курсив"_qs, [](TextRun& r) { r.italic = true, r.points = 14; })})};
    QTemporaryDir dir;
    QFile in(dir.filePath("in.rtf"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(written(doc));
    in.close();
    QProcess lo;
    lo.start(soffice, {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless", "--convert-to",
                       "rtf", "--outdir", dir.filePath("out"), in.fileName()});
    ASSERT_TRUE(lo.waitForFinished(180000)) << "LibreOffice did not finish";
    QFile out(dir.filePath("out/in.rtf"));
    if (!out.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "LibreOffice wrote nothing: " << lo.readAllStandardError().toStdString();
    QTextDocument back;
    richtext::readRtf(out.readAll(), back);
    EXPECT_EQ(richtext::plainText(back), u"Итог: 1 234,50 шт.\nКурсив"_qs);
    const std::vector<Paragraph> p = paragraphs(back);
    ASSERT_GE(p.size(), 2u);
    ASSERT_GE(p[0].runs.size(), 2u);
    EXPECT_TRUE(p[0].runs[0].bold);
    EXPECT_FALSE(p[0].runs.back().bold);
    EXPECT_TRUE(p[1].runs.at(0).italic);
    EXPECT_EQ(p[1].runs.at(0).points, 14);
}

} // namespace
