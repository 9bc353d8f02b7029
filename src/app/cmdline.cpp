#include "app/cmdline.h"

#include "common/cp1251.h"

#include <QStringDecoder>

namespace cmdline {

static QString decodeArgument(const char* raw) {
    const QByteArray bytes(raw);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return cp1251::decode(bytes);
}

QString processCommandLine(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeArgument(argv[i]);
    return joinArguments(arguments);
}

QString joinArguments(const QStringList& arguments) { return arguments.join(u' '); }

} // namespace cmdline

QString CommandLineKeyValue(const QString& commandLine, const QString& key) {
    if (key.isEmpty())
        return QString();
    const qsizetype start = commandLine.indexOf(key, 0, Qt::CaseSensitive);
    if (start < 0)
        return QString();
    // Only the blank ends a value; tabs and quotes belong to it.
    qsizetype end = commandLine.indexOf(u' ', start);
    if (end < 0)
        end = commandLine.size();
    const qsizetype valueStart = qMin(start + key.size(), end);
    const QString value = commandLine.mid(valueStart, end - valueStart);
    if (!value.isEmpty() && value.front() == QChar(cp1251::Bullet))
        return DecodeHexValue(value.mid(1));
    return value;
}

static int hexDigit(QChar ch) {
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

QString DecodeHexValue(const QString& text) {
    QString result;
    if (text.size() % 2 != 0)
        return result;
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            break;
        const auto byte = static_cast<unsigned char>(high * 16 + low);
        if (byte != 0)
            result += cp1251::toChar(byte);
    }
    return result;
}
