#include "OperatorData.h"

#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/OpLog.h"
#include "login/PasswordHash.h"

namespace jjgz {

QList<OperatorRow> OperatorData::operators()
{
    QList<OperatorRow> rows;
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from operator order by operno"));
    q.open();
    while (!q.eof()) {
        rows.append(
            {q.text(QStringLiteral("operno")), q.text(QStringLiteral("opername")), q.text(QStringLiteral("dept"))});
        q.next();
    }
    q.close();
    return rows;
}

QStringList OperatorData::loginEntries()
{
    QStringList entries;
    for (const OperatorRow &row : operators())
        entries << BracketText(row.operno, row.opername);
    return entries;
}

bool OperatorData::passwordMatches(const QString &operno, const QString &typed)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from operator where operno=?"));
    q.addBind(operno);
    q.open();
    const bool found = !q.eof();
    const QString stored = found ? q.text(QStringLiteral("pwd")) : QString();
    q.close();
    if (!found || !passwordVerifies(stored, typed))
        return false;
    // A row from before hashing gives up its typed password on its first successful login.
    if (!isPasswordHash(stored)) {
        q.setSql(QStringLiteral("update operator set pwd=? where operno=?"));
        q.addBind(hashPassword(typed)).addBind(operno);
        q.exec();
    }
    return true;
}

bool OperatorData::nameAndPasswordMatch(const QString &opername, const QString &typed)
{
    JetQuery &q = dmMain->qryExec;
    QString operno;
    bool found = false;
    forEachRow(q, QStringLiteral("select operno from operator where opername=? order by operno"), {opername}, [&] {
        if (!found) {
            operno = q.text(QStringLiteral("operno"));
            found = true;
        }
    });
    return found && passwordMatches(operno, typed);
}

QString OperatorData::create(const QString &operno, const QString &opername, const QString &pwd, const QString &pwd1,
                             const QString &dept)
{
    if (opername.trimmed().isEmpty())
        return QStringLiteral("请输入操作员名称");
    if (pwd != pwd1)
        return QStringLiteral("两次输入的密码不一致");
    // The login list splits "[code]name" at the first "]": such a code could never log in.
    if (operno.contains(u']'))
        return QStringLiteral("操作员编码不能包含字符“]”");
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from operator where operno=?"));
    q.addBind(operno);
    q.open();
    const bool exists = !q.eof();
    q.close();
    if (exists)
        return QStringLiteral("编码已存在！");
    const QString stored = hashPassword(pwd);
    inTransaction([&] {
        q.setSql(QStringLiteral("insert into operator (operno, opername, pwd, dept) values (?, ?, ?, ?)"));
        q.addBind(operno).addBind(opername).addBind(stored).addBind(dept);
        q.exec();
        OpLog::log(OpAction::OperatorAdd, opername, QStringLiteral("编码 %1，所属部门 %2").arg(operno, dept));
    });
    return QString();
}

OperatorData::DeleteResult OperatorData::remove(const OperatorRow &row)
{
    if (row.opername == u"admin")
        return DeleteResult::Refused;
    JetQuery &q = dmMain->qryExec;
    inTransaction([&] {
        q.setSql(QStringLiteral("delete from operator where operno=?"));
        q.addBind(row.operno);
        q.exec();
        OpLog::log(OpAction::OperatorDelete, row.opername, QStringLiteral("编码 %1").arg(row.operno));
    });
    return DeleteResult::Deleted;
}

QString OperatorData::changePassword(const QString &opername, const QString &oldPwd, const QString &pwd,
                                     const QString &pwd1, bool *changed)
{
    *changed = false;
    if (pwd != pwd1)
        return QStringLiteral("两次输入的密码不一致");
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from operator where opername=? order by operno"));
    q.addBind(opername);
    q.open();
    const bool found = !q.eof();
    const QString operno = found ? q.text(QStringLiteral("operno")) : QString();
    const QString stored = found ? q.text(QStringLiteral("pwd")) : QString();
    q.close();
    if (!found || !passwordVerifies(stored, oldPwd))
        return QStringLiteral("输入的旧密码不正确");
    const QString hashed = hashPassword(pwd);
    inTransaction([&] {
        q.setSql(QStringLiteral("update operator set pwd=? where operno=?"));
        q.addBind(hashed).addBind(operno);
        q.exec();
        OpLog::log(OpAction::Password, opername, QStringLiteral("密码已修改"));
    });
    *changed = true;
    return QStringLiteral("密码修改成功");
}

} // namespace jjgz
