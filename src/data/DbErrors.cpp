#include "DbErrors.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QtGlobal>

#include <sqlite3.h>

namespace jjgz {
namespace {

// What the Qt SQLite driver adds after the engine's message, in English and as translated.
const char *const kDriverTexts[][2] = {
    {"QSQLiteResult", "Unable to fetch row"},
    {"QSQLiteResult", "Unable to execute statement"},
    {"QSQLiteResult", "Unable to execute multiple statements at a time"},
    {"QSQLiteResult", "Unable to bind parameters"},
    {"QSQLiteResult", "Parameter count mismatch"},
    {"QSQLiteResult", "Unable to reset statement"},
    {"QSQLiteResult", "No query"},
    {"QSQLiteDriver", "Error opening database"},
    {"QSQLiteDriver", "Error closing database"},
    {"QSQLiteDriver", "Unable to begin transaction"},
    {"QSQLiteDriver", "Unable to commit transaction"},
    {"QSQLiteDriver", "Unable to rollback transaction"},
};

QString withoutDriverText(QString text)
{
    text = text.trimmed();
    for (const auto &[context, source] : kDriverTexts) {
        for (const QString &phrase : {QString::fromLatin1(source), QCoreApplication::translate(context, source)}) {
            if (!phrase.isEmpty() && text.endsWith(phrase, Qt::CaseInsensitive)) {
                text.chop(phrase.size());
                return text.trimmed();
            }
        }
    }
    return text;
}

bool hasChinese(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x3000 && c.unicode() < 0xFFF0)
            return true;
    return false;
}

const QString kUnchanged = QStringLiteral("数据没有改变");

} // namespace

int dbErrorCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : 0;
}

QString dbErrorText(int code, const QString &engineText)
{
    const QString text = withoutDriverText(engineText);
    // The driver reports a failed commit without the engine's code; its words still tell it.
    if (code == 0)
        code = dbErrorCodeOf(text);
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QStringLiteral("数据库正被其他程序使用，%1。请稍后再试").arg(kUnchanged);
    case SQLITE_READONLY:
        return QStringLiteral(
                   "数据库文件是只读的，不能写入，%1。请检查数据库文件的属性和权限，或把它复制到可写的位置后再试")
            .arg(kUnchanged);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return QStringLiteral("数据库文件已损坏，%1。请从备份恢复数据库").arg(kUnchanged);
    case SQLITE_FULL: return QStringLiteral("磁盘已满，%1。请删除不需要的文件、腾出磁盘空间后再试").arg(kUnchanged);
    case SQLITE_IOERR: return QStringLiteral("读写数据库文件时出错，%1。请检查磁盘后再试").arg(kUnchanged);
    case SQLITE_CANTOPEN: return QStringLiteral("不能打开数据库文件。请检查文件是否存在、是否有权限读写");
    case SQLITE_NOMEM: return QStringLiteral("内存不足，%1。请关闭其他程序后再试").arg(kUnchanged);
    case SQLITE_TOOBIG: return QStringLiteral("数据太长，%1").arg(kUnchanged);
    case SQLITE_MISMATCH: return QStringLiteral("数据类型不符，%1").arg(kUnchanged);
    case SQLITE_CONSTRAINT:
        if (text.contains(QLatin1String("UNIQUE constraint failed")) || text.contains(QLatin1String("PRIMARY KEY")))
            return QStringLiteral("已有相同编码的记录，%1").arg(kUnchanged);
        if (text.contains(QLatin1String("NOT NULL constraint failed")))
            return QStringLiteral("有必须填写的内容为空，%1").arg(kUnchanged);
        if (text.contains(QLatin1String("FOREIGN KEY constraint failed")))
            return QStringLiteral("数据正在使用，不能修改或删除，%1").arg(kUnchanged);
        if (hasChinese(text))
            return text; // the refusal of one of the database's own rules
        return QStringLiteral("数据不符合数据库的规则，%1").arg(kUnchanged);
    default: break;
    }
    if (text.startsWith(QLatin1String("no such table")) || text.startsWith(QLatin1String("no such column"))
        || text.contains(QLatin1String("has no column named")))
        return QStringLiteral(
                   "数据库缺少本系统需要的数据表或字段，%1。数据库可能已损坏或不是本系统的数据库，请从备份恢复数据库")
            .arg(kUnchanged);
    if (code == 0 && hasChinese(text))
        return text; // the program's own message
    qWarning("database failure %d: %s", code, qPrintable(engineText));
    return QStringLiteral("数据库操作失败，%1。请再试一次；问题仍在时请从备份恢复数据库").arg(kUnchanged);
}

QString dbErrorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text();
    return dbErrorText(dbErrorCode(error), text);
}

int dbErrorCodeOf(const QString &reported)
{
    const QString text = withoutDriverText(reported);
    if (text.isEmpty())
        return 0;
    for (int code = 1; code <= SQLITE_NOTADB; ++code) {
        const QString standard = QString::fromUtf8(sqlite3_errstr(code));
        if (text.startsWith(standard))
            return code;
    }
    if (text.contains(QLatin1String(" constraint failed")))
        return SQLITE_CONSTRAINT;
    return 0;
}

QString plainDbText(const QString &reported)
{
    const QString text = withoutDriverText(reported);
    const int code = dbErrorCodeOf(text);
    if (code == 0 && hasChinese(text)) {
        // "保存工资数据失败(database or disk is full)": a step's own words around the engine's.
        static const QRegularExpression wrapped(QStringLiteral("^(.*)[(（]([\\x00-\\x7f]+)[)）]$"));
        const QRegularExpressionMatch m = wrapped.match(text);
        if (m.hasMatch() && hasChinese(m.captured(1))) {
            const QString inner = withoutDriverText(m.captured(2));
            if (const int innerCode = dbErrorCodeOf(inner); innerCode != 0)
                return m.captured(1) + QStringLiteral("：") + dbErrorText(innerCode, inner);
        }
        return text; // the program's own message, or a rule's refusal freed of the driver's words
    }
    return dbErrorText(code, text);
}

bool isDbRefusal(const QString &reported)
{
    const int code = dbErrorCodeOf(reported);
    return code == SQLITE_CONSTRAINT || (code == 0 && hasChinese(withoutDriverText(reported)));
}

bool databaseDamaged(const QSqlDatabase &db)
{
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("pragma quick_check(1)")) || !check.next())
        return true;
    return check.value(0).toString() != QLatin1String("ok");
}

} // namespace jjgz
