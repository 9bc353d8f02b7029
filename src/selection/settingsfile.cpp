#include "selection/settingsfile.h"

#include "common/cp1251.h"
#include "common/numformat.h"
#include "selection/mask.h"

namespace settings {

namespace {

const QString kLookupFile = QStringLiteral("LookupFile:");
const QString kLookupFields = QStringLiteral("LookupFields:");

// The text of a column line that holds its specifications: between the first
// "=" and the next one.
QStringView specText(const QString& line) { return delimitedField(line, u'=', 2); }

qsizetype parenAt(QStringView s, qsizetype from) {
    for (qsizetype i = from; i < s.size(); ++i)
        if (s[i] == u'(' || s[i] == u')')
            return i;
    return -1;
}

} // namespace

LineKind classify(const QString& line) {
    if (line.startsWith(u';'))
        return LineKind::Comment;
    if (line.contains(u'='))
        return LineKind::Column;
    if (line.startsWith(kLookupFile, Qt::CaseInsensitive))
        return LineKind::LookupFile;
    if (line.startsWith(kLookupFields, Qt::CaseInsensitive))
        return LineKind::LookupFields;
    return LineKind::Other;
}

QString nodeName(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq);
}

std::vector<ColumnSpec> columns(const QString& line) {
    std::vector<ColumnSpec> out;
    const QStringView specs = specText(line);
    for (int pos = 1; pos <= MaxItems; ++pos) {
        const QStringView piece = trimBlanks(delimitedField(specs, u',', pos));
        if (piece.isEmpty())
            continue;
        ColumnSpec c;
        QStringView params;
        const qsizetype open = parenAt(piece, 0);
        if (open >= 0) {
            const qsizetype close = parenAt(piece, open + 1);
            params = piece.mid(open + 1, (close < 0 ? piece.size() : close) - open - 1);
        }
        if (!params.isEmpty()) {
            c.propName = piece.left(open).toString();
            const QString type = cp1251::toLower(delimitedField(params, u';', 1));
            if (type == u"int")
                c.type = TFieldType::Integer;
            else if (type == u"float")
                c.type = TFieldType::Float;
            QStringView size = delimitedField(params, u';', 2);
            while (!size.isEmpty() && size.front() == u' ')
                size = size.mid(1);
            c.size = numfmt::parseInt(size).value_or(DefaultSize);
            c.label = delimitedField(params, u';', 3).toString();
            c.fieldName = delimitedField(params, u';', 4).toString();
        } else {
            c.propName = piece.toString();
        }
        if (c.fieldName.isEmpty())
            c.fieldName = c.propName;
        if (c.label.isEmpty())
            c.label = c.fieldName;
        out.push_back(std::move(c));
    }
    return out;
}

QStringList propertyNames(const QString& line) {
    QStringList out;
    const QStringView specs = specText(line);
    for (int pos = 1; pos <= MaxItems; ++pos) {
        QStringView piece = trimBlanks(delimitedField(specs, u',', pos));
        if (piece.contains(u'('))
            piece = piece.left(parenAt(piece, 0));
        if (!piece.isEmpty())
            out << piece.toString();
    }
    return out;
}

QString lookupFile(const QString& line) { return delimitedField(line, u':', 2).toString(); }

QStringList lookupFields(const QString& line) {
    QStringList out;
    const QStringView list = trimBlanks(delimitedField(line, u':', 2));
    for (int pos = 1; pos <= MaxItems; ++pos) {
        const QStringView name = trimBlanks(delimitedField(list, u',', pos));
        if (name.isEmpty())
            break;
        out << name.toString();
    }
    return out;
}

} // namespace settings
