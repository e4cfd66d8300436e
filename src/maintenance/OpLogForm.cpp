#include "maintenance/OpLogForm.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ListServices.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/OpLog.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace jjgz {
namespace {
const QString kScreenKey = QStringLiteral("OpLog");

QDateEdit *dateEdit(QWidget *parent, const QDate &date, const QString &name)
{
    auto *edit = new QDateEdit(date, parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    return edit;
}
} // namespace

TfrmOpLog::TfrmOpLog(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmOpLog"));
    setWindowTitle(QStringLiteral("操作日志"));

    ToolBar1 = makeScreenToolBar(this);
    btnQuery = addToolButton(ToolBar1, toolIcon(Glyph::Locate), QStringLiteral("查询"), QStringLiteral("btnQuery"));
    btnPrint = addToolButton(ToolBar1, toolIcon(Glyph::Print), QStringLiteral("打印"), QStringLiteral("btnPrint"));
    btnSetup = addToolButton(ToolBar1, toolIcon(Glyph::Settings), QStringLiteral("设置"), QStringLiteral("btnSetup"));
    btnExport = addToolButton(ToolBar1, toolIcon(Glyph::Export), QStringLiteral("导出"), QStringLiteral("btnExport"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));

    lblCaption = makeCaptionStrip(QStringLiteral("操作日志"), this);
    const QDate today = QDate::currentDate();
    edtFrom = dateEdit(this, today.addMonths(-1), QStringLiteral("edtFrom"));
    edtTo = dateEdit(this, today, QStringLiteral("edtTo"));
    cboOper = new QComboBox(this);
    cboOper->setObjectName(QStringLiteral("cboOper"));
    cboOper->setMinimumWidth(100);
    cboAction = new QComboBox(this);
    cboAction->setObjectName(QStringLiteral("cboAction"));
    cboAction->addItem(QString());
    cboAction->addItems(OpAction::all());
    edtText = new QLineEdit(this);
    edtText->setObjectName(QStringLiteral("edtText"));
    edtText->setPlaceholderText(QStringLiteral("对象或内容中包含的文字"));
    auto *filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(8, 4, 8, 4);
    filterRow->addWidget(new QLabel(QStringLiteral("日期从"), this));
    filterRow->addWidget(edtFrom);
    filterRow->addWidget(new QLabel(QStringLiteral("到"), this));
    filterRow->addWidget(edtTo);
    filterRow->addSpacing(12);
    filterRow->addWidget(new QLabel(QStringLiteral("操作员"), this));
    filterRow->addWidget(cboOper);
    filterRow->addWidget(new QLabel(QStringLiteral("操作"), this));
    filterRow->addWidget(cboAction);
    filterRow->addWidget(new QLabel(QStringLiteral("文字"), this));
    filterRow->addWidget(edtText, 1);

    tmp = new DataTable(this);
    tmp->setObjectName(QStringLiteral("tmp"));
    tmp->setFields({{QStringLiteral("t"), FieldKind::Text, 19},
                    {QStringLiteral("opername"), FieldKind::Text, 20},
                    {QStringLiteral("action"), FieldKind::Text, 20},
                    {QStringLiteral("target"), FieldKind::Text, 100},
                    {QStringLiteral("detail"), FieldKind::Text, 0}});
    tmp->open();
    grid = new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setReadOnly(true);
    grid->setAllowInsert(false);
    grid->setTable(tmp);
    grid->addColumn(QStringLiteral("t"), QStringLiteral("时间"), 130);
    grid->addColumn(QStringLiteral("opername"), QStringLiteral("操作员"), 70);
    grid->addColumn(QStringLiteral("action"), QStringLiteral("操作"), 90);
    grid->addColumn(QStringLiteral("target"), QStringLiteral("对象"), 150);
    grid->addColumn(QStringLiteral("detail"), QStringLiteral("内容"), 420);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblCaption);
    layout->addLayout(filterRow);
    layout->addWidget(grid, 1);

    connect(btnQuery, &QAction::triggered, this, [this] { guarded(this, [this] { btnQueryClick(); }); });
    connect(btnPrint, &QAction::triggered, this, [this] { guarded(this, [this] { btnPrintClick(); }); });
    connect(btnSetup, &QAction::triggered, this, [this] { guarded(this, [this] { btnSetupClick(); }); });
    connect(btnExport, &QAction::triggered, this, [this] { guarded(this, [this] { btnExportClick(); }); });
    connect(btnClose, &QAction::triggered, this, [this] { closeChildForm(this); });
    connect(edtText, &QLineEdit::returnPressed, this, [this] { guarded(this, [this] { btnQueryClick(); }); });

    ApplyColumnSettings(kScreenKey, grid);
    guarded(this, [this] { btnQueryClick(); });
}

TfrmOpLog::~TfrmOpLog()
{
    grid->setTable(nullptr);
}

OpLogFilter TfrmOpLog::filter() const
{
    OpLogFilter f;
    f.from = edtFrom->date();
    f.to = edtTo->date();
    f.opername = cboOper->currentText().trimmed();
    f.action = cboAction->currentText();
    f.text = edtText->text().trimmed();
    return f;
}

void TfrmOpLog::btnQueryClick()
{
    const QList<OpLogEntry> rows = OpLog::read(filter());
    // The operator list offers the names found in the log; the choice made stays.
    const QString chosen = cboOper->currentText();
    const QStringList names = OpLog::operators();
    cboOper->blockSignals(true);
    cboOper->clear();
    cboOper->addItem(QString());
    cboOper->addItems(names);
    cboOper->setCurrentIndex(std::max(0, int(cboOper->findText(chosen))));
    cboOper->blockSignals(false);

    DataTable::NotificationBlocker quiet(*tmp);
    tmp->disableViews();
    tmp->emptyTable();
    for (const OpLogEntry &e : rows)
        tmp->appendRow({e.t, e.opername, e.action, e.target, QString(e.detail).replace(u'\n', QStringLiteral("；"))});
    tmp->enableViews();
    tmp->first();
}

void TfrmOpLog::setUpPrint(GridPrinter &printer) const
{
    printer.setPageHeader(QStringLiteral("操作日志"));
    printer.setTitleLine(QStringLiteral("   %[v1]"));
    printer.setV1(QStringLiteral("%1 至 %2")
                      .arg(edtFrom->date().toString(QStringLiteral("yyyy-MM-dd")),
                           edtTo->date().toString(QStringLiteral("yyyy-MM-dd"))));
}

void TfrmOpLog::btnPrintClick()
{
    GridPrinter printer(*grid);
    setUpPrint(printer);
    printer.preview(this);
}

void TfrmOpLog::btnSetupClick()
{
    ShowColumnSettings(kScreenKey, grid);
}

void TfrmOpLog::btnExportClick()
{
    ExportGrid(grid);
}

} // namespace jjgz
