#include "masterdata/JjgxMdy.h"

#include "app/Application.h"
#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"
#include "widgets/EnterAsTab.h"
#include "widgets/LineTotals.h"
#include "widgets/MessageService.h"

#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace jjgz {

namespace {

QLocale numberLocale()
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return c;
}

QLineEdit *numberField(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    auto *validator = new QDoubleValidator(edit);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(numberLocale());
    edit->setValidator(validator);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return edit;
}

// The value of a number field: null when it is empty or holds no number yet.
QVariant numberOf(const QLineEdit *edit)
{
    bool ok = false;
    const double v = numberLocale().toDouble(edit->text().trimmed(), &ok);
    return ok ? QVariant(v) : QVariant();
}

QString priceText(double value)
{
    return QString::number(value, 'f', 6);
}

QString plainNumber(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

bool TfrmJjgxMdy::execute(QWidget *parent, const JjgxMdyRequest &request,
                          const std::function<void(const QString &gxcode)> &saved)
{
    TfrmJjgxMdy dialog(request, parent);
    dialog.setOnSaved(saved);
    return dialog.exec() == QDialog::Accepted;
}

TfrmJjgxMdy::TfrmJjgxMdy(const JjgxMdyRequest &request, QWidget *parent)
    : QDialog(parent), m_mode(request.mode), m_gzcode(request.process.gzcode)
{
    setObjectName(QStringLiteral("frmJjgxMdy"));
    setWindowTitle(m_mode == EditMode::Add ? QStringLiteral("增加工序") : QStringLiteral("修改工序"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    lblGz = new QLabel(QStringLiteral("所属工种：") + request.gzText, this);
    lblGz->setObjectName(QStringLiteral("lblGz"));

    edtCode = new QLineEdit(this);
    edtCode->setObjectName(QStringLiteral("edtCode"));
    edtCode->setMaxLength(50);
    // Digits only: anything else typed into the code is ignored.
    edtCode->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edtCode));
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMaxLength(200);
    edtUnit = new QLineEdit(this);
    edtUnit->setObjectName(QStringLiteral("edtUnit"));
    edtUnit->setMaxLength(20);
    edtPrice = numberField(this, QStringLiteral("edtPrice"));
    edtRs = numberField(this, QStringLiteral("edtRs"));

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    auto addRow = [&](int row, const QString &caption, QWidget *field, int span, QWidget *after = nullptr) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0, Qt::AlignRight);
        fields->addWidget(field, row, 1, 1, span);
        if (after)
            fields->addWidget(after, row, 2);
    };
    addRow(0, QStringLiteral("工序代码"), edtCode, 1);
    addRow(1, QStringLiteral("工序名称"), edtName, 3);
    addRow(2, QStringLiteral("计价单位"), edtUnit, 1);
    addRow(3, QStringLiteral("计件单价"), edtPrice, 1, new QLabel(QStringLiteral("元"), this));
    addRow(4, QStringLiteral("工序人数"), edtRs, 1);
    fields->setColumnMinimumWidth(1, 150);
    fields->setColumnStretch(3, 1);

    tmp = new DataTable(this);
    tmp->setObjectName(QStringLiteral("tmp"));
    ProcessData::defineShareFields(*tmp);

    auto *frame = new QGroupBox(QStringLiteral("职位分成"), this);
    navigator = new DbNavigator(frame);
    navigator->setObjectName(QStringLiteral("navigator"));
    grid = new DbGrid(frame);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setTable(tmp);
    GridColumn position;
    position.field = QStringLiteral("workertp");
    position.title = QStringLiteral("职位名称");
    position.width = 130;
    grid->addColumn(position);
    GridColumn bl;
    bl.field = QStringLiteral("bl");
    bl.title = QStringLiteral("分成比例");
    bl.width = 60;
    bl.toolTip = QStringLiteral("分成比例是计件金额的份额：1 = 全部金额，0.5 = 一半");
    grid->addColumn(bl);
    GridColumn price;
    price.field = QStringLiteral("price");
    price.title = QStringLiteral("单价");
    price.width = 71;
    price.readOnly = true;
    grid->addColumn(price);
    navigator->setTable(tmp);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(6, 4, 6, 6);
    frameLayout->setSpacing(3);
    frameLayout->addWidget(navigator);
    frameLayout->addWidget(grid, 1);
    lblTotals = new QLabel(frame);
    lblTotals->setObjectName(QStringLiteral("lblTotals"));
    lblTotals->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    frameLayout->addWidget(lblTotals);

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
    layout->addWidget(lblGz);
    layout->addLayout(fields);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    EnterAsTab::install(this);
    setTabOrder(edtCode, edtName);
    setTabOrder(edtName, edtUnit);
    setTabOrder(edtUnit, edtPrice);
    setTabOrder(edtPrice, edtRs);
    setTabOrder(edtRs, grid);
    setTabOrder(grid, btnYes);
    setTabOrder(btnYes, btnCancel);

    tmp->setBeforePost([this](DataTable &table) { return checkShareRow(table); });
    const int blField = tmp->fieldIndex(QStringLiteral("bl"));
    connect(tmp, &DataTable::fieldChanged, this, [this, blField](int field) {
        if (field == blField)
            guarded(this, [this] { ProcessData::applySharePrice(*tmp, unitPrice()); });
    });
    connect(edtPrice, &QLineEdit::textChanged, this, [this] { priceChanged(); });
    connect(edtPrice, &QLineEdit::editingFinished, this, [this] {
        const QVariant v = numberOf(edtPrice);
        if (!v.isNull())
            edtPrice->setText(priceText(v.toDouble()));
    });
    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    watchLineTotals(tmp, this, [this] { showShareTotal(); });
    showShareTotal();

    setProcess(request.process);
    edtCode->setEnabled(m_mode == EditMode::Add);
    setFixedSize(444, 423);
}

double TfrmJjgxMdy::unitPrice() const
{
    const QVariant v = numberOf(edtPrice);
    return v.isNull() ? 0.0 : v.toDouble();
}

ProcessValues TfrmJjgxMdy::values() const
{
    return {m_gzcode, edtCode->text(), edtName->text(), edtUnit->text(), numberOf(edtPrice), numberOf(edtRs)};
}

void TfrmJjgxMdy::setProcess(const ProcessValues &process)
{
    m_suspendRecompute = true;
    {
        DataTable::NotificationBlocker blocker(*tmp);
        edtCode->setText(process.gxcode);
        edtName->setText(process.gxname);
        edtUnit->setText(process.unit);
        edtPrice->setText(priceText(process.price.isNull() ? 0.0 : process.price.toDouble()));
        edtRs->setText(plainNumber(process.rs.isNull() ? 0.0 : process.rs.toDouble()));
    }
    m_lastPrice = unitPrice();
    m_suspendRecompute = false;
}

void TfrmJjgxMdy::loadShares()
{
    grid->setColumnPickList(0, ProcessData::positionChoices());
    if (m_mode == EditMode::Modify) {
        ProcessData::loadShares(*tmp, m_gzcode, edtCode->text());
    } else {
        tmp->close();
        tmp->open();
    }
    m_sharesLoaded = true;
}

void TfrmJjgxMdy::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_sharesLoaded)
        guarded(this, [this] { loadShares(); });
}

void TfrmJjgxMdy::priceChanged()
{
    const double price = unitPrice();
    if (price == m_lastPrice)
        return;
    m_lastPrice = price;
    if (m_suspendRecompute || !tmp->isActive() || tmp->isEmpty())
        return;
    grid->commitEdit();
    ProcessData::recomputeShares(*tmp, price);
}

bool TfrmJjgxMdy::checkShareRow(DataTable &table)
{
    const ProcessData::ShareFault fault = ProcessData::checkShare(table.text(QStringLiteral("workertp")));
    if (fault == ProcessData::ShareFault::None)
        return true;
    showError(this, ProcessData::faultText(fault), QStringLiteral("错误"));
    return false;
}

// Hands a share row still being edited to the list: posted when changed (false when its check
// refused it), dropped when not.
bool TfrmJjgxMdy::finishShareEdit()
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

void TfrmJjgxMdy::btnYesClick()
{
    // Code, name and a duplicate code are checked first; only then is a share row still being
    // edited handed to the list (its own check may refuse it), so that a refused save never
    // leaves a posted row behind.
    const ProcessValues process = values();
    const ProcessData::SaveFault fault = ProcessData::checkSave(m_mode, process);
    if (fault != ProcessData::SaveFault::None) {
        showError(this, ProcessData::faultText(fault), QStringLiteral("提示"));
        return;
    }
    if (!finishShareEdit())
        return;
    try {
        ProcessData::save(m_mode, process, ProcessData::shares(*tmp));
    } catch (const DbError &e) {
        showError(this, QStringLiteral("保存失败(") + e.message() + QLatin1Char(')'), QStringLiteral("错误"));
        return;
    }
    showInfo(this, QStringLiteral("保存成功"));
    if (m_mode == EditMode::Modify) {
        accept();
        return;
    }
    if (m_onSaved)
        m_onSaved(process.gxcode);
    // Ready for the next process of the job type: what belongs to the saved one (name, price,
    // shares) goes; the unit and the crew size, which a batch of processes shares, stay.
    edtCode->setText(NextProcessCode(m_gzcode));
    edtName->clear();
    tmp->emptyTable();
    edtPrice->setText(priceText(0));
    edtCode->setFocus();
}

// The shares of the positions add up to the whole amount (1) in the usual case; any other sum is
// allowed but shown in orange.
void TfrmJjgxMdy::showShareTotal()
{
    const double sum = lineTotals(*tmp, QStringLiteral("bl")).ratio;
    const bool differs = tmp->isActive() && !tmp->isEmpty() && RoundDec(4, sum) != 1.0;
    QString text = QStringLiteral("合计：分成比例 %1").arg(sum, 0, 'f', 2);
    if (differs)
        text += QStringLiteral("（不是 1 = 全部金额）");
    lblTotals->setText(text);
    markDifference(lblTotals, differs, QStringLiteral("各职位的分成比例合计不是 1：计件金额不会正好分完。"));
}

} // namespace jjgz
