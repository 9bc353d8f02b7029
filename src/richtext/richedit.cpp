#include "richtext/richedit.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace richtext {

QString plainText(const QTextDocument& document) {
    QString text = document.toRawText();
    for (QChar& ch : text)
        if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator)
            ch = u'\n';
    return text;
}

int textLength(const QTextDocument& document) { return std::max(0, document.characterCount() - 1); }

QTextCharFormat charFormatAt(const QTextDocument& document, int position) {
    const int pos = std::clamp(position, 0, textLength(document));
    const QTextBlock block = document.findBlock(pos);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (pos >= f.position() && pos < f.position() + f.length())
            return f.charFormat();
    }
    return block.charFormat();
}

QString fontFamily(const QTextCharFormat& format, const QTextDocument& document) {
    const QStringList families = format.fontFamilies().toStringList();
    return !families.isEmpty() && !families.front().isEmpty() ? families.front() : document.defaultFont().family();
}

double fontPointSize(const QTextCharFormat& format, const QTextDocument& document) {
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0)
        return format.fontPointSize();
    if (format.hasProperty(QTextFormat::FontPixelSize) && format.intProperty(QTextFormat::FontPixelSize) > 0)
        return format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    const QFont font = document.defaultFont();
    return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() > 0 ? font.pixelSize() * 0.75 : 12.0;
}

int replaceRange(QTextDocument& document, int from, int to, QStringView text) {
    const int length = textLength(document);
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    const QTextCharFormat format = charFormatAt(document, from);
    QTextCursor cursor(&document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.insertText(cleanText(text, true), format);
    return cursor.position();
}

QString cleanText(QStringView text, bool lineBreaks) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        const char16_t u = ch.unicode();
        if (u == u'\r' || u == u'\n' || u == QChar::ParagraphSeparator) {
            if (lineBreaks && !(u == u'\n' && i > 0 && text[i - 1] == u'\r'))
                out += u'\n';
        } else if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += ch;
            out += text[++i];
        } else if ((u < 0x20 && u != u'\t') || u == 0x7F || ch.isSurrogate() || ch.isNonCharacter() ||
                   u == QChar::ObjectReplacementCharacter) {
            continue;
        } else {
            out += ch;
        }
    }
    return out;
}

} // namespace richtext
