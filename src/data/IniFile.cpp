#include "IniFile.h"

#include "data/Gbk.h"

#include <QFile>
#include <QSaveFile>

namespace jjgz {
namespace {

// "[name]" on its own line (blanks allowed around it) gives name, else a null string.
QString sectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.startsWith(u'[') && t.endsWith(u']'))
        return t.mid(1, t.size() - 2).trimmed();
    return QString();
}

bool isComment(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(u';') || t.startsWith(u'#');
}

// For "key=value" gives key (trimmed) and sets value; else a null string.
QString keyOf(const QString &line, QString *value = nullptr)
{
    if (isComment(line))
        return QString();
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0)
        return QString();
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return line.left(eq).trimmed();
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path))
{}

QStringList IniFile::readLines(bool *hadFinalNewline) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (hadFinalNewline)
            *hadFinalNewline = true;
        return {};
    }
    const QByteArray raw = file.readAll();
    QString text = fromGbk(raw);
    if (hadFinalNewline)
        *hadFinalNewline = raw.isEmpty() || raw.endsWith('\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

QString IniFile::value(const QString &section, const QString &key, const QString &def) const
{
    bool inSection = false;
    for (const QString &line : readLines(nullptr)) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        QString v;
        const QString k = keyOf(line, &v);
        if (!k.isNull() && k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    }
    return def;
}

bool IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    return setValues(section, {{key, value}});
}

bool IniFile::setValues(const QString &section, const QList<QPair<QString, QString>> &values)
{
    // The raw bytes are re-encoded line by line only where a line changes; to keep the other
    // lines exactly, the file is split on its own bytes rather than on decoded text.
    QByteArray raw;
    {
        QFile file(m_path);
        if (file.exists() && !file.open(QIODevice::ReadOnly))
            return false;
        if (file.isOpen())
            raw = file.readAll();
    }
    const bool crlf = raw.contains("\r\n");
    QList<QByteArray> lines = raw.split('\n');
    const bool finalNewline = raw.isEmpty() || raw.endsWith('\n');
    if (finalNewline && !lines.isEmpty())
        lines.removeLast();
    auto textOf = [](QByteArray line) {
        if (line.endsWith('\r'))
            line.chop(1);
        return fromGbk(line);
    };
    bool added = false; // a key was added (the file then ends with a newline)
    for (const auto &[key, value] : values) {
        const QByteArray newLine = toGbk(key + u'=' + value) + (crlf ? "\r" : "");
        int sectionStart = -1;  // index of the section header line
        int lastInSection = -1; // last non-blank line of the section (or its header)
        bool done = false;
        for (int i = 0; i < lines.size() && !done; ++i) {
            const QString line = textOf(lines[i]);
            const QString name = sectionName(line);
            if (!name.isNull()) {
                if (sectionStart >= 0)
                    break; // the next section begins: the key is missing in ours
                if (name.compare(section, Qt::CaseInsensitive) == 0) {
                    sectionStart = i;
                    lastInSection = i;
                }
                continue;
            }
            if (sectionStart < 0)
                continue;
            if (!line.trimmed().isEmpty())
                lastInSection = i;
            const QString k = keyOf(line);
            if (!k.isNull() && k.compare(key, Qt::CaseInsensitive) == 0) {
                lines[i] = newLine;
                done = true;
            }
        }
        if (!done) {
            added = true;
            if (sectionStart >= 0) {
                lines.insert(lastInSection + 1, newLine);
            } else {
                if (!lines.isEmpty() && !textOf(lines.last()).trimmed().isEmpty())
                    lines.append(crlf ? QByteArray("\r") : QByteArray());
                lines.append(toGbk(u'[' + section + u']') + (crlf ? "\r" : ""));
                lines.append(newLine);
            }
        }
    }
    QByteArray out;
    for (int i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || finalNewline || added)
            out += '\n';
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(out);
    return file.commit();
}

QHash<QString, QString> IniFile::section(const QString &section) const
{
    QHash<QString, QString> found;
    bool inSection = false;
    for (const QString &line : readLines(nullptr)) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        QString v;
        const QString k = keyOf(line, &v).toLower();
        if (!k.isEmpty() && !found.contains(k))
            found.insert(k, v);
    }
    return found;
}

} // namespace jjgz
