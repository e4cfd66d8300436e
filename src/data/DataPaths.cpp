#include "DataPaths.h"

#include "MyFun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace jjgz {
namespace {
QString g_dataDir;
bool g_userData = false;

const QString kDatabase = QStringLiteral("data/zt000.mdb");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

// Copies the delivered database to `target` through a temporary file, so an interrupted copy
// never leaves a half database behind; the copy belongs to the user and is writable.
QString copyDelivered(const QString &from, const QString &target)
{
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return QStringLiteral("不能建立数据文件夹 %1，请检查该文件夹的权限和磁盘空间。")
            .arg(native(QFileInfo(target).absolutePath()));
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("不能读取安装时附带的数据库 %1，请重新安装本程序。").arg(native(from));
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly))
        return QStringLiteral("不能写入 %1，请检查该文件夹的权限和磁盘空间。").arg(native(target));
    while (!source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        if (block.isEmpty() && source.error() != QFileDevice::NoError)
            break;
        if (copy.write(block) != block.size())
            break;
    }
    if (source.error() != QFileDevice::NoError || !copy.commit())
        return QStringLiteral("复制数据库到 %1 没有完成，请检查磁盘空间后重新启动本程序。").arg(native(target));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    return {};
}

} // namespace

QString dataDir()
{
    return g_dataDir.isEmpty() ? appDir() : g_dataDir;
}

void setDataDir(const QString &dir)
{
    g_dataDir = dir.isEmpty() ? QString() : QDir::cleanPath(dir);
    g_userData = !g_dataDir.isEmpty();
}

QString DataLocation::database() const
{
    return QDir(dir).filePath(kDatabase);
}

QString DataLocation::notice() const
{
    if (kind == FirstStart)
        return QStringLiteral("这是本程序在这台电脑上的第一次启动：已把新的数据库复制到 %1，"
                              "设置文件和备份也放在文件夹 %2 中。")
            .arg(native(database()), native(dir));
    if (kind == NotFound)
        return problem;
    return {};
}

namespace DataPaths {

QString userFolder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // Only an absolute XDG_DATA_HOME counts; otherwise the rule's default.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir::cleanPath(QDir(base).filePath(QStringLiteral("jjgz")));
}

QString deliveredDatabase()
{
    return QDir::cleanPath(QDir(appDir()).filePath(QStringLiteral("../share/jjgz/zt000.mdb")));
}

DataLocation prepare()
{
    DataLocation where;
    const QString beside = QDir(appDir()).filePath(kDatabase);
    where.searched << beside;
    if (QFileInfo(beside).isFile()) {
        where.kind = DataLocation::BesideProgram;
        where.dir = appDir();
        setDataDir(QString());
        return where;
    }
    where.dir = userFolder();
    const QString own = where.database();
    where.searched << own;
    if (QFileInfo(own).isFile()) {
        where.kind = DataLocation::UserFolder;
    } else {
        const QString delivered = deliveredDatabase();
        where.searched << delivered;
        QString failed;
        if (!QFileInfo(delivered).isFile()) {
            QStringList looked;
            for (const QString &path : std::as_const(where.searched))
                looked << QStringLiteral("  ") + native(path);
            failed = QStringLiteral("找不到数据库 zt000.mdb。查找过：\n%1\n请把数据库放到第一个位置，"
                                    "或重新安装本程序。")
                         .arg(looked.join(u'\n'));
        } else {
            failed = copyDelivered(delivered, own);
        }
        if (!failed.isEmpty()) {
            where.kind = DataLocation::NotFound;
            where.problem = failed;
            return where;
        }
        where.kind = DataLocation::FirstStart;
    }
    setDataDir(where.dir);
    return where;
}

QString databaseForTool()
{
    const DataLocation where = prepare();
    const QString notice = where.notice();
    if (!notice.isEmpty()) {
        const QByteArray line = (where.kind == DataLocation::NotFound ? QStringLiteral("error: ") : QString()).toUtf8()
                                + QString(notice).replace(u'\n', u' ').simplified().toUtf8() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
    return where.kind == DataLocation::NotFound ? QString() : where.database();
}

QString findFile(const QString &relative)
{
    const QString beside = QDir(appDir()).filePath(relative);
    for (const QString &candidate : {beside, QDir(dataDir()).filePath(relative),
                                     QDir(QDir(appDir()).filePath(QStringLiteral("../share/jjgz"))).filePath(relative)})
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return beside;
}

QString defaultBackupDir()
{
    if (!g_userData)
        return QDir::homePath();
    const QString dir = QDir(dataDir()).filePath(QStringLiteral("backup"));
    QDir().mkpath(dir);
    return dir;
}

QString defaultExportDir()
{
    if (!g_userData)
        return appDir();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace DataPaths
} // namespace jjgz
