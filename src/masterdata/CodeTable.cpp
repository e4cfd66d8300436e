#include "CodeTable.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ListServices.h"
#include "data/DBFun.h"
#include "data/DbErrors.h"
#include "data/MainDM.h"
#include "widgets/DbGrid.h"
#include "widgets/MessageService.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace jjgz {
namespace {

// Equal as the database compares codes: letter case of A-Z folded, everything else exact.
bool sameCode(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QChar x = a.at(i), y = b.at(i);
        if (x.unicode() < 128)
            x = x.toLower();
        if (y.unicode() < 128)
            y = y.toLower();
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------- rules

QList<FieldDef> CodeTableRules::fields() const
{
    QList<FieldDef> out;
    out << FieldDef{m_def.code.field, m_def.code.kind, m_def.code.size}
        << FieldDef{m_def.name.field, m_def.name.kind, m_def.name.size};
    for (const CodeTableColumn &c : m_def.further)
        out << FieldDef{c.field, c.kind, c.size};
    return out;
}

QList<QSqlRecord> CodeTableRules::readAll() const
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select * from %1 order by %2").arg(m_def.table, m_def.code.field));
    q.open();
    QList<QSqlRecord> rows = q.readAll();
    q.close();
    return rows;
}

QString CodeTableRules::nextCode() const
{
    return NextCode(m_def.table, m_def.code.field, m_def.widthPid);
}

bool CodeTableRules::codeExists(const QString &code) const
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from %1 where %2=?").arg(m_def.table, m_def.code.field));
    q.addBind(code);
    q.open();
    const bool found = !q.eof();
    q.close();
    return found;
}

QString CodeTableRules::checkRow(const QString &code, const QString &name, bool isNew,
                                 const QString &originalCode) const
{
    if (code.isEmpty())
        return QStringLiteral("编码不能为空");
    if (name.isEmpty())
        return QStringLiteral("名称不能为空");
    // Lists show a code as "[code]name" and take it back up to the first "]".
    if (code.contains(u']'))
        return QStringLiteral("编码不能包含字符“]”");
    // A row keeping its own code (even with other letter case) is not its own duplicate.
    if ((isNew || !sameCode(code, originalCode)) && codeExists(code))
        return QStringLiteral("编码已存在");
    return {};
}

// ---------------------------------------------------------------- screen

TfrmCodeTable::TfrmCodeTable(const CodeTableDef &def, QWidget *parent) : QWidget(parent), m_rules(def)
{
    setWindowTitle(def.title);
    setFixedSize(ClientWidth, ClientHeight);

    ADOQuery1 = new DataTable(this);
    ADOQuery1->setObjectName(QStringLiteral("ADOQuery1"));
    ADOQuery1->setFields(m_rules.fields());

    grpList = new QGroupBox(def.listCaption, this);
    grpList->setObjectName(QStringLiteral("grpList"));
    grid = new DbGrid(grpList);
    grid->setObjectName(QStringLiteral("grid"));
    grid->addColumn(def.code.field, def.code.title, def.code.width);
    grid->addColumn(def.name.field, def.name.title, def.name.width);
    for (const CodeTableColumn &c : def.further)
        grid->addColumn(c.field, c.title, c.width);
    grid->setTable(ADOQuery1);
    auto *listLayout = new QVBoxLayout(grpList);
    listLayout->setContentsMargins(4, 4, 4, 4);
    listLayout->addWidget(grid);

    pnlButtons = new QWidget(this);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    pnlButtons->setFixedWidth(100);
    auto makeButton = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, pnlButtons);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(75, 25);
        return b;
    };
    btnAppend = makeButton("btnAppend", QStringLiteral("添加"));
    btnMdy = makeButton("btnMdy", QStringLiteral("修改"));
    btnDel = makeButton("btnDel", QStringLiteral("删除"));
    btnSave = makeButton("btnSave", QStringLiteral("保存"));
    btnCancel = makeButton("btnCancel", QStringLiteral("取消"));
    btnClose = makeButton("btnClose", QStringLiteral("退出"));
    auto *buttons = new QVBoxLayout(pnlButtons);
    buttons->setContentsMargins(0, 16, 0, 8);
    buttons->setSpacing(14);
    for (QPushButton *b : {btnAppend, btnMdy, btnDel, btnSave, btnCancel, btnClose})
        buttons->addWidget(b, 0, Qt::AlignHCenter);
    buttons->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 0, 6);
    layout->setSpacing(4);
    layout->addWidget(grpList, 1);
    layout->addWidget(pnlButtons);

    auto click = [this](QPushButton *button, void (TfrmCodeTable::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { guarded(this, [this, handler] { (this->*handler)(); }); });
    };
    click(btnAppend, &TfrmCodeTable::btnAppendClick);
    click(btnMdy, &TfrmCodeTable::btnMdyClick);
    click(btnDel, &TfrmCodeTable::btnDelClick);
    click(btnSave, &TfrmCodeTable::btnSaveClick);
    click(btnCancel, &TfrmCodeTable::btnCancelClick);
    click(btnClose, &TfrmCodeTable::btnCloseClick);

    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] { guarded(this, [this] { findText(); }); });

    ADOQuery1->setBeforePost([this](DataTable &t) { return beforePost(t); });
    ADOQuery1->setOnNewRecord([this](DataTable &t) { newRecord(t); });
    connect(ADOQuery1, &DataTable::stateChanged, this, [this](DataTable::State s) { stateChanged(s); });

    reload();
    ADOQuery1->bindTable(dmMain->conZt(), def.table, {def.code.field});
    stateChanged(ADOQuery1->state());
}

TfrmCodeTable::~TfrmCodeTable()
{
    // The grid goes first: it must not hear from a table being torn down.
    grid->setTable(nullptr);
}

void TfrmCodeTable::reload()
{
    ADOQuery1->close();
    ADOQuery1->open();
    ADOQuery1->loadRecords(m_rules.readAll());
}

bool TfrmCodeTable::event(QEvent *e)
{
    if (e->type() == QEvent::ParentChange) {
        if (auto *window = qobject_cast<QMdiSubWindow *>(parentWidget()))
            adoptSubWindow(window);
    } else if (e->type() == QEvent::Show && m_window && !m_window->property("jjgzPlaced").toBool()) {
        // Opened at the top-left corner of the main window's client area.
        m_window->setProperty("jjgzPlaced", true);
        m_window->move(0, 0);
    }
    return QWidget::event(e);
}

void TfrmCodeTable::adoptSubWindow(QMdiSubWindow *window)
{
    if (m_window == window)
        return;
    m_window = window;
    // A fixed-size window: title, system menu and minimise button only.
    window->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint);
    if (QLayout *l = window->layout())
        l->setSizeConstraint(QLayout::SetFixedSize);
    window->move(0, 0);
    // Whenever it becomes the active window it is shown in normal size (the area maximises a
    // window activated while another one is maximised).
    connect(window, &QMdiSubWindow::aboutToActivate, this, [window] {
        QMetaObject::invokeMethod(
            window,
            [window] {
                if (window->isMaximized() || window->isMinimized())
                    window->showNormal();
            },
            Qt::QueuedConnection);
    });
}

void TfrmCodeTable::stateChanged(DataTable::State state)
{
    if (state == DataTable::Edit)
        m_originalCode = ADOQuery1->text(m_rules.def().code.field); // not yet changed
    const bool browsing = state == DataTable::Browse;
    const bool editing = state == DataTable::Edit || state == DataTable::Insert;
    btnAppend->setEnabled(browsing);
    btnMdy->setEnabled(browsing);
    btnSave->setEnabled(editing);
    btnCancel->setEnabled(editing);
}

void TfrmCodeTable::newRecord(DataTable &table)
{
    QString code;
    try {
        code = m_rules.nextCode();
    } catch (...) {
        table.cancel(); // the append is abandoned
        throw;
    }
    table.setValue(m_rules.def().code.field, code);
}

bool TfrmCodeTable::beforePost(DataTable &table)
{
    const CodeTableDef &def = m_rules.def();
    const QString refusal = m_rules.checkRow(table.text(def.code.field), table.text(def.name.field),
                                             table.state() == DataTable::Insert, m_originalCode);
    if (refusal.isEmpty())
        return true;
    showError(this, refusal);
    return false;
}

void TfrmCodeTable::btnAppendClick()
{
    if (!ADOQuery1->append())
        return;
    grid->setFocus();
    const int column = grid->columnIndex(m_rules.def().code.field);
    grid->setCurrentIndex(grid->model()->index(ADOQuery1->currentRow(), column));
}

void TfrmCodeTable::btnMdyClick()
{
    ADOQuery1->edit();
    grid->setFocus();
}

void TfrmCodeTable::btnDelClick()
{
    if (ADOQuery1->isEmpty())
        return;
    if (!askYesNo(this, QStringLiteral("确定要删除吗？")))
        return;
    try {
        ADOQuery1->remove();
    } catch (const DataError &e) {
        if (e.kind() != DataError::Database)
            throw;
        // Refused by the rules that protect used codes; a locked or damaged file says so instead.
        if (isDbRefusal(e.message()))
            showError(this, QStringLiteral("删除失败，正在使用！"));
        else
            showFailure(this, e.message());
    }
}

void TfrmCodeTable::btnSaveClick()
{
    grid->commitEdit();
    ADOQuery1->post();
}

void TfrmCodeTable::btnCancelClick()
{
    ADOQuery1->cancel();
}

void TfrmCodeTable::btnCloseClick()
{
    closeChildForm(this);
}

void TfrmCodeTable::findText()
{
    const QString wanted = InputPrompt(QStringLiteral("查找"), QStringLiteral("查找内容："));
    if (wanted.isEmpty())
        return;
    if (!findNext(wanted))
        showInfo(this, QStringLiteral("没有找到“%1”").arg(wanted));
    grid->setFocus();
}

bool TfrmCodeTable::findNext(const QString &wanted)
{
    const int rowCount = ADOQuery1->rowCount();
    const QList<int> columns = grid->visibleColumns();
    if (rowCount == 0 || columns.isEmpty())
        return false;
    const QModelIndex current = grid->currentIndex();
    const int startRow = current.isValid() ? current.row() : 0;
    const int startColumn = current.isValid() ? static_cast<int>(columns.indexOf(current.column())) : -1;
    // Every cell once, beginning with the one after the current cell and ending on it.
    const int cells = rowCount * static_cast<int>(columns.size());
    int position = startRow * static_cast<int>(columns.size()) + startColumn;
    for (int step = 0; step < cells; ++step) {
        position = (position + 1) % cells;
        const int row = position / static_cast<int>(columns.size());
        const int column = columns.at(position % columns.size());
        if (grid->displayText(row, column).contains(wanted, Qt::CaseInsensitive)) {
            grid->setCurrentIndex(grid->model()->index(row, column));
            return grid->currentIndex().row() == row;
        }
    }
    return false;
}

void TfrmCodeTable::closeEvent(QCloseEvent *event)
{
    grid->commitEdit();
    if (ADOQuery1->hasUnpostedChanges() && askYesNo(this, QStringLiteral("数据已修改，是否保存？"))) {
        bool posted = false;
        guarded(this, [&] { posted = ADOQuery1->post(); });
        if (!posted) {
            event->ignore(); // the row stays, still being edited
            return;
        }
    }
    ADOQuery1->cancel(); // drops what was not saved, a new row holding only its proposed code too
    ADOQuery1->close();
    event->accept();
}

} // namespace jjgz
