#include "wagestructure/GzgsMdy.h"

#include "app/Application.h"
#include "data/DBFun.h"
#include "wagestructure/TaxFormula.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace jjgz {
namespace {

QLabel *statusLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(10);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return label;
}

} // namespace

TfrmGzgsMdy::TfrmGzgsMdy(int mode, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_mode(mode), m_items(WageItems::items())
{
    setObjectName(QStringLiteral("frmGzgsMdy"));
    setWindowTitle(mode == 1 ? QStringLiteral("增加公式") : QStringLiteral("修改公式"));

    cboDest = new QComboBox(this);
    cboDest->setObjectName(QStringLiteral("cboDest"));
    for (const WageItem &item : std::as_const(m_items))
        cboDest->addItem(BracketText(item.fname, item.xmname), item.fname);
    cboDest->setCurrentIndex(cboDest->count() > 0 ? 0 : -1);

    auto *texts = new QGroupBox(this);
    lblGs = new QLabel(QStringLiteral("计算公式"), texts);
    edtGs = new QLineEdit(texts);
    edtGs->setObjectName(QStringLiteral("edtGs"));
    lblGsCheck = statusLabel(texts, "lblGsCheck");
    lblCon = new QLabel(QStringLiteral("采用条件"), texts);
    edtCon = new QLineEdit(texts);
    edtCon->setObjectName(QStringLiteral("edtCon"));
    lblConCheck = statusLabel(texts, "lblConCheck");
    lblGs->setBuddy(edtGs);
    lblCon->setBuddy(edtCon);
    auto *textGrid = new QGridLayout(texts);
    textGrid->setColumnStretch(1, 1);
    textGrid->setVerticalSpacing(4);
    textGrid->addWidget(lblGs, 0, 0);
    textGrid->addWidget(edtGs, 0, 1);
    textGrid->addWidget(lblGsCheck, 1, 1);
    textGrid->setRowMinimumHeight(2, 8);
    textGrid->addWidget(lblCon, 3, 0);
    textGrid->addWidget(edtCon, 3, 1);
    textGrid->addWidget(lblConCheck, 4, 1);

    rgOption = new QGroupBox(QStringLiteral("编辑选项"), this);
    rgOption->setObjectName(QStringLiteral("rgOption"));
    rbGs = new QRadioButton(QStringLiteral("公式"), rgOption);
    rbGs->setObjectName(QStringLiteral("rbGs"));
    rbCon = new QRadioButton(QStringLiteral("条件"), rgOption);
    rbCon->setObjectName(QStringLiteral("rbCon"));
    rbGs->setChecked(true);
    auto *optionLayout = new QHBoxLayout(rgOption);
    optionLayout->addWidget(rbGs);
    optionLayout->addWidget(rbCon);
    optionLayout->addStretch();

    auto *operators = new QGridLayout;
    operators->setSpacing(4);
    const char *captions[] = {"+", "-", "*", "/", "(", ")", ">", "<", "=", ">=", "<=", "<>"};
    for (int i = 0; i < 12; ++i) {
        auto *b = new QPushButton(QLatin1String(captions[i]), this);
        b->setObjectName(QStringLiteral("btn%1").arg(i < 6 ? i + 1 : i + 5));
        b->setFixedSize(40, 26);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        operators->addWidget(b, i / 6, i % 6);
        operatorButtons << b;
        connect(b, &QPushButton::clicked, this, [this, b] { append(b->text()); });
    }

    auto *sources = new QGroupBox(QStringLiteral("来源项目"), this);
    lstSrc = new QListWidget(sources);
    lstSrc->setObjectName(QStringLiteral("lstSrc"));
    lstSrc->addItems(WageFormulas::sourceEntries(m_items));
    lstSrc->setCurrentRow(0);
    btnAdd = new QPushButton(QStringLiteral("添加项目"), sources);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    auto *sourceLayout = new QVBoxLayout(sources);
    sourceLayout->addWidget(lstSrc, 1);
    sourceLayout->addWidget(btnAdd);

    auto *functions = new QGroupBox(QStringLiteral("工资函数"), this);
    lstFunc = new QListWidget(functions);
    lstFunc->setObjectName(QStringLiteral("lstFunc"));
    for (const WageSheetFunction &fn : wageSheetFunctions()) {
        auto *item = new QListWidgetItem(fn.call, lstFunc);
        item->setData(Qt::UserRole, fn.name);
        item->setToolTip(fn.description);
    }
    lstFunc->setCurrentRow(0);
    auto *funcDesc = new QLabel(functions);
    funcDesc->setObjectName(QStringLiteral("lblFuncDesc"));
    funcDesc->setWordWrap(true);
    funcDesc->setMinimumHeight(48);
    funcDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(lstFunc, &QListWidget::currentRowChanged, funcDesc,
            [this, funcDesc](int row) { funcDesc->setText(row >= 0 ? lstFunc->item(row)->toolTip() : QString()); });
    funcDesc->setText(lstFunc->currentItem() ? lstFunc->currentItem()->toolTip() : QString());
    btnAddFunc = new QPushButton(QStringLiteral("添加函数"), functions);
    btnAddFunc->setObjectName(QStringLiteral("btnAddFunc"));
    btnTaxFormula = new QPushButton(QStringLiteral("个税公式…"), functions);
    btnTaxFormula->setObjectName(QStringLiteral("btnTaxFormula"));
    auto *functionLayout = new QVBoxLayout(functions);
    functionLayout->addWidget(lstFunc, 1);
    functionLayout->addWidget(funcDesc);
    functionLayout->addWidget(btnAddFunc);
    functionLayout->addWidget(btnTaxFormula);

    btnClear = new QPushButton(QStringLiteral("清除公式"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    btnYes = new QPushButton(QStringLiteral("确定"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton *b : {btnAdd, btnAddFunc, btnTaxFormula, btnClear, btnYes, btnCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto *destRow = new QHBoxLayout;
    destRow->addWidget(new QLabel(QStringLiteral("工资项目"), this));
    destRow->addWidget(cboDest, 1);

    auto *left = new QVBoxLayout;
    left->addLayout(destRow);
    left->addWidget(texts);
    auto *optionRow = new QHBoxLayout;
    optionRow->addWidget(rgOption);
    optionRow->addLayout(operators);
    optionRow->addStretch();
    left->addLayout(optionRow);
    left->addStretch();

    auto *body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(sources);
    body->addWidget(functions);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnClear);
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addSpacing(20);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    connect(rbGs, &QRadioButton::toggled, this, [this] { applyOption(); });
    connect(btnAdd, &QPushButton::clicked, this, [this] {
        if (const QListWidgetItem *item = lstSrc->currentItem())
            append(BracketCode(item->text()));
    });
    connect(btnAddFunc, &QPushButton::clicked, this, [this] {
        if (const QListWidgetItem *item = lstFunc->currentItem()) {
            const QString name = item->data(Qt::UserRole).toString();
            append(name == QStringLiteral("MONTHSYTD") ? name + QStringLiteral("()") : name + QStringLiteral("("));
        }
    });
    connect(btnTaxFormula, &QPushButton::clicked, this, [this] { btnTaxFormulaClick(); });
    connect(btnClear, &QPushButton::clicked, this, [this] {
        activeBox()->clear();
        activeBox()->setFocus();
    });
    connect(edtGs, &QLineEdit::textChanged, this, [this] { updateCheck(edtGs); });
    connect(edtCon, &QLineEdit::textChanged, this, [this] { updateCheck(edtCon); });
    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    applyOption();
    updateCheck(edtGs);
    updateCheck(edtCon);
    EnterAsTab::install(this);
    resize(900, 420);
}

void TfrmGzgsMdy::btnTaxFormulaClick()
{
    const std::optional<TfrmTaxFormula::Choice> choice = TfrmTaxFormula::execute(this, m_items);
    if (!choice)
        return;
    const int at = cboDest->findData(choice->tax);
    if (at >= 0)
        cboDest->setCurrentIndex(at);
    rbGs->setChecked(true);
    edtGs->setText(choice->formula);
    edtGs->setFocus();
}

TfrmGzgsMdy::~TfrmGzgsMdy() = default;

void TfrmGzgsMdy::fill(const WageFormula &formula)
{
    m_xh = formula.xh;
    cboDest->setCurrentIndex(cboDest->findData(formula.fname, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive));
    edtGs->setText(formula.gs);
    edtCon->setText(formula.con);
}

QLineEdit *TfrmGzgsMdy::activeBox() const
{
    return rbCon->isChecked() ? edtCon : edtGs;
}

void TfrmGzgsMdy::applyOption()
{
    const bool formula = !rbCon->isChecked();
    lblGs->setEnabled(formula);
    edtGs->setEnabled(formula);
    lblCon->setEnabled(!formula);
    edtCon->setEnabled(!formula);
}

void TfrmGzgsMdy::append(const QString &text)
{
    QLineEdit *box = activeBox();
    box->setText(box->text() + text);
    box->setFocus();
    box->setCursorPosition(int(box->text().size()));
}

void TfrmGzgsMdy::updateCheck(QLineEdit *box)
{
    const bool isFormula = box == edtGs;
    FormulaCheck::Result &result = isFormula ? m_gsCheck : m_conCheck;
    QLabel *label = isFormula ? lblGsCheck : lblConCheck;
    result = m_check.check(box->text(), m_items);
    QString text;
    QString colour;
    if (box->text().isEmpty()) {
        text = isFormula ? QStringLiteral("公式为空：请输入公式") : QStringLiteral("无条件：公式对每个员工都适用");
        colour = QStringLiteral("#6b6b6b");
    } else if (result.ok) {
        text = QStringLiteral("✔ 可以计算　描述：") + result.description;
        colour = QStringLiteral("#1b7d2f");
    } else {
        text = QStringLiteral("✘ ") + result.message + QStringLiteral("　描述：") + result.description;
        colour = QStringLiteral("#c42b1c");
    }
    label->setText(text);
    label->setToolTip(text);
    label->setStyleSheet(QStringLiteral("color:%1;").arg(colour));
}

void TfrmGzgsMdy::btnYesClick()
{
    if (edtGs->text().isEmpty()) {
        showError(this, QStringLiteral("公式不能为空"));
        return;
    }
    // A formula without its item would be stored but never listed nor used.
    if (cboDest->currentIndex() < 0) {
        showError(this, cboDest->count() > 0 ? QStringLiteral("请选择工资项目")
                                             : QStringLiteral("还没有工资项目，请先在“工资项目定义”中增加"));
        return;
    }
    // A text the calculation cannot compile would empty the item on every calculation: it is
    // saved only when the clerk says so (the default is not to).
    QStringList faults;
    if (const FormulaCheck::Result gs = m_check.check(edtGs->text(), m_items); !gs.ok)
        faults << gs.message;
    if (const FormulaCheck::Result con = m_check.check(edtCon->text(), m_items); !con.ok)
        faults << QStringLiteral("采用条件中") + con.message;
    if (!faults.isEmpty()
        && !askYesNoDefaultNo(this, QStringLiteral("公式有错误：") + faults.join(QStringLiteral("；"))
                                        + QStringLiteral("，仍然保存吗？")))
        return;
    const WageFormula formula{m_xh, cboDest->currentData().toString(), edtGs->text(), edtCon->text()};
    try {
        WageFormulas::save(formula, m_mode == 1);
    } catch (...) {
        showError(this, QStringLiteral("保存失败(") + failureText(std::current_exception()) + QLatin1Char(')'),
                  QStringLiteral("错误"));
        return;
    }
    showInfo(this, QStringLiteral("保存成功"));
    accept();
}

bool TfrmGzgsMdy::execute(QWidget *parent, int mode, const WageFormula &current)
{
    TfrmGzgsMdy dialog(mode, parent);
    if (mode != 1)
        dialog.fill(current);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace jjgz
