#pragma once

#include <QString>
#include <memory>

class QSettings;

// The user's registry under HKEY_CURRENT_USER: on Windows the registry itself,
// elsewhere an INI file in the user's configuration folder whose groups mirror
// the same key paths ("Software/Velmora/Ostrand/MainForm/TfrmMain/NormPos").
// The file is named by the environment variable OSTRAND_REGISTRY when set, else
// "Ostrand/registry.ini" in the configuration folder. All values are strings.
class TRegistry {
public:
    // baseKey as on Windows, e.g. "Software\\Velmora\\Ostrand\\MainForm".
    explicit TRegistry(const QString& baseKey);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    QString readString(const QString& section, const QString& name, const QString& defaultValue = QString()) const;
    int readInteger(const QString& section, const QString& name, int defaultValue) const;
    bool readBool(const QString& section, const QString& name, bool defaultValue) const;
    bool valueExists(const QString& section, const QString& name) const;

    void writeString(const QString& section, const QString& name, const QString& value);
    void writeInteger(const QString& section, const QString& name, int value);
    void writeBool(const QString& section, const QString& name, bool value);
    void eraseSection(const QString& section);

    // Writes pending changes; throws Exception when the store cannot be written.
    void flush();

    // The INI file used on platforms without a registry.
    static QString storageFile();

private:
    QString key(const QString& section, const QString& name) const;
    QString m_prefix;
    std::unique_ptr<QSettings> m_settings;
};
