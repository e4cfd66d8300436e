#include "wagestructure/TaxFormula.h"

#include "data/DBFun.h"
#include "wagestructure/GzgsData.h"
#include "widgets/MessageService.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {

namespace {

// The item whose name holds one of `words`, or none.
int guess(const QList<WageItem> &items, std::initializer_list<const char16_t *> words)
{
    for (const char16_t *w : words)
        for (int i = 0; i < items.size(); ++i)
            if (items[i].xmname.contains(QString::fromUtf16(w)))
                return i;
    return -1;
}

} // namespace

std::optional<TfrmTaxFormula::Choice> TfrmTaxFormula::execute(QWidget *parent, const QList<WageItem> &items)
{
    TfrmTaxFormula dialog(items, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Choice{dialog.cboTax->currentData().toString(), dialog.formula()};
}

TfrmTaxFormula::TfrmTaxFormula(const QList<WageItem> &items, QWidget *parent) : QDialog(parent), m_items(items)
{
    setWindowTitle(QStringLiteral("个税公式"));
    auto *layout = new QVBoxLayout(this);
    auto *hint = new QLabel(QStringLiteral("按累计预扣法计算本月应预扣的个人所得税：\n"
                                           "（累计收入 − 5000×月数 − 累计专项扣除 − 累计专项附加扣除）按预扣率表计税，"
                                           "再减去本年以前月份已预扣的税额。"),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto *form = new QFormLayout;
    auto combo = [&](const QString &name, bool optional) {
        auto *c = new QComboBox(this);
        c->setObjectName(name);
        c->addItem(optional ? QStringLiteral("（无）") : QStringLiteral("（请选择）"), QString());
        for (const WageItem &item : m_items)
            c->addItem(BracketText(item.fname, item.xmname), item.fname);
        connect(c, &QComboBox::currentIndexChanged, this, [this] { update(); });
        return c;
    };
    cboIncome = combo(QStringLiteral("cboIncome"), false);
    cboSpecial = combo(QStringLiteral("cboSpecial"), true);
    cboAdditional = combo(QStringLiteral("cboAdditional"), true);
    cboTax = combo(QStringLiteral("cboTax"), false);
    form->addRow(QStringLiteral("应发（收入）"), cboIncome);
    form->addRow(QStringLiteral("专项扣除（社保、公积金）"), cboSpecial);
    form->addRow(QStringLiteral("专项附加扣除"), cboAdditional);
    form->addRow(QStringLiteral("个税项目（本公式计算的项目）"), cboTax);
    layout->addLayout(form);
    lblFormula = new QLabel(this);
    lblFormula->setObjectName(QStringLiteral("lblFormula"));
    lblFormula->setWordWrap(true);
    lblFormula->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDesc = new QLabel(this);
    lblDesc->setObjectName(QStringLiteral("lblDesc"));
    lblDesc->setWordWrap(true);
    layout->addWidget(new QLabel(QStringLiteral("公式："), this));
    layout->addWidget(lblFormula);
    layout->addWidget(new QLabel(QStringLiteral("公式描述："), this));
    layout->addWidget(lblDesc);
    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    btnYes = new QPushButton(QStringLiteral("确定"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnYes, &QPushButton::clicked, this, [this] {
        if (cboIncome->currentData().toString().isEmpty() || cboTax->currentData().toString().isEmpty()) {
            showError(this, QStringLiteral("请选择应发项目和个税项目"));
            return;
        }
        if (cboTax->currentData() == cboIncome->currentData() || cboTax->currentData() == cboSpecial->currentData()
            || cboTax->currentData() == cboAdditional->currentData()) {
            showError(this, QStringLiteral("个税项目不能同时是收入或扣除项目，请另选"));
            return;
        }
        accept();
    });
    // A first guess from the item names; the clerk confirms or changes it.
    const auto preset = [](QComboBox *c, int i) {
        if (i >= 0)
            c->setCurrentIndex(i + 1);
    };
    preset(cboIncome, guess(m_items, {u"应发", u"收入"}));
    preset(cboSpecial, guess(m_items, {u"专项扣除", u"社保", u"三险一金"}));
    preset(cboAdditional, guess(m_items, {u"专项附加"}));
    preset(cboTax, guess(m_items, {u"个税", u"所得税"}));
    resize(520, 320);
    update();
}

QString TfrmTaxFormula::formula() const
{
    const QString income = cboIncome->currentData().toString(), tax = cboTax->currentData().toString();
    if (income.isEmpty() || tax.isEmpty())
        return QString();
    return WageFormulas::taxFormula(income, cboSpecial->currentData().toString(),
                                    cboAdditional->currentData().toString(), tax);
}

void TfrmTaxFormula::update()
{
    const QString f = formula();
    lblFormula->setText(f.isEmpty() ? QStringLiteral("（请选择应发项目和个税项目）") : f);
    lblDesc->setText(WageFormulas::Describe(f, m_items));
}

} // namespace jjgz
