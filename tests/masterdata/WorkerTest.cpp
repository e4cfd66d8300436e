// The employee roster, the employee dialog and the employee picker, driven as a user would.
#include "masterdata/Worker.h"
#include "TestSupport.h"
#include "app/Input.h"
#include "data/DataTable.h"
#include "data/MyFun.h"
#include "login/MainFrm.h"
#include "masterdata/SelWorker.h"
#include "masterdata/WorkerData.h"
#include "masterdata/WorkerMdy.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

using namespace jjgz;
using namespace jjgz::test;

namespace {

void retype(QLineEdit *edit, const QString &text)
{
    edit->clear();
    typeText(edit, text);
}

// Two departments with employees, an empty one, two positions.
void fillRoster(TestApp &app)
{
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间'), ('02', '二车间'), ('03', '包装组')");
    app.exec("insert into worker_tp (tpcode, tpname) values ('01', '车工'), ('02', '质检员')");
    app.exec("insert into worker (wkcode, wkname, bmcode, sex, tpcode, sfid, xl, addr, phone, indate, bankacc, gztp, "
             "state, mm) values "
             "('0001', '张三', '01', '男', '01', '110101198001010011', '高中', '城东路 1 号', '13800000001', "
             "'2009-03-01', '6222000011112222', 0, 0, ''),"
             "('0002', '李四', '01', '女', '02', '', '大专', '', '13800000002', '2010-05-20', '', 1, 0, '组长'),"
             "('0003', '王五', '01', '男', '01', '', '', '', '', '2008-11-11', '', 0, 1, '已离职'),"
             "('0004', '赵六', '02', '男', '02', '', '', '', '', '2010-01-04', '', 0, 0, '')");
}

int workerCount(TestApp &app)
{
    return app.scalar("select count(*) from worker").toInt();
}

// The roster on department `index` of its tree.
void selectDepart(TfrmWorker &form, int index)
{
    form.tv->setCurrentItem(form.tv->topLevelItem(index));
}

int columnOf(TfrmWorker &form, const char *field)
{
    return form.grid->columnIndex(QLatin1String(field));
}

} // namespace

class WorkerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void rosterShowsDepartments();
    void columnSettings();
    void valueTexts_data();
    void valueTexts();
    void proposal_data();
    void proposal();
    void batchOfTwo();
    void saveRefused_data();
    void saveRefused();
    void modifyPosition_data();
    void modifyPosition();
    void addDialogClosed_data();
    void addDialogClosed();
    void deleteRefused_data();
    void deleteRefused();
    void quotesAndChinese();
    void noDepartments();
    void picker_data();
    void picker();
    void pickerEntryPoint();
    void openedFromMainWindow();
};

void WorkerTest::rosterShowsDepartments()
{
    TestApp app;
    fillRoster(app);
    TfrmWorker form;
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("员工名册管理"));
    QCOMPARE(form.tv->topLevelItemCount(), 3);
    QCOMPARE(form.tv->topLevelItem(0)->text(0), QStringLiteral("01-一车间"));
    QCOMPARE(form.tv->currentItem(), form.tv->topLevelItem(0));
    QCOMPARE(form.qryWorker->rowCount(), 3);
    const QStringList titles = {"员工代码", "员工姓名", "性别",     "职位名称", "身份证号", "学历", "地址",
                                "电话",     "入职日期", "银行帐号", "工资类型", "状态",     "备注"};
    const QList<int> widths = {74, 100, 38, 100, 100, 100, 127, 100, 100, 100, 100, 100, 153};
    QCOMPARE(form.grid->columnCount(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(form.grid->column(i).title, titles[i]);
        QCOMPARE(form.grid->column(i).width, widths[i]);
    }
    QCOMPARE(form.grid->displayText(1, columnOf(form, "tpname")), QStringLiteral("质检员"));
    QCOMPARE(form.grid->displayText(1, columnOf(form, "indate")), QStringLiteral("2010-05-20"));
    saveShot(&form, QStringLiteral("worker_roster"));

    // A double click on an employee opens the dialog on that employee.
    QString seen, shownName, shownTp;
    onModal<TfrmWorkerMdy>(
        [&](TfrmWorkerMdy *d) {
            shownName = d->edtName->text();
            shownTp = d->cboTp->currentText();
            saveShot(d, QStringLiteral("worker_dialog"));
            d->btnCancel->click();
        },
        &seen);
    const QRect cell = form.grid->visualRect(form.grid->model()->index(1, 1));
    QTest::mouseClick(form.grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(form.grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmWorkerMdy"));
    QCOMPARE(shownName, QStringLiteral("李四"));
    QCOMPARE(shownTp, QStringLiteral("[02]质检员"));

    // 打印 prints the employees of the chosen department.
    GridPrinter printer(*form.grid);
    form.setUpPrint(printer);
    const QString pdf = app.path(QStringLiteral("roster.pdf"));
    QVERIFY(printer.printToPdf(pdf));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    for (const char *expected : {"员工名册", "所属部门：01-一车间", "员工代码", "张三", "质检员", "按月", "离职"})
        QVERIFY2(printed.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(!printed.contains(QStringLiteral("赵六")));

    QStringList menu;
    for (QAction *a : form.pmGrid->actions())
        menu << a->text();
    QCOMPARE(menu, (QStringList{"增加员工", "修改员工", "删除员工"}));

    // A right click selects the department under the mouse.
    const QRect node = form.tv->visualItemRect(form.tv->topLevelItem(1));
    QTest::mouseClick(form.tv->viewport(), Qt::RightButton, {}, node.center());
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, node.center(),
                                form.tv->viewport()->mapToGlobal(node.center()));
    QCoreApplication::sendEvent(form.tv->viewport(), &menuEvent);
    QCOMPARE(form.tv->currentItem(), form.tv->topLevelItem(1));
    QCOMPARE(form.qryWorker->rowCount(), 1);
    QCOMPARE(form.qryWorker->text(QStringLiteral("wkname")), QStringLiteral("赵六"));
    selectDepart(form, 2);
    QVERIFY(form.qryWorker->isActive());
    QCOMPARE(form.qryWorker->rowCount(), 0);
}

// The columns the user hid stay hidden when the roster is opened again (screen key Worker).
void WorkerTest::columnSettings()
{
    TestApp app;
    fillRoster(app);
    QVERIFY(WriteConfig(QStringLiteral("Worker"), QStringLiteral("col2"), QStringLiteral("0")));
    TfrmWorker form;
    for (int i = 0; i < form.grid->columnCount(); ++i)
        QCOMPARE(form.grid->isColumnVisible(i), i != 2);
}

void WorkerTest::valueTexts_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("gztp");
    QTest::addColumn<QString>("state");
    QTest::newRow("no value") << QVariant() << "计件"
                              << "在职";
    QTest::newRow("0") << QVariant(0) << "计件"
                       << "在职";
    QTest::newRow("1") << QVariant(1) << "按月"
                       << "离职";
    QTest::newRow("other value") << QVariant(7) << ""
                                 << "";
}

void WorkerTest::valueTexts()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, gztp);
    QFETCH(QString, state);
    TestApp app;
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间')");
    app.exec("insert into worker (wkcode, wkname, bmcode, gztp, state) values ('0001', '张三', '01', ?, ?)",
             {stored, stored});
    TfrmWorker form;
    QCOMPARE(form.qryWorker->rowCount(), 1);
    QCOMPARE(form.grid->displayText(0, columnOf(form, "gztp")), gztp);
    QCOMPARE(form.grid->displayText(0, columnOf(form, "state")), state);
}

void WorkerTest::proposal_data()
{
    QTest::addColumn<QString>("pid7");
    QTest::addColumn<QString>("firstCode");  // in the code field when the dialog opens
    QTest::addColumn<QString>("nextCode");   // in the code field after the first save
    QTest::addColumn<QString>("secondSave"); // the message of saving the next employee
    QTest::newRow("proposal on") << "1"
                                 << "0001"
                                 << "0002"
                                 << "保存成功";
    QTest::newRow("proposal off") << "0"
                                  << ""
                                  << "0001"
                                  << "员工代码已存在";
    QTest::newRow("not exactly 1") << "1 "
                                   << ""
                                   << "0001"
                                   << "员工代码已存在";
}

void WorkerTest::proposal()
{
    QFETCH(QString, pid7);
    QFETCH(QString, firstCode);
    QFETCH(QString, nextCode);
    QFETCH(QString, secondSave);
    TestApp app;
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间')");
    app.exec("update params set pvalue='4' where pid=6");
    app.exec("update params set pvalue=? where pid=7", {pid7});
    TfrmWorkerMdy dialog(EditMode::Add, QStringLiteral("01"), QStringLiteral("增加员工"), QStringLiteral("01-一车间"));
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("增加员工"));
    QCOMPARE(dialog.lblBm->text(), QStringLiteral("所属部门：01-一车间"));
    QVERIFY(dialog.edtCode->isEnabled());
    QCOMPARE(dialog.edtCode->text(), firstCode);
    QCOMPARE(dialog.cboGztp->currentText(), QStringLiteral("计件"));
    QCOMPARE(dialog.cboState->currentText(), QStringLiteral("在职"));
    QCOMPARE(dialog.edtIndate->date(), QDate::currentDate());
    if (firstCode.isEmpty())
        typeText(dialog.edtCode, QStringLiteral("0001"));
    typeText(dialog.edtName, QStringLiteral("张三"));
    dialog.cboSex->setCurrentIndex(2);
    typeText(dialog.edtAddr, QStringLiteral("城东路"));
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Information);
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(
        app.scalar("select wkname + '/' + bmcode + '/' + sex + '/' + addr from worker where wkcode='0001'").toString(),
        QStringLiteral("张三/01/女/城东路"));
    QCOMPARE(app.scalar("select gztp * 10 + state from worker where wkcode='0001'").toInt(), 0);

    // The dialog stays open for the next employee (what it keeps: batchOfTwo).
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtCode->text(), nextCode);
    QCOMPARE(dialog.edtName->text(), QString());
    QCOMPARE(dialog.focusWidget(), dialog.edtCode);
    typeText(dialog.edtName, QStringLiteral("李四"));
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.lastText(), secondSave);
    QCOMPARE(workerCount(app), secondSave == u"保存成功" ? 2 : 1);
    if (secondSave != u"保存成功") {
        QCOMPARE(app.messages.shown.last().icon, MsgIcon::Error);
        QCOMPARE(app.messages.shown.last().title, QStringLiteral("提示"));
        QCOMPARE(dialog.edtName->text(), QStringLiteral("李四"));
    }
}

// Two new employees entered one after the other: what identifies the first (name, identity
// card, bank account, telephone, address, remark) is not offered for the second; what a batch
// shares (sex, position, date of joining, wage type, state, education) stays.
void WorkerTest::batchOfTwo()
{
    TestApp app;
    fillRoster(app);
    app.exec("update params set pvalue='4' where pid=6");
    app.exec("update params set pvalue='1' where pid=7");
    TfrmWorkerMdy dialog(EditMode::Add, QStringLiteral("01"), QStringLiteral("增加员工"), QStringLiteral("01-一车间"));
    dialog.show();
    typeText(dialog.edtName, QStringLiteral("钱八"));
    dialog.cboSex->setCurrentIndex(2);
    dialog.cboTp->setCurrentIndex(2);
    typeText(dialog.edtSfid, QStringLiteral("110101199001010022"));
    typeText(dialog.edtXl, QStringLiteral("高中"));
    typeText(dialog.edtAddr, QStringLiteral("城西路 8 号"));
    typeText(dialog.edtPhone, QStringLiteral("13900000008"));
    dialog.edtIndate->setDate(QDate(2010, 11, 1));
    typeText(dialog.edtBankAcc, QStringLiteral("6222000088880000"));
    dialog.cboGztp->setCurrentIndex(1);
    typeText(dialog.edtMm, QStringLiteral("试用期三个月"));
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
    for (QLineEdit *own :
         {dialog.edtName, dialog.edtSfid, dialog.edtBankAcc, dialog.edtPhone, dialog.edtAddr, dialog.edtMm})
        QVERIFY2(own->text().isEmpty(), qPrintable(own->objectName() + QLatin1Char('=') + own->text()));
    QCOMPARE(dialog.edtCode->text(), QStringLiteral("0006"));
    QCOMPARE(dialog.cboSex->currentText(), QStringLiteral("女"));
    QCOMPARE(dialog.cboTp->currentIndex(), 2);
    QCOMPARE(dialog.edtIndate->date(), QDate(2010, 11, 1));
    QCOMPARE(dialog.cboGztp->currentIndex(), 1);
    QCOMPARE(dialog.cboState->currentIndex(), 0);
    QCOMPARE(dialog.edtXl->text(), QStringLiteral("高中"));

    typeText(dialog.edtName, QStringLiteral("孙九"));
    typeText(dialog.edtBankAcc, QStringLiteral("6222000099990000"));
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.lastText(), QStringLiteral("保存成功"));
    QCOMPARE(app.scalar("select wkname||'/'||sex||'/'||tpcode||'/'||sfid||'/'||bankacc||'/'||phone||'/'||addr||'/'||mm"
                        "||'/'||indate||'/'||gztp from worker where wkcode='0006'")
                 .toString(),
             QStringLiteral("孙九/女/02//6222000099990000////2010-11-01/1"));
    QCOMPARE(app.scalar("select sfid||'/'||bankacc from worker where wkcode='0005'").toString(),
             QStringLiteral("110101199001010022/6222000088880000"));
}

void WorkerTest::saveRefused_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("no code") << ""
                             << "王五"
                             << "请填写员工代码和姓名"
                             << "提示";
    QTest::newRow("no name") << "0100"
                             << ""
                             << "请填写员工代码和姓名"
                             << "提示";
    QTest::newRow("blank name") << "0100"
                                << "  "
                                << "请填写员工代码和姓名"
                                << "提示";
    QTest::newRow("code of another department") << "0004"
                                                << "王五"
                                                << "员工代码已存在"
                                                << "提示";
    QTest::newRow("code in other letter case") << "b7"
                                               << "王五"
                                               << "员工代码已存在"
                                               << "提示";
    QTest::newRow("refused by the database") << "X9"
                                             << "王五"
                                             << "保存失败(不再录用新员工)"
                                             << "错误";
}

void WorkerTest::saveRefused()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, title);
    TestApp app;
    fillRoster(app);
    app.exec("update params set pvalue='0' where pid=7");
    app.exec("insert into worker (wkcode, wkname, bmcode) values ('B7', '孙七', '02')");
    app.exec("create trigger no_x9 before insert on worker when new.wkcode='X9' begin select raise(abort, "
             "'不再录用新员工'); end");
    const int before = workerCount(app);
    TfrmWorkerMdy dialog(EditMode::Add, QStringLiteral("01"), QStringLiteral("增加员工"), QStringLiteral("01-一车间"));
    dialog.show();
    typeText(dialog.edtCode, code);
    typeText(dialog.edtName, name);
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{message});
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(app.messages.shown[0].title, title);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtCode->text(), code);
    QCOMPARE(dialog.edtName->text(), name);
    QCOMPARE(workerCount(app), before);
    QCOMPARE(app.scalar("select count(*) from worker where bmcode='01'").toInt(), 3);
}

void WorkerTest::modifyPosition_data()
{
    QTest::addColumn<QString>("tpcode");
    QTest::addColumn<int>("index");      // of the position list when the dialog opens
    QTest::addColumn<QVariant>("saved"); // tpcode after saving
    QTest::newRow("position exists") << "02" << 2 << QVariant(QStringLiteral("02"));
    QTest::newRow("position deleted") << "09" << -1 << QVariant();
    QTest::newRow("no position") << "" << -1 << QVariant();
}

void WorkerTest::modifyPosition()
{
    QFETCH(QString, tpcode);
    QFETCH(int, index);
    QFETCH(QVariant, saved);
    TestApp app;
    fillRoster(app);
    app.exec("update worker set tpcode=?, sex='X', gztp=1, state=5, indate=null where wkcode='0002'",
             {tpcode.isEmpty() ? QVariant() : QVariant(tpcode)});
    TfrmWorker form;
    form.show();
    QVERIFY(form.qryWorker->setCurrentRow(1));
    int openedIndex = -2;
    QString title, label;
    bool codeEnabled = true;
    QString seen;
    onModal<TfrmWorkerMdy>(
        [&](TfrmWorkerMdy *d) {
            openedIndex = d->cboTp->currentIndex();
            title = d->windowTitle();
            label = d->lblBm->text();
            codeEnabled = d->edtCode->isEnabled();
            d->edtPhone->setText(QStringLiteral("021-555"));
            d->btnYes->click();
        },
        &seen);
    form.btnEdit->trigger();
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmWorkerMdy"));
    QCOMPARE(title, QStringLiteral("修改员工信息"));
    QCOMPARE(label, QStringLiteral("所属部门：01-一车间"));
    QVERIFY(!codeEnabled);
    QCOMPARE(openedIndex, index);
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
    const QVariant written = app.scalar("select tpcode from worker where wkcode='0002'");
    QCOMPARE(written.isNull(), saved.isNull());
    QCOMPARE(written.toString(), saved.toString());
    QCOMPARE(app.scalar("select phone from worker where wkcode='0002'").toString(), QStringLiteral("021-555"));
    // Values the dialog cannot show are not turned into others: no date stays no date, a state
    // outside the list stays as it was; the wage type is kept.
    QVERIFY(app.scalar("select indate from worker where wkcode='0002'").isNull());
    QCOMPARE(app.scalar("select state from worker where wkcode='0002'").toInt(), 5);
    QCOMPARE(app.scalar("select gztp from worker where wkcode='0002'").toInt(), 1);
    // The list is read again and stays on the modified employee.
    QCOMPARE(form.qryWorker->text(QStringLiteral("wkcode")), QStringLiteral("0002"));
    QCOMPARE(form.qryWorker->text(QStringLiteral("phone")), QStringLiteral("021-555"));
}

void WorkerTest::addDialogClosed_data()
{
    QTest::addColumn<bool>("saveOne");
    QTest::newRow("closed without saving") << false;
    QTest::newRow("saved one, then closed") << true;
}

void WorkerTest::addDialogClosed()
{
    QFETCH(bool, saveOne);
    TestApp app;
    fillRoster(app);
    TfrmWorker form;
    form.show();
    QCOMPARE(form.qryWorker->currentRow(), 0);
    QString seen, proposed;
    onModal<TfrmWorkerMdy>(
        [&](TfrmWorkerMdy *d) {
            proposed = d->edtCode->text();
            if (saveOne) {
                d->edtName->setText(QStringLiteral("钱八"));
                d->btnYes->click();
            }
            d->btnCancel->click();
        },
        &seen);
    form.btnAdd->trigger();
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmWorkerMdy"));
    QCOMPARE(proposed, QStringLiteral("0005"));
    const int rows = saveOne ? 4 : 3;
    QCOMPARE(form.qryWorker->rowCount(), rows);
    QCOMPARE(form.qryWorker->currentRow(), rows - 1);
    QCOMPARE(form.grid->currentIndex().row(), rows - 1);
    QCOMPARE(form.qryWorker->text(QStringLiteral("wkcode")), saveOne ? QStringLiteral("0005") : QStringLiteral("0003"));
}

void WorkerTest::deleteRefused_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("message");
    QTest::newRow("piece-work line")
        << "insert into jjdata_d (pid, wkcode, tpcode, bl, je) values (1, '0002', '02', 1, 10)" << false
        << "该员工存在相关信息，不能删除";
    QTest::newRow("wage row") << "insert into gzdata (xyear, xmonth, wkcode) values (2010, 12, '0002')" << false
                              << "该员工存在相关信息，不能删除";
    QTest::newRow("refused by the database") << "create trigger keep_0002 before delete on worker when "
                                                "old.wkcode='0002' begin select raise(abort, 'kept'); end"
                                             << true << "员工删除失败！";
}

void WorkerTest::deleteRefused()
{
    QFETCH(QString, fixture);
    QFETCH(bool, asked);
    QFETCH(QString, message);
    TestApp app;
    fillRoster(app);
    app.exec(fixture);
    TfrmWorker form;
    QVERIFY(form.qryWorker->setCurrentRow(1));
    if (asked)
        app.messages.answers << QMessageBox::Yes;
    form.btnDel->trigger();
    QStringList expected;
    if (asked)
        expected << QStringLiteral("确认要删除员工：李四吗？");
    expected << message;
    QCOMPARE(app.messages.texts(), expected);
    QCOMPARE(app.messages.shown.last().icon, MsgIcon::Error);
    QCOMPARE(app.messages.shown.last().title, QStringLiteral("提示"));
    QCOMPARE(app.scalar("select count(*) from worker where wkcode='0002'").toInt(), 1);
    QCOMPARE(form.qryWorker->rowCount(), 3);
}

void WorkerTest::quotesAndChinese()
{
    TestApp app;
    app.exec("insert into depart (bmcode, bmname) values ('0''1', '一''车间')");
    app.exec("insert into worker (wkcode, wkname, bmcode) values ('0001', '张三', '0''1')");
    app.exec("update params set pvalue='0' where pid=7");
    TfrmWorker form;
    form.show();
    QCOMPARE(form.tv->topLevelItem(0)->text(0), QStringLiteral("0'1-一'车间"));
    QCOMPARE(form.qryWorker->rowCount(), 1);

    // Added through the dialog.
    onModal<TfrmWorkerMdy>([](TfrmWorkerMdy *d) {
        typeText(d->edtCode, QStringLiteral("A'01"));
        typeText(d->edtName, QStringLiteral("O'Neil 欧'尼"));
        typeText(d->edtMm, QStringLiteral("'); delete from worker; --"));
        d->btnYes->click();
        d->btnCancel->click();
    });
    form.btnAdd->trigger();
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
    QCOMPARE(app.scalar("select wkname from worker where wkcode=?", {"A'01"}).toString(),
             QStringLiteral("O'Neil 欧'尼"));
    QCOMPARE(app.scalar("select bmcode from worker where wkcode=?", {"A'01"}).toString(), QStringLiteral("0'1"));
    QCOMPARE(app.scalar("select mm from worker where wkcode=?", {"A'01"}).toString(),
             QStringLiteral("'); delete from worker; --"));
    QCOMPARE(workerCount(app), 2);

    // Listed.
    QCOMPARE(form.qryWorker->rowCount(), 2);
    QCOMPARE(form.grid->displayText(1, columnOf(form, "wkcode")), QStringLiteral("A'01"));
    QCOMPARE(form.grid->displayText(1, columnOf(form, "wkname")), QStringLiteral("O'Neil 欧'尼"));

    // Located by name.
    form.qryWorker->first();
    onModal<TfrmInput>([](TfrmInput *d) {
        d->edtInput()->setText(QStringLiteral("O'Neil 欧'尼"));
        d->btnOk()->click();
    });
    form.btnLocate->trigger();
    QCOMPARE(form.qryWorker->currentRow(), 1);
    // A name nobody has moves nothing.
    onModal<TfrmInput>([](TfrmInput *d) {
        d->edtInput()->setText(QStringLiteral("O'Neil"));
        d->btnOk()->click();
    });
    form.btnLocate->trigger();
    QCOMPARE(form.qryWorker->currentRow(), 1);

    // Modified.
    onModal<TfrmWorkerMdy>([](TfrmWorkerMdy *d) {
        retype(d->edtName, QStringLiteral("O'Neil 欧'尼二"));
        d->btnYes->click();
    });
    form.btnEdit->trigger();
    QCOMPARE(app.scalar("select wkname from worker where wkcode=?", {"A'01"}).toString(),
             QStringLiteral("O'Neil 欧'尼二"));
    QCOMPARE(form.qryWorker->text(QStringLiteral("wkcode")), QStringLiteral("A'01"));

    // Deleted.
    app.messages.clear();
    app.messages.answers << QMessageBox::Yes;
    form.btnDel->trigger();
    QCOMPARE(app.messages.texts(), QStringList{"确认要删除员工：O'Neil 欧'尼二吗？"});
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("询问"));
    QCOMPARE(app.scalar("select count(*) from worker where wkcode=?", {"A'01"}).toInt(), 0);
    QCOMPARE(workerCount(app), 1);
    QCOMPARE(form.qryWorker->rowCount(), 1);

    // A No keeps the employee.
    app.messages.clear();
    app.messages.answers << QMessageBox::No;
    form.btnDel->trigger();
    QCOMPARE(workerCount(app), 1);
}

void WorkerTest::noDepartments()
{
    TestApp app;
    TfrmWorker form;
    form.show();
    QCOMPARE(form.tv->topLevelItemCount(), 0);
    QVERIFY(!form.qryWorker->isActive());
    QCOMPARE(form.grid->model()->rowCount(), 0);
    QString seen = QStringLiteral("not run");
    onModal<QDialog>([](QDialog *d) { d->close(); }, &seen);
    for (QAction *a : {form.btnAdd, form.btnEdit, form.btnDel, form.btnPrint})
        a->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(seen, QString()); // no dialog came up
    QVERIFY(app.messages.shown.isEmpty());
}

void WorkerTest::picker_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("选中") << "ok";
    QTest::newRow("定位") << "locate";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("double-click") << "double";
}

void WorkerTest::picker()
{
    QFETCH(QString, how);
    TestApp app;
    fillRoster(app);
    app.exec("insert into worker (wkcode, wkname, bmcode) values ('0''9', '欧''阳', '02')");
    TfrmSelWorker dialog;
    dialog.show();
    auto act = [&] {
        if (how == u"ok")
            QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        else if (how == u"locate")
            QTest::mouseClick(dialog.btnLocate, Qt::LeftButton);
        else if (how == u"enter")
            QTest::keyClick(dialog.tv, Qt::Key_Return);
        else {
            // On the selected node, or on the empty space below the nodes when none is selected.
            QTreeWidgetItem *item = dialog.tv->currentItem();
            const QPoint at =
                item ? dialog.tv->visualItemRect(item).center() : QPoint(5, dialog.tv->viewport()->height() - 5);
            // A real double-click: the first click, then the second one.
            QTest::mouseClick(dialog.tv->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(dialog.tv->viewport(), Qt::LeftButton, {}, at);
        }
    };
    QCOMPARE(dialog.windowTitle(), QStringLiteral("请选择员工"));
    QCOMPARE(dialog.tv->topLevelItemCount(), 3);
    QCOMPARE(dialog.tv->topLevelItem(0)->text(0), QStringLiteral("[01]一车间"));
    QCOMPARE(dialog.tv->topLevelItem(0)->childCount(), 3);
    QCOMPARE(dialog.tv->topLevelItem(0)->child(1)->text(0), QStringLiteral("[0002]李四"));
    QCOMPARE(dialog.tv->topLevelItem(1)->childCount(), 2);
    QCOMPARE(dialog.tv->topLevelItem(2)->text(0), QStringLiteral("[03]包装组"));
    QCOMPARE(dialog.tv->topLevelItem(2)->childCount(), 0);

    // Nothing selected: nothing happens.
    dialog.tv->setCurrentItem(nullptr);
    act();
    QVERIFY(dialog.isVisible());

    // A department with employees opens on its first one.
    dialog.tv->setCurrentItem(dialog.tv->topLevelItem(1));
    act();
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.tv->topLevelItem(1)->isExpanded());
    QCOMPARE(dialog.tv->currentItem(), dialog.tv->topLevelItem(1)->child(0));
    saveShot(&dialog, QStringLiteral("worker_picker"));
    // An employee is taken.
    act();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.pick().wkcode, QStringLiteral("0'9"));
    QCOMPARE(dialog.pick().wkname, QStringLiteral("欧'阳"));

    // A department without employees is a leaf: it closes the picker with an empty pick.
    TfrmSelWorker again;
    again.show();
    again.tv->setCurrentItem(again.tv->topLevelItem(2));
    QTest::mouseClick(again.btnOk, Qt::LeftButton);
    QCOMPARE(again.result(), int(QDialog::Accepted));
    QVERIFY(again.pick().isEmpty());
    QCOMPARE(again.pick().wkname, QString());
}

void WorkerTest::pickerEntryPoint()
{
    TestApp app;
    fillRoster(app);
    onModal<TfrmSelWorker>([](TfrmSelWorker *d) {
        d->tv->setCurrentItem(d->tv->topLevelItem(0)->child(2));
        d->btnOk->click();
    });
    const std::optional<WorkerPick> chosen = TfrmSelWorker::execute(nullptr);
    QVERIFY(chosen.has_value());
    QCOMPARE(chosen->wkcode, QStringLiteral("0003"));
    QCOMPARE(chosen->wkname, QStringLiteral("王五"));

    onModal<TfrmSelWorker>([](TfrmSelWorker *d) { d->btnCancel->click(); });
    QVERIFY(!TfrmSelWorker::execute(nullptr).has_value());

    // No departments at all: an empty tree, and 选中 does nothing.
    app.exec("delete from worker");
    app.exec("delete from depart");
    TfrmSelWorker empty;
    empty.show();
    QCOMPARE(empty.tv->topLevelItemCount(), 0);
    QTest::mouseClick(empty.btnOk, Qt::LeftButton);
    QVERIFY(empty.isVisible());
}

// 员工名册管理 and 职工名册 open the one roster window, maximised, with its toolbar in the main
// window's tool area; 退出 closes it.
void WorkerTest::openedFromMainWindow()
{
    TestApp app;
    fillRoster(app);
    TfrmMain w;
    w.resize(1100, 700);
    w.show();
    w.menuItem(1515)->trigger();
    QMdiSubWindow *window = w.mdiArea->activeSubWindow();
    QVERIFY(window);
    auto *form = qobject_cast<TfrmWorker *>(window->widget());
    QVERIFY(form);
    QVERIFY(window->isMaximized());
    QCOMPARE(form->ToolBar1->parentWidget(), &w);
    QVERIFY(form->ToolBar1->isVisible());
    saveShot(&w, QStringLiteral("worker_in_main_window"));

    window->showNormal();
    w.toolButton(1515)->trigger();
    QCOMPARE(w.mdiArea->subWindowList().size(), 1);
    QCOMPARE(w.mdiArea->activeSubWindow(), window);
    QVERIFY(window->isMaximized());

    QPointer<QWidget> gone = form;
    form->btnClose->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!gone);
    QCOMPARE(w.mdiArea->subWindowList().size(), 0);
}

QTEST_MAIN(WorkerTest)
#include "WorkerTest.moc"
