#pragma once
// What an import found and did, shared by the importers, their preview dialogs and the
// command-line program.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace jjgz {

// One problem of one row (or of the title row): the row number as the spreadsheet shows it,
// the column's title, and what is wrong, in words a clerk can act on.
struct ImportProblem {
    int row = 0;
    QString column;
    QString message;
    QString line() const { return QStringLiteral("row %1: %2: %3").arg(row).arg(column, message); }
    QString text() const { return QStringLiteral("第 %1 行“%2”：%3").arg(row).arg(column, message); }
};

// One row of the file as the preview shows it.
struct ImportRow {
    int row = 0;
    QString action;     // "新增", "更新", "不变" (skipped), "跳过" or "有错误"
    QStringList values; // the row's cells under the recognised columns, as text
    QStringList notes;  // problems of the row, and remarks (why it is skipped)
};

struct ImportResult {
    QStringList columns;   // titles of the recognised columns, in the file's order
    QList<ImportRow> rows; // every row under the title row
    QList<ImportProblem> problems;
    QStringList unknownColumns; // titles that name nothing, left aside
    int added = 0;
    int updated = 0;
    int skipped = 0;
    bool written = false; // the database was changed (not a dry run, no problem)
    bool ok() const { return problems.isEmpty(); }

    // The summary a clerk reads after the import.
    QString summary() const
    {
        if (!ok())
            return QStringLiteral("有 %1 处问题，没有导入任何数据；请改正表格后重新导入").arg(problems.size());
        return QStringLiteral("%1：新增 %2 行，更新 %3 行，跳过 %4 行（与已有数据相同）")
            .arg(written ? QStringLiteral("导入完成") : QStringLiteral("检查通过，尚未导入"))
            .arg(added)
            .arg(updated)
            .arg(skipped);
    }
};

// The codes of a code table as an import finds them: a cell may hold the code (any letter case),
// the name, or "[code]name".
struct ImportCodes {
    QHash<QString, QString> names;      // by code, as stored
    QHash<QString, QString> codesLower; // lower-case code -> code (codes compare without case)
    QHash<QString, QStringList> byName;

    void add(const QString &code, const QString &name)
    {
        names.insert(code, name);
        codesLower.insert(code.toLower(), code);
        byName[name].append(code);
    }
    // The code named by `text`; empty with `error` set when none or more than one fits. A code
    // that is missing is reported as "<what>“<text>”不存在；" + `advice` + "填写已有的<what>代码或名称".
    QString find(const QString &text, const QString &what, const QString &advice, QString *error) const
    {
        QString t = text;
        if (t.startsWith(u'[') && t.indexOf(u']') > 1)
            t = t.mid(1, t.indexOf(u']') - 1);
        if (const auto it = codesLower.constFind(t.toLower()); it != codesLower.constEnd())
            return *it;
        const QStringList codes = byName.value(text);
        if (codes.size() == 1)
            return codes.first();
        if (codes.size() > 1)
            *error = QStringLiteral("有 %1 个%2名为“%3”（代码 %4），请填写%2代码")
                         .arg(codes.size())
                         .arg(what, text, codes.join(QStringLiteral("、")));
        else
            *error = QStringLiteral("%1“%2”不存在；%3填写已有的%1代码或名称").arg(what, text, advice);
        return QString();
    }
};

} // namespace jjgz
