#pragma once
// A small reader and writer for INI files in the GBK code page. Section and key names match
// without regard to letter case; writing a key replaces only its own line (or adds what is
// missing) and keeps every other line of the file, comments included, byte for byte.
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace jjgz {

class IniFile {
public:
    explicit IniFile(QString path);
    // Missing file, section or key gives `def`.
    QString value(const QString &section, const QString &key, const QString &def) const;
    // Every key of `section` (in lower case; the first of a repeated key) with its value, from
    // one reading of the file.
    QHash<QString, QString> section(const QString &section) const;
    // Returns false when the file cannot be written.
    bool setValue(const QString &section, const QString &key, const QString &value);
    // Several keys of one section in one reading and one writing of the file.
    bool setValues(const QString &section, const QList<QPair<QString, QString>> &values);

private:
    QStringList readLines(bool *hadFinalNewline) const;
    QString m_path;
};

} // namespace jjgz
