#include "payroll/GzData.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ListServices.h"
#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "payroll/WagePrint.h"
#include "payroll/WageSheet.h"
#include "report/ReportPreview.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>

namespace jjgz {

namespace {

// The sheet's grid: cells whose formula failed in the last calculation are marked (a red frame
// on a pale red ground) and tell their message as a tooltip, until the month is loaded again.
class SheetGrid : public DbGrid {
public:
    SheetGrid(WageSheet &sheet, QWidget *parent) : DbGrid(parent), m_sheet(sheet) {}

    const CellProblem *problemAt(const QModelIndex &index) const
    {
        if (!index.isValid() || !table() || index.column() >= columnCount())
            return nullptr;
        const int field = table()->fieldIndex(column(index.column()).field);
        return field < 0 ? nullptr : m_sheet.failureAt(index.row(), field);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        DbGrid::paintEvent(event);
        if (m_sheet.problems().isEmpty() || !table())
            return;
        QPainter p(viewport());
        const int firstRow = qMax(0, rowAt(0));
        int lastRow = rowAt(viewport()->height() - 1);
        if (lastRow < 0)
            lastRow = table()->rowCount() - 1;
        for (int c = 0; c < columnCount(); ++c) {
            if (isColumnHidden(c))
                continue;
            const int field = table()->fieldIndex(column(c).field);
            if (field < WageSheet::FirstItemField)
                continue;
            for (int r = firstRow; r <= lastRow; ++r) {
                if (!m_sheet.failureAt(r, field))
                    continue;
                const QRect rect = visualRect(model()->index(r, c)).adjusted(1, 1, -2, -2);
                p.fillRect(rect, QColor(255, 0, 0, 40));
                p.setPen(QPen(QColor(220, 0, 0), 2));
                p.drawRect(rect);
                p.setPen(QColor(220, 0, 0));
                p.drawText(rect.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("错"));
            }
        }
    }

    bool viewportEvent(QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto *help = static_cast<QHelpEvent *>(event);
            if (const CellProblem *p = problemAt(indexAt(help->pos()))) {
                QToolTip::showText(help->globalPos(), QStringLiteral("计算出错，已置为空：") + p->error.text(),
                                   viewport());
                return true;
            }
        }
        return DbGrid::viewportEvent(event);
    }

private:
    WageSheet &m_sheet;
};

} // namespace

TfrmGzData::TfrmGzData(const WageSheetMode &mode, QWidget *parent) : QWidget(parent), m_mode(mode)
{
    setObjectName(QStringLiteral("frmGzData"));
    setWindowTitle(m_mode.title);
    setAttribute(Qt::WA_DeleteOnClose);

    ToolBar1 = makeScreenToolBar(this);
    btnQuery = addToolButton(ToolBar1, toolIcon(Glyph::Locate), QStringLiteral("调出"), QStringLiteral("btnQuery"));
    btnReCreate =
        addToolButton(ToolBar1, toolIcon(Glyph::Add), QStringLiteral("重新生成"), QStringLiteral("btnReCreate"));
    btnCalc = addToolButton(ToolBar1, toolIcon(Glyph::WageEntry), QStringLiteral("计算"), QStringLiteral("btnCalc"));
    btnGzBar = addToolButton(ToolBar1, toolIcon(Glyph::PaySlip), QStringLiteral("工资条"), QStringLiteral("btnGzBar"));
    btnGzRep = addToolButton(ToolBar1, toolIcon(Glyph::PayTable), QStringLiteral("工资表"), QStringLiteral("btnGzRep"));
    btnSetup = addToolButton(ToolBar1, toolIcon(Glyph::Settings), QStringLiteral("设置"), QStringLiteral("btnSetup"));
    btnExport = addToolButton(ToolBar1, toolIcon(Glyph::Export), QStringLiteral("导出"), QStringLiteral("btnExport"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));
    for (QAction *a : {btnQuery, btnReCreate, btnCalc, btnGzBar, btnGzRep, btnSetup, btnExport, btnClose}) {
        if (m_mode.removedButtons.contains(a->text()))
            a->setVisible(false);
    }

    lblCaption = makeCaptionStrip(QStringLiteral("工资数据"), this);
    auto *monthBar = new QWidget(this);
    auto *monthLayout = new QHBoxLayout(monthBar);
    monthLayout->setContentsMargins(8, 4, 8, 4);
    auto *lblDt = new QLabel(QStringLiteral("工资月份"), monthBar);
    edtDt = new QDateEdit(monthBar);
    edtDt->setObjectName(QStringLiteral("edtDt"));
    edtDt->setDisplayFormat(QStringLiteral("yyyy年MM月"));
    edtDt->setCalendarPopup(false);
    QDate start = QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd"));
    if (!start.isValid())
        start = QDate::currentDate();
    edtDt->setDate(QDate(start.year(), start.month(), 1));
    lblDt->setBuddy(edtDt);
    monthLayout->addWidget(lblDt);
    monthLayout->addWidget(edtDt);
    monthLayout->addStretch(1);

    guarded(this, [this] { m_sheet = std::make_unique<WageSheet>(); });
    grid = m_sheet ? new SheetGrid(*m_sheet, this) : new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setAllowInsert(false);
    grid->setReadOnly(m_mode.readOnly);
    if (m_sheet)
        grid->setTable(&m_sheet->tmp());

    pmGrid = new QMenu(this);
    pmGrid->setObjectName(QStringLiteral("pmGrid"));
    mnuExplain = pmGrid->addAction(QStringLiteral("计算过程"));
    mnuExplain->setObjectName(QStringLiteral("mnuExplain"));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = grid->indexAt(pos);
        if (index.isValid())
            grid->setCurrentIndex(index);
        mnuExplain->setEnabled(index.isValid() && !explainCell(index.row(), index.column()).isEmpty());
        pmGrid->popup(grid->viewport()->mapToGlobal(pos));
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(lblCaption);
    layout->addWidget(monthBar);
    layout->addWidget(grid, 1);

    auto wire = [this](QAction *action, void (TfrmGzData::*handler)()) { connectGuarded(action, this, handler); };
    wire(btnQuery, &TfrmGzData::btnQueryClick);
    wire(btnReCreate, &TfrmGzData::btnReCreateClick);
    wire(btnCalc, &TfrmGzData::btnCalcClick);
    wire(btnSetup, &TfrmGzData::btnSetupClick);
    wire(btnExport, &TfrmGzData::btnExportClick);
    wire(btnClose, &TfrmGzData::btnCloseClick);
    wire(mnuExplain, &TfrmGzData::mnuExplainClick);
    wire(btnGzBar, &TfrmGzData::btnGzBarClick);
    wire(btnGzRep, &TfrmGzData::btnGzRepClick);

    resize(1000, 600);
    updateButtons();
}

TfrmGzData::~TfrmGzData()
{
    if (grid)
        grid->setTable(nullptr);
}

QString TfrmGzData::screenKey() const
{
    return QStringLiteral("GzData") + QString::number(m_mode.mode);
}

void TfrmGzData::updateButtons()
{
    const bool open = m_sheet && m_sheet->isLoaded();
    btnQuery->setEnabled(m_sheet != nullptr);
    btnReCreate->setEnabled(m_sheet != nullptr);
    btnCalc->setEnabled(open);
    btnGzBar->setEnabled(open);
    btnGzRep->setEnabled(true); // before a load it prints the empty grid of month 0/0
    btnSetup->setEnabled(open);
    btnExport->setEnabled(open);
}

void TfrmGzData::SetupSheetColumns()
{
    WageSheet &s = *m_sheet;
    grid->clearColumns();
    struct Fixed {
        const char *field;
        const char *title;
        int width;
    };
    static const Fixed fixed[] = {{"bmcode", "", 64},         {"tpcode", "", 64},         {"bmname", "部门名称", 70},
                                  {"tpname", "职位名称", 70}, {"wkcode", "员工代码", 70}, {"wkname", "员工姓名", 70},
                                  {"sex", "性别", 40}};
    for (int i = 0; i < WageSheet::FirstItemField; ++i) {
        GridColumn c;
        c.field = QString::fromLatin1(fixed[i].field);
        c.title = QString::fromUtf8(fixed[i].title);
        c.width = fixed[i].width;
        c.readOnly = i >= 2;
        c.tag = i < 2 ? 1 : 0;
        c.visible = i >= 2;
        grid->addColumn(c);
    }
    for (const SheetItem &it : s.items()) {
        if (s.tmp().fieldIndex(it.fname) < 0)
            continue; // a load that failed half-way
        GridColumn c;
        c.field = it.fname;
        c.title = it.xmname;
        c.width = 60;
        c.format = QStringLiteral("0.00");
        c.readOnly = s.formulaFor(it.fname) != nullptr;
        grid->addColumn(c);
    }
    ApplyColumnSettings(screenKey(), grid);
}

void TfrmGzData::reload(bool recreate)
{
    const QDate d = edtDt->date();
    grid->setTable(nullptr);
    try {
        if (recreate)
            m_sheet->recreate(d.year(), d.month());
        else
            m_sheet->load(d.year(), d.month());
    } catch (...) {
        grid->setTable(&m_sheet->tmp());
        SetupSheetColumns();
        updateButtons();
        throw;
    }
    grid->setTable(&m_sheet->tmp());
    SetupSheetColumns();
    updateButtons();
    const QStringList &gone = m_sheet->notInRoster();
    if (!gone.isEmpty()) {
        QStringList shown = gone.mid(0, 10);
        if (gone.size() > shown.size())
            shown << QStringLiteral("等");
        showInfo(this, QStringLiteral("本月有%1名员工已不在员工名册中（%2）。他们的工资数据列在表的最后，姓名标为“%3”，"
                                      "计算和保存时照常保留。")
                           .arg(gone.size())
                           .arg(shown.join(QStringLiteral("、")), WageSheet::notInRosterName()));
    }
}

void TfrmGzData::btnQueryClick()
{
    if (m_sheet)
        reload(false);
}

void TfrmGzData::btnReCreateClick()
{
    if (!m_sheet)
        return;
    if (!askYesNo(this, QStringLiteral("要重新生成当月工资数据吗？")))
        return;
    reload(true);
}

void TfrmGzData::btnCalcClick()
{
    if (!m_sheet || !m_sheet->isLoaded() || m_sheet->tmp().rowCount() == 0)
        return;
    grid->commitEdit();
    DataTable &t = m_sheet->tmp();
    if (t.isEditing() && !t.post())
        return;
    const QString ym = edtDt->date().toString(QStringLiteral("yyyy-MM"));
    if (!askYesNo(this, QStringLiteral("确认要计算") + ym + QStringLiteral("月份工资并保存吗？")))
        return;
    const CalcResult r = m_sheet->CalculateSheet();
    grid->viewport()->update();
    m_sheet->SaveSheet();
    if (r.problems.isEmpty()) {
        showInfo(this, QStringLiteral("计算完毕"));
        return;
    }
    QString text = QStringLiteral("计算完毕\n\n计算中发现问题：");
    if (r.failedCells)
        text +=
            QStringLiteral(
                "%1 个单元格计算出错，已置为空，在表中标为红框（鼠标停在单元格上可看原因，右键“计算过程”可看详情）。")
                .arg(r.failedCells);
    else
        text += QStringLiteral("没有单元格出错，但有公式或条件需要检查。");
    text += QStringLiteral("按“显示详细信息”可看各项目的问题。");
    messages().messageWithDetails(this, QStringLiteral("提示"), text, MsgIcon::Information, m_sheet->problemDetails());
}

void TfrmGzData::btnSetupClick()
{
    if (!m_sheet || !m_sheet->isLoaded())
        return;
    ShowColumnSettings(screenKey(), grid);
}

void TfrmGzData::btnExportClick()
{
    if (!m_sheet || !m_sheet->isLoaded())
        return;
    ExportGrid(grid);
}

void TfrmGzData::btnGzBarClick()
{
    if (!HasRight(1301)) {
        showError(this, QStringLiteral("本功能无操作权限"));
        return;
    }
    if (!m_sheet || !m_sheet->isLoaded())
        return;
    QString templateMessage;
    const report::Report slips = paySlips(&templateMessage);
    if (!templateMessage.isEmpty())
        showError(this, templateMessage);
    report::showReportPreview(slips, this, QStringLiteral("工资条"));
}

report::Report TfrmGzData::paySlips(QString *templateMessage) const
{
    return paySlipReport(m_sheet->sheet(), slipColumns(*grid), templateMessage);
}

void TfrmGzData::setUpPaymentTable(GridPrinter &printer) const
{
    const bool open = m_sheet && m_sheet->isLoaded();
    setUpMonthPrint(printer, QStringLiteral("工资发放表"), open ? m_sheet->year() : 0, open ? m_sheet->month() : 0);
}

void TfrmGzData::btnGzRepClick()
{
    if (!HasRight(1303)) {
        showError(this, QStringLiteral("本功能无操作权限"));
        return;
    }
    GridPrinter printer(*grid);
    setUpPaymentTable(printer);
    printer.preview(this);
}

void TfrmGzData::btnCloseClick()
{
    closeChildForm(this);
}

QStringList TfrmGzData::explainCell(int row, int column)
{
    if (!m_sheet || !m_sheet->isLoaded() || column < 0 || column >= grid->columnCount())
        return {};
    const int item = m_sheet->itemIndex(grid->column(column).field);
    if (item < 0 || row < 0 || row >= m_sheet->tmp().rowCount())
        return {};
    return m_sheet->explain(row, item);
}

void TfrmGzData::mnuExplainClick()
{
    grid->commitEdit();
    const QModelIndex index = grid->currentIndex();
    const QStringList lines = explainCell(index.row(), index.column());
    if (lines.isEmpty())
        return;
    QDialog dlg(this);
    dlg.setObjectName(QStringLiteral("frmGzExplain"));
    dlg.setWindowTitle(QStringLiteral("计算过程"));
    auto *memo = new QPlainTextEdit(&dlg);
    memo->setObjectName(QStringLiteral("memExplain"));
    memo->setReadOnly(true);
    memo->setPlainText(lines.join(u'\n'));
    auto *buttons = new QDialogButtonBox(&dlg);
    QPushButton *close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dlg);
    layout->addWidget(memo);
    layout->addWidget(buttons);
    dlg.resize(560, 380);
    dlg.exec();
}

} // namespace jjgz
