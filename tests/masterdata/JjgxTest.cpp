// The process window and the process dialog, driven as a user would, with the database checked
// afterwards.
#include "masterdata/Jjgx.h"
#include "TestSupport.h"
#include "data/DataTable.h"
#include "masterdata/JjgxMdy.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Job types 1 and 2, positions 01 to 03; job type 1 holds processes 001 (unit price 2, shares
// 0.6 and 0.4 of positions 01 and 02) and 002 (no shares).
void seed(TestApp &app)
{
    app.exec("insert into jjgz (gzcode, gzname) values ('1', '缝纫'), ('2', '包装')");
    app.exec("insert into worker_tp (tpcode, tpname) values ('01', '车工'), ('02', '检验'), ('03', '组长')");
    app.exec("insert into jjgx (gzcode, gxcode, gxname, unit, price, rs) values "
             "('1', '001', '上领', '件', 2, 2), ('1', '002', '锁边', '件', 0.5, 1)");
    app.exec("insert into jjgx_d (gzcode, gxcode, tpcode, bl, price) values "
             "('1', '001', '01', 0.6, 1.2), ('1', '001', '02', 0.4, 0.8)");
}

// Selects the job type whose node text starts with `gzcode` + "-".
void selectJobType(TfrmJjgx &window, const QString &gzcode)
{
    for (int i = 0; i < window.tv->topLevelItemCount(); ++i)
        if (window.tv->topLevelItem(i)->text(0).startsWith(gzcode + QLatin1Char('-')))
            window.tv->setCurrentItem(window.tv->topLevelItem(i));
}

// The modify dialog of process `gxcode` of job type 1, as the window opens it.
std::unique_ptr<TfrmJjgxMdy> openForModify(TfrmJjgx &window, const QString &gxcode)
{
    selectJobType(window, QStringLiteral("1"));
    if (!window.qry->locate(QStringLiteral("gxcode"), gxcode))
        return nullptr;
    JjgxMdyRequest request;
    if (!window.modifyRequest(request))
        return nullptr;
    auto dialog = std::make_unique<TfrmJjgxMdy>(request);
    dialog->show();
    return dialog;
}

QList<double> sharePrices(const DataTable &tmp)
{
    QList<double> out;
    for (int r = 0; r < tmp.rowCount(); ++r)
        out << tmp.rowValue(r, tmp.fieldIndex(QStringLiteral("price"))).toDouble();
    return out;
}

// Stored shares of a process as "tpcode bl price" lines, by position.
QStringList storedShares(TestApp &app, const QString &gzcode, const QString &gxcode)
{
    QStringList out;
    const int n = app.scalar("select count(*) from jjgx_d where gzcode=? and gxcode=?", {gzcode, gxcode}).toInt();
    for (int i = 0; i < n; ++i) {
        const QString tp =
            app.scalar("select tpcode from jjgx_d where gzcode=? and gxcode=? order by tpcode limit 1 offset ?",
                       {gzcode, gxcode, i})
                .toString();
        const double bl =
            app.scalar("select bl from jjgx_d where gzcode=? and gxcode=? and tpcode=?", {gzcode, gxcode, tp})
                .toDouble();
        const double price =
            app.scalar("select price from jjgx_d where gzcode=? and gxcode=? and tpcode=?", {gzcode, gxcode, tp})
                .toDouble();
        out << QStringLiteral("%1 %2 %3").arg(tp).arg(bl).arg(price);
    }
    return out;
}

// Types as a keyboard does: each character goes to the widget that has the focus at the time.
void typeAtFocus(const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::KeyAction::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

} // namespace

class JjgxTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void sharePriceRule_data();
    void sharePriceRule();
    void unitPriceRecomputesShares();
    void modifyKeepsStoredPrices();
    void codeFieldTakesDigitsOnly();
    void nextCodePerJobType_data();
    void nextCodePerJobType();
    void deletedPositionDropped();
    void shareRowValidation_data();
    void shareRowValidation();
    void failedSaveChangesNothing_data();
    void failedSaveChangesNothing();
    void deleteProcess_data();
    void deleteProcess();
    void addingClearsAndListFollows();
};

void JjgxTest::sharePriceRule_data()
{
    QTest::addColumn<QString>("unitPrice");
    QTest::addColumn<double>("bl");
    QTest::addColumn<double>("price");
    QTest::newRow("rounded to 4 decimals") << "1.23456" << 0.5 << 0.6173;
    QTest::newRow("half away from zero") << "0.0001" << 0.5 << 0.0001;
    QTest::newRow("empty unit price") << "" << 0.5 << 0.0;
}

void JjgxTest::sharePriceRule()
{
    QFETCH(QString, unitPrice);
    QFETCH(double, bl);
    QFETCH(double, price);
    TestApp app;
    seed(app);
    TfrmJjgx window;
    JjgxMdyRequest request;
    QVERIFY(window.addRequest(request));
    TfrmJjgxMdy dialog(request);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    typeInto(dialog.edtPrice, unitPrice);
    // A share row typed into the grid: the position as text, Enter, the share, Enter.
    dialog.navigator->trigger(DbNavigator::Insert);
    dialog.grid->setFocus();
    dialog.grid->setCurrentIndex(dialog.grid->model()->index(0, 0));
    typeAtFocus(QStringLiteral("[01]车工"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    typeAtFocus(QString::number(bl));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    DataTable &tmp = *dialog.tmp;
    QCOMPARE(tmp.text(QStringLiteral("workertp")), QStringLiteral("[01]车工"));
    QCOMPARE(tmp.asFloat(QStringLiteral("price")), price);
    QVERIFY(tmp.post());
    QCOMPARE(sharePrices(tmp), QList<double>{price});
    QVERIFY(app.messages.shown.isEmpty());
}

void JjgxTest::unitPriceRecomputesShares()
{
    TestApp app;
    seed(app);
    TfrmJjgx window;
    auto dialog = openForModify(window, QStringLiteral("001"));
    QVERIFY(dialog);
    QCOMPARE(sharePrices(*dialog->tmp), (QList<double>{1.2, 0.8}));
    typeInto(dialog->edtPrice, QStringLiteral("3"));
    QCOMPARE(sharePrices(*dialog->tmp), (QList<double>{1.8, 1.2}));
    QCOMPARE(dialog->tmp->state(), DataTable::Browse);
    QVERIFY(dialog->tmp->eof());
    QTest::mouseClick(dialog->btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(app.scalar("select price from jjgx where gzcode='1' and gxcode='001'").toDouble(), 3.0);
    QCOMPARE(storedShares(app, "1", "001"), (QStringList{"01 0.6 1.8", "02 0.4 1.2"}));
}

void JjgxTest::modifyKeepsStoredPrices()
{
    TestApp app;
    seed(app);
    // Stored prices that no longer equal unit price × share.
    app.exec(
        "update jjgx_d set price = case tpcode when '01' then 1.25 else 0.85 end where gzcode='1' and gxcode='001'");
    TfrmJjgx window;
    window.show();
    selectJobType(window, QStringLiteral("1"));
    saveShot(&window, QStringLiteral("jjgx_window"));
    auto dialog = openForModify(window, QStringLiteral("001"));
    QVERIFY(dialog);
    saveShot(dialog.get(), QStringLiteral("jjgx_dialog"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("修改工序"));
    QCOMPARE(dialog->lblGz->text(), QStringLiteral("所属工种：1-缝纫"));
    QCOMPARE(dialog->edtCode->text(), QStringLiteral("001"));
    QVERIFY(!dialog->edtCode->isEnabled());
    QCOMPARE(dialog->edtName->text(), QStringLiteral("上领"));
    QCOMPARE(dialog->edtPrice->text(), QStringLiteral("2.000000"));
    QCOMPARE(sharePrices(*dialog->tmp), (QList<double>{1.25, 0.85}));
    QCOMPARE(dialog->tmp->rowValue(0, 0).toString(), QStringLiteral("[01]车工"));
    // Saving without touching the unit price keeps them too.
    QTest::mouseClick(dialog->btnYes, Qt::LeftButton);
    QCOMPARE(storedShares(app, "1", "001"), (QStringList{"01 0.6 1.25", "02 0.4 0.85"}));
}

void JjgxTest::codeFieldTakesDigitsOnly()
{
    TestApp app;
    seed(app);
    TfrmJjgx window;
    selectJobType(window, QStringLiteral("2"));
    JjgxMdyRequest request;
    QVERIFY(window.addRequest(request));
    TfrmJjgxMdy dialog(request);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.edtCode->setFocus();
    dialog.edtCode->clear();
    QTest::keyClicks(dialog.edtCode, QStringLiteral("1a2B-3 "));
    QCOMPARE(dialog.edtCode->text(), QStringLiteral("123"));
    QTest::keyClick(dialog.edtCode, Qt::Key_Backspace);
    QCOMPARE(dialog.edtCode->text(), QStringLiteral("12"));
    QTest::keyClick(dialog.edtCode, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog.edtName);
}

void JjgxTest::nextCodePerJobType_data()
{
    QTest::addColumn<QString>("gzcode");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("job type without processes") << "2"
                                                << "001"
                                                << "002";
    QTest::newRow("job type with 001 and 002") << "1"
                                               << "003"
                                               << "004";
}

void JjgxTest::nextCodePerJobType()
{
    QFETCH(QString, gzcode);
    QFETCH(QString, first);
    QFETCH(QString, second);
    TestApp app;
    seed(app);
    TfrmJjgx window;
    selectJobType(window, gzcode);
    JjgxMdyRequest request;
    QVERIFY(window.addRequest(request));
    TfrmJjgxMdy dialog(request);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("增加工序"));
    QCOMPARE(dialog.edtCode->text(), first);
    // Saving a process proposes the next code and clears the name, the shares and the unit price.
    typeInto(dialog.edtName, QStringLiteral("熨'烫"));
    typeInto(dialog.edtPrice, QStringLiteral("1.5"));
    QVERIFY(dialog.tmp->append());
    dialog.tmp->setValue(QStringLiteral("workertp"), QStringLiteral("[03]组长"));
    dialog.tmp->setValue(QStringLiteral("bl"), 0.2);
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(app.scalar("select gxname from jjgx where gzcode=? and gxcode=?", {gzcode, first}).toString(),
             QStringLiteral("熨'烫"));
    QCOMPARE(storedShares(app, gzcode, first), QStringList{"03 0.2 0.3"});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtCode->text(), second);
    QVERIFY(dialog.tmp->isEmpty());
    QCOMPARE(dialog.unitPrice(), 0.0);
    QCOMPARE(dialog.edtName->text(), QString());
}

void JjgxTest::deletedPositionDropped()
{
    TestApp app;
    seed(app);
    // A share of a position that no longer exists.
    app.exec("insert into jjgx_d (gzcode, gxcode, tpcode, bl, price) values ('1', '001', '09', 0.1, 0.2)");
    TfrmJjgx window;
    auto dialog = openForModify(window, QStringLiteral("001"));
    QVERIFY(dialog);
    QCOMPARE(dialog->tmp->rowCount(), 2);
    QTest::mouseClick(dialog->btnYes, Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(storedShares(app, "1", "001"), (QStringList{"01 0.6 1.2", "02 0.4 0.8"}));
}

void JjgxTest::shareRowValidation_data()
{
    QTest::addColumn<QString>("workertp");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << ""
                           << "请选择职位";
    QTest::newRow("empty brackets") << "[]车工"
                                    << "职位输入错误";
    QTest::newRow("only brackets") << "[]"
                                   << "职位输入错误";
    QTest::newRow("no brackets") << "车工"
                                 << "职位输入错误";
    QTest::newRow("no closing bracket") << "[01车工"
                                        << "职位输入错误";
    QTest::newRow("unknown code") << "[77]车工"
                                  << "职位不存在";
    QTest::newRow("quote in code") << "[0'1]x"
                                   << "职位不存在";
    QTest::newRow("known code, other name") << "[02]whatever"
                                            << "";
}

void JjgxTest::shareRowValidation()
{
    QFETCH(QString, workertp);
    QFETCH(QString, message);
    TestApp app;
    seed(app);
    TfrmJjgx window;
    auto dialog = openForModify(window, QStringLiteral("002"));
    QVERIFY(dialog);
    DataTable &tmp = *dialog->tmp;
    QVERIFY(tmp.append());
    tmp.setValue(QStringLiteral("bl"), 0.5);
    tmp.setValue(QStringLiteral("workertp"), workertp);
    QCOMPARE(tmp.post(), message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(app.messages.shown.isEmpty());
        return;
    }
    QCOMPARE(app.messages.texts(), QStringList{message});
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("错误"));
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(tmp.state(), DataTable::Insert);
    // Saving with the refused row saves nothing.
    app.messages.clear();
    QTest::mouseClick(dialog->btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{message});
    QCOMPARE(storedShares(app, "1", "002"), QStringList{});
    QVERIFY(dialog->result() != QDialog::Accepted);
    // Code and name are checked before the open row: only their message, the row still open.
    app.messages.clear();
    dialog->edtName->clear();
    QTest::mouseClick(dialog->btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("请填写工序代码和名称")});
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(tmp.state(), DataTable::Insert);
}

void JjgxTest::failedSaveChangesNothing_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("add") << 1;
    QTest::newRow("modify") << 2;
}

void JjgxTest::failedSaveChangesNothing()
{
    QFETCH(int, mode);
    TestApp app;
    seed(app);
    // The database refuses shares of position 02 (the statement fails after the process and
    // the first share were written).
    app.exec("create trigger refuse_share before insert on jjgx_d when new.tpcode = '02' "
             "begin select raise(abort, '不接受这个职位的分成'); end");
    TfrmJjgx window;
    selectJobType(window, QStringLiteral("1"));
    std::unique_ptr<TfrmJjgxMdy> dialog;
    if (mode == 1) {
        JjgxMdyRequest request;
        QVERIFY(window.addRequest(request));
        dialog = std::make_unique<TfrmJjgxMdy>(request);
        dialog->show();
        typeInto(dialog->edtName, QStringLiteral("新工序"));
    } else {
        dialog = openForModify(window, QStringLiteral("001"));
        QVERIFY(dialog);
        typeInto(dialog->edtName, QStringLiteral("改名"));
        dialog->tmp->emptyTable();
    }
    typeInto(dialog->edtPrice, QStringLiteral("10"));
    DataTable &tmp = *dialog->tmp;
    for (const char *tp : {"[03]组长", "[02]检验"}) {
        QVERIFY(tmp.append());
        tmp.setValue(QStringLiteral("workertp"), QString::fromUtf8(tp));
        tmp.setValue(QStringLiteral("bl"), 0.5);
        QVERIFY(tmp.post());
    }
    QTest::mouseClick(dialog->btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.shown.size(), 1);
    QVERIFY(app.messages.lastText().startsWith(QStringLiteral("保存失败(")));
    QVERIFY(app.messages.lastText().contains(QStringLiteral("不接受这个职位的分成")));
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("错误"));
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->edtName->text(), mode == 1 ? QStringLiteral("新工序") : QStringLiteral("改名"));
    QCOMPARE(tmp.rowCount(), 2);
    // Neither the process nor its shares changed.
    QCOMPARE(app.scalar("select count(*) from jjgx").toInt(), 2);
    QCOMPARE(app.scalar("select gxname from jjgx where gzcode='1' and gxcode='001'").toString(),
             QStringLiteral("上领"));
    QCOMPARE(app.scalar("select price from jjgx where gzcode='1' and gxcode='001'").toDouble(), 2.0);
    QCOMPARE(app.scalar("select count(*) from jjgx_d").toInt(), 2);
    QCOMPARE(storedShares(app, "1", "001"), (QStringList{"01 0.6 1.2", "02 0.4 0.8"}));
}

void JjgxTest::deleteProcess_data()
{
    QTest::addColumn<bool>("used");
    QTest::newRow("used by a piece-work record") << true;
    QTest::newRow("unused") << false;
}

void JjgxTest::deleteProcess()
{
    QFETCH(bool, used);
    TestApp app;
    seed(app);
    if (used)
        app.exec("insert into jjdata (pid, dt, gzcode, gxcode, price, sl, je) values (1, '2010-12-01', '1', '001', 2, "
                 "3, 6)");
    TfrmJjgx window;
    selectJobType(window, QStringLiteral("1"));
    QVERIFY(window.qry->locate(QStringLiteral("gxcode"), QStringLiteral("001")));
    // No: nothing happens.
    app.messages.answers << QMessageBox::No;
    window.tbDelete->trigger();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("确认要删除工序：上领吗？")});
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("询问"));
    QCOMPARE(app.scalar("select count(*) from jjgx_d").toInt(), 2);
    app.messages.clear();
    app.messages.answers << QMessageBox::Yes;
    window.tbDelete->trigger();
    if (used) {
        QCOMPARE(app.messages.texts(),
                 (QStringList{QStringLiteral("确认要删除工序：上领吗？"), QStringLiteral("工序删除失败！")}));
        QCOMPARE(app.messages.shown[1].title, QStringLiteral("提示"));
        QCOMPARE(app.messages.shown[1].icon, MsgIcon::Error);
        QCOMPARE(storedShares(app, "1", "001"), (QStringList{"01 0.6 1.2", "02 0.4 0.8"}));
        QCOMPARE(app.scalar("select count(*) from jjgx").toInt(), 2);
        QCOMPARE(window.qry->rowCount(), 2);
    } else {
        QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("确认要删除工序：上领吗？")});
        QCOMPARE(app.scalar("select count(*) from jjgx_d").toInt(), 0);
        QCOMPARE(app.scalar("select count(*) from jjgx").toInt(), 1);
        QCOMPARE(window.qry->rowCount(), 1);
    }
}

// 增加: the share total under the positions turns orange while the shares do not make 1; after
// 保存 the list behind shows the new process at once, and the dialog keeps only what the next
// process of the batch shares (unit, crew size).
void JjgxTest::addingClearsAndListFollows()
{
    TestApp app;
    seed(app);
    TfrmJjgx window;
    window.show();
    selectJobType(window, QStringLiteral("1"));
    QStringList checks;
    QString seen;
    onModal<TfrmJjgxMdy>(
        [&](TfrmJjgxMdy *d) {
            auto note = [&](bool ok, const QString &what) {
                if (!ok)
                    checks << what;
            };
            const QVariant tip = d->grid->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole);
            note(tip.toString().contains(QStringLiteral("1 = 全部金额")), QStringLiteral("ratio tooltip"));
            note(d->lblTotals->text() == u"合计：分成比例 0.00" && !d->lblTotals->property("differs").toBool(),
                 QStringLiteral("no shares yet: ") + d->lblTotals->text());
            typeInto(d->edtName, QStringLiteral("钉扣"));
            typeInto(d->edtUnit, QStringLiteral("件"));
            typeInto(d->edtPrice, QStringLiteral("1"));
            typeInto(d->edtRs, QStringLiteral("2"));
            DataTable &tmp = *d->tmp;
            tmp.append();
            tmp.setValue(QStringLiteral("workertp"), QStringLiteral("[01]车工"));
            tmp.setValue(QStringLiteral("bl"), 0.6);
            // The row being edited counts already.
            note(d->lblTotals->text() == u"合计：分成比例 0.60（不是 1 = 全部金额）"
                     && d->lblTotals->property("differs").toBool() && !d->lblTotals->toolTip().isEmpty(),
                 QStringLiteral("0.6: ") + d->lblTotals->text());
            saveShot(d, QStringLiteral("jjgx_dialog_share_total_differs"));
            tmp.post();
            tmp.append();
            tmp.setValue(QStringLiteral("workertp"), QStringLiteral("[02]检验"));
            tmp.setValue(QStringLiteral("bl"), 0.4);
            tmp.post();
            note(d->lblTotals->text() == u"合计：分成比例 1.00" && !d->lblTotals->property("differs").toBool(),
                 QStringLiteral("1.0: ") + d->lblTotals->text());
            saveShot(d, QStringLiteral("jjgx_dialog_share_total"));
            QTest::mouseClick(d->btnYes, Qt::LeftButton);
            note(d->isVisible(), QStringLiteral("stays open"));
            note(window.qry->rowCount() == 3 && window.qry->text(QStringLiteral("gxcode")) == u"003",
                 QStringLiteral("the list behind follows at once"));
            note(d->edtCode->text() == u"004" && d->edtName->text().isEmpty() && d->unitPrice() == 0
                     && d->tmp->isEmpty(),
                 QStringLiteral("the saved process's fields cleared: ") + d->edtName->text());
            note(d->edtUnit->text() == u"件" && d->edtRs->text() == u"2", QStringLiteral("batch fields stay"));
            note(d->lblTotals->text() == u"合计：分成比例 0.00", QStringLiteral("total after save"));
            d->btnCancel->click();
        },
        &seen);
    window.tbAdd->trigger();
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmJjgxMdy"));
    QCOMPARE(checks, QStringList());
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(storedShares(app, QStringLiteral("1"), QStringLiteral("003")),
             (QStringList{QStringLiteral("01 0.6 0.6"), QStringLiteral("02 0.4 0.4")}));
}

QTEST_MAIN(JjgxTest)
#include "JjgxTest.moc"
