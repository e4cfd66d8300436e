// The piece-work record dialog driven as a clerk does: lists chosen, numbers and employee codes
// typed, Enter pressed, messages answered; the database checked afterwards.
#include "piecework/JjDataMdy.h"
#include "PieceFixture.h"
#include "data/DBFun.h"
#include "data/DataTable.h"
#include "masterdata/SelWorker.h"
#include "piecework/PieceData.h"
#include "piecework/PieceFields.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// The adding dialog, shown, on job type 1 and process `process` when given.
std::unique_ptr<TfrmJjDataMdy> openAdding(const QString &process = {})
{
    auto dialog = std::make_unique<TfrmJjDataMdy>(1, QStringLiteral("增加计件数据"));
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    choose(dialog->cboGz, QStringLiteral("[1]缝纫"));
    if (!process.isEmpty())
        choose(dialog->cboGx, process);
    return dialog;
}

int recordCount(TestApp &app)
{
    return app.scalar("select count(*) from jjdata").toInt();
}

} // namespace

class JjDataMdyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void amountRule_data();
    void amountRule();
    void dialogAmounts_data();
    void dialogAmounts();
    void coefficientChain();
    void lineAmountsFollowAmount();
    void lineTotalsBesideAmount();
    void shareOfPosition();
    void enterInEmployeeCell_data();
    void enterInEmployeeCell();
    void lineValidation_data();
    void lineValidation();
    void linesCheckedAtSave_data();
    void linesCheckedAtSave();
    void addingSavesInARow();
    void modifyShowsStoredAmounts();
    void modifyFindsCoefficient_data();
    void modifyFindsCoefficient();
    void unknownJobTypeAsksForOne();
    void modifyDeletedRecord();
    void failedLineInsertLeavesNothing();
    void dropDownWidened();
};

void JjDataMdyTest::amountRule_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("quantity");
    QTest::addColumn<double>("xs");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<double>("amount");
    QTest::newRow("half away from zero") << 0.125 << 1.0 << 0.0 << false << 0.13;
    QTest::newRow("negative half") << 0.125 << -1.0 << 0.0 << false << -0.13;
    QTest::newRow("coefficient chosen") << 2.5 << 10.0 << 1.2 << true << 30.0;
    QTest::newRow("typed coefficient left out") << 2.5 << 10.0 << 1.2 << false << 25.0;
    QTest::newRow("stored just below half") << 1.005 << 1.0 << 0.0 << false << 1.0;
}

void JjDataMdyTest::amountRule()
{
    QFETCH(double, price);
    QFETCH(double, quantity);
    QFETCH(double, xs);
    QFETCH(bool, chosen);
    QFETCH(double, amount);
    QCOMPARE(PieceData::amount(price, quantity, xs, chosen), amount);
}

void JjDataMdyTest::dialogAmounts_data()
{
    QTest::addColumn<QString>("process");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("amount");
    QTest::newRow("0.125 x 1") << "[002]锁边"
                               << "1"
                               << "0.13";
    QTest::newRow("2.5 x 10") << "[001]上领"
                              << "10"
                              << "25.00";
    QTest::newRow("empty quantity") << "[001]上领"
                                    << ""
                                    << "0.00";
}

void JjDataMdyTest::dialogAmounts()
{
    QFETCH(QString, process);
    QFETCH(QString, quantity);
    QFETCH(QString, amount);
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(process);
    retype(dialog->edtSl, quantity);
    QTest::keyClick(dialog->edtSl, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog->edtJe); // Enter moves on as Tab does
    QCOMPARE(dialog->edtJe->text(), amount);
    QVERIFY(app.messages.shown.isEmpty());
}

// 2.5 × 10 with 加急 (1.2) is 30.00; the empty coefficient sets the value to 0 and the amount back
// to 25.00; a value typed with no coefficient chosen stays out of the amount but is stored.
void JjDataMdyTest::coefficientChain()
{
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    QCOMPARE(dialog->edtUnit->text(), QStringLiteral("件"));
    QCOMPARE(dialog->edtPrice->text(), QStringLiteral("2.500000"));
    QCOMPARE(dialog->edtRs->text(), QStringLiteral("2"));
    retype(dialog->edtSl, QStringLiteral("10"));
    choose(dialog->cboXs, QStringLiteral("[1]加急"));
    QCOMPARE(dialog->edtXs->text(), QStringLiteral("1.20"));
    QCOMPARE(dialog->edtJe->text(), QStringLiteral("30.00"));
    choose(dialog->cboXs, QString());
    QCOMPARE(dialog->edtXs->number(), 0.0);
    QCOMPARE(dialog->edtJe->text(), QStringLiteral("25.00"));
    // 普通 has the value 1: choosing it still puts the coefficient into the amount.
    retype(dialog->edtXs, QStringLiteral("1"));
    QCOMPARE(dialog->edtJe->text(), QStringLiteral("25.00"));
    choose(dialog->cboXs, QStringLiteral("[2]普通"));
    QCOMPARE(dialog->edtJe->text(), QStringLiteral("25.00"));
    choose(dialog->cboXs, QString());
    retype(dialog->edtXs, QStringLiteral("1.5"));
    QCOMPARE(dialog->edtJe->text(), QStringLiteral("25.00"));
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select xs from jjdata").toDouble(), 1.5);
    QVERIFY(app.scalar("select xscode from jjdata").isNull());
    QCOMPARE(app.scalar("select je from jjdata").toDouble(), 25.0);
}

// Amount 100 with shares 0.3333 and 0.6667: 33.33 and 66.67; at 200: 66.66 and 133.34.
void JjDataMdyTest::lineAmountsFollowAmount()
{
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    retype(dialog->edtSl, QStringLiteral("40"));
    addLineByCode(*dialog, QStringLiteral("0001"));
    addLineByCode(*dialog, QStringLiteral("0002"));
    QVERIFY(dialog->tmp->post());
    QVERIFY(app.messages.shown.isEmpty());
    QCOMPARE(lineTexts(*dialog), (QStringList{"[0001]张三|[01]车工|0.3333|33.33", "[0002]李四|[02]检验|0.6667|66.67"}));
    retype(dialog->edtSl, QStringLiteral("80"));
    QCOMPARE(dialog->edtJe->text(), QStringLiteral("200.00"));
    QCOMPARE(lineTexts(*dialog),
             (QStringList{"[0001]张三|[01]车工|0.3333|66.66", "[0002]李四|[02]检验|0.6667|133.34"}));
    QCOMPARE(dialog->tmp->state(), DataTable::Browse);
    // A share typed into a line takes effect at once.
    dialog->grid->setFocus();
    dialog->grid->setCurrentIndex(dialog->grid->model()->index(0, 2));
    typeAtFocus(QStringLiteral("0.5"));
    pressEnter();
    QCOMPARE(dialog->tmp->rowValue(0, 3).toDouble(), 100.0);
    saveShot(dialog.get(), QStringLiteral("piecework_record_dialog"));
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select group_concat(wkcode||':'||tpcode||':'||bl||':'||je, ' ') from jjdata_d").toString(),
             QStringLiteral("0001:01:0.5:100.0 0002:02:0.6667:133.34"));
}

// Under the lines: the sums of ratio and amount beside the record's amount, orange with the
// difference while the lines do not add up to it, following every change.
void JjDataMdyTest::lineTotalsBesideAmount()
{
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    QLabel *totals = dialog->lblTotals;
    QCOMPARE(totals->text(), QStringLiteral("合计：比例 0.00　金额 0.00（计件金额 0.00）"));
    QVERIFY(!totals->property("differs").toBool());
    QVERIFY(dialog->grid->model()->headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString().contains(u"1 = 全部金额"));
    retype(dialog->edtSl, QStringLiteral("40"));
    QCOMPARE(totals->text(), QStringLiteral("合计：比例 0.00　金额 0.00（计件金额 100.00），相差 -100.00"));
    QVERIFY(totals->property("differs").toBool());
    addLineByCode(*dialog, QStringLiteral("0001"));
    QCOMPARE(totals->text(), QStringLiteral("合计：比例 0.33　金额 33.33（计件金额 100.00），相差 -66.67"));
    addLineByCode(*dialog, QStringLiteral("0002"));
    QVERIFY(dialog->tmp->post());
    QCOMPARE(totals->text(), QStringLiteral("合计：比例 1.00　金额 100.00（计件金额 100.00）"));
    QVERIFY(!totals->property("differs").toBool());
    QVERIFY(totals->toolTip().isEmpty());
    // Both employees on the whole amount: 200 paid for a 100 job.
    dialog->tmp->first();
    dialog->tmp->setValue(QStringLiteral("bl"), 1.0);
    QVERIFY(dialog->tmp->post());
    dialog->tmp->next();
    dialog->tmp->setValue(QStringLiteral("bl"), 1.0);
    QCOMPARE(totals->text(), QStringLiteral("合计：比例 2.00　金额 200.00（计件金额 100.00），相差 100.00"));
    QVERIFY(totals->property("differs").toBool());
    QVERIFY(totals->toolTip().contains(u"不等"));
    QVERIFY(dialog->tmp->post());
    saveShot(dialog.get(), QStringLiteral("piecework_record_totals_differ"));
    // A new amount moves the lines and the sums with it.
    retype(dialog->edtSl, QStringLiteral("20"));
    QCOMPARE(totals->text(), QStringLiteral("合计：比例 2.00　金额 100.00（计件金额 50.00），相差 50.00"));
    // A line deleted leaves the other.
    dialog->tmp->first();
    QVERIFY(dialog->tmp->remove());
    QCOMPARE(totals->text(), QStringLiteral("合计：比例 1.00　金额 50.00（计件金额 50.00）"));
    QVERIFY(!totals->property("differs").toBool());
}

// Only a change of a line's position fetches a ratio; a position without a share keeps it.
void JjDataMdyTest::shareOfPosition()
{
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    retype(dialog->edtSl, QStringLiteral("40"));
    addLineByCode(*dialog, QStringLiteral("0001"));
    addLineByCode(*dialog, QStringLiteral("0003")); // 组长 has no share in 上领
    QVERIFY(dialog->tmp->post());
    QCOMPARE(lineTexts(*dialog), (QStringList{"[0001]张三|[01]车工|0.3333|33.33", "[0003]王五|[03]组长|0|0"}));
    // Another process keeps the ratios.
    choose(dialog->cboGx, QStringLiteral("[003]钉扣"));
    QCOMPARE(dialog->tmp->rowValue(0, 2).toDouble(), 0.3333);
    // A position chosen in the drop-down of a line: 检验 of 上领 is 0.6667; 组长 keeps it.
    choose(dialog->cboGx, QStringLiteral("[001]上领"));
    dialog->tmp->first();
    dialog->tmp->setValue(QStringLiteral("workertp"), QStringLiteral("[02]检验"));
    QCOMPARE(dialog->tmp->asFloat(QStringLiteral("bl")), 0.6667);
    dialog->tmp->setValue(QStringLiteral("workertp"), QStringLiteral("[03]组长"));
    QCOMPARE(dialog->tmp->asFloat(QStringLiteral("bl")), 0.6667);
    QVERIFY(app.messages.shown.isEmpty());
    // Text that is no bracket form is refused at once and kept.
    dialog->tmp->setValue(QStringLiteral("workertp"), QStringLiteral("组长"));
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("职位输入错误")});
    QCOMPARE(dialog->tmp->text(QStringLiteral("workertp")), QStringLiteral("组长"));
}

void JjDataMdyTest::enterInEmployeeCell_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("picker"); // the modal window that came up ("" = none)
    QTest::addColumn<QString>("worker"); // the line's employee afterwards
    QTest::addColumn<QString>("workertp");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("empty cell opens the picker") << ""
                                                 << "jjgz::TfrmSelWorker"
                                                 << "[0002]李四"
                                                 << "[02]检验" << QStringList();
    QTest::newRow("a name looks nothing up") << "张三"
                                             << ""
                                             << "张三"
                                             << "" << QStringList();
    QTest::newRow("unknown code") << "9999"
                                  << ""
                                  << ""
                                  << "" << QStringList{"员工代码不存在"};
    QTest::newRow("known code") << "0001"
                                << ""
                                << "[0001]张三"
                                << "[01]车工" << QStringList();
    QTest::newRow("employee without position") << "0004"
                                               << ""
                                               << "[0004]O'Neil"
                                               << "" << QStringList();
}

void JjDataMdyTest::enterInEmployeeCell()
{
    QFETCH(QString, typed);
    QFETCH(QString, picker);
    QFETCH(QString, worker);
    QFETCH(QString, workertp);
    QFETCH(QStringList, messages);
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    newLine(*dialog);
    QString seen;
    // The picker: 一车间 opens on its first employee, the next one (李四) is taken.
    onModal<TfrmSelWorker>(
        [](TfrmSelWorker *sel) {
            sel->tv->setCurrentItem(sel->tv->topLevelItem(0));
            sel->choose();
            sel->tv->setCurrentItem(sel->tv->topLevelItem(0)->child(1));
            sel->choose();
        },
        &seen);
    typeAtFocus(typed);
    pressEnter();
    QCoreApplication::processEvents();
    QCOMPARE(seen, picker);
    QCOMPARE(dialog->tmp->text(QStringLiteral("worker")), worker);
    QCOMPARE(dialog->tmp->text(QStringLiteral("workertp")), workertp);
    QCOMPARE(app.messages.texts(), messages);
}

void JjDataMdyTest::lineValidation_data()
{
    QTest::addColumn<QString>("worker");
    QTest::addColumn<QString>("workertp");
    QTest::addColumn<QString>("message"); // "" = accepted
    QTest::newRow("no employee") << ""
                                 << "[01]车工"
                                 << "请选择员工";
    QTest::newRow("employee not bracketed") << "张三"
                                            << ""
                                            << "员工输入错误";
    QTest::newRow("empty code") << "[]张三"
                                << ""
                                << "员工输入错误";
    QTest::newRow("unknown employee") << "[0099]某人"
                                      << ""
                                      << "员工不存在";
    QTest::newRow("no position") << "[0001]张三"
                                 << ""
                                 << "";
    QTest::newRow("unknown position") << "[0001]张三"
                                      << "[09]学徒"
                                      << "职位不存在";
    QTest::newRow("position not bracketed") << "[0001]张三"
                                            << "车工"
                                            << "职位输入错误";
    QTest::newRow("position with quote") << "[0001]张三"
                                         << "[0']x"
                                         << "职位不存在";
}

// Each refused line stays in edit state with its message; a line without position is saved
// with an empty position code.
void JjDataMdyTest::lineValidation()
{
    QFETCH(QString, worker);
    QFETCH(QString, workertp);
    QFETCH(QString, message);
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[003]钉扣")); // no shares: no lookups interfere
    dialog->tmp->append();
    dialog->tmp->setValue(QStringLiteral("worker"), worker);
    dialog->tmp->setValue(QStringLiteral("workertp"), workertp);
    app.messages.clear();
    dialog->btnYes->click();
    if (message.isEmpty()) {
        QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
        QCOMPARE(app.scalar("select tpcode from jjdata_d").toString(), QString(""));
        QVERIFY(!app.scalar("select tpcode from jjdata_d").isNull());
    } else {
        QCOMPARE(app.messages.texts(), QStringList{message});
        QCOMPARE(app.messages.shown.first().title, QStringLiteral("错误"));
        QCOMPARE(dialog->tmp->state(), DataTable::Insert);
        QCOMPARE(recordCount(app), 0);
    }
}

void JjDataMdyTest::linesCheckedAtSave_data()
{
    QTest::addColumn<QString>("typed"); // into the employee cell of the second line
    QTest::addColumn<int>("key");       // that leaves the cell
    QTest::addColumn<QString>("message");
    QTest::newRow("code left with Tab") << "0001" << int(Qt::Key_Tab) << "第2行：员工输入错误";
    QTest::newRow("short code left with Tab") << "001" << int(Qt::Key_Tab) << "第2行：员工输入错误";
    QTest::newRow("name and Enter") << "张三" << int(Qt::Key_Return) << "第2行：员工输入错误";
    QTest::newRow("name left with Tab") << "李四" << int(Qt::Key_Tab) << "第2行：员工输入错误";
}

// A line that reached the table without its check (the line amounts are recomputed when the
// quantity changes, which posts every line) is still checked when the record is saved: the
// save is refused and the line shown.
void JjDataMdyTest::linesCheckedAtSave()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, message);
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    retype(dialog->edtSl, QStringLiteral("40"));
    addLineByCode(*dialog, QStringLiteral("0002"));
    newLine(*dialog);
    typeAtFocus(typed);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    retype(dialog->edtSl, QStringLiteral("60")); // recomputes and posts both lines
    QCOMPARE(dialog->tmp->state(), DataTable::Browse);
    QCOMPARE(dialog->tmp->rowValue(1, 0).toString(), typed);
    dialog->tmp->first();
    app.messages.clear();
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{message});
    QCOMPARE(app.messages.shown.first().title, QStringLiteral("错误"));
    QCOMPARE(dialog->tmp->currentRow(), 1);
    QCOMPARE(dialog->grid->currentIndex().row(), 1);
    QCOMPARE(recordCount(app), 0);
    QCOMPARE(app.scalar("select count(*) from jjdata_d").toInt(), 0);
    // The data class refuses such a line whoever hands it over.
    bool refused = false;
    try {
        PieceData::save(1, {0, QDate(2010, 12, 1), "1", "001", 2.5, 2.0, {}, {}, 1.0, 2.5},
                        PieceData::lines(*dialog->tmp), QStringLiteral("admin"));
    } catch (const DbError &e) {
        refused = e.message() == message;
    }
    QVERIFY(refused);
    QCOMPARE(recordCount(app), 0);
    // Mended, the record is saved with both employees.
    dialog->tmp->setCurrentRow(1);
    dialog->tmp->edit();
    dialog->tmp->setValue(QStringLiteral("worker"), QStringLiteral("[0001]张三"));
    QVERIFY(dialog->tmp->post());
    app.messages.clear();
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(
        app.scalar("select group_concat(wkcode, ' ') from (select wkcode from jjdata_d order by rowid)").toString(),
        QStringLiteral("0002 0001"));
}

// Two records in a row take consecutive numbers; after a save the process and the coefficient
// are chosen again, everything else stays.
void JjDataMdyTest::addingSavesInARow()
{
    TestApp app;
    seedMasterData(app);
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("增加计件数据"));
    QCOMPARE(dialog->edtDt->date(), QDate(2010, 12, 15));
    QCOMPARE(dialog->size(), QSize(519, 447));
    retype(dialog->edtSl, QStringLiteral("4"));
    choose(dialog->cboXs, QStringLiteral("[1]加急"));
    addLineByCode(*dialog, QStringLiteral("0001"));
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select pid||' '||dt||' '||gzcode||' '||gxcode||' '||price||' '||rs||' '||xscode||' '||xs||' "
                        "'||sl||' '||je||' '||opername from jjdata")
                 .toString(),
             QStringLiteral("1 2010-12-15 1 001 2.5 2.0 1 1.2 4.0 12.0 admin"));
    QCOMPARE(app.scalar("select count(*) from jjdata_d where pid=1").toInt(), 1);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->tmp->isEmpty());
    QCOMPARE(dialog->cboGx->currentIndex(), 0);
    QCOMPARE(dialog->cboXs->currentIndex(), 0);
    QCOMPARE(dialog->edtPrice->text(), QStringLiteral("2.500000")); // not reset by the lists
    // The coefficient goes with its list, and the amount no longer holds it.
    QCOMPARE(dialog->edtXs->text(), QStringLiteral("0.00"));
    QCOMPARE(dialog->edtJe->text(), QStringLiteral("10.00"));

    app.messages.clear();
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("请选择工种和工序")});
    choose(dialog->cboGx, QStringLiteral("[002]锁边"));
    app.messages.clear();
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select group_concat(pid||':'||gxcode||':'||je, ' ') from jjdata").toString(),
             QStringLiteral("1:001:12.0 2:002:0.5"));
    QCOMPARE(app.scalar("select count(*) from jjdata_d where pid=2").toInt(), 0);
    // The first process again (the same unit price): no coefficient, nothing scaled by one.
    choose(dialog->cboGx, QStringLiteral("[001]上领"));
    app.messages.clear();
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select ifnull(xscode,'-')||':'||xs||':'||je from jjdata where pid=3").toString(),
             QStringLiteral("-:0.0:10.0"));
}

void JjDataMdyTest::modifyFindsCoefficient_data()
{
    QTest::addColumn<QString>("xsText"); // as the listing read it
    QTest::addColumn<QString>("shown");
    QTest::newRow("renamed since") << "[1]旧名"
                                   << "[1]加急";
    QTest::newRow("as listed") << "[2]普通"
                               << "[2]普通";
    QTest::newRow("deleted since") << "[7]停用"
                                   << "[7]停用";
}

// A record's coefficient is found by its code and stays with the record when it is saved.
void JjDataMdyTest::modifyFindsCoefficient()
{
    QFETCH(QString, xsText);
    QFETCH(QString, shown);
    TestApp app;
    seedMasterData(app);
    const QString code = BracketCode(xsText);
    app.exec("insert into jjdata (pid, dt, gzcode, gxcode, price, rs, xscode, xs, sl, je) values "
             "(5, '2010-03-05', '1', '001', 2.5, 2, ?, 1.1, 10, 27.5)",
             {code});
    TfrmJjDataMdy dialog(2, QStringLiteral("修改计件数据"));
    dialog.setRecord({5, QDate(2010, 3, 5), "[1]缝纫", "[001]上领", 2.5, 2.0, xsText, 1.1, 10.0, 27.5});
    dialog.show();
    QCOMPARE(dialog.cboXs->currentText(), shown);
    QCOMPARE(dialog.edtXs->text(), QStringLiteral("1.10"));
    retype(dialog.edtSl, QStringLiteral("20"));
    QCOMPARE(dialog.edtJe->text(), QStringLiteral("55.00"));
    dialog.btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select xscode||':'||xs||':'||je from jjdata where pid=5").toString(),
             code + QStringLiteral(":1.1:55.0"));
}

// The stored amounts are shown, even where the process's unit price has changed since.
void JjDataMdyTest::modifyShowsStoredAmounts()
{
    TestApp app;
    seedMasterData(app);
    app.exec("insert into jjdata (pid, dt, gzcode, gxcode, price, rs, xscode, xs, sl, je, opername) values "
             "(7, '2010-03-05', '1', '001', 2, 3, '1', 1.2, 10, 99, 'clerk')");
    app.exec("insert into jjdata_d (pid, wkcode, tpcode, bl, je) values (7, '0001', '01', 0.5, 10), (7, '0002', '09', "
             "0.25, 5)");
    TfrmJjDataMdy dialog(2, QStringLiteral("修改计件数据"));
    RecordHeader header{7, QDate(2010, 3, 5), "[1]缝纫", "[001]上领", 2.0, 3.0, "[1]加急", 1.2, 10.0, 99.0};
    dialog.setRecord(header);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("修改计件数据"));
    QCOMPARE(dialog.edtPrice->text(), QStringLiteral("2.000000"));
    QCOMPARE(dialog.edtUnit->text(), QStringLiteral("件"));
    QCOMPARE(dialog.edtRs->text(), QStringLiteral("3"));
    QCOMPARE(dialog.edtXs->text(), QStringLiteral("1.20"));
    QCOMPARE(dialog.edtJe->text(), QStringLiteral("99.00"));
    // A position that is not in the list shows its bare code and keeps it on saving.
    QCOMPARE(lineTexts(dialog), (QStringList{"[0001]张三|[01]车工|0.5|10", "[0002]李四|09|0.25|5"}));
    QVERIFY(app.messages.shown.isEmpty());
    dialog.btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(app.scalar("select pid||' '||price||' '||je||' '||opername from jjdata").toString(),
             QStringLiteral("7 2.0 99.0 clerk"));
    QCOMPARE(app.scalar("select group_concat(wkcode||':'||tpcode||':'||je, ' ') from jjdata_d").toString(),
             QStringLiteral("0001:01:10.0 0002:09:5.0"));
}

void JjDataMdyTest::unknownJobTypeAsksForOne()
{
    TestApp app;
    seedMasterData(app);
    app.exec(
        "insert into jjdata (pid, dt, gzcode, gxcode, price, sl, je) values (3, '2010-03-05', '1', '001', 2.5, 2, 5)");
    TfrmJjDataMdy dialog(2, QStringLiteral("修改计件数据"));
    dialog.setRecord({3, QDate(2010, 3, 5), "[1]旧名", "[001]上领", 2.5, 2.0, "", 0.0, 2.0, 5.0});
    dialog.show();
    QCOMPARE(dialog.cboGz->currentText(), QString());
    QCOMPARE(dialog.cboGx->currentText(), QString());
    dialog.btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("请选择工种和工序")});
    choose(dialog.cboGz, QStringLiteral("[1]缝纫"));
    dialog.btnYes->click();
    QCOMPARE(app.messages.texts().size(), 2);
    choose(dialog.cboGx, QStringLiteral("[002]锁边"));
    app.messages.clear();
    dialog.btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select gxcode from jjdata where pid=3").toString(), QStringLiteral("002"));
}

// A record deleted while its dialog was open is not written again, and no lines are left behind.
void JjDataMdyTest::modifyDeletedRecord()
{
    TestApp app;
    seedMasterData(app);
    app.exec(
        "insert into jjdata (pid, dt, gzcode, gxcode, price, sl, je) values (4, '2010-03-05', '1', '001', 2.5, 2, 5)");
    app.exec("insert into jjdata_d (pid, wkcode, tpcode, bl, je) values (4, '0001', '01', 1, 5)");
    TfrmJjDataMdy dialog(2, QStringLiteral("修改计件数据"));
    dialog.setRecord({4, QDate(2010, 3, 5), "[1]缝纫", "[001]上领", 2.5, 2.0, "", 0.0, 2.0, 5.0});
    dialog.show();
    app.exec("delete from jjdata where pid=4");
    dialog.btnYes->click();
    QCOMPARE(app.messages.shown.size(), 1);
    QVERIFY(app.messages.lastText().startsWith(QStringLiteral("保存失败(")));
    QCOMPARE(app.scalar("select count(*) from jjdata_d").toInt(), 0);
    QCOMPARE(recordCount(app), 0);
    QVERIFY(dialog.result() != QDialog::Accepted);
}

// A line the database refuses leaves neither the record nor any line; the dialog keeps all.
void JjDataMdyTest::failedLineInsertLeavesNothing()
{
    TestApp app;
    seedMasterData(app);
    app.exec("create trigger refuse_line before insert on jjdata_d when new.wkcode = '0002' "
             "begin select raise(abort, '测试拒绝'); end");
    auto dialog = openAdding(QStringLiteral("[001]上领"));
    retype(dialog->edtSl, QStringLiteral("40"));
    addLineByCode(*dialog, QStringLiteral("0001"));
    addLineByCode(*dialog, QStringLiteral("0002"));
    dialog->btnYes->click();
    QCOMPARE(app.messages.shown.size(), 1);
    QVERIFY(app.messages.lastText().startsWith(QStringLiteral("保存失败(")));
    QVERIFY(app.messages.lastText().contains(QStringLiteral("测试拒绝")));
    QCOMPARE(app.messages.shown.first().title, QStringLiteral("错误"));
    QCOMPARE(recordCount(app), 0);
    QCOMPARE(app.scalar("select count(*) from jjdata_d").toInt(), 0);
    QCOMPARE(dialog->tmp->rowCount(), 2);
    QCOMPARE(dialog->cboGx->currentText(), QStringLiteral("[001]上领"));
    // Once the database takes it, the number is the first one.
    app.exec("drop trigger refuse_line");
    app.messages.clear();
    dialog->btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select max(pid) from jjdata").toInt(), 1);
}

void JjDataMdyTest::dropDownWidened()
{
    TestApp app;
    seedMasterData(app);
    app.exec("insert into jjgz (gzcode, gzname) values ('3', ?)",
             {QStringLiteral("特别长的计件工种名称，用来看下拉部分是否加宽了")});
    TfrmJjDataMdy dialog(1, QStringLiteral("增加计件数据"));
    dialog.show();
    const int widest = dialog.cboGz->fontMetrics().horizontalAdvance(dialog.cboGz->itemText(3));
    QVERIFY(widest > dialog.cboGz->width());
    QCOMPARE(dialog.cboGz->dropDownWidth(), widest + 80);
    QCOMPARE(dialog.cboXs->dropDownWidth(), dialog.cboXs->width());
}

QTEST_MAIN(JjDataMdyTest)
#include "JjDataMdyTest.moc"
