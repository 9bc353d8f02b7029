#include "report/export/htmlwriter.h"

namespace frhtml {

QByteArray documentStart() {
    return QByteArrayLiteral("<HTML>\r\n<Head>\r\n"
                             "<Meta HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n"
                             "</Head>\r\n<Body bgColor=\"#FFFFFF\">\r\n<Table>\r\n");
}

QByteArray documentEnd() {
    return QByteArrayLiteral("</Table>\r\n</Body>\r\n</HTML>\r\n");
}

QString escape(QStringView text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            s += QLatin1String("&amp;");
            break;
        case u'<':
            s += QLatin1String("&lt;");
            break;
        case u'>':
            s += QLatin1String("&gt;");
            break;
        case u'"':
            s += QLatin1String("&quot;");
            break;
        default:
            s += c;
        }
    }
    return s;
}

QString sizeAttribute(std::int32_t points) {
    struct Range {
        std::int32_t from, to;
        const char* attribute;
    };
    static constexpr Range ranges[] = {
        {6, 7, "1"}, {8, 9, "2"}, {10, 13, ""}, {14, 17, "4"}, {18, 23, "5"}, {24, 35, "6"},
    };
    for (const Range& r : ranges)
        if (points >= r.from && points <= r.to)
            return QString::fromLatin1(r.attribute);
    return QStringLiteral("7");
}

namespace {

QString hex2(unsigned value) {
    return QString::number(value & 0xFF, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

QString cell(const TfrTextRec& c, bool rawText) {
    if (isPicture(c))
        return QStringLiteral("<td><img src=\"%1\" width=\"%2\" height=\"%3\"></td>")
            .arg(escape(c.text))
            .arg(c.rect.right)
            .arg(c.rect.bottom);
    TfrColor color = c.fontColor;
    if (color == clWhite || color == clTransparent)
        color = 0;
    else if (frcolor::isSystem(color))
        color = frcolor::resolve(color) & 0xFFFFFF;
    QString attributes;
    if (color != 0)
        attributes = QStringLiteral("Color=\"#") + hex2(color) + hex2(color >> 8) + hex2(color >> 16) + u'"';
    if (c.fontSize < 10 || c.fontSize > 13)
        attributes += QStringLiteral(" Size=") + sizeAttribute(c.fontSize);
    QString s = QStringLiteral("<td>");
    if (!attributes.isEmpty())
        s += QStringLiteral("<Font ") + attributes + u'>';
    if (c.fontStyle & fsItalic)
        s += QLatin1String("<i>");
    if (c.fontStyle & fsBold)
        s += QLatin1String("<b>");
    if (c.fontStyle & fsUnderline)
        s += QLatin1String("<u>");
    s += rawText ? c.text : escape(c.text);
    s += QLatin1String("</td>");
    return s;
}

TfrTextRec pictureCell(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, int number,
                          const QString& fileName) {
    TfrTextRec c;
    c.x = x;
    c.text = fileName;
    c.rect = TfrEdges{x, y, width, height};
    c.tag = number;
    return c;
}

QString row(const TfrTextExport::Row& cells, bool rawText) {
    QString s = QStringLiteral("<tr>");
    for (const TfrTextRec& c : cells)
        s += cell(c, rawText);
    s += QLatin1String("</tr>");
    return s;
}

} // namespace frhtml
