#pragma once
// Text, number and settings helpers shared by every screen.
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

class QMdiArea;
class QWidget;

namespace jjgz {

// Directory of the running program (with no trailing separator). Tests point it elsewhere.
QString appDir();
void setAppDir(const QString &dir);
// A path beside the program: appPath("data/zt000.mdb").
QString appPath(const QString &relative);

// Blanks at both ends removed; empty gives 0; other text must be a decimal integer.
// Throws ConversionError otherwise.
int TextToInt(const QString &text);
// Decimal text of n with leading zeros up to width w (unchanged when already as wide, or w is 0).
QString PadCode(qint64 n, int w);
// x rounded to d decimals: the 18-significant-digit expansion of x first, then halves away from zero.
double RoundDec(int d, double x);
// Null or invalid gives 0; numbers as they are; text that reads as a number by its value.
// Throws ConversionError for other text.
double VarToFloat(const QVariant &value);
// Replaces every occurrence of f in s by r, case-sensitively, repeating the search from the start
// of the changed text. When r itself contains f the occurrences of f in the original text are each
// replaced once, from left to right (a repeated search would never end); so too when replacements
// keep forming f anew with their neighbours beyond a generous bound.
QString ReplaceAll(const QString &s, const QString &f, const QString &r);

// config.ini beside the database (see DataPaths.h).
QString ReadConfig(const QString &section, const QString &key, const QString &def);
// Returns false when the file could not be written (the setting is lost, nothing else changes).
bool WriteConfig(const QString &section, const QString &key, const QString &value);
// A whole section of config.ini from one reading: lower-case key to value.
QHash<QString, QString> ReadConfigSection(const QString &section);
// Several keys of a section in one writing; false when the file could not be written.
bool WriteConfigValues(const QString &section, const QList<QPair<QString, QString>> &values);
// The path of config.ini, for messages.
QString configPath();

class ConversionError : public std::exception {
public:
    explicit ConversionError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const char *what() const noexcept override { return m_utf8.constData(); }
    const QString &message() const { return m_message; }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace jjgz
