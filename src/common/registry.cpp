#include "registry.h"

#include "exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

QString TRegistry::storageFile() {
    const QString fromEnv = qEnvironmentVariable("OSTRAND_REGISTRY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Ostrand/registry.ini");
}

TRegistry::TRegistry(const QString& baseKey) {
    QString path = baseKey;
#ifdef Q_OS_WIN
    m_settings = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + path, QSettings::NativeFormat);
#else
    path.replace(u'\\', u'/');
    m_prefix = path + u'/';
    const QString file = storageFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    m_settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
#endif
}

TRegistry::~TRegistry() {
    if (m_settings)
        m_settings->sync();
}

QString TRegistry::key(const QString& section, const QString& name) const { return m_prefix + section + u'/' + name; }

QString TRegistry::readString(const QString& section, const QString& name, const QString& defaultValue) const {
    const QVariant v = m_settings->value(key(section, name));
    return v.isValid() ? v.toString() : defaultValue;
}

int TRegistry::readInteger(const QString& section, const QString& name, int defaultValue) const {
    bool ok = false;
    const int v = readString(section, name).trimmed().toInt(&ok);
    return ok ? v : defaultValue;
}

bool TRegistry::readBool(const QString& section, const QString& name, bool defaultValue) const {
    const QString s = readString(section, name).trimmed();
    if (s.isEmpty())
        return defaultValue;
    return s != u"0";
}

bool TRegistry::valueExists(const QString& section, const QString& name) const {
    return m_settings->contains(key(section, name));
}

void TRegistry::writeString(const QString& section, const QString& name, const QString& value) {
    m_settings->setValue(key(section, name), value);
}

void TRegistry::writeInteger(const QString& section, const QString& name, int value) {
    writeString(section, name, QString::number(value));
}

void TRegistry::writeBool(const QString& section, const QString& name, bool value) {
    writeString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TRegistry::eraseSection(const QString& section) { m_settings->remove(m_prefix + section); }

void TRegistry::flush() {
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw Exception(QStringLiteral("Не удалось записать настройки в %1").arg(m_settings->fileName()));
}
