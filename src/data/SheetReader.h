#pragma once
// Reading the factory's own spreadsheets: .xlsx (one sheet, the first or a named one), .xls and
// .csv (UTF-8 with or without BOM, or GBK, told apart by their bytes). A cell comes back as
// text (QString), a number (double), a date (QDate) or nothing (a null QVariant). Whatever the
// file, a failure is a SheetError with a Chinese message that says what to do; a file is never
// read without a size limit, and neither is anything unpacked from it.
#include <QDate>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <exception>
#include <functional>

namespace jjgz {

class SheetError : public std::exception {
public:
    explicit SheetError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const char *what() const noexcept override { return m_utf8.constData(); }
    const QString &message() const { return m_message; }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Every row of one sheet as stored, row i of the list being the sheet's row i + 1.
struct SheetRows {
    QString sheetName;
    QList<QVariantList> rows;
};

class SheetReader {
public:
    // Files larger than this are refused before a byte is read; no part of an .xlsx may unpack
    // to more than kMaxUnpacked, and no sheet may hold more than kMaxCells cells.
    static constexpr qint64 kMaxFileSize = 32ll * 1024 * 1024;
    static constexpr qint64 kMaxUnpacked = 64ll * 1024 * 1024;
    static constexpr qint64 kMaxCells = 2'000'000;

    // The file's format is taken from its first bytes (a ZIP package, an OLE compound file or
    // text), never from its name alone. `sheet` empty: the first sheet. Throws SheetError.
    static SheetRows read(const QString &path, const QString &sheet = QString());
    // The sheet names of an .xlsx or .xls file (a .csv has one, unnamed). Throws SheetError.
    static QStringList sheetNames(const QString &path);

    // The parts, for tests and for text already in memory.
    static SheetRows readCsv(const QByteArray &bytes);
    static QString decodeText(const QByteArray &bytes); // UTF-8 (BOM or not) or GBK
};

// A cell's value as the text a clerk typed: numbers without a trailing ".0", dates as
// yyyy-MM-dd, text with its blanks at both ends removed.
QString sheetText(const QVariant &cell);
// The checked readings of a cell. Each returns false with `error` saying what is wrong in
// Chinese; an empty cell is fine (null date, `*empty` true).
// A date cell, or text as 2024-05-03, 2024/5/3, 2024.5.3, 20240503 or 2024年5月3日.
bool sheetDate(const QVariant &cell, QDate *date, QString *error);
// A number cell, or text that reads as a decimal number (blanks and thousands commas allowed).
bool sheetNumber(const QVariant &cell, double *value, bool *empty, QString *error);
// Text of at most `maxChars` characters; a number of more than 15 digits (which a spreadsheet
// stores rounded: identity-card and account numbers typed as numbers) is refused.
bool sheetString(const QVariant &cell, int maxChars, QString *text, QString *error);

// The rows under the title row. The title row is the first row that is not empty; the rows
// after it that are empty are left out; every row keeps its number in the sheet.
struct SheetTable {
    struct Row {
        int number = 0; // 1-based, as the spreadsheet program shows it
        QVariantList cells;
    };
    int titleRow = 0;
    QStringList titles; // trimmed, as written
    QList<Row> rows;

    // Throws SheetError for a sheet without any value and for one with titles only is fine
    // (rows empty): the importers say so themselves.
    static SheetTable fromRows(const SheetRows &sheet);
    QVariant cell(const Row &row, int column) const
    {
        return column >= 0 && column < row.cells.size() ? row.cells.at(column) : QVariant();
    }
};

// Which column of a table holds which field, found by title in any order.
struct ImportColumn {
    QString key;        // the importer's own name for the field
    QStringList titles; // accepted titles, the first being the one shown in messages
    bool required = false;
};

struct SheetColumnMap {
    QHash<QString, int> index;               // key -> column (missing keys are absent)
    QHash<QString, QString> title;           // key -> the title shown in messages
    QStringList unknown;                     // titles that match no field, left aside
    QList<QPair<QString, QString>> problems; // (column title, message): a required title missing, a field given twice
    bool has(const QString &key) const { return index.contains(key); }
    int at(const QString &key) const { return index.value(key, -1); }
    // `extra` may claim further titles (e.g. wage items by name or code) before they count as
    // unknown: it returns the key for a title, or an empty string.
    static SheetColumnMap map(const QStringList &titles, const QList<ImportColumn> &columns,
                              const std::function<QString(const QString &)> &extra = {});
};

} // namespace jjgz
