// The four code-table screens (departments, positions, job types, coefficients), driven as a
// user would: buttons pressed, cells typed, questions answered, the database checked afterwards.
#include "TestSupport.h"
#include "app/ChildForm.h"
#include "app/Input.h"
#include "login/Screens.h"
#include "masterdata/Depart.h"
#include "masterdata/Jjgz.h"
#include "masterdata/Jjxs.h"
#include "masterdata/WorkerType.h"
#include "widgets/DbGrid.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// The four screens, with what a fixture needs to know of each.
struct Instance {
    const char *className;
    const CodeTableDef &(*def)();
    TfrmCodeTable *(*make)();
    QWidget *(*showChild)(int mode);
    // A statement that makes the code 'U1' used by another table.
    const char *useCode;
    int menuCode; // permission code of its menu item
};

template <class T> TfrmCodeTable *makeForm()
{
    return new T();
}
template <class T> QWidget *showChild(int mode)
{
    return ShowChildForm<T>(mode);
}

const Instance instances[] = {
    {"TfrmDepart", &TfrmDepart::definition, makeForm<TfrmDepart>, showChild<TfrmDepart>,
     "insert into worker (wkcode, wkname, bmcode) values ('0001', '张三', 'U1')", 1512},
    {"TfrmWorkerType", &TfrmWorkerType::definition, makeForm<TfrmWorkerType>, showChild<TfrmWorkerType>,
     "insert into worker (wkcode, wkname, tpcode) values ('0001', '张三', 'U1')", 1513},
    {"TfrmJjgz", &TfrmJjgz::definition, makeForm<TfrmJjgz>, showChild<TfrmJjgz>,
     "insert into jjgx (gzcode, gxcode, gxname) values ('U1', '001', '下料')", 1503},
    {"TfrmJjxs", &TfrmJjxs::definition, makeForm<TfrmJjxs>, showChild<TfrmJjxs>,
     "insert into jjdata (pid, dt, gzcode, gxcode, xscode) values (1, '2010-12-01', '001', '001', 'U1')", 1507},
};

void addInstanceRows(const char *caseName)
{
    for (int i = 0; i < 4; ++i)
        QTest::addRow("%s %s", instances[i].className, caseName) << i;
}

// One screen on its own, shown and active, over a fixture database.
struct Screen {
    const Instance &inst;
    const CodeTableDef &def;
    std::unique_ptr<TfrmCodeTable> form;

    explicit Screen(int i) : inst(instances[i]), def(instances[i].def()), form(instances[i].make())
    {
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("screen not exposed");
    }

    DbGrid *grid() const { return form->grid; }
    DataTable *table() const { return form->ADOQuery1; }
    int nameColumn() const { return grid()->columnIndex(def.name.field); }
    int codeColumn() const { return grid()->columnIndex(def.code.field); }
    void click(QPushButton *b) const { QTest::mouseClick(b, Qt::LeftButton); }
    QWidget *focus() const { return QApplication::focusWidget() ? QApplication::focusWidget() : grid(); }
    // Types `text` into a cell as a keyboard would (the first character opens the cell editor)
    // and leaves the editor open.
    void typeCell(int row, int column, const QString &text) const
    {
        grid()->setFocus();
        grid()->setCurrentIndex(grid()->model()->index(row, column));
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, focus(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QString cell(int row, int column) const { return grid()->displayText(row, column); }
    QStringList codes() const
    {
        QStringList out;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            out << cell(r, codeColumn());
        return out;
    }
};

// A main-window stand-in: an MDI area that hosts the child screens.
class TestHost : public ChildHost {
public:
    QMdiArea area;
    TestHost()
    {
        area.resize(900, 560);
        area.show();
        area.activateWindow();
        if (!QTest::qWaitForWindowActive(&area))
            qWarning("MDI area not active");
        setChildHost(this);
    }
    ~TestHost() override
    {
        area.closeAllSubWindows();
        setChildHost(nullptr);
    }
    QMdiArea *childArea() override { return &area; }
    QMdiSubWindow *addChild(QWidget *form) override
    {
        form->setAttribute(Qt::WA_DeleteOnClose);
        QMdiSubWindow *window = area.addSubWindow(form);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return window;
    }
};

int rows(TestApp &app, const CodeTableDef &def)
{
    return app.scalar(QStringLiteral("select count(*) from %1").arg(def.table)).toInt();
}

QString nameOf(TestApp &app, const CodeTableDef &def, const QString &code)
{
    return app
        .scalar(QStringLiteral("select %1 from %2 where %3=?").arg(def.name.field, def.table, def.code.field), {code})
        .toString();
}

void insertCodes(TestApp &app, const CodeTableDef &def, const QStringList &codes)
{
    for (const QString &c : codes)
        app.exec(QStringLiteral("insert into %1 (%2, %3) values (?, ?)").arg(def.table, def.code.field, def.name.field),
                 {c, QStringLiteral("名称") + c});
}

void setWidth(TestApp &app, const CodeTableDef &def, const QVariant &width)
{
    app.exec(QStringLiteral("update params set pvalue=? where pid=?"), {width, def.widthPid});
}

// Types `text` into the prompt dialog once it shows and confirms it.
void answerPrompt(const QString &text)
{
    QTimer::singleShot(0, [text] {
        for (int i = 0; i < 100; ++i) {
            if (auto *dialog = qobject_cast<TfrmInput *>(QApplication::activeModalWidget())) {
                typeText(dialog->edtInput(), text);
                QTest::keyClick(dialog->edtInput(), Qt::Key_Return);
                return;
            }
            QTest::qWait(10);
        }
        qWarning("prompt did not show");
    });
}

} // namespace

class CodeTableTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void layout_data()
    {
        QTest::addColumn<int>("instance");
        addInstanceRows("layout");
    }
    void layout();
    void proposals_data();
    void proposals();
    void duplicates_data();
    void duplicates();
    void emptyCodeAndName_data()
    {
        QTest::addColumn<int>("instance");
        addInstanceRows("empty fields");
    }
    void emptyCodeAndName();
    void deleteRows_data()
    {
        QTest::addColumn<int>("instance");
        addInstanceRows("delete");
    }
    void deleteRows();
    void closeQuestion_data();
    void closeQuestion();
    void widthNotANumber_data()
    {
        QTest::addColumn<int>("instance");
        addInstanceRows("bad width");
    }
    void widthNotANumber();
    void longNames_data();
    void longNames();
    void coefficientWithoutValue();
    void find();
    void childWindow_data()
    {
        QTest::addColumn<int>("instance");
        addInstanceRows("child window");
    }
    void childWindow();
};

// Title, caption, columns, button states; a screenshot of each window.
void CodeTableTest::layout()
{
    QFETCH(int, instance);
    TestApp app;
    Screen s(instance);
    insertCodes(app, s.def, {QStringLiteral("002"), QStringLiteral("001"), QStringLiteral("B'1")});
    s.form->reload();
    QCOMPARE(s.form->windowTitle(), s.def.title);
    QCOMPARE(s.form->size(), QSize(709, 396));
    QCOMPARE(s.form->grpList->title(), s.def.listCaption);
    QCOMPARE(s.form->pnlButtons->width(), 100);
    QList<CodeTableColumn> columns = {s.def.code, s.def.name};
    columns += s.def.further;
    QCOMPARE(s.grid()->columnCount(), columns.size());
    for (int c = 0; c < columns.size(); ++c) {
        QCOMPARE(s.grid()->column(c).title, columns.at(c).title);
        QCOMPARE(s.grid()->horizontalHeader()->sectionSize(c), columns.at(c).width);
    }
    QCOMPARE(s.codes(), (QStringList{"001", "002", "B'1"})); // ordered by code, as the table reads
    // Browsing: 添加 修改 删除 退出; editing: 删除 保存 取消 退出.
    auto enabled = [&s] {
        QString out;
        for (QPushButton *b :
             {s.form->btnAppend, s.form->btnMdy, s.form->btnDel, s.form->btnSave, s.form->btnCancel, s.form->btnClose})
            out += b->isEnabled() ? b->text() : QStringLiteral("-");
        return out;
    };
    QCOMPARE(enabled(), QStringLiteral("添加修改删除--退出"));
    s.click(s.form->btnMdy);
    QCOMPARE(enabled(), QStringLiteral("--删除保存取消退出"));
    s.click(s.form->btnCancel);
    QCOMPARE(enabled(), QStringLiteral("添加修改删除--退出"));
    s.typeCell(1, s.nameColumn(), QStringLiteral("x"));
    QCOMPARE(enabled(), QStringLiteral("--删除保存取消退出"));
    QTest::keyClick(s.focus(), Qt::Key_Escape);
    s.click(s.form->btnCancel);
    QCOMPARE(s.table()->state(), DataTable::Browse);

    TestHost host;
    QWidget *form = s.inst.showChild(1);
    saveShot(&host.area, QString::fromLatin1(s.inst.className));
    QVERIFY(form);
    QVERIFY(app.messages.shown.isEmpty());
}

void CodeTableTest::proposals_data()
{
    QTest::addColumn<int>("instance");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("refusal"); // message when the proposal is saved with a name
    for (int i = 0; i < 4; ++i) {
        const char *cls = instances[i].className;
        QTest::addRow("%s empty table", cls) << i << "3" << QStringList{} << "001"
                                             << "";
        QTest::addRow("%s after 009", cls) << i << "3" << QStringList{"001", "002", "009"} << "010"
                                           << "";
        QTest::addRow("%s width empty", cls) << i << "" << QStringList{} << "1"
                                             << "";
        QTest::addRow("%s width with blanks", cls) << i << " 2 " << QStringList{"07"} << "08"
                                                   << "";
        QTest::addRow("%s 10 after 9", cls) << i << "2" << QStringList{"9", "10"} << "10"
                                            << "编码已存在";
        QTest::addRow("%s top code ABC", cls) << i << "3" << QStringList{"001", "ABC"} << "001"
                                              << "编码已存在";
        QTest::addRow("%s longer than width", cls) << i << "2" << QStringList{"999"} << "1000"
                                                   << "";
    }
}

// 添加 proposes the next code; saving it with a name writes the row (or refuses a duplicate).
void CodeTableTest::proposals()
{
    QFETCH(int, instance);
    QFETCH(QString, width);
    QFETCH(QStringList, existing);
    QFETCH(QString, proposed);
    QFETCH(QString, refusal);
    TestApp app;
    const CodeTableDef &def = instances[instance].def();
    setWidth(app, def, width);
    insertCodes(app, def, existing);
    Screen s(instance);
    s.click(s.form->btnAppend);
    QCOMPARE(s.table()->state(), DataTable::Insert);
    const int row = s.table()->currentRow();
    QCOMPARE(row, existing.size());
    QCOMPARE(s.cell(row, s.codeColumn()), proposed);
    QCOMPARE(s.grid()->currentIndex().column(), s.codeColumn());
    QVERIFY(s.grid()->hasFocus());
    QVERIFY(!s.table()->isModified()); // the proposal alone is no change

    s.typeCell(row, s.nameColumn(), QStringLiteral("新名称"));
    s.click(s.form->btnSave);
    if (refusal.isEmpty()) {
        QCOMPARE(app.messages.texts(), QStringList{});
        QCOMPARE(s.table()->state(), DataTable::Browse);
        QCOMPARE(nameOf(app, def, proposed), QStringLiteral("新名称"));
        QCOMPARE(rows(app, def), existing.size() + 1);
    } else {
        QCOMPARE(app.messages.texts(), QStringList{refusal});
        QCOMPARE(app.messages.shown.at(0).title, QStringLiteral("提示"));
        QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Error);
        QCOMPARE(s.table()->state(), DataTable::Insert); // still being inserted
        QCOMPARE(nameOf(app, def, proposed), QStringLiteral("名称") + proposed);
        QCOMPARE(rows(app, def), existing.size());
    }
}

void CodeTableTest::duplicates_data()
{
    QTest::addColumn<int>("instance");
    QTest::addColumn<bool>("newRow");  // a new row, or the row "b02" edited
    QTest::addColumn<QString>("code"); // typed into the code cell ("" leaves it)
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("stored"); // the code that holds the typed name afterwards
    for (int i = 0; i < 4; ++i) {
        const char *cls = instances[i].className;
        QTest::addRow("%s new A01 after a01", cls) << i << true << "A01"
                                                   << "编码已存在"
                                                   << "";
        QTest::addRow("%s new code with a quote", cls) << i << true << "O'1"
                                                       << ""
                                                       << "O'1";
        QTest::addRow("%s new code with ]", cls) << i << true << "C]1"
                                                 << "编码不能包含字符“]”"
                                                 << "";
        QTest::addRow("%s name-only edit", cls) << i << false << ""
                                                << ""
                                                << "b02";
        QTest::addRow("%s code changed to another row's", cls) << i << false << "A01"
                                                               << "编码已存在"
                                                               << "";
        QTest::addRow("%s code changed to a free one", cls) << i << false << "b03"
                                                            << ""
                                                            << "b03";
        QTest::addRow("%s own code in capitals", cls) << i << false << "B02"
                                                      << ""
                                                      << "B02";
    }
}

// The duplicate test: new rows and changed codes only, letter case ignored as the database does.
void CodeTableTest::duplicates()
{
    QFETCH(int, instance);
    QFETCH(bool, newRow);
    QFETCH(QString, code);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    TestApp app;
    const CodeTableDef &def = instances[instance].def();
    insertCodes(app, def, {QStringLiteral("a01"), QStringLiteral("b02")});
    Screen s(instance);
    int row = 1;
    if (newRow) {
        s.click(s.form->btnAppend);
        row = 2;
    }
    if (!code.isEmpty())
        s.typeCell(row, s.codeColumn(), code);
    s.typeCell(row, s.nameColumn(), QStringLiteral("改名"));
    s.click(s.form->btnSave);
    if (refusal.isEmpty()) {
        QCOMPARE(app.messages.texts(), QStringList{});
        QCOMPARE(s.table()->state(), DataTable::Browse);
        QCOMPARE(nameOf(app, def, stored), QStringLiteral("改名"));
        QCOMPARE(
            app.scalar(QStringLiteral("select %1 from %2 where %3=?").arg(def.code.field, def.table, def.name.field),
                       {QStringLiteral("改名")})
                .toString(),
            stored);
    } else {
        QCOMPARE(app.messages.texts(), QStringList{refusal});
        QVERIFY(s.table()->isEditing());
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from %1 where %2=?").arg(def.table, def.name.field),
                            {QStringLiteral("改名")})
                     .toInt(),
                 0);
        QCOMPARE(nameOf(app, def, QStringLiteral("b02")), QStringLiteral("名称b02"));
    }
    QCOMPARE(rows(app, def), newRow && refusal.isEmpty() ? 3 : 2);
}

// Empty code, then empty name, are refused in that order; leaving the row through the grid runs
// the same check.
void CodeTableTest::emptyCodeAndName()
{
    QFETCH(int, instance);
    TestApp app;
    const CodeTableDef &def = instances[instance].def();
    insertCodes(app, def, {QStringLiteral("001")});
    Screen s(instance);
    s.click(s.form->btnAppend);
    // The proposal is wiped out: both fields are empty, the code is reported first.
    s.typeCell(1, s.codeColumn(), QStringLiteral("x"));
    QTest::keyClick(s.focus(), Qt::Key_Backspace);
    QTest::keyClick(s.focus(), Qt::Key_Return);
    s.click(s.form->btnSave);
    s.typeCell(1, s.codeColumn(), QStringLiteral("X9"));
    QTest::keyClick(s.focus(), Qt::Key_Return);
    s.click(s.form->btnSave);
    // Moving up to the first row tries to post the changed new row.
    s.grid()->setCurrentIndex(s.grid()->model()->index(0, s.codeColumn()));
    QCOMPARE(app.messages.texts(), (QStringList{"编码不能为空", "名称不能为空", "名称不能为空"}));
    QCOMPARE(s.table()->currentRow(), 1);
    QCOMPARE(s.table()->state(), DataTable::Insert);
    QCOMPARE(rows(app, def), 1);
    // 取消 drops the row.
    s.click(s.form->btnCancel);
    QCOMPARE(s.codes(), QStringList{"001"});
}

// Deleting: nothing on an empty list; a question; a code in use is refused by the database.
void CodeTableTest::deleteRows()
{
    QFETCH(int, instance);
    TestApp app;
    const Instance &inst = instances[instance];
    const CodeTableDef &def = inst.def();
    {
        Screen s(instance);
        s.click(s.form->btnDel);
        QVERIFY(app.messages.shown.isEmpty());
    }
    insertCodes(app, def, {QStringLiteral("U1"), QStringLiteral("U2"), QStringLiteral("U3")});
    app.exec(QString::fromUtf8(inst.useCode));
    Screen s(instance);
    // No: nothing happens.
    s.grid()->setCurrentIndex(s.grid()->model()->index(1, s.nameColumn()));
    app.messages.answers << QMessageBox::No;
    s.click(s.form->btnDel);
    QCOMPARE(rows(app, def), 3);
    // In use: refused, the row stays.
    s.grid()->setCurrentIndex(s.grid()->model()->index(0, s.nameColumn()));
    app.messages.answers << QMessageBox::Yes;
    s.click(s.form->btnDel);
    QCOMPARE(app.messages.texts(), (QStringList{"确定要删除吗？", "确定要删除吗？", "删除失败，正在使用！"}));
    QCOMPARE(app.messages.shown.at(0).title, QStringLiteral("询问"));
    QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Question);
    QCOMPARE(app.messages.shown.at(2).title, QStringLiteral("提示"));
    QCOMPARE(app.messages.shown.at(2).icon, MsgIcon::Error);
    QCOMPARE(s.codes(), (QStringList{"U1", "U2", "U3"}));
    QCOMPARE(rows(app, def), 3);
    // Unused: gone from the list and the database.
    s.grid()->setCurrentIndex(s.grid()->model()->index(1, s.nameColumn()));
    app.messages.answers << QMessageBox::Yes;
    s.click(s.form->btnDel);
    QCOMPARE(s.codes(), (QStringList{"U1", "U3"}));
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from %1 where %2='U2'").arg(def.table, def.code.field)).toInt(),
             0);
    QCOMPARE(rows(app, def), 2);
    QVERIFY(app.messages.unexpected.isEmpty());
}

void CodeTableTest::closeQuestion_data()
{
    QTest::addColumn<int>("instance");
    QTest::addColumn<QString>("typed"); // typed into the code cell of a new row ("": nothing)
    QTest::addColumn<int>("answer");    // to "数据已修改，是否保存？" (0: no question expected)
    QTest::addColumn<bool>("stays");
    for (int i = 0; i < 4; ++i) {
        const char *cls = instances[i].className;
        QTest::addRow("%s proposal only", cls) << i << "" << 0 << false;
        QTest::addRow("%s half-typed, Yes", cls) << i << "K7" << int(QMessageBox::Yes) << true;
        QTest::addRow("%s half-typed, No", cls) << i << "K7" << int(QMessageBox::No) << false;
    }
}

// Closing the window (its close box) with a new row: a question only when something was typed.
void CodeTableTest::closeQuestion()
{
    QFETCH(int, instance);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(bool, stays);
    TestApp app;
    const Instance &inst = instances[instance];
    const CodeTableDef &def = inst.def();
    TestHost host;
    auto *form = static_cast<TfrmCodeTable *>(inst.showChild(1));
    QPointer<QMdiSubWindow> window = host.area.subWindowList().value(0);
    QVERIFY(window);
    QTest::mouseClick(form->btnAppend, Qt::LeftButton);
    if (!typed.isEmpty()) {
        form->grid->setFocus();
        form->grid->setCurrentIndex(form->grid->model()->index(0, form->grid->columnIndex(def.code.field)));
        for (QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        // The editor is still open: closing hands its text over first.
    }
    if (answer)
        app.messages.answers << static_cast<QMessageBox::StandardButton>(answer);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList expected;
    if (answer)
        expected << "数据已修改，是否保存？";
    if (answer == QMessageBox::Yes)
        expected << "名称不能为空";
    QCOMPARE(app.messages.texts(), expected);
    if (answer) {
        QCOMPARE(app.messages.shown.at(0).title, QStringLiteral("询问"));
        QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Question);
    }
    QCOMPARE(bool(window), stays);
    if (stays) {
        QVERIFY(window->isVisible());
        QCOMPARE(form->ADOQuery1->state(), DataTable::Insert);
        QCOMPARE(form->ADOQuery1->text(def.code.field), typed);
    }
    QCOMPARE(rows(app, def), 0);
}

// A width parameter that is not a number: the default error box, and the table goes on browsing.
void CodeTableTest::widthNotANumber()
{
    QFETCH(int, instance);
    TestApp app;
    const CodeTableDef &def = instances[instance].def();
    insertCodes(app, def, {QStringLiteral("001"), QStringLiteral("002")});
    setWidth(app, def, QStringLiteral("三"));
    Screen s(instance);
    s.click(s.form->btnAppend);
    QCOMPARE(app.messages.shown.size(), 1);
    QCOMPARE(app.messages.shown.at(0).title, QStringLiteral("错误"));
    QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Error);
    QCOMPARE(s.table()->state(), DataTable::Browse);
    QCOMPARE(s.codes(), (QStringList{"001", "002"}));
    QVERIFY(s.form->btnAppend->isEnabled());
    // The same through the grid: moving down past the last row.
    s.grid()->setFocus();
    s.grid()->setCurrentIndex(s.grid()->model()->index(1, s.nameColumn()));
    QTest::keyClick(s.grid(), Qt::Key_Down);
    QCOMPARE(app.messages.shown.size(), 2);
    QCOMPARE(s.table()->state(), DataTable::Browse);
    QCOMPARE(s.codes(), (QStringList{"001", "002"}));
    // Editing goes on working.
    s.typeCell(0, s.nameColumn(), QStringLiteral("新"));
    s.click(s.form->btnSave);
    QCOMPARE(nameOf(app, def, QStringLiteral("001")), QStringLiteral("新"));
}

void CodeTableTest::longNames_data()
{
    QTest::addColumn<int>("instance");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    const QString workshop = QStringLiteral("第一车间缝纫二组质检班"); // 11 characters, 22 GBK bytes
    for (int i = 0; i < 4; ++i) {
        const char *cls = instances[i].className;
        QTest::addRow("%s 11 Chinese characters", cls) << i << workshop << workshop;
        // Typing on past the column's width: the editor takes no more characters.
        const int size = instances[i].def().name.size;
        const QString full = QString(size, QChar(0x540D)); // 名 × the width
        QTest::addRow("%s beyond the width", cls) << i << full + QStringLiteral("多余") << full;
    }
}

// A name is stored as it was typed: the editor follows the column's width in characters and
// stops there, so nothing typed is cut on the way to the database.
void CodeTableTest::longNames()
{
    QFETCH(int, instance);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TestApp app;
    const CodeTableDef &def = instances[instance].def();
    insertCodes(app, def, {QStringLiteral("001")});
    Screen s(instance);
    s.typeCell(0, s.nameColumn(), typed);
    auto *editor = qobject_cast<QLineEdit *>(s.focus());
    QVERIFY(editor);
    QCOMPARE(editor->text(), stored);
    s.click(s.form->btnSave);
    QCOMPARE(app.messages.texts(), QStringList{});
    QCOMPARE(nameOf(app, def, QStringLiteral("001")), stored);
    QCOMPARE(s.cell(0, s.nameColumn()), stored);
}

// A coefficient row in which no value was typed is saved; the screen sets no value.
void CodeTableTest::coefficientWithoutValue()
{
    TestApp app;
    Screen s(3);
    QCOMPARE(s.def.table, QStringLiteral("jjxs"));
    s.click(s.form->btnAppend);
    s.typeCell(0, s.nameColumn(), QStringLiteral("夜班"));
    s.click(s.form->btnSave);
    QVERIFY(app.messages.shown.isEmpty());
    QCOMPARE(app.scalar("select count(*) from jjxs where xscode='001' and xsname='夜班' and xs is null").toInt(), 1);
    // A value typed into a second row is stored as a number.
    s.click(s.form->btnAppend);
    s.typeCell(1, s.nameColumn(), QStringLiteral("加急"));
    s.typeCell(1, s.grid()->columnIndex(QStringLiteral("xs")), QStringLiteral("1.5"));
    s.click(s.form->btnSave);
    QCOMPARE(app.scalar("select xs from jjxs where xscode='002'").toDouble(), 1.5);
}

// The grid's find dialog: Ctrl+F, the next cell holding the text, round to the top.
void CodeTableTest::find()
{
    TestApp app;
    const CodeTableDef &def = TfrmDepart::definition();
    app.exec(QStringLiteral(
        "insert into depart (bmcode, bmname) values ('001', '销售部'), ('002', '生产一部'), ('A03', '生产二部')"));
    Screen s(0);
    QCOMPARE(s.def.table, def.table);
    auto findWith = [&s](const QString &text) {
        s.form->activateWindow();
        if (!QTest::qWaitForWindowActive(s.form.get()))
            qWarning("screen not active");
        s.grid()->setFocus();
        answerPrompt(text);
        QTest::keyClick(s.grid(), Qt::Key_F, Qt::ControlModifier);
        return QPoint(s.grid()->currentIndex().column(), s.table()->currentRow());
    };
    QCOMPARE(findWith(QStringLiteral("生产")), QPoint(1, 1));
    QCOMPARE(findWith(QStringLiteral("生产")), QPoint(1, 2));
    QCOMPARE(findWith(QStringLiteral("生产")), QPoint(1, 1)); // round to the top
    QCOMPARE(findWith(QStringLiteral("a0")), QPoint(0, 2));   // codes too, letter case ignored
    QVERIFY(app.messages.shown.isEmpty());
    QCOMPARE(findWith(QStringLiteral("仓库")), QPoint(0, 2)); // not found: the cursor stays
    QCOMPARE(app.messages.texts(), QStringList{"没有找到“仓库”"});
}

// The child window: fixed size at the top-left corner, one of each kind, back to normal size
// whenever it is activated.
void CodeTableTest::childWindow()
{
    QFETCH(int, instance);
    TestApp app;
    const Instance &inst = instances[instance];
    TestHost host;
    auto *other = new QWidget;
    other->setWindowTitle(QStringLiteral("其他"));
    QMdiSubWindow *otherWindow = host.addChild(other);
    otherWindow->move(150, 120);

    // Opened through its menu item (toolbar buttons carry the same code).
    QVERIFY(openScreen(inst.menuCode, nullptr));
    QMdiSubWindow *window = host.area.activeSubWindow();
    QVERIFY(window);
    QWidget *form = window->widget();
    QVERIFY(window && window->widget() == form);
    QCOMPARE(QString::fromLatin1(form->metaObject()->className()), QStringLiteral("jjgz::") + inst.className);
    QCOMPARE(window->windowTitle(), inst.def().title);
    QCOMPARE(window->pos(), QPoint(0, 0));
    QCOMPARE(form->size(), QSize(709, 396));
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window->minimumSize(), window->maximumSize()); // not resizable

    // Chosen again: the same window, brought forward.
    host.area.setActiveSubWindow(otherWindow);
    QVERIFY(openScreen(inst.menuCode, nullptr));
    QCOMPARE(host.area.activeSubWindow(), window);
    QCOMPARE(inst.showChild(1), form);
    QCOMPARE(host.area.subWindowList().size(), 2);
    QCOMPARE(host.area.activeSubWindow(), window);

    // Activated while another window is maximised: shown in normal size.
    otherWindow->showMaximized();
    host.area.setActiveSubWindow(otherWindow);
    host.area.setActiveSubWindow(window);
    QTRY_VERIFY(!window->isMaximized());
    QCOMPARE(form->size(), QSize(709, 396));

    // 退出 closes and frees it; a new one can be opened later.
    QPointer<QWidget> gone = form;
    QTest::mouseClick(static_cast<TfrmCodeTable *>(form)->btnClose, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!gone);
    QCOMPARE(host.area.subWindowList().size(), 1);
    QVERIFY(inst.showChild(1));
    QCOMPARE(host.area.subWindowList().size(), 2);
    QVERIFY(app.messages.shown.isEmpty());
}

QTEST_MAIN(CodeTableTest)
#include "CodeTableTest.moc"
