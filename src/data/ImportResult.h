#pragma once
// What an import found and did, shared by the importers, their preview dialogs and the
// command-line program.
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

} // namespace jjgz
