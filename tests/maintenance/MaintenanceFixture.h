#pragma once
// Shared pieces of the maintenance tests: a database with rows in every table, archives read
// back with Python's zipfile, and the state of the data folder.
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>

namespace jjgz::test {

// Runs a fixture statement as it stands (recursive selects and blobs included).
inline void sql(const QString &statement)
{
    QSqlQuery q(dmMain->conZt());
    if (!q.exec(statement))
        qFatal("fixture statement failed: %s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
}

inline int count(const QString &table, const QString &where = QString())
{
    return dmMain
        ->scalar(QStringLiteral("select count(*) from ") + table + (where.isEmpty() ? QString() : u' ' + where))
        .toInt();
}

// Rows in every table, with references between them that the database protects.
inline void fillEveryTable()
{
    for (const char *s : {
             "insert into depart values ('01', '一车间'), ('02', 'O''Brien''s')",
             "insert into worker_tp values ('01', '车工'), ('02', '钳工')",
             "insert into worker (wkcode, wkname, bmcode, tpcode, state) values ('0001', '张三', '01', '01', 1), "
             "('0002', '李''四', '02', '02', 1)",
             "insert into jjgz values ('01', '机加工')",
             "insert into jjgx values ('01', '001', '车外圆', '件', 1.5, 2)",
             "insert into jjgx_d values ('01', '001', '01', 0.6, 0.9), ('01', '001', '02', 0.4, 0.6)",
             "insert into jjxs values ('01', '加急', 1.2)",
             "insert into jjdata (pid, dt, gzcode, gxcode, price, rs, xscode, xs, sl, je) values "
             "(1, '2010-12-01', '01', '001', 1.5, 2, '01', 1.2, 10, 18)",
             "insert into jjdata_d values (1, '0001', '01', 0.6, 10.8), (1, '0002', '02', 0.4, 7.2)",
             "alter table gzdata add column f1 float",
             "alter table gzdata add column f2 float",
             "alter table gzdata add column f3 float",
             "insert into gzxm values (1, 'f1', '基本工资', 0, '10,2'), (2, 'f2', '计件工资', 0, '10,2'), "
             "(3, 'f3', '实发', 0, '10,2')",
             "insert into gzxm_m select 2010, 12, xh, fname, xmname, ftype, fsize from gzxm",
             "insert into gzgs (xh, fname, gs, con) values (1, 'f2', 'JJe', ''), (2, 'f3', 'f1+f2', '')",
             "insert into gzdata (xyear, xmonth, wkcode, f1, f2, f3) values (2010, 12, '0001', 100, 10.8, 110.8), "
             "(2010, 12, '0002', 90, 7.2, 97.2)",
             "insert into operator (operno, opername, pwd) values ('002', '王五', ''), ('003', 'O''Neil', '')",
             "insert into rolelist (opername, roleid) select 'admin', roleid from roles",
             "insert into rolelist (opername, roleid) select '王五', roleid from roles",
         })
        sql(QString::fromUtf8(s));
}

// Every file of a folder with a digest of its content.
inline QMap<QString, QByteArray> folderState(const QString &dir)
{
    QMap<QString, QByteArray> state;
    for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QFile file(info.filePath());
        file.open(QIODevice::ReadOnly);
        state.insert(info.fileName(), QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return state;
}

// Runs a Python script with arguments; returns its standard output (fails the test on error).
inline QString python(const QString &script, const QStringList &args = {})
{
    QProcess p;
    p.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        qWarning("python3 failed: %s", p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Writes a ZIP holding `entries` (name → content) with Python's zipfile.
inline void makeZip(const QString &path, const QList<QPair<QString, QByteArray>> &entries)
{
    QStringList args{path};
    QList<std::shared_ptr<QTemporaryFile>> contents;
    for (const auto &[name, content] : entries) {
        auto file = std::make_shared<QTemporaryFile>();
        file->open();
        file->write(content);
        file->flush();
        contents << file;
        args << name << file->fileName();
    }
    python(QStringLiteral("import sys, zipfile\n"
                          "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                          "    a = sys.argv[2:]\n"
                          "    for i in range(0, len(a), 2):\n"
                          "        z.writestr(a[i], open(a[i + 1], 'rb').read())\n"),
           args);
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace jjgz::test
