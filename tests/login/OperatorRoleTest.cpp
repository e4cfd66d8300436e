// The grant editor: what it lists, and that saving writes exactly the changed entries.
#include "login/OperatorRole.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Records every row written to or removed from rolelist, so that a save that rewrites unchanged
// grants shows up even when the end result looks the same.
void logGrantWrites(TestApp &app)
{
    app.exec("create table grant_log (op varchar(10), opername varchar(50), roleid integer)");
    app.exec("create trigger grant_ins after insert on rolelist begin "
             "insert into grant_log values ('insert', new.opername, new.roleid); end");
    app.exec("create trigger grant_del after delete on rolelist begin "
             "insert into grant_log values ('delete', old.opername, old.roleid); end");
    app.exec("create trigger grant_upd after update on rolelist begin "
             "insert into grant_log values ('update', new.opername, new.roleid); end");
}

QStringList grantWrites()
{
    QStringList out;
    JetQuery &q = dmMain->qryExec2;
    q.setSql(QStringLiteral("select * from grant_log order by rowid"));
    q.open();
    while (!q.eof()) {
        out << q.text("op") + QLatin1Char(' ') + q.text("opername") + QLatin1Char(' ') + q.text("roleid");
        q.next();
    }
    q.close();
    return out;
}

QList<int> grants(const QString &operName)
{
    QList<int> out;
    JetQuery &q = dmMain->qryExec2;
    q.setSql(QStringLiteral("select distinct roleid from rolelist where opername=? order by roleid"));
    q.addBind(operName);
    q.open();
    while (!q.eof()) {
        out << q.value("roleid").toInt();
        q.next();
    }
    q.close();
    return out;
}

QList<int> ticked(const TfrmOperatorRole &dialog)
{
    QList<int> out;
    for (int row = 0; row < dialog.lstRole->count(); ++row)
        if (dialog.lstRole->item(row)->checkState() == Qt::Checked)
            out << dialog.lstRole->item(row)->data(Qt::UserRole).toInt();
    return out;
}

// Toggles the entry of `code` the way a user does: select it and press the space bar.
void toggle(TfrmOperatorRole &dialog, int code)
{
    const int row = dialog.rowOf(code);
    QVERIFY2(row >= 0, qPrintable(QString::number(code)));
    dialog.lstRole->setCurrentRow(row);
    dialog.lstRole->setFocus();
    QTest::keyClick(dialog.lstRole->viewport(), Qt::Key_Space);
}

// Operators 000 O'Brien (grants 1001, 1503 twice, switched-off 1005, unknown 9999), 002 clerk
// (grant 1701) and 003 ADMIN; code 1005 switched off; the name of 1001 stored with blanks.
void fixture(TestApp &app)
{
    app.exec("insert into operator (operno, opername, pwd, dept) values "
             "('003', 'ADMIN', '', ''), ('002', 'clerk', '', ''), ('000', 'O''Brien', '', '')");
    app.exec("update roles set flag=1 where roleid=1005");
    app.exec("update roles set rolename='  计件数据录入 ' where roleid=1001");
    // A database from before grants were kept unique may hold one twice.
    app.exec("drop index rolelist_opername");
    app.exec("insert into rolelist (opername, roleid) values ('O''Brien', 1001), ('O''Brien', 1503), "
             "('O''Brien', 1503), ('O''Brien', 1005), ('O''Brien', 9999), ('clerk', 1701)");
}

} // namespace

class OperatorRoleTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void opening();
    void save_data();
    void save();
    void exitWritesNothing();
    void noOperator();
};

void OperatorRoleTest::opening()
{
    TestApp app;
    fixture(app);
    TfrmOperatorRole dialog;
    dialog.show();
    saveShot(&dialog, QStringLiteral("operator_role"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("权限设定"));
    // Nobody called admin, in any letter case; in code order.
    QCOMPARE(dialog.cboName->count(), 2);
    QCOMPARE(dialog.cboName->itemText(0), QStringLiteral("O'Brien"));
    QCOMPARE(dialog.cboName->itemText(1), QStringLiteral("clerk"));
    QCOMPARE(dialog.cboName->currentIndex(), 0);
    QVERIFY(!dialog.cboName->isEditable());
    // Every code that is not switched off, names trimmed, in code order.
    QCOMPARE(dialog.lstRole->count(), 29);
    QCOMPARE(dialog.rowOf(1005), -1);
    QCOMPARE(dialog.lstRole->item(0)->text(), QStringLiteral("【初始设置】"));
    QCOMPARE(dialog.lstRole->item(1)->text(), QStringLiteral("计件数据录入"));
    QCOMPARE(dialog.lstRole->item(28)->text(), QStringLiteral("关于..."));
    QCOMPARE(dialog.lstRole->item(dialog.rowOf(1009))->text(), QStringLiteral("取消封账"));
    // Three columns, filled from the top.
    QCOMPARE(dialog.lstRole->visualItemRect(dialog.lstRole->item(1)).x(),
             dialog.lstRole->visualItemRect(dialog.lstRole->item(0)).x());
    const int rows = (29 + 2) / 3;
    QVERIFY(dialog.lstRole->visualItemRect(dialog.lstRole->item(rows)).x()
            > dialog.lstRole->visualItemRect(dialog.lstRole->item(0)).x());
    QVERIFY(dialog.lstRole->visualItemRect(dialog.lstRole->item(28)).right() <= dialog.lstRole->viewport()->width());

    QCOMPARE(ticked(dialog), (QList<int>{1001, 1503}));
    dialog.cboName->setCurrentIndex(1);
    QCOMPARE(ticked(dialog), QList<int>{1701});
    dialog.cboName->setCurrentIndex(0);
    QCOMPARE(ticked(dialog), (QList<int>{1001, 1503}));

    // 全选 and 全清 tick and untick; neither writes.
    logGrantWrites(app);
    QTest::mouseClick(dialog.btnAll, Qt::LeftButton);
    QCOMPARE(ticked(dialog).size(), 29);
    QTest::mouseClick(dialog.btnClear, Qt::LeftButton);
    QVERIFY(ticked(dialog).isEmpty());
    QVERIFY(grantWrites().isEmpty());
    QVERIFY(app.messages.shown.isEmpty());
}

void OperatorRoleTest::save_data()
{
    QTest::addColumn<QString>("button"); // 全选 / 全清 first, or nothing
    QTest::addColumn<QList<int>>("toggled");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("tick, untick, tick and untick")
        << "" << QList<int>{1003, 1503, 1701, 1701, 1001, 1001}
        << QStringList{"delete O'Brien 1503", "delete O'Brien 1503", "insert O'Brien 1003"}
        << QList<int>{1001, 1003, 1005, 9999};
    QTest::newRow("ticked and unticked again")
        << "" << QList<int>{1003, 1003} << QStringList{} << QList<int>{1001, 1005, 1503, 9999};
    QTest::newRow("nothing changed") << "" << QList<int>{} << QStringList{} << QList<int>{1001, 1005, 1503, 9999};
    QTest::newRow("全清") << "btnClear" << QList<int>{}
                          << QStringList{"delete O'Brien 1001", "delete O'Brien 1503", "delete O'Brien 1503"}
                          << QList<int>{1005, 9999};
    QList<int> everything = {1,    1001, 1003, 1005, 1007, 1009, 1301, 1303, 1305, 1307, 1309,
                             1503, 1505, 1507, 1509, 1511, 1512, 1513, 1515, 1517, 1519, 1701,
                             1703, 1705, 1901, 1903, 1905, 1907, 2101, 2105, 9999};
    QStringList inserts;
    for (int code : everything)
        if (code != 1001 && code != 1503 && code != 1005 && code != 9999)
            inserts << QStringLiteral("insert O'Brien %1").arg(code);
    QTest::newRow("全选") << "btnAll" << QList<int>{} << inserts << everything;
}

void OperatorRoleTest::save()
{
    QFETCH(QString, button);
    QFETCH(QList<int>, toggled);
    QFETCH(QStringList, writes);
    QFETCH(QList<int>, after);
    TestApp app;
    fixture(app);
    logGrantWrites(app);
    TfrmOperatorRole dialog;
    dialog.show();
    if (!button.isEmpty())
        QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
    for (int code : toggled)
        toggle(dialog, code);
    QTest::mouseClick(dialog.btnSave, Qt::LeftButton);

    QStringList written = grantWrites();
    QCOMPARE(written.size(), writes.size());
    std::sort(written.begin(), written.end());
    std::sort(writes.begin(), writes.end());
    QCOMPARE(written, writes);
    QCOMPARE(grants(QStringLiteral("O'Brien")), after);
    QCOMPARE(grants(QStringLiteral("clerk")), QList<int>{1701});
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("权限保存成功")});
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Information);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void OperatorRoleTest::exitWritesNothing()
{
    TestApp app;
    fixture(app);
    logGrantWrites(app);
    TfrmOperatorRole dialog;
    dialog.show();
    toggle(dialog, 1003);
    toggle(dialog, 1001);
    QTest::mouseClick(dialog.btnExit, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(grantWrites().isEmpty());
    QVERIFY(app.messages.shown.isEmpty());
}

void OperatorRoleTest::noOperator()
{
    // Only admin exists: nothing to choose, and saving does nothing.
    TestApp app;
    logGrantWrites(app);
    TfrmOperatorRole dialog;
    dialog.show();
    QCOMPARE(dialog.cboName->count(), 0);
    QTest::mouseClick(dialog.btnAll, Qt::LeftButton);
    QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
    QVERIFY(grantWrites().isEmpty());
    QVERIFY(app.messages.shown.isEmpty());
    QVERIFY(dialog.isVisible());
}

QTEST_MAIN(OperatorRoleTest)
#include "OperatorRoleTest.moc"
