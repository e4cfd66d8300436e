#include "piecework/JjDataMdy.h"

#include "app/Application.h"
#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "masterdata/SelWorker.h"
#include "piecework/PieceFields.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"
#include "widgets/EnterAsTab.h"
#include "widgets/LineTotals.h"
#include "widgets/MessageService.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {
namespace {
constexpr int WorkerColumn = 0;
constexpr int PositionColumn = 1;
const QString kRatioTip = QStringLiteral("分成比例是计件金额的份额：1 = 全部金额，0.5 = 一半");
} // namespace

TfrmJjDataMdy::TfrmJjDataMdy(int mode, const QString &title, QWidget *parent) : QDialog(parent), m_mode(mode)
{
    setObjectName(QStringLiteral("frmJjDataMdy"));
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    edtDt = new QDateEdit(this);
    edtDt->setObjectName(QStringLiteral("edtDt"));
    edtDt->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edtDt->setCalendarPopup(true);
    edtDt->setDate(QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd")));
    cboGz = new DropDownList(this);
    cboGz->setObjectName(QStringLiteral("cboGz"));
    cboGx = new DropDownList(this);
    cboGx->setObjectName(QStringLiteral("cboGx"));
    edtUnit = new QLineEdit(this);
    edtUnit->setObjectName(QStringLiteral("edtUnit"));
    edtUnit->setReadOnly(true);
    edtPrice = new NumberField(6, this);
    edtPrice->setObjectName(QStringLiteral("edtPrice"));
    edtRs = new NumberField(-1, this);
    edtRs->setObjectName(QStringLiteral("edtRs"));
    cboXs = new DropDownList(this);
    cboXs->setObjectName(QStringLiteral("cboXs"));
    edtXs = new NumberField(2, this);
    edtXs->setObjectName(QStringLiteral("edtXs"));
    edtSl = new NumberField(2, this);
    edtSl->setObjectName(QStringLiteral("edtSl"));
    edtJe = new NumberField(2, this);
    edtJe->setObjectName(QStringLiteral("edtJe"));
    edtJe->setReadOnly(true);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    auto place = [&](int row, int col, const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, col * 3, Qt::AlignRight);
        fields->addWidget(field, row, col * 3 + 1);
    };
    place(0, 0, QStringLiteral("日  期"), edtDt);
    place(1, 0, QStringLiteral("计件工种"), cboGz);
    place(1, 1, QStringLiteral("计件工序"), cboGx);
    place(2, 0, QStringLiteral("计价单位"), edtUnit);
    place(2, 1, QStringLiteral("计件单价"), edtPrice);
    fields->addWidget(new QLabel(QStringLiteral("元"), this), 2, 5);
    place(3, 0, QStringLiteral("工序人数"), edtRs);
    place(3, 1, QStringLiteral("系数名称"), cboXs);
    place(4, 0, QStringLiteral("系  数"), edtXs);
    place(4, 1, QStringLiteral("计件数量"), edtSl);
    place(5, 0, QStringLiteral("计件金额"), edtJe);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(4, 1);
    fields->setColumnMinimumWidth(2, 12);

    tmp = new DataTable(this);
    tmp->setObjectName(QStringLiteral("tmp"));
    PieceData::defineLineFields(*tmp);

    auto *frame = new QGroupBox(QStringLiteral("员工分成"), this);
    navigator = new DbNavigator(frame);
    navigator->setObjectName(QStringLiteral("navigator"));
    grid = new DbGrid(frame);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setTable(tmp);
    GridColumn worker;
    worker.field = QStringLiteral("worker");
    worker.title = QStringLiteral("员工姓名");
    worker.width = 120;
    worker.ellipsis = true;
    grid->addColumn(worker);
    grid->addColumn(QStringLiteral("workertp"), QStringLiteral("职位名称"), 130);
    GridColumn bl;
    bl.field = QStringLiteral("bl");
    bl.title = QStringLiteral("分成比例");
    bl.width = 80;
    bl.format = QStringLiteral("0.00");
    bl.toolTip = kRatioTip;
    grid->addColumn(bl);
    GridColumn je;
    je.field = QStringLiteral("je");
    je.title = QStringLiteral("金额");
    je.width = 80;
    je.format = QStringLiteral("0.00");
    je.readOnly = true;
    grid->addColumn(je);
    navigator->setTable(tmp);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(6, 4, 6, 6);
    frameLayout->setSpacing(3);
    frameLayout->addWidget(grid, 1);
    lblTotals = new QLabel(frame);
    lblTotals->setObjectName(QStringLiteral("lblTotals"));
    lblTotals->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    frameLayout->addWidget(lblTotals);
    frameLayout->addWidget(navigator);

    btnYes = new QPushButton(QStringLiteral("保存"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addLayout(fields);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    EnterAsTab::install(this);
    QWidget *order[] = {edtDt, cboGz, cboGx, edtUnit, edtPrice, edtRs,     cboXs,
                        edtXs, edtSl, edtJe, grid,    btnYes,   btnCancel, navigator};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The lists and the position drop-down of the grid.
    guarded(this, [this] {
        cboGz->setItems(PieceData::jobTypeItems());
        cboXs->setItems(PieceData::coefficientItems());
        grid->setColumnPickList(PositionColumn, PieceData::positionItems());
    });

    tmp->setBeforePost([this](DataTable &table) { return checkLine(table); });
    connect(tmp, &DataTable::fieldChanged, this,
            [this](int field) { guarded(this, [this, field] { lineFieldChanged(field); }); });
    grid->setEnterHandler([this](int column, const QString &text, bool) { return enterInCell(column, text); });
    connect(grid, &DbGrid::ellipsisClicked, this, [this](int column) {
        if (column == WorkerColumn)
            guarded(this, [this] { pickWorker(); });
    });

    connect(cboGz, &QComboBox::currentIndexChanged, this, [this] { guarded(this, [this] { jobTypeChosen(); }); });
    connect(cboGx, &QComboBox::currentIndexChanged, this, [this] { guarded(this, [this] { processChosen(); }); });
    connect(cboXs, &QComboBox::currentIndexChanged, this, [this] { guarded(this, [this] { coefficientChosen(); }); });
    for (NumberField *field : {edtPrice, edtXs, edtSl})
        connect(field, &NumberField::valueChanged, this, [this] { guarded(this, [this] { recomputeAmount(); }); });
    connect(edtJe, &NumberField::valueChanged, this, [this] { guarded(this, [this] { recomputeLines(); }); });
    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    watchLineTotals(tmp, this, [this] { showLineTotals(); });
    connect(edtJe, &NumberField::valueChanged, this, [this] { showLineTotals(); });
    showLineTotals();

    setFixedSize(519, 447);
}

QString TfrmJjDataMdy::gzcode() const
{
    return BracketCode(cboGz->currentText());
}

QString TfrmJjDataMdy::gxcode() const
{
    return BracketCode(cboGx->currentText());
}

void TfrmJjDataMdy::setRecord(const RecordHeader &header)
{
    m_pid = header.pid;
    m_filling = true;
    try {
        edtDt->setDate(header.dt);
        // The job type's change rebuilds the process list; the process's fills the unit.
        cboGz->setCurrentIndex(cboGz->indexOfText(header.gzText));
        jobTypeChosen();
        cboGx->setCurrentIndex(cboGx->indexOfText(header.gxText));
        edtPrice->setValue(header.price);
        edtRs->setValue(header.rs);
        cboXs->setCurrentIndex(coefficientIndex(header.xsText));
        edtXs->setValue(header.xs);
        edtSl->setValue(header.sl);
        edtJe->setValue(header.je);
    } catch (...) {
        m_filling = false;
        throw;
    }
    m_filling = false;
}

// The coefficient item of a stored record, found by its code: its name may have changed since
// the listing was read. A coefficient deleted since keeps its place in the list as it was
// stored, so that the record keeps it unless the clerk chooses another.
int TfrmJjDataMdy::coefficientIndex(const QString &xsText)
{
    if (xsText.isEmpty())
        return -1;
    const QString code = BracketCode(xsText);
    for (int i = 1; i < cboXs->count(); ++i) {
        if (BracketCode(cboXs->itemText(i)) == code)
            return i;
    }
    QStringList items;
    for (int i = 0; i < cboXs->count(); ++i)
        items << cboXs->itemText(i);
    items << xsText;
    cboXs->setItems(items);
    return int(items.size()) - 1;
}

void TfrmJjDataMdy::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_linesLoaded)
        guarded(this, [this] { loadLines(); });
}

void TfrmJjDataMdy::loadLines()
{
    m_linesLoaded = true;
    if (m_mode != 2) {
        tmp->close();
        tmp->open();
        return;
    }
    if (!m_havePositionNames)
        setPositionNames(PieceData::positionNames());
    m_lineGuard = true;
    try {
        PieceData::loadLines(*tmp, m_pid, m_positionNames);
    } catch (...) {
        m_lineGuard = false;
        throw;
    }
    m_lineGuard = false;
}

// ---------------------------------------------------------------- the header

void TfrmJjDataMdy::jobTypeChosen()
{
    if (cboGz->currentText().isEmpty()) {
        cboGx->setItems({});
        return;
    }
    // Unit, unit price and crew size stay until a process is chosen.
    cboGx->setItems(PieceData::processItems(gzcode()));
}

void TfrmJjDataMdy::processChosen()
{
    if (cboGx->currentText().isEmpty()) {
        edtUnit->clear();
        edtPrice->setValue(0.0);
        edtRs->setValue(0.0);
        return;
    }
    if (const auto process = PieceData::process(gzcode(), gxcode())) {
        edtUnit->setText(process->unit);
        edtPrice->setValue(process->price);
        edtRs->setValue(process->rs);
    }
}

void TfrmJjDataMdy::coefficientChosen()
{
    if (cboXs->currentText().isEmpty()) {
        edtXs->setValue(0.0);
    } else if (const auto xs = PieceData::coefficient(BracketCode(cboXs->currentText()))) {
        edtXs->setValue(*xs);
    }
    // The choice itself decides whether the coefficient enters the amount, even when its value
    // equals the one in the field.
    recomputeAmount();
}

void TfrmJjDataMdy::recomputeAmount()
{
    if (m_filling)
        return;
    edtJe->setValue(PieceData::amount(edtPrice->number(), edtSl->number(), edtXs->number(), cboXs->currentIndex() > 0));
}

void TfrmJjDataMdy::recomputeLines()
{
    if (m_filling || !tmp->isActive())
        return;
    grid->commitEdit();
    if (tmp->isEditing() && !tmp->isModified())
        tmp->cancel(); // a new line nobody typed into
    if (tmp->isEmpty())
        return;
    const int current = std::max(tmp->currentRow(), 0);
    const double amount = edtJe->number();
    m_lineGuard = true;
    try {
        tmp->disableViews();
        for (int row = 0; row < tmp->rowCount(); ++row) {
            tmp->setCurrentRow(row);
            tmp->edit();
            tmp->setValue(QStringLiteral("je"), PieceData::lineAmount(amount, tmp->asFloat(QStringLiteral("bl"))));
            tmp->post();
        }
        tmp->setCurrentRow(current);
        tmp->enableViews();
    } catch (...) {
        tmp->enableViews();
        m_lineGuard = false;
        throw;
    }
    m_lineGuard = false;
}

// ---------------------------------------------------------------- the lines

void TfrmJjDataMdy::lineFieldChanged(int field)
{
    if (field == tmp->fieldIndex(QStringLiteral("bl")))
        tmp->setValue(QStringLiteral("je"), PieceData::lineAmount(edtJe->number(), tmp->asFloat(QStringLiteral("bl"))));
    else if (field == tmp->fieldIndex(QStringLiteral("workertp")))
        positionChanged();
}

void TfrmJjDataMdy::positionChanged()
{
    if (m_lineGuard || cboGx->currentText().isEmpty())
        return;
    const QString text = tmp->text(QStringLiteral("workertp"));
    if (text.isEmpty())
        return;
    if (!PieceData::isBracketText(text)) {
        showError(this, QStringLiteral("职位输入错误"), QStringLiteral("错误"));
        return;
    }
    // A position without a share in the process keeps the line's ratio.
    if (const auto bl = PieceData::share(gzcode(), gxcode(), BracketCode(text)))
        tmp->setValue(QStringLiteral("bl"), *bl);
}

bool TfrmJjDataMdy::checkLine(DataTable &table)
{
    if (m_lineGuard)
        return true;
    const PieceData::LineFault fault =
        PieceData::checkLine(table.text(QStringLiteral("worker")), table.text(QStringLiteral("workertp")),
                             table.text(QStringLiteral("storedtp")));
    if (fault == PieceData::LineFault::None)
        return true;
    showError(this, PieceData::faultText(fault), QStringLiteral("错误"));
    return false;
}

bool TfrmJjDataMdy::enterInCell(int column, const QString &text)
{
    if (column != WorkerColumn)
        return false;
    if (text.isEmpty()) {
        pickWorker();
        return true;
    }
    if (text.at(0) < u'0' || text.at(0) > u'9')
        return false; // a name or a bracket text: nothing to look up
    const auto worker = PieceData::workerByCode(text);
    if (!worker) {
        showError(this, QStringLiteral("员工代码不存在"));
        return true;
    }
    takeWorker(*worker);
    return true;
}

void TfrmJjDataMdy::pickWorker()
{
    if (!tmp->isActive())
        return;
    const std::optional<WorkerPick> worker = TfrmSelWorker::execute(this);
    if (worker && !worker->isEmpty())
        takeWorker(*worker);
}

void TfrmJjDataMdy::takeWorker(const WorkerPick &worker)
{
    tmp->edit();
    tmp->setValue(QStringLiteral("worker"), BracketText(worker.wkcode, worker.wkname));
    tmp->setValue(QStringLiteral("workertp"), WorkerPositionText(worker.wkcode));
}

// Hands a line still being edited to the table: posted when changed (false when its check
// refused it), dropped when not.
bool TfrmJjDataMdy::finishLineEdit()
{
    grid->commitEdit();
    if (!tmp->isEditing())
        return true;
    if (!tmp->isModified()) {
        tmp->cancel();
        return true;
    }
    return tmp->post();
}

// Puts the current row and the grid's cell on line `row` and says what is wrong with it.
void TfrmJjDataMdy::showBadLine(int row, PieceData::LineFault fault)
{
    tmp->setCurrentRow(row);
    const bool position = fault == PieceData::LineFault::UnknownPosition || fault == PieceData::LineFault::BadPosition;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row, position ? PositionColumn : WorkerColumn));
    showError(this, QStringLiteral("第%1行：%2").arg(row + 1).arg(PieceData::faultText(fault)), QStringLiteral("错误"));
}

// ---------------------------------------------------------------- saving

RecordValues TfrmJjDataMdy::values() const
{
    RecordValues record;
    record.pid = m_pid;
    record.dt = edtDt->date();
    record.gzcode = gzcode();
    record.gxcode = gxcode();
    record.price = edtPrice->value();
    record.rs = edtRs->value();
    if (!cboXs->currentText().isEmpty())
        record.xscode = BracketCode(cboXs->currentText());
    record.xs = edtXs->value();
    record.sl = edtSl->value();
    record.je = edtJe->value();
    return record;
}

void TfrmJjDataMdy::btnYesClick()
{
    if (cboGz->currentText().isEmpty() || cboGx->currentText().isEmpty()) {
        showError(this, QStringLiteral("请选择工种和工序"));
        return;
    }
    if (!finishLineEdit())
        return;
    // Every line, however it was posted (the line amounts are recomputed without the checks):
    // the first that fails is shown and nothing is saved.
    const QList<LineValues> lines = PieceData::lines(*tmp);
    PieceData::LineFault fault = PieceData::LineFault::None;
    if (const int bad = PieceData::firstBadLine(lines, &fault); bad >= 0) {
        showBadLine(bad, fault);
        return;
    }
    try {
        m_pid = PieceData::save(m_mode, values(), lines, CurOperName);
    } catch (...) {
        showError(this, QStringLiteral("保存失败(") + failureText(std::current_exception()) + QLatin1Char(')'),
                  QStringLiteral("错误"));
        return;
    }
    showInfo(this, QStringLiteral("保存成功"));
    if (m_mode == 2) {
        accept();
        return;
    }
    // Ready for the next record: date, job type, price and quantity stay; the process and the
    // coefficient are chosen again, and no coefficient value is left over to scale the next one.
    tmp->emptyTable();
    cboGx->setIndexQuietly(0);
    cboXs->setIndexQuietly(0);
    edtXs->setValue(0.0);
    recomputeAmount();
    cboGx->setFocus();
}

// ---------------------------------------------------------------- the sums of the lines

// The ratios and the amounts of the lines add up beside the record's amount; the Part lets them
// differ (a crew may be paid more or less than the job), so a difference is shown, not refused.
void TfrmJjDataMdy::showLineTotals()
{
    const LineTotals sums = lineTotals(*tmp, QStringLiteral("bl"), QStringLiteral("je"));
    const double amount = edtJe->number();
    const bool differs = RoundDec(2, sums.amount) != RoundDec(2, amount);
    QString text = QStringLiteral("合计：比例 %1　金额 %2（计件金额 %3）")
                       .arg(sums.ratio, 0, 'f', 2)
                       .arg(sums.amount, 0, 'f', 2)
                       .arg(amount, 0, 'f', 2);
    if (differs)
        text += QStringLiteral("，相差 %1").arg(RoundDec(2, sums.amount - amount), 0, 'f', 2);
    lblTotals->setText(text);
    markDifference(lblTotals, differs,
                   QStringLiteral("各员工的金额合计与计件金额不等：请核对分成比例，确认后再保存。"));
}

} // namespace jjgz
