#include "MyFun.h"

#include "DataPaths.h"
#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace jjgz {
namespace {
QString g_appDir;
}

QString appDir()
{
    if (!g_appDir.isEmpty())
        return g_appDir;
    return QCoreApplication::applicationDirPath();
}

void setAppDir(const QString &dir)
{
    g_appDir = QDir::cleanPath(dir);
}

QString appPath(const QString &relative)
{
    return QDir(appDir()).filePath(relative);
}

int TextToInt(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const int value = t.toInt(&ok, 10);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' 不是有效的整数").arg(text));
    return value;
}

QString PadCode(qint64 n, int w)
{
    QString s = QString::number(n);
    if (w > 0 && s.size() < w)
        s.prepend(QString(w - s.size(), u'0'));
    return s;
}

double RoundDec(int d, double x)
{
    if (!std::isfinite(x) || x == 0.0)
        return x;
    if (d < 0)
        d = 0;
    const bool negative = x < 0;
    // 18 significant digits, the last one rounded to nearest (ties to even) by the C library.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(x));
    // buf: D.DDDDDDDDDDDDDDDDDe[+-]XX
    std::string digits;
    digits += buf[0];
    const char *p = buf + 2;
    while (*p && *p != 'e')
        digits += *p++;
    const int exponent = std::atoi(p + 1);
    const int keep = exponent + 1 + d; // digits kept, counted from the first significant one
    std::string kept;
    if (keep >= static_cast<int>(digits.size())) {
        kept = digits + std::string(keep - digits.size(), '0');
    } else if (keep < 0) {
        kept = "0";
    } else {
        kept = digits.substr(0, keep);
        if (digits[keep] >= '5') {
            int i = static_cast<int>(kept.size()) - 1;
            while (i >= 0 && kept[i] == '9')
                kept[i--] = '0';
            if (i >= 0)
                ++kept[i];
            else
                kept.insert(kept.begin(), '1');
        }
        if (kept.empty())
            kept = "0";
    }
    // Fixed-point text with d decimals.
    if (static_cast<int>(kept.size()) <= d)
        kept.insert(0, d + 1 - kept.size(), '0');
    std::string text = negative ? "-" : "";
    text += kept.substr(0, kept.size() - d);
    if (d > 0) {
        text += '.';
        text += kept.substr(kept.size() - d);
    }
    return std::strtod(text.c_str(), nullptr);
}

double VarToFloat(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0.0;
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        bool ok = false;
        const QString t = value.toString().trimmed();
        const double v = t.toDouble(&ok);
        if (!ok)
            throw ConversionError(QStringLiteral("'%1' 不是有效的数值").arg(value.toString()));
        return v;
    }
    case QMetaType::Bool: return value.toBool() ? -1.0 : 0.0;
    default: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok)
            throw ConversionError(QStringLiteral("'%1' 不是有效的数值").arg(value.toString()));
        return v;
    }
    }
}

// Each occurrence of f in s replaced by r once, from left to right.
static QString replaceEachOnce(const QString &s, const QString &f, const QString &r)
{
    QString out;
    qsizetype from = 0, at;
    while ((at = s.indexOf(f, from)) >= 0) {
        out += QStringView(s).mid(from, at - from);
        out += r;
        from = at + f.size();
    }
    out += QStringView(s).mid(from);
    return out;
}

QString ReplaceAll(const QString &s, const QString &f, const QString &r)
{
    if (f.isEmpty())
        return s;
    if (!r.contains(f)) {
        // A replacement can also form the search text anew with its neighbours, and for some
        // texts that never ends ("ff11", "f1" -> "11ff"): past a generous bound the text is
        // treated as below.
        const qsizetype maxSteps = 64 * (s.size() + 1);
        const qsizetype maxLength = 16 * (s.size() + r.size()) + 1024;
        QString out = s;
        qsizetype at, steps = 0;
        while ((at = out.indexOf(f)) >= 0) {
            if (++steps > maxSteps || out.size() > maxLength)
                return replaceEachOnce(s, f, r);
            out.replace(at, f.size(), r);
        }
        return out;
    }
    // The replacement holds the search text: each original occurrence is replaced once.
    return replaceEachOnce(s, f, r);
}

QString ReadConfig(const QString &section, const QString &key, const QString &def)
{
    return IniFile(configPath()).value(section, key, def);
}

bool WriteConfig(const QString &section, const QString &key, const QString &value)
{
    return IniFile(configPath()).setValue(section, key, value);
}

QHash<QString, QString> ReadConfigSection(const QString &section)
{
    return IniFile(configPath()).section(section);
}

bool WriteConfigValues(const QString &section, const QList<QPair<QString, QString>> &values)
{
    return IniFile(configPath()).setValues(section, values);
}

QString configPath()
{
    return QDir(dataDir()).filePath(QStringLiteral("config.ini"));
}

} // namespace jjgz
