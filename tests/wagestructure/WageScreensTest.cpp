// The wage item and formula screens, driven as a user would.
#include "TestSupport.h"
#include "data/DataTable.h"
#include "login/MainFrm.h"
#include "wagestructure/Gzgs.h"
#include "wagestructure/GzgsMdy.h"
#include "wagestructure/Gzxm.h"
#include "wagestructure/GzxmData.h"
#include "wagestructure/GzxmMdy.h"
#include "widgets/DbGrid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTimer>
#include <QToolBar>
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

void doubleClickRow(DbGrid *grid, int row)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

QString columnType(const QString &name)
{
    QSqlQuery q(dmMain->conZt());
    q.exec(QStringLiteral("pragma table_info(gzdata)"));
    while (q.next())
        if (q.value(1).toString() == name)
            return q.value(2).toString().toLower();
    return QString();
}

// Items as the program makes them: rows and columns.
void makeItems(TestApp &app, const QStringList &names)
{
    for (int i = 0; i < names.size(); ++i) {
        const int n = i + 1;
        app.exec("insert into gzxm (xh, fname, xmname, ftype, fsize) values (?, ?, ?, 0, '0')",
                 {n, QStringLiteral("f%1").arg(n), names[i]});
        app.exec(QStringLiteral("alter table gzdata add f%1 real default 0").arg(n));
    }
}

// f1 基本工资 ... f12 奖金.
void addTwelve(TestApp &app)
{
    QStringList names;
    for (int i = 1; i <= 12; ++i)
        names << (i == 1    ? QStringLiteral("基本工资")
                  : i == 2  ? QStringLiteral("岗位津贴")
                  : i == 12 ? QStringLiteral("奖金")
                            : QStringLiteral("项目%1").arg(i));
    makeItems(app, names);
}

QStringList titles(DbGrid *grid)
{
    QStringList out;
    for (int i = 0; i < grid->columnCount(); ++i)
        out << grid->column(i).title;
    return out;
}

QList<int> widths(DbGrid *grid)
{
    QList<int> out;
    for (int i = 0; i < grid->columnCount(); ++i)
        out << grid->column(i).width;
    return out;
}

} // namespace

class WageScreensTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void itemList();
    void addItems();
    void itemRefused_data();
    void itemRefused();
    void modifyItem();
    void deleteItem_data();
    void deleteItem();
    void deleteItemWithFormulas_data();
    void deleteItemWithFormulas();
    void openedFromMainWindow();
    void formulaList();
    void composeFormula();
    void formulaRefused_data();
    void formulaRefused();
    void formulaWithErrors_data();
    void formulaWithErrors();
    void modifyAndDeleteFormula();
};

void WageScreensTest::itemList()
{
    TestApp app;
    makeItems(app, {QStringLiteral("基本工资"), QStringLiteral("备注"), QStringLiteral("旧项目")});
    app.exec("update gzxm set ftype=1, fsize='20' where xh=2");
    app.exec("update gzxm set ftype=5 where xh=3");
    TfrmGzxm form;
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("工资项目定义"));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.lblCaption->text(), QStringLiteral("工资项目定义"));
    QVERIFY(form.lblCaption->font().bold());
    QStringList buttons;
    for (QAction *a : form.ToolBar1->actions())
        buttons << a->text();
    QCOMPARE(buttons, (QStringList{"增加", "修改", "删除", "退出"}));
    QCOMPARE(titles(form.grid), (QStringList{"序号", "工资项目编码", "工资项目名称", "数据类型", "数据宽度"}));
    QCOMPARE(widths(form.grid), (QList<int>{70, 100, 160, 100, 100}));
    QCOMPARE(form.qryGzxm->rowCount(), 3);
    QCOMPARE(form.grid->displayText(0, 3), QStringLiteral("数值型"));
    QCOMPARE(form.grid->displayText(1, 3), QStringLiteral("文本型"));
    QCOMPARE(form.grid->displayText(2, 3), QString());
    QCOMPARE(form.grid->displayText(1, 4), QStringLiteral("20"));
    QCOMPARE(form.grid->displayText(2, 1), QStringLiteral("f3"));
    saveShot(&form, QStringLiteral("gzxm_list"));
    form.btnClose->trigger();
    QVERIFY(!form.isVisible());
    QVERIFY(!form.qryGzxm->isActive());
}

// 增加 keeps the dialog open for one item after the other; the list then shows the last one.
void WageScreensTest::addItems()
{
    TestApp app;
    TfrmGzxm form;
    form.show();
    QCOMPARE(form.qryGzxm->rowCount(), 0);
    QString seen;
    QStringList checks;
    onModal<TfrmGzxmMdy>(
        [&](TfrmGzxmMdy *d) {
            auto note = [&](bool ok, const char *what) {
                if (!ok)
                    checks << QLatin1String(what);
            };
            note(d->windowTitle() == u"增加项目", "title");
            note(d->cboTp->isEnabled() && d->cboTp->currentText() == u"数值型", "type list");
            note(d->edtSize->text() == u"0", "width 0");
            typeText(d->edtName, QStringLiteral("基本工资"));
            QTest::mouseClick(d->btnYes, Qt::LeftButton);
            note(d->isVisible() && d->edtName->text().isEmpty() && d->focusWidget() == d->edtName,
                 "ready for the next");
            note(form.qryGzxm->rowCount() == 1, "the list follows the first save");

            typeText(d->edtName, QStringLiteral("备注"));
            d->cboTp->setFocus();
            QTest::keyClick(d->cboTp, Qt::Key_Down); // 文本型 leaves the width alone
            note(d->cboTp->currentIndex() == 1 && d->edtSize->text() == u"0", "text keeps width");
            retype(d->edtSize, QStringLiteral("2a0x"));
            note(d->edtSize->text() == u"20", "digits only");
            saveShot(d, QStringLiteral("gzxm_dialog"));
            // Enter moves on as Tab does.
            d->edtName->setFocus();
            QTest::keyClick(d->edtName, Qt::Key_Return);
            note(d->focusWidget() == d->cboTp, "Enter as Tab");
            QTest::mouseClick(d->btnYes, Qt::LeftButton);
            // The text item's type and width went with it; the list behind shows it at once.
            note(d->edtName->text().isEmpty() && d->cboTp->currentIndex() == 0 && d->edtSize->text() == u"0",
                 "the saved item's fields cleared");
            note(form.qryGzxm->rowCount() == 2 && form.qryGzxm->currentRow() == 1, "the list follows");

            typeText(d->edtName, QStringLiteral("奖金"));
            d->cboTp->setFocus();
            QTest::keyClick(d->cboTp, Qt::Key_Down);
            retype(d->edtSize, QStringLiteral("8"));
            QTest::keyClick(d->cboTp, Qt::Key_Up); // 数值型 sets the width to 0
            note(d->edtSize->text() == u"0", "numeric resets width");
            retype(d->edtSize, QStringLiteral("15"));
            QTest::mouseClick(d->btnYes, Qt::LeftButton);
            d->btnCancel->click();
        },
        &seen);
    form.btnAppend->trigger();
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmGzxmMdy"));
    QCOMPARE(checks, QStringList());
    QCOMPARE(app.messages.texts(), (QStringList{"保存成功", "保存成功", "保存成功"}));
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Information);
    QCOMPARE(app.scalar("select group_concat(fname || ':' || xmname || ':' || ftype || ':' || fsize, ',') from gzxm")
                 .toString(),
             QStringLiteral("f1:基本工资:0:0,f2:备注:1:20,f3:奖金:0:15"));
    QCOMPARE(columnType(QStringLiteral("f1")), QStringLiteral("real"));
    QCOMPARE(columnType(QStringLiteral("f2")), QStringLiteral("varchar(20)"));
    QCOMPARE(columnType(QStringLiteral("f3")), QStringLiteral("real"));
    QCOMPARE(form.qryGzxm->rowCount(), 3);
    QCOMPARE(form.qryGzxm->currentRow(), 2);
    QCOMPARE(form.grid->currentIndex().row(), 2);
}

void WageScreensTest::itemRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("no name") << ""
                             << "20"
                             << "请填项目名称"
                             << "提示";
    QTest::newRow("blank name") << "  "
                                << "20"
                                << "请填项目名称"
                                << "提示";
    QTest::newRow("text of width 0") << "备注"
                                     << "0"
                                     << "保存失败(文本型项目的数据宽度必须是大于0的整数，请填写数据宽度)"
                                     << "错误";
    QTest::newRow("text without width") << "备注"
                                        << ""
                                        << "保存失败(文本型项目的数据宽度必须是大于0的整数，请填写数据宽度)"
                                        << "错误";
}

void WageScreensTest::itemRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, width);
    QFETCH(QString, message);
    QFETCH(QString, title);
    TestApp app;
    TfrmGzxmMdy dialog(1);
    dialog.show();
    typeText(dialog.edtName, name);
    dialog.cboTp->setFocus();
    QTest::keyClick(dialog.cboTp, Qt::Key_Down);
    retype(dialog.edtSize, width);
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{message});
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(app.messages.shown[0].title, title);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtName->text(), name);
    QCOMPARE(dialog.edtSize->text(), width);
    QCOMPARE(app.scalar("select count(*) from gzxm").toInt(), 0);
    QVERIFY(columnType(QStringLiteral("f1")).isEmpty());
}

void WageScreensTest::modifyItem()
{
    TestApp app;
    makeItems(app, {QStringLiteral("基本工资"), QStringLiteral("备注")});
    app.exec("update gzxm set ftype=1, fsize='20' where xh=2");
    TfrmGzxm form;
    form.show();
    QString seen, title, type;
    bool typeEnabled = true;
    onModal<TfrmGzxmMdy>(
        [&](TfrmGzxmMdy *d) {
            title = d->windowTitle();
            type = d->cboTp->currentText();
            typeEnabled = d->cboTp->isEnabled();
            retype(d->edtName, QStringLiteral("说明"));
            retype(d->edtSize, QStringLiteral("40"));
            d->btnYes->click();
        },
        &seen);
    doubleClickRow(form.grid, 1);
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmGzxmMdy"));
    QCOMPARE(title, QStringLiteral("修改项目"));
    QCOMPARE(type, QStringLiteral("文本型"));
    QVERIFY(!typeEnabled);
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
    QCOMPARE(app.scalar("select xmname || ':' || ftype || ':' || fsize from gzxm where xh=2").toString(),
             QStringLiteral("说明:1:40"));
    QCOMPARE(form.qryGzxm->currentRow(), 1);
    QCOMPARE(form.qryGzxm->text(QStringLiteral("xmname")), QStringLiteral("说明"));
    // Cancel changes nothing; an empty list opens no dialog.
    onModal<TfrmGzxmMdy>([](TfrmGzxmMdy *d) {
        d->edtName->setText(QStringLiteral("别的"));
        d->btnCancel->click();
    });
    form.btnMdy->trigger();
    QCOMPARE(app.scalar("select xmname from gzxm where xh=2").toString(), QStringLiteral("说明"));
    app.exec("delete from gzxm");
    form.openList();
    seen = QStringLiteral("not run");
    onModal<QDialog>([](QDialog *d) { d->close(); }, &seen);
    form.btnMdy->trigger();
    form.btnDel->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(seen, QString());
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
}

void WageScreensTest::deleteItem_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("items");
    QTest::addColumn<bool>("columnKept");
    QTest::addColumn<QString>("message");
    QTest::newRow("wage rows exist") << "insert into gzdata (xyear, xmonth, wkcode) values (2010, 12, '0001')"
                                     << int(QMessageBox::Yes) << 2 << true << "";
    QTest::newRow("no wage rows") << "" << int(QMessageBox::Yes) << 2 << false << "";
    QTest::newRow("answered No") << "" << int(QMessageBox::No) << 3 << true << "";
    QTest::newRow("refused by the database")
        << "create trigger keep before delete on gzxm begin select raise(abort, 'kept'); end" << int(QMessageBox::Yes)
        << 3 << true << "删除失败，正在使用！";
}

void WageScreensTest::deleteItem()
{
    QFETCH(QString, fixture);
    QFETCH(int, answer);
    QFETCH(int, items);
    QFETCH(bool, columnKept);
    QFETCH(QString, message);
    TestApp app;
    makeItems(app, {QStringLiteral("基本工资"), QStringLiteral("奖金"), QStringLiteral("扣款")});
    if (!fixture.isEmpty())
        app.exec(fixture);
    TfrmGzxm form;
    form.show();
    QVERIFY(form.qryGzxm->last());
    app.messages.answers << QMessageBox::StandardButton(answer);
    form.btnDel->trigger();
    QStringList expected{"确定要删除吗？"};
    if (!message.isEmpty())
        expected << message;
    QCOMPARE(app.messages.texts(), expected);
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("询问"));
    if (!message.isEmpty()) {
        QCOMPARE(app.messages.shown[1].icon, MsgIcon::Error);
        QCOMPARE(app.messages.shown[1].title, QStringLiteral("提示"));
    }
    QCOMPARE(app.scalar("select count(*) from gzxm").toInt(), items);
    QCOMPARE(form.qryGzxm->rowCount(), items);
    QCOMPARE(!columnType(QStringLiteral("f3")).isEmpty(), columnKept);
}

void WageScreensTest::deleteItemWithFormulas_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<int>("formulasLeft");
    QTest::newRow("answered Yes") << int(QMessageBox::Yes) << "" << 1;
    QTest::newRow("answered No") << int(QMessageBox::No) << "" << 3;
    QTest::newRow("refused by the database")
        << int(QMessageBox::Yes) << "create trigger keep before delete on gzxm begin select raise(abort, 'kept'); end"
        << 3;
}

// An item's formulas go with it, in the same transaction, and the question names them: while
// gzdata is empty the item's number is given to the next item, which must not inherit them.
void WageScreensTest::deleteItemWithFormulas()
{
    QFETCH(int, answer);
    QFETCH(QString, fixture);
    QFETCH(int, formulasLeft);
    TestApp app;
    makeItems(app, {QStringLiteral("基本工资"), QStringLiteral("奖金"), QStringLiteral("扣款")});
    app.exec("insert into gzgs (xh, fname, gs, gsdesc, con, condesc) values "
             "(1, 'f3', 'f1-f2', '基本工资-奖金', '', ''), (2, 'f2', 'f1*0.1', '基本工资*0.1', '', ''),"
             "(3, 'f3', 'f1*0.5', '基本工资*0.5', 'f2>0', '奖金>0')");
    if (!fixture.isEmpty())
        app.exec(fixture);
    TfrmGzxm form;
    form.show();
    QVERIFY(form.qryGzxm->last());
    app.messages.answers << QMessageBox::StandardButton(answer);
    form.btnDel->trigger();
    QVERIFY(!app.messages.shown.isEmpty());
    const QString question = app.messages.shown[0].text;
    QVERIFY2(question.startsWith(QStringLiteral("确定要删除吗？")), qPrintable(question));
    QVERIFY2(question.contains(QStringLiteral("“扣款”(f3)的 2 个计算公式将一并删除")), qPrintable(question));
    QVERIFY2(question.contains(QStringLiteral("序号1：f1-f2")), qPrintable(question));
    QVERIFY2(question.contains(QStringLiteral("序号3：f1*0.5　条件：f2>0")), qPrintable(question));
    QVERIFY2(!question.contains(QStringLiteral("序号2")), qPrintable(question));
    QCOMPARE(app.scalar("select count(*) from gzgs").toInt(), formulasLeft);
    if (formulasLeft != 1)
        return;
    QCOMPARE(app.scalar("select group_concat(xh) from gzgs").toString(), QStringLiteral("2"));
    // The next item takes the number again and has no formula.
    const WageItem item = WageItems::addItem(QStringLiteral("补贴"), WageItems::Numeric, QStringLiteral("0"));
    QCOMPARE(item.fname, QStringLiteral("f3"));
    QCOMPARE(app.scalar("select count(*) from gzgs where fname='f3'").toInt(), 0);
}

// 工资项目定义 opens the modal list; 计算公式定义 the one formula window, maximised, with its
// toolbar in the main window's tool area.
void WageScreensTest::openedFromMainWindow()
{
    TestApp app;
    makeItems(app, {QStringLiteral("基本工资")});
    TfrmMain w;
    w.resize(1100, 700);
    w.show();
    QString seen;
    int rows = -1;
    onModal<TfrmGzxm>(
        [&](TfrmGzxm *d) {
            rows = d->qryGzxm->rowCount();
            d->btnClose->trigger();
        },
        &seen);
    w.menuItem(1509)->trigger();
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmGzxm"));
    QCOMPARE(rows, 1);

    w.menuItem(1511)->trigger();
    QMdiSubWindow *window = w.mdiArea->activeSubWindow();
    QVERIFY(window);
    auto *form = qobject_cast<TfrmGzgs *>(window->widget());
    QVERIFY(form);
    QVERIFY(window->isMaximized());
    QCOMPARE(form->ToolBar1->parentWidget(), &w);
    QVERIFY(form->ToolBar1->isVisible());
    window->showNormal();
    w.menuItem(1511)->trigger();
    QCOMPARE(w.mdiArea->subWindowList().size(), 1);
    QVERIFY(window->isMaximized());
    QPointer<QWidget> gone = form;
    form->btnClose->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!gone);
    QCOMPARE(w.mdiArea->subWindowList().size(), 0);
}

void WageScreensTest::formulaList()
{
    TestApp app;
    addTwelve(app);
    app.exec("insert into gzgs (xh, fname, gs, gsdesc, con, condesc) values "
             "(1, 'f12', 'f12+f1', '奖金+基本工资', '', ''),"
             "(2, 'f2', 'JJe', '计件金额', 'f1>=2000', '基本工资>=2000'),"
             "(3, 'f9', '100', '100', '', ''),"
             "(4, 'f2', '50', '50', '', ''),"
             "(5, 'f13', 'f1', '基本工资', '', '')");
    TfrmMain w;
    w.resize(1100, 700);
    w.show();
    app.exec("delete from gzxm where xh=9");
    w.menuItem(1511)->trigger();
    auto *form = qobject_cast<TfrmGzgs *>(w.mdiArea->activeSubWindow()->widget());
    QVERIFY(form);
    QCOMPARE(form->windowTitle(), QStringLiteral("计算公式定义"));
    QCOMPARE(form->lblCaption->text(), QStringLiteral("计算公式定义"));
    QCOMPARE(titles(form->grid),
             (QStringList{"序号", "项目编码", "项目名称", "计算公式", "公式描述", "采用条件", "条件描述"}));
    QCOMPARE(widths(form->grid), (QList<int>{40, 60, 80, 200, 250, 200, 250}));
    // Formulas of items that are gone are not listed; two formulas of one item both are.
    QList<int> listed;
    for (int row = 0; row < form->qryGzgs->rowCount(); ++row)
        listed << form->grid->displayText(row, 0).toInt();
    QCOMPARE(listed, (QList<int>{1, 2, 4}));
    QCOMPARE(form->grid->displayText(1, 2), QStringLiteral("岗位津贴"));
    QCOMPARE(form->grid->displayText(1, 6), QStringLiteral("基本工资>=2000"));
    // The description columns have a delegate of their own (the smaller font), the others not.
    for (int c = 0; c < form->grid->columnCount(); ++c)
        QCOMPARE(form->grid->itemDelegateForColumn(c) != nullptr, c == 4 || c == 6);
    QStringList menu;
    for (QAction *a : form->pmGrid->actions())
        menu << a->text();
    QCOMPARE(menu, (QStringList{"增加公式", "修改公式", "删除公式"}));
    saveShot(&w, QStringLiteral("gzgs_list_in_main_window"));
    QCOMPARE(app.scalar("select count(*) from gzgs").toInt(), 5);
}

// Composing with the buttons, the live status under both texts, and the save.
void WageScreensTest::composeFormula()
{
    TestApp app;
    addTwelve(app);
    TfrmGzgs list;
    list.show();
    QString seen;
    QStringList checks;
    onModal<TfrmGzgsMdy>(
        [&](TfrmGzgsMdy *d) {
            auto note = [&](bool ok, const QString &what) {
                if (!ok)
                    checks << what;
            };
            note(d->windowTitle() == u"增加公式", QStringLiteral("title"));
            note(d->cboDest->currentIndex() == 0 && d->cboDest->currentText() == u"[f1]基本工资",
                 QStringLiteral("target"));
            note(d->lstSrc->count() == 14 && d->lstSrc->item(12)->text() == u"[JJe]计件金额"
                     && d->lstSrc->item(13)->text() == u"[JSl]计件数量" && d->lstSrc->currentRow() == 0,
                 QStringLiteral("sources"));
            QStringList captions;
            for (QPushButton *b : d->operatorButtons)
                captions << b->text();
            note(captions == QStringList{"+", "-", "*", "/", "(", ")", ">", "<", "=", ">=", "<=", "<>"},
                 captions.join(u' '));
            note(d->rbGs->isChecked() && d->edtGs->isEnabled() && !d->edtCon->isEnabled(),
                 QStringLiteral("formula active"));

            d->lstSrc->setCurrentRow(11);
            QTest::mouseClick(d->btnAdd, Qt::LeftButton);
            QTest::mouseClick(d->operatorButtons[0], Qt::LeftButton);
            note(d->edtGs->text() == u"f12+", QStringLiteral("f12+"));
            note(d->gsCheck().ok == false && d->lblGsCheck->text().contains(u"✘"), QStringLiteral("incomplete is red"));
            d->lstSrc->setCurrentRow(0);
            QTest::mouseClick(d->btnAdd, Qt::LeftButton);
            note(d->edtGs->text() == u"f12+f1" && d->edtGs->cursorPosition() == 6, QStringLiteral("f12+f1"));
            note(d->gsCheck().ok && d->lblGsCheck->text() == u"✔ 可以计算　描述：奖金+基本工资", d->lblGsCheck->text());

            // 条件: the buttons write into the condition.
            QTest::mouseClick(d->rbCon, Qt::LeftButton);
            note(d->rbCon->isChecked() && !d->edtGs->isEnabled() && d->edtCon->isEnabled(),
                 QStringLiteral("condition active"));
            QTest::mouseClick(d->operatorButtons[0], Qt::LeftButton);
            note(d->edtCon->text() == u"+" && d->edtGs->text() == u"f12+f1", QStringLiteral("+ into the condition"));
            QTest::mouseClick(d->btnClear, Qt::LeftButton);
            note(d->edtCon->text().isEmpty() && d->edtGs->text() == u"f12+f1",
                 QStringLiteral("clear the condition only"));
            typeText(d->edtCon, QStringLiteral("F1"));
            d->lstSrc->setCurrentRow(12);
            QTest::mouseClick(d->operatorButtons[9], Qt::LeftButton);
            QTest::mouseClick(d->btnAdd, Qt::LeftButton);
            note(d->edtCon->text() == u"F1>=JJe", d->edtCon->text());
            note(!d->conCheck().ok && d->conCheck().unknownNames == QStringList{"F1"}
                     && d->lblConCheck->text() == u"✘ 未知名称：F1　描述：F1>=计件金额",
                 d->lblConCheck->text());
            saveShot(d, QStringLiteral("gzgs_dialog_red_green"));
            retype(d->edtCon, QStringLiteral("f1>=2000"));
            note(d->conCheck().ok && d->lblConCheck->text() == u"✔ 可以计算　描述：基本工资>=2000",
                 d->lblConCheck->text());
            retype(d->edtCon, QStringLiteral("f1>=2000 and"));
            note(d->lblConCheck->text().startsWith(u"✘ 第1行"), d->lblConCheck->text());
            retype(d->edtCon, QStringLiteral("f1>=2000"));
            d->cboDest->setCurrentIndex(11);
            QTest::mouseClick(d->btnYes, Qt::LeftButton);
        },
        &seen);
    list.btnAppend->trigger();
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmGzgsMdy"));
    QCOMPARE(checks, QStringList());
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
    QCOMPARE(
        app.scalar("select xh || '|' || fname || '|' || gs || '|' || gsdesc || '|' || con || '|' || condesc from gzgs")
            .toString(),
        QStringLiteral("1|f12|f12+f1|奖金+基本工资|f1>=2000|基本工资>=2000"));
    QCOMPARE(list.qryGzgs->rowCount(), 1);
    QCOMPARE(list.qryGzgs->currentRow(), 0);
}

void WageScreensTest::formulaRefused_data()
{
    QTest::addColumn<bool>("items");
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("empty formula") << true << ""
                                   << ""
                                   << "公式不能为空"
                                   << "提示";
    QTest::newRow("no items") << false << "100"
                              << ""
                              << "还没有工资项目，请先在“工资项目定义”中增加"
                              << "提示";
    QTest::newRow("no item chosen") << true << "100"
                                    << ""
                                    << "请选择工资项目"
                                    << "提示";
    QTest::newRow("refused by the database")
        << true << "100"
        << "create trigger no_gzgs before insert on gzgs begin select raise(abort, '公式表只读'); end"
        << "保存失败(公式表只读)"
        << "错误";
}

void WageScreensTest::formulaRefused()
{
    QFETCH(bool, items);
    QFETCH(QString, formula);
    QFETCH(QString, fixture);
    QFETCH(QString, message);
    QFETCH(QString, title);
    TestApp app;
    if (items)
        addTwelve(app);
    if (!fixture.isEmpty())
        app.exec(fixture);
    TfrmGzgsMdy dialog(1);
    dialog.show();
    if (QTest::currentDataTag() == QByteArrayLiteral("no item chosen"))
        dialog.cboDest->setCurrentIndex(-1);
    typeText(dialog.edtGs, formula);
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{message});
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(app.messages.shown[0].title, title);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtGs->text(), formula);
    QCOMPARE(app.scalar("select count(*) from gzgs").toInt(), 0);
}

void WageScreensTest::formulaWithErrors_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("fault"); // between "公式有错误：" and "，仍然保存吗？"
    QTest::addColumn<int>("answer");
    QTest::newRow("syntax error, No") << "f1+*2"
                                      << ""
                                      << "第1行第6列：语法错误" << int(QMessageBox::No);
    QTest::newRow("syntax error, Yes") << "f1+*2"
                                       << ""
                                       << "第1行第6列：语法错误" << int(QMessageBox::Yes);
    QTest::newRow("unknown name") << "F1*2"
                                  << ""
                                  << "未知名称：F1" << int(QMessageBox::No);
    QTest::newRow("condition") << "f1*2"
                               << "f2>"
                               << "采用条件中" << int(QMessageBox::No);
    QTest::newRow("both") << "f1+*2"
                          << "f2>"
                          << "第1行第6列：语法错误；采用条件中" << int(QMessageBox::Yes);
}

// A formula or condition the calculation cannot compile is saved only when the clerk says so;
// the question's default is No.
void WageScreensTest::formulaWithErrors()
{
    QFETCH(QString, formula);
    QFETCH(QString, condition);
    QFETCH(QString, fault);
    QFETCH(int, answer);
    TestApp app;
    addTwelve(app);
    TfrmGzgsMdy dialog(1);
    dialog.show();
    typeText(dialog.edtGs, formula);
    if (!condition.isEmpty()) {
        dialog.rbCon->setChecked(true);
        typeText(dialog.edtCon, condition);
    }
    app.messages.answers << QMessageBox::StandardButton(answer);
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QVERIFY(!app.messages.shown.isEmpty());
    const auto &asked = app.messages.shown[0];
    QVERIFY(asked.question);
    QCOMPARE(asked.title, QStringLiteral("询问"));
    QVERIFY2(asked.text.startsWith(QStringLiteral("公式有错误：") + fault), qPrintable(asked.text));
    QVERIFY2(asked.text.endsWith(QStringLiteral("，仍然保存吗？")), qPrintable(asked.text));
    QCOMPARE(asked.defaultButton, QMessageBox::No);
    if (answer == QMessageBox::No) {
        QCOMPARE(app.messages.shown.size(), 1);
        QVERIFY(dialog.isVisible());
        QCOMPARE(app.scalar("select count(*) from gzgs").toInt(), 0);
    } else {
        QCOMPARE(app.messages.lastText(), QStringLiteral("保存成功"));
        QCOMPARE(app.scalar("select gs||'|'||con from gzgs").toString(), formula + u'|' + condition);
    }
}

void WageScreensTest::modifyAndDeleteFormula()
{
    TestApp app;
    addTwelve(app);
    app.exec("insert into gzgs (xh, fname, gs, gsdesc, con, condesc) values "
             "(1, 'f12', 'f12+f1', '奖金+基本工资', '', ''),"
             "(2, 'f2', 'JJe', '计件金额', 'f1>=2000', '基本工资>=2000'),"
             "(3, 'f3', '1', '1', '', '')");
    TfrmGzgs form;
    form.show();
    QString seen, title, dest, gs, con;
    onModal<TfrmGzgsMdy>(
        [&](TfrmGzgsMdy *d) {
            title = d->windowTitle();
            dest = d->cboDest->currentText();
            gs = d->edtGs->text();
            con = d->edtCon->text();
            saveShot(d, QStringLiteral("gzgs_dialog_modify"));
            d->cboDest->setCurrentIndex(2);
            retype(d->edtGs, QStringLiteral("JJe*0.5"));
            d->btnYes->click();
        },
        &seen);
    doubleClickRow(form.grid, 1);
    QCOMPARE(seen, QStringLiteral("jjgz::TfrmGzgsMdy"));
    QCOMPARE(title, QStringLiteral("修改公式"));
    QCOMPARE(dest, QStringLiteral("[f2]岗位津贴"));
    QCOMPARE(gs, QStringLiteral("JJe"));
    QCOMPARE(con, QStringLiteral("f1>=2000"));
    QCOMPARE(app.messages.texts(), QStringList{"保存成功"});
    QCOMPARE(app.scalar("select fname || '|' || gs || '|' || gsdesc || '|' || con from gzgs where xh=2").toString(),
             QStringLiteral("f3|JJe*0.5|计件金额*0.5|f1>=2000"));
    QCOMPARE(form.qryGzgs->currentRow(), 1);
    QCOMPARE(form.qryGzgs->text(QStringLiteral("xmname")), QStringLiteral("项目3"));

    // 删除公式 from the context menu: No keeps it, Yes deletes it.
    app.messages.clear();
    app.messages.answers << QMessageBox::No << QMessageBox::Yes;
    QAction *del = form.pmGrid->actions().at(2);
    del->trigger();
    QCOMPARE(app.scalar("select count(*) from gzgs where xh=2").toInt(), 1);
    del->trigger();
    QCOMPARE(app.messages.texts(), (QStringList{"确定要删除吗？", "确定要删除吗？"}));
    QCOMPARE(app.scalar("select count(*) from gzgs where xh=2").toInt(), 0);
    QCOMPARE(form.qryGzgs->rowCount(), 2);
    QCOMPARE(form.qryGzgs->asInteger(QStringLiteral("xh")), 3);
}

QTEST_MAIN(WageScreensTest)
#include "WageScreensTest.moc"
