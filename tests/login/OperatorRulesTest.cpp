// The operator rules asked of OperatorData and OperatorGrants directly, without their dialogs.
#include "TestSupport.h"
#include "login/OperatorData.h"
#include "login/OperatorRole.h"

#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

class OperatorRulesTest : public QObject {
    Q_OBJECT
private slots:
    void create_data();
    void create();
    void passwordMatches_data();
    void passwordMatches();
    void grantableRoles();
    void changeIsOneTransaction();
};

void OperatorRulesTest::create_data()
{
    QTest::addColumn<QString>("operno");
    QTest::addColumn<QString>("opername");
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<QString>("pwd1");
    QTest::addColumn<QString>("message");
    QTest::newRow("created") << "002"
                             << "王五"
                             << "a"
                             << "a"
                             << "";
    QTest::newRow("quote in the name") << "002"
                                       << "O'Neil"
                                       << ""
                                       << ""
                                       << "";
    QTest::newRow("blank name first") << "001"
                                      << " "
                                      << "a"
                                      << "b"
                                      << "请输入操作员名称";
    QTest::newRow("passwords differ") << "001"
                                      << "王五"
                                      << "a"
                                      << "b"
                                      << "两次输入的密码不一致";
    QTest::newRow("bracket in the code") << "0]2"
                                         << "王五"
                                         << ""
                                         << ""
                                         << "操作员编码不能包含字符“]”";
    QTest::newRow("code taken") << "001"
                                << "王五"
                                << ""
                                << ""
                                << "编码已存在！";
}

void OperatorRulesTest::create()
{
    QFETCH(QString, operno);
    QFETCH(QString, opername);
    QFETCH(QString, pwd);
    QFETCH(QString, pwd1);
    QFETCH(QString, message);
    TestApp app;
    QCOMPARE(OperatorData::create(operno, opername, pwd, pwd1, QStringLiteral("财务")), message);
    const int rows = app.scalar("select count(*) from operator").toInt();
    QCOMPARE(rows, message.isEmpty() ? 2 : 1);
    if (message.isEmpty()) {
        QCOMPARE(app.scalar("select opername from operator where operno=?", {operno}).toString(), opername);
        QVERIFY(OperatorData::passwordMatches(operno, pwd));
    }
}

void OperatorRulesTest::passwordMatches_data()
{
    QTest::addColumn<QString>("operno");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matches");
    QTest::newRow("fresh admin, empty") << "001"
                                        << "" << true;
    QTest::newRow("fresh admin, something typed") << "001"
                                                  << "x" << false;
    QTest::newRow("case matters") << "002"
                                  << "ABC" << false;
    QTest::newRow("right password") << "002"
                                    << "abc" << true;
    QTest::newRow("no such operator") << "009"
                                      << "" << false;
}

void OperatorRulesTest::passwordMatches()
{
    QFETCH(QString, operno);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    TestApp app;
    QCOMPARE(OperatorData::create(QStringLiteral("002"), QStringLiteral("王五"), QStringLiteral("abc"),
                                  QStringLiteral("abc"), QString()),
             QString());
    QCOMPARE(OperatorData::passwordMatches(operno, typed), matches);
}

// Switched-off codes are not offered; names lose their surrounding blanks; code order.
void OperatorRulesTest::grantableRoles()
{
    TestApp app;
    app.exec("update roles set flag=1 where roleid=1005");
    app.exec("update roles set rolename=' 工资发放表 ' where roleid=1303");
    const QList<GrantableRole> roles = OperatorGrants::grantableRoles();
    QList<int> codes;
    QString name1303;
    for (const GrantableRole &r : roles) {
        codes << r.code;
        if (r.code == 1303)
            name1303 = r.name;
    }
    QVERIFY(!codes.contains(1005));
    QVERIFY(codes.contains(1001));
    QVERIFY(std::is_sorted(codes.begin(), codes.end()));
    QCOMPARE(name1303, QStringLiteral("工资发放表"));
    QCOMPARE(OperatorGrants::switchedOffCodes(), QList<int>{1005});
}

// A refused grant leaves every grant as it was, and the shared query is usable afterwards.
void OperatorRulesTest::changeIsOneTransaction()
{
    TestApp app;
    app.exec("insert into operator (operno, opername) values ('002', '王五')");
    app.exec("insert into rolelist (opername, roleid) values ('王五', 1001), ('王五', 1003)");
    app.exec("create trigger refuse_1305 before insert on rolelist when new.roleid=1305 "
             "begin select raise(abort, 'refused'); end");
    bool thrown = false;
    try {
        OperatorGrants::change(QStringLiteral("王五"), {1301, 1305}, {1001});
    } catch (const DbError &) {
        thrown = true;
    }
    QVERIFY(thrown);
    QCOMPARE(OperatorGrants::grantsOf(QStringLiteral("王五")), (QList<int>{1001, 1003}));
    OperatorGrants::change(QStringLiteral("王五"), {1301}, {1001});
    QCOMPARE(OperatorGrants::grantsOf(QStringLiteral("王五")), (QList<int>{1003, 1301}));
    QCOMPARE(OperatorGrants::operatorNames(), QStringList{QStringLiteral("王五")});
}

QTEST_MAIN(OperatorRulesTest)
#include "OperatorRulesTest.moc"
