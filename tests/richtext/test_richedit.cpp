#include "richtest.h"

#include "richtext/richedit.h"

#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace richtest;

namespace {

TextRun plain(const QString& text) { return TextRun{text, "Arial", 10}; }
TextRun bold(const QString& text) { return TextRun{text, "Arial", 10, true}; }
TextRun italic(const QString& text) { return TextRun{text, "Arial", 10, false, true}; }

Paragraph paragraph(std::vector<TextRun> runs) {
    Paragraph p;
    p.align = Qt::AlignLeft;
    p.mark = plain({});
    p.runs = std::move(runs);
    return p;
}

// The runs of every paragraph.
std::vector<std::vector<TextRun>> runs(const QTextDocument& doc) {
    std::vector<std::vector<TextRun>> out;
    for (const Paragraph& p : paragraphs(doc))
        out.push_back(p.runs);
    return out;
}

TEST(RichEdit, ReplacementTakesTheFormatOfTheRangesFirstCharacter) {
    const struct {
        const char* name;
        std::vector<TextRun> before;
        int from, to;
        QString text;
        std::vector<std::vector<TextRun>> after;
        int end;
    } cases[] = {
        {"a bold bracket in bold text", {bold(u"Итог: [SUM([Qty])]"_qs)}, 6, 18, u"1 234,50"_qs,
         {{bold(u"Итог: 1 234,50"_qs)}}, 14},
        {"only the bracket bold", {plain(u"Сумма "_qs), bold(u"[X]"_qs), plain(u" руб."_qs)}, 6, 9, u"12"_qs,
         {{plain(u"Сумма "_qs), bold(u"12"_qs), plain(u" руб."_qs)}}, 8},
        {"a range over two formats", {italic("a"), bold("b"), plain("c")}, 0, 2, u"xyz"_qs,
         {{italic("xyz"), plain("c")}}, 3},
        {"an empty range takes the next character's format", {plain("a"), bold("b")}, 1, 1, u"x"_qs,
         {{plain("a"), bold("xb")}}, 2},
        {"a value with line breaks", {bold(u"Итог: [V]"_qs), plain(u" шт."_qs)}, 6, 9, u"1\r\n2\r3\n4"_qs,
         {{bold(u"Итог: 1"_qs)}, {bold("2")}, {bold("3")}, {bold("4"), plain(u" шт."_qs)}}, 13},
        {"control characters left out", {bold("[V]")}, 0, 3, QString(u"a\u0001b\tc\u0000d"_qs), {{bold("ab\tcd")}}, 5},
        {"positions outside the text clamped", {plain("ab")}, -5, 99, u"z"_qs, {{plain("z")}}, 1},
        {"an empty value removes the range", {plain("a"), bold("[V]"), plain("b")}, 1, 4, {}, {{plain("ab")}}, 1},
    };
    for (const auto& c : cases) {
        QTextDocument doc;
        build(doc, {paragraph(c.before)});
        EXPECT_EQ(richtext::replaceRange(doc, c.from, c.to, c.text), c.end) << c.name;
        EXPECT_EQ(runs(doc), c.after) << c.name;
    }
}

// Replacing every bracket of a document one after the other, searching on
// after each value, as expressions in a document are expanded: each value
// keeps its bracket's format, values are not searched again, paragraphs
// stay.
TEST(RichEdit, ReplacesEveryBracketInTurn) {
    QTextDocument doc;
    build(doc, {paragraph({bold(u"Итог: [A]"_qs), plain(u" и [B]"_qs)}), paragraph({italic(u"[C] конец"_qs)})});
    const QStringList values = {u"[не выражение]"_qs, u"два"_qs, u"три"_qs};
    int position = 0;
    for (const QString& value : values) {
        const QString text = richtext::plainText(doc);
        const int open = int(text.indexOf(u'[', position));
        ASSERT_GE(open, 0);
        position = richtext::replaceRange(doc, open, int(text.indexOf(u']', open)) + 1, value);
    }
    EXPECT_EQ(richtext::plainText(doc).indexOf(u'[', position), -1);
    EXPECT_EQ(runs(doc), (std::vector<std::vector<TextRun>>{
                             {bold(u"Итог: [не выражение]"_qs), plain(u" и два"_qs)}, {italic(u"три конец"_qs)}}));
}

// Position i of the plain text is the document position i: the character a
// cursor selects there, paragraph ends and line breaks included.
TEST(RichEdit, PlainTextPositionsAreDocumentPositions) {
    QTextDocument doc;
    build(doc, {paragraph({plain(u"a\tб\u2028в"_qs), bold(u"г"_qs)}), paragraph({}), paragraph({italic(u"д"_qs)})});
    const QString text = richtext::plainText(doc);
    EXPECT_EQ(text, u"a\tб\nвг\n\nд"_qs);
    ASSERT_EQ(richtext::textLength(doc), text.size());
    for (int i = 0; i < text.size(); ++i) {
        QTextCursor c(&doc);
        c.setPosition(i);
        c.setPosition(i + 1, QTextCursor::KeepAnchor);
        QString selected = c.selectedText();
        selected.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
        EXPECT_EQ(selected, text.mid(i, 1)) << "position " << i;
    }
    EXPECT_TRUE(richtext::charFormatAt(doc, 5).fontWeight() >= QFont::Bold);
    EXPECT_TRUE(richtext::charFormatAt(doc, 8).fontItalic());
}

TEST(RichEdit, CleansTextForTheDocument) {
    const struct {
        QString text;
        bool lineBreaks;
        QString clean;
    } cases[] = {
        {u"a\r\nb\rc\nd\u2029e"_qs, true, u"a\nb\nc\nd\ne"_qs},
        {u"a\r\nb\rc\nd\u2029e"_qs, false, u"abcde"_qs},
        {u"\t\u2028\u00A0"_qs, false, u"\t\u2028\u00A0"_qs},
        {QString(u"x\u0000\u0001\u001F\u007F\uFDD0\uFFFE\uFFFF\uFFFCy"_qs), true, u"xy"_qs},
        {u"😀"_qs, false, u"😀"_qs},
        {QString(u"a"_qs) + QChar(0xD83D) + u'b' + QChar(0xDE00), false, u"ab"_qs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(richtext::cleanText(c.text, c.lineBreaks), c.clean) << c.text.toStdString();
}

} // namespace
