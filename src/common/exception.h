#pragma once

#include <QString>
#include <QByteArray>
#include <exception>

// Errors of the program are exceptions carrying the message text the user sees.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A stream or file whose contents do not follow the expected layout.
class EFormatError : public Exception {
public:
    using Exception::Exception;
};
