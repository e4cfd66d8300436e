// The operation log: each logged action leaves its row after the change and none after a change
// that failed; initialization respects closed months and leaves the log; the 操作日志 screen.
#include "TestSupport.h"

#include "data/DataTable.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"
#include "login/Login.h"
#include "login/OperatorData.h"
#include "login/OperatorRole.h"
#include "login/Screens.h"
#include "maintenance/Init.h"
#include "maintenance/Maintenance.h"
#include "maintenance/OpLogForm.h"
#include "maintenance/Restore.h"
#include "wagestructure/GzgsData.h"
#include "wagestructure/GzxmData.h"
#include "widgets/DbGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

QStringList logLines(const OpLogFilter &filter = {})
{
    QStringList lines;
    for (const OpLogEntry &e : OpLog::read(filter))
        lines << (e.opername + u' ' + e.action + u' ' + e.target + u' ' + e.detail).trimmed();
    return lines;
}

void closedMayWithData(TestApp &app)
{
    app.exec(QStringLiteral("insert into worker(wkcode, wkname, state) values('A', '张三', 0)"));
    app.exec(QStringLiteral("insert into gzdata(xyear, xmonth, wkcode) values(2024, 5, 'A')"));
    app.exec(QStringLiteral("insert into gzdata(xyear, xmonth, wkcode) values(2024, 6, 'A')"));
    MonthLocks::close(2024, 5);
}

} // namespace

class OpLogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void operatorsAreLogged();
    void loginIsLogged();
    void wageStructureIsLogged();
    void initializationRespectsClosedMonths();
    void initDialogAsksAdminTwice();
    void initDialogRefusesOthers();
    void backupIsLogged();
    void restoreOfAnOlderBackup();
    void screenFiltersAndCannotEdit();
};

void OpLogTest::operatorsAreLogged()
{
    TestApp app;
    QCOMPARE(OperatorData::create(QStringLiteral("002"), QStringLiteral("王会计"), QStringLiteral("pw-1"),
                                  QStringLiteral("pw-1"), QStringLiteral("财务部")),
             QString());
    // Refused: nothing logged.
    QCOMPARE(OperatorData::create(QStringLiteral("002"), QStringLiteral("李"), {}, {}, {}),
             QStringLiteral("编码已存在！"));
    OperatorGrants::change(QStringLiteral("王会计"), {1003, 1007}, {});
    bool changed = false;
    CurOperName = QStringLiteral("王会计");
    OperatorData::changePassword(QStringLiteral("王会计"), QStringLiteral("pw-1"), QStringLiteral("pw-2"),
                                 QStringLiteral("pw-2"), &changed);
    QVERIFY(changed);
    OperatorData::changePassword(QStringLiteral("王会计"), QStringLiteral("wrong"), QStringLiteral("pw-3"),
                                 QStringLiteral("pw-3"), &changed);
    QVERIFY(!changed);
    CurOperName = QStringLiteral("admin");
    QCOMPARE(OperatorData::remove({QStringLiteral("002"), QStringLiteral("王会计"), {}}),
             OperatorData::DeleteResult::Deleted);
    QCOMPARE(logLines(), (QStringList{QStringLiteral("admin 删除操作员 王会计 编码 002"),
                                      QStringLiteral("王会计 修改密码 王会计 密码已修改"),
                                      QStringLiteral("admin 设定权限 王会计 授予：1003,1007；收回：无"),
                                      QStringLiteral("admin 创建操作员 王会计 编码 002，所属部门 财务部")}));
    const QString all = app.scalar(QStringLiteral("select group_concat(target || detail) from oplog")).toString();
    QVERIFY(!all.contains(QStringLiteral("pw-")));
}

void OpLogTest::loginIsLogged()
{
    TestApp app{QString()};
    app.exec(QStringLiteral("insert into operator(operno, opername, pwd) values('002', 'clerk', 'abc')"));
    TfrmLogin login;
    login.cboName->setCurrentIndex(1);
    login.edtPwd->setText(QStringLiteral("abd"));
    login.btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("密码不正确")});
    login.edtPwd->setText(QStringLiteral("abc"));
    login.btnYes->click();
    QCOMPARE(logLines(), (QStringList{QStringLiteral("clerk 登录 clerk"), QStringLiteral("clerk 登录失败 clerk")}));
}

void OpLogTest::wageStructureIsLogged()
{
    TestApp app;
    const WageItem item = WageItems::addItem(QStringLiteral("基本工资"), 0, QStringLiteral("0"));
    WageItems::modifyItem(item.xh, QStringLiteral("岗位工资"), QStringLiteral("0"));
    WageFormula f{0, item.fname, QStringLiteral("100"), {}};
    f.xh = WageFormulas::save(f, true);
    f.gs = QStringLiteral("200");
    f.con = QStringLiteral("f1>0");
    WageFormulas::save(f, false);
    WageFormulas::remove(f.xh);
    // A change the database refuses half-way leaves no row.
    app.exec(QStringLiteral("create trigger test_fail before update on gzxm begin select raise(abort, '测试'); end"));
    QVERIFY_THROWS_EXCEPTION(DbError, WageItems::modifyItem(item.xh, QStringLiteral("不会保存"), QStringLiteral("0")));
    WageItems::deleteItem(item.xh, item.fname);
    QCOMPARE(logLines(),
             (QStringList{
                 QStringLiteral("admin 删除工资项目 f1 原：f1 名称 岗位工资，数值型"),
                 QStringLiteral("admin 删除公式 公式 1 原：f1 = 200；条件：f1>0"),
                 QStringLiteral("admin 修改公式 公式 1 原：f1 = 100\n新：f1 = 200；条件：f1>0"),
                 QStringLiteral("admin 增加公式 公式 1 新：f1 = 100"),
                 QStringLiteral("admin 修改工资项目 f1 原：f1 名称 基本工资，数值型\n新：f1 名称 岗位工资，数值型"),
                 QStringLiteral("admin 增加工资项目 f1 新：f1 名称 基本工资，数值型"),
             }));
}

void OpLogTest::initializationRespectsClosedMonths()
{
    TestApp app;
    closedMayWithData(app);
    QCOMPARE(closedMonthsClearedBy({InitGroup::Gz}), QStringList{QStringLiteral("2024年05月")});
    QCOMPARE(closedMonthsClearedBy({InitGroup::Jj, InitGroup::User}), QStringList{});
    try {
        initializeData({InitGroup::Gz});
        QFAIL("cleared a closed month");
    } catch (const MaintenanceError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("2024年05月")), qPrintable(e.message()));
    }
    CurOperName = QStringLiteral("clerk");
    QVERIFY_THROWS_EXCEPTION(MaintenanceError, initializeData({InitGroup::Gz}, true));
    CurOperName = QStringLiteral("admin");
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata")).toInt(), 2);

    initializeData({InitGroup::Gz, InitGroup::Jj}, true);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata")).toInt(), 0);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzlock")).toInt(), 0);
    // The month's rules are back in place for what comes next.
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from sqlite_master where type='trigger' and name like "
                                       "'%_closed_delete'"))
                 .toInt(),
             4);
    // The log stays and tells of the initialization.
    QCOMPARE(logLines(), (QStringList{QStringLiteral("admin 数据初始化 工资数据、计件数据 含已封账月份：2024年05月"),
                                      QStringLiteral("admin 封账 2024-05 1 名员工的工资")}));
}

void OpLogTest::initDialogAsksAdminTwice()
{
    TestApp app;
    closedMayWithData(app);
    TfrmInit dialog;
    app.messages.answers = {QMessageBox::Yes, QMessageBox::No};
    dialog.btnOk->click();
    QCOMPARE(app.messages.shown.size(), 2);
    QVERIFY(app.messages.shown[1].text.contains(QStringLiteral("2024年05月")));
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata")).toInt(), 2);
    app.messages.clear();
    app.messages.answers = {QMessageBox::Yes, QMessageBox::Yes};
    dialog.btnOk->click();
    QCOMPARE(app.messages.lastText(), QStringLiteral("数据初始化成功"));
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata")).toInt(), 0);
}

void OpLogTest::initDialogRefusesOthers()
{
    TestApp app;
    closedMayWithData(app);
    CurOperName = QStringLiteral("clerk");
    TfrmInit dialog;
    app.messages.answers = {QMessageBox::Yes};
    dialog.btnOk->click();
    QCOMPARE(app.messages.shown.size(), 2);
    QCOMPARE(app.messages.lastText(), QStringLiteral("以下月份已封账，不能清空：2024年05月。请先取消封账后再初始化。"));
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata")).toInt(), 2);
    // Without the wage data the closed month loses nothing: allowed.
    dialog.chkGz->setChecked(false);
    app.messages.clear();
    app.messages.answers = {QMessageBox::Yes};
    dialog.btnOk->click();
    QCOMPARE(app.messages.lastText(), QStringLiteral("数据初始化成功"));
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata")).toInt(), 2);
}

void OpLogTest::backupIsLogged()
{
    TestApp app;
    QTemporaryDir dir;
    const QString archive = backupDatabase(dir.path(), QDateTime(QDate(2024, 1, 5), QTime(14, 30, 12)));
    QCOMPARE(OpLog::read().size(), 1);
    QCOMPARE(OpLog::read().first().action, OpAction::Backup);
    QCOMPARE(OpLog::read().first().target, QStringLiteral("jjgz20240105_143012.bak"));
    QVERIFY(QFileInfo::exists(archive));
}

// A backup made by the version before closed months: restored, brought up to date, said once,
// and its log tells where it came from.
void OpLogTest::restoreOfAnOlderBackup()
{
    TestApp app;
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("zt000.mdb"));
    QVERIFY(QFile::copy(deliveredDatabase(), old));
    QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(old);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(
            q.exec(QStringLiteral("select name from sqlite_master where type='trigger' and name like '%_closed_%'")));
        QStringList triggers;
        while (q.next())
            triggers << q.value(0).toString();
        for (const QString &t : triggers)
            QVERIFY(q.exec(QStringLiteral("drop trigger ") + t));
        QVERIFY(q.exec(QStringLiteral("drop table gzlock")));
        QVERIFY(q.exec(QStringLiteral("drop table oplog")));
        QVERIFY(q.exec(QStringLiteral("insert into worker(wkcode, wkname) values('0001', '旧数据')")));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    const QString archive = dir.filePath(QStringLiteral("jjgz20200101_100000.bak"));
    writeArchive(old, QStringLiteral("zt000.mdb"), archive, QDateTime::currentDateTime());

    TfrmRestore dialog;
    app.messages.files << archive;
    app.messages.answers << QMessageBox::Yes;
    dialog.btnYes->click();
    QCOMPARE(app.messages.shown.size(), 2);
    QVERIFY2(app.messages.lastText().startsWith(QStringLiteral("恢复完毕\n\n数据库已升级")),
             qPrintable(app.messages.lastText()));
    QCOMPARE(app.scalar(QStringLiteral("select wkname from worker")).toString(), QStringLiteral("旧数据"));
    QCOMPARE(logLines(), QStringList{QStringLiteral("admin 数据恢复 jjgz20200101_100000.bak 原来的数据库保存在 ")
                                     + QDir::toNativeSeparators(RestoreJob::keptCopyPath())});
}

void OpLogTest::screenFiltersAndCannotEdit()
{
    TestApp app;
    QVERIFY(screenEntry(1907) && screenEntry(1907)->open);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    // clang-format off
    const QList<QStringList> rows = {
        {today + " 08:00:00", "admin", "封账", "2024-05", "3 名员工的工资"},
        {today + " 09:10:00", "王会计", "修改计件", "计件记录 12", "日期 2024-06-03，工种 1，工序 001，单价 2.5，数量 40，金额 100，2 行"},
        {today + " 10:20:00", "admin", "取消封账", "2024-05", "原因：补发五月加班费（原由 admin 于 2024-06-01 封账）"},
        {"2020-01-01 10:00:00", "admin", "数据备份", "jjgz20200101_100000.bak", "/backup"},
    };
    // clang-format on
    for (const QStringList &r : rows)
        app.exec(QStringLiteral("insert into oplog(t, opername, action, target, detail) values(?,?,?,?,?)"),
                 {r[0], r[1], r[2], r[3], r[4]});
    TfrmOpLog w;
    w.resize(1000, 360);
    w.show();
    auto column = [&](const QString &field) {
        QStringList out;
        for (int r = 0; r < w.tmp->rowCount(); ++r)
            out << w.tmp->rowValue(r, w.tmp->fieldIndex(field)).toString();
        return out;
    };
    // The last month, newest first.
    QCOMPARE(column(QStringLiteral("action")), (QStringList{"取消封账", "修改计件", "封账"}));
    QVERIFY(w.grid->isReadOnly());
    saveShot(&w, QStringLiteral("oplog_screen"));

    w.cboAction->setCurrentText(QStringLiteral("封账"));
    w.btnQuery->trigger();
    QCOMPARE(column(QStringLiteral("action")), QStringList{"封账"});
    w.cboAction->setCurrentIndex(0);
    QCOMPARE(w.cboOper->count(), 3); // empty, admin, 王会计
    w.cboOper->setCurrentText(QStringLiteral("王会计"));
    w.btnQuery->trigger();
    QCOMPARE(column(QStringLiteral("target")), QStringList{"计件记录 12"});
    w.cboOper->setCurrentIndex(0);
    w.edtText->setText(QStringLiteral("加班"));
    w.btnQuery->trigger();
    QCOMPARE(column(QStringLiteral("action")), QStringList{"取消封账"});
    w.edtText->clear();
    w.edtFrom->setDate(QDate(2019, 12, 1));
    w.edtTo->setDate(QDate(2020, 1, 1));
    w.btnQuery->trigger();
    QCOMPARE(column(QStringLiteral("action")), QStringList{"数据备份"});

    // Exported like every list; the log itself stays as it was.
    app.messages.files << app.path(QStringLiteral("log.xlsx"));
    app.messages.chosenFilters << QStringLiteral("Excel 2007 Files(*.xlsx)");
    w.btnExport->trigger();
    QVERIFY(QFile::exists(app.path(QStringLiteral("log.xlsx"))));
    QVERIFY(app.messages.unexpected.isEmpty());
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from oplog")).toInt(), 4);
}

QTEST_MAIN(OpLogTest)
#include "OpLogTest.moc"
