// The rules of the master-data screens, asked of their plain classes without any window: what
// may be saved, how an employee row is read and written, share texts and code-table rows.
#include "TestSupport.h"
#include "data/DataTable.h"
#include "masterdata/CodeTable.h"
#include "masterdata/Depart.h"
#include "masterdata/ProcessData.h"
#include "masterdata/WorkerData.h"

#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

void seed(TestApp &app)
{
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间'), ('02', '二车间')");
    app.exec("insert into worker_tp (tpcode, tpname) values ('01', '车工'), ('02', '检验')");
    app.exec("insert into worker (wkcode, wkname, bmcode) values ('0001', '张三', '01')");
    app.exec("insert into jjgz (gzcode, gzname) values ('1', '缝纫')");
    app.exec("insert into jjgx (gzcode, gxcode, gxname) values ('1', '001', '下料')");
}

WorkerValues worker(const QString &code, const QString &name)
{
    WorkerValues w;
    w.wkcode = code;
    w.wkname = name;
    w.bmcode = QStringLiteral("02");
    return w;
}

} // namespace

class RulesTest : public QObject {
    Q_OBJECT
private slots:
    void workerCheckSave_data();
    void workerCheckSave();
    void workerRoundTrip();
    void workerModifyOfAVanishedRow();
    void processCheckSave_data();
    void processCheckSave();
    void shareText_data();
    void shareText();
    void codeTableCheckRow_data();
    void codeTableCheckRow();
};

void RulesTest::workerCheckSave_data()
{
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fault");
    QTest::newRow("new, free code") << true << "0002"
                                    << "李四"
                                    << "";
    QTest::newRow("blank code") << true << "  "
                                << "李四"
                                << "请填写员工代码和姓名";
    QTest::newRow("blank name") << true << "0002"
                                << " "
                                << "请填写员工代码和姓名";
    QTest::newRow("new, code of another department") << true << "0001"
                                                     << "李四"
                                                     << "员工代码已存在";
    QTest::newRow("modify keeps its own code") << false << "0001"
                                               << "张三丰"
                                               << "";
    QTest::newRow("modify, blank name") << false << "0001"
                                        << ""
                                        << "请填写员工代码和姓名";
}

void RulesTest::workerCheckSave()
{
    QFETCH(bool, add);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, fault);
    TestApp app;
    seed(app);
    const EditMode mode = add ? EditMode::Add : EditMode::Modify;
    QCOMPARE(WorkerData::faultText(WorkerData::checkSave(mode, worker(code, name))), fault);
}

// Every column goes to the database and comes back through the roster's list as it was given:
// quotes, Chinese, an empty position stored as NULL, the date, the wage type and state.
void RulesTest::workerRoundTrip()
{
    TestApp app;
    seed(app);
    WorkerValues w = worker(QStringLiteral("0002"), QStringLiteral("O'Neil 李"));
    w.sex = QStringLiteral("女");
    w.sfid = QStringLiteral("110101199001011234");
    w.xl = QStringLiteral("高中");
    w.addr = QStringLiteral("北京路 1' or '1'='1");
    w.phone = QStringLiteral("0571-1234567");
    w.indate = QDate(2010, 3, 5);
    w.bankacc = QStringLiteral("6222");
    w.gztp = 1;
    w.state = 0;
    w.mm = QStringLiteral("备注");
    WorkerData::save(EditMode::Add, w);
    QVERIFY(app.scalar("select tpcode from worker where wkcode='0002'").isNull());
    QCOMPARE(app.scalar("select indate from worker where wkcode='0002'").toString(), QStringLiteral("2010-03-05"));

    DataTable list;
    WorkerData::defineListFields(list);
    WorkerData::loadList(list, QStringLiteral("02"));
    QCOMPARE(list.rowCount(), 1);
    WorkerValues back = WorkerData::current(list);
    QCOMPARE(back.wkname, w.wkname);
    QCOMPARE(back.addr, w.addr);
    QCOMPARE(back.indate, w.indate);
    QCOMPARE(back.gztp.toInt(), 1);
    QCOMPARE(back.state.toInt(), 0);
    QCOMPARE(back.mm, w.mm);
    QVERIFY(back.tpcode.isEmpty());

    // A position given later shows its name in the list.
    back.tpcode = QStringLiteral("01");
    back.wkname = QStringLiteral("李四");
    WorkerData::save(EditMode::Modify, back);
    WorkerData::loadList(list, QStringLiteral("02"));
    const WorkerValues again = WorkerData::current(list);
    QCOMPARE(again.tpname, QStringLiteral("车工"));
    QCOMPARE(again.wkname, QStringLiteral("李四"));
    QCOMPARE(again.sfid, w.sfid);
}

void RulesTest::workerModifyOfAVanishedRow()
{
    TestApp app;
    seed(app);
    bool thrown = false;
    try {
        WorkerData::save(EditMode::Modify, worker(QStringLiteral("0099"), QStringLiteral("无人")));
    } catch (const DbError &e) {
        thrown = true;
        QCOMPARE(e.message(), QStringLiteral("员工 0099 已不存在"));
    }
    QVERIFY(thrown);
    // The shared query is closed again: the next statement runs.
    QCOMPARE(WorkerData::departments().size(), 2);
}

void RulesTest::processCheckSave_data()
{
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fault");
    QTest::newRow("new") << true << "002"
                         << "缝合"
                         << "";
    QTest::newRow("no code") << true << ""
                             << "缝合"
                             << "请填写工序代码和名称";
    QTest::newRow("no name") << true << "002"
                             << ""
                             << "请填写工序代码和名称";
    QTest::newRow("new, code exists") << true << "001"
                                      << "缝合"
                                      << "工序代码已存在";
    QTest::newRow("modify own code") << false << "001"
                                     << "下料二"
                                     << "";
}

void RulesTest::processCheckSave()
{
    QFETCH(bool, add);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, fault);
    TestApp app;
    seed(app);
    ProcessValues p;
    p.gzcode = QStringLiteral("1");
    p.gxcode = code;
    p.gxname = name;
    QCOMPARE(ProcessData::faultText(ProcessData::checkSave(add ? EditMode::Add : EditMode::Modify, p)), fault);
}

void RulesTest::shareText_data()
{
    QTest::addColumn<QString>("workertp");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("code");
    using F = ProcessData::ShareFault;
    QTest::newRow("a position") << "[01]车工" << int(F::None) << "01";
    QTest::newRow("typed code only") << "[02]" << int(F::None) << "02";
    QTest::newRow("empty") << "" << int(F::NoPosition) << "";
    QTest::newRow("no brackets") << "车工" << int(F::BadText) << "";
    QTest::newRow("empty code") << "[]车工" << int(F::BadText) << "";
    QTest::newRow("unknown position") << "[09]焊工" << int(F::UnknownPosition) << "09";
    QTest::newRow("quote in the code") << "[0'1]x" << int(F::UnknownPosition) << "0'1";
}

void RulesTest::shareText()
{
    QFETCH(QString, workertp);
    QFETCH(int, fault);
    QFETCH(QString, code);
    TestApp app;
    seed(app);
    QCOMPARE(int(ProcessData::checkShare(workertp)), fault);
    QCOMPARE(ProcessData::shareCode(workertp), code);
}

void RulesTest::codeTableCheckRow_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("new, free") << "03"
                               << "三车间" << true << ""
                               << "";
    QTest::newRow("empty code first") << ""
                                      << "" << true << ""
                                      << "编码不能为空";
    QTest::newRow("empty name") << "03"
                                << "" << true << ""
                                << "名称不能为空";
    QTest::newRow("bracket in the code") << "0]3"
                                         << "三车间" << true << ""
                                         << "编码不能包含字符“]”";
    QTest::newRow("new, code taken") << "01"
                                     << "x" << true << ""
                                     << "编码已存在";
    QTest::newRow("kept code") << "01"
                               << "改名" << false << "01"
                               << "";
    QTest::newRow("changed to another row's") << "02"
                                              << "改名" << false << "01"
                                              << "编码已存在";
    QTest::newRow("changed to a free one") << "09"
                                           << "改名" << false << "01"
                                           << "";
}

void RulesTest::codeTableCheckRow()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(bool, isNew);
    QFETCH(QString, original);
    QFETCH(QString, refusal);
    TestApp app;
    seed(app);
    const CodeTableRules rules(TfrmDepart::definition());
    QCOMPARE(rules.checkRow(code, name, isNew, original), refusal);
    // The fields of the live table follow the database columns' widths in characters.
    const QList<FieldDef> fields = rules.fields();
    QCOMPARE(fields.at(1).name, QStringLiteral("bmname"));
    QCOMPARE(fields.at(1).size, 20);
}

QTEST_MAIN(RulesTest)
#include "RulesTest.moc"
