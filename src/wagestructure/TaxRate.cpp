#include "wagestructure/TaxRate.h"

#include "data/MainDM.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace jjgz {

namespace {

QString number(double x)
{
    return QString::number(x, 'f', 6).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

} // namespace

void TfrmTaxRate::execute(QWidget *parent)
{
    TfrmTaxRate dialog(parent);
    dialog.exec();
}

TfrmTaxRate::TfrmTaxRate(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("税率表"));
    resize(560, 400);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeCaptionStrip(QStringLiteral("个人所得税税率表"), this));
    auto *hint =
        new QLabel(QStringLiteral("上限为本档应纳税所得额的上限（含），最后一档不填上限；税率按小数填写，3%填0.03。"
                                  "全年一次性奖金按奖金除以12后的金额选择税率。"),
                   this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    tabs = new QTabWidget(this);
    for (int k = 0; k < 2; ++k) {
        QTableWidget *t = new QTableWidget(0, 4, this);
        t->setObjectName(k == 0 ? QStringLiteral("gridWages") : QStringLiteral("gridBonus"));
        t->setHorizontalHeaderLabels({QStringLiteral("级数"), QStringLiteral("上限（含）"), QStringLiteral("税率"),
                                      QStringLiteral("速算扣除数")});
        t->verticalHeader()->hide();
        t->horizontalHeader()->setStretchLastSection(true);
        t->setColumnWidth(0, 50);
        t->setColumnWidth(1, 140);
        t->setColumnWidth(2, 100);
        grid[k] = t;
        tabs->addTab(t, TaxRates::kindName(TaxRates::Kinds[k]));
    }
    layout->addWidget(tabs);
    auto *buttons = new QHBoxLayout;
    btnAppend = new QPushButton(QStringLiteral("增加一档"), this);
    btnDel = new QPushButton(QStringLiteral("删除一档"), this);
    btnStandard = new QPushButton(QStringLiteral("恢复标准税率"), this);
    btnSave = new QPushButton(QStringLiteral("保存"), this);
    btnClose = new QPushButton(QStringLiteral("退出"), this);
    for (QPushButton *b : {btnAppend, btnDel, btnStandard})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);

    connect(btnAppend, &QPushButton::clicked, this, [this] {
        QTableWidget *t = current();
        const int at = t->currentRow() >= 0 ? t->currentRow() : std::max(0, t->rowCount() - 1);
        t->insertRow(at);
        renumber(t);
        t->setCurrentCell(at, 1);
    });
    connect(btnDel, &QPushButton::clicked, this, [this] {
        QTableWidget *t = current();
        if (t->currentRow() < 0)
            return;
        if (!askYesNo(this, QStringLiteral("确定要删除第%1档吗？").arg(t->currentRow() + 1)))
            return;
        t->removeRow(t->currentRow());
        renumber(t);
    });
    connect(btnStandard, &QPushButton::clicked, this, [this] {
        if (askYesNo(this, QStringLiteral("要把两张税率表恢复为国家规定的标准税率吗？（保存后生效）")))
            showRates(TaxRates::standard());
    });
    connect(btnSave, &QPushButton::clicked, this, [this] { save(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    try {
        showRates(TaxRates::load());
    } catch (const DbError &e) {
        showError(this, QStringLiteral("读取税率表失败(%1)").arg(e.message()), QStringLiteral("错误"));
    }
}

QTableWidget *TfrmTaxRate::current() const
{
    return grid[tabs->currentIndex() == 1 ? 1 : 0];
}

void TfrmTaxRate::renumber(QTableWidget *t)
{
    for (int r = 0; r < t->rowCount(); ++r) {
        auto *item = new QTableWidgetItem(QString::number(r + 1));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(Qt::AlignCenter);
        t->setItem(r, 0, item);
    }
}

void TfrmTaxRate::showRates(const TaxRates &rates)
{
    for (int k = 0; k < 2; ++k) {
        QTableWidget *t = grid[k];
        const QList<TaxBracket> &list = rates.brackets(TaxRates::Kinds[k]);
        t->setRowCount(int(list.size()));
        for (int r = 0; r < list.size(); ++r) {
            const TaxBracket &b = list[r];
            t->setItem(r, 1, new QTableWidgetItem(b.upper ? number(*b.upper) : QString()));
            t->setItem(r, 2, new QTableWidgetItem(number(b.rate)));
            t->setItem(r, 3, new QTableWidgetItem(number(b.kcs)));
            for (int c = 1; c < 4; ++c)
                t->item(r, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        renumber(t);
    }
}

std::optional<TaxFault> TfrmTaxRate::collect(TaxRates &rates) const
{
    static const QString captions[] = {QString(), QStringLiteral("上限"), QStringLiteral("税率"),
                                       QStringLiteral("速算扣除数")};
    for (int k = 0; k < 2; ++k) {
        const int kind = TaxRates::Kinds[k];
        QTableWidget *t = grid[k];
        QList<TaxBracket> list;
        for (int r = 0; r < t->rowCount(); ++r) {
            TaxBracket b;
            for (int c = 1; c < 4; ++c) {
                const QString text = t->item(r, c) ? t->item(r, c)->text().trimmed() : QString();
                if (c == 1 && text.isEmpty())
                    continue;
                bool ok = false;
                const double v = text.isEmpty() ? 0.0 : text.toDouble(&ok);
                if (!text.isEmpty() && !ok)
                    return TaxFault{kind, r + 1,
                                    QStringLiteral("%1第%2行：%3“%4”不是数值")
                                        .arg(TaxRates::kindName(kind))
                                        .arg(r + 1)
                                        .arg(captions[c], text)};
                if (c == 1)
                    b.upper = v;
                else if (c == 2)
                    b.rate = v;
                else
                    b.kcs = v;
            }
            list.append(b);
        }
        rates.setBrackets(kind, list);
    }
    return rates.checkSave();
}

bool TfrmTaxRate::save()
{
    TaxRates rates;
    if (const std::optional<TaxFault> fault = collect(rates)) {
        tabs->setCurrentIndex(fault->kind == TaxRates::Bonus ? 1 : 0);
        QTableWidget *t = current();
        if (fault->row > 0 && fault->row <= t->rowCount())
            t->setCurrentCell(fault->row - 1, 1);
        showError(this, fault->message);
        return false;
    }
    try {
        rates.save();
    } catch (const DbError &e) {
        showError(this, QStringLiteral("保存失败(%1)").arg(e.message()), QStringLiteral("错误"));
        return false;
    }
    showInfo(this, QStringLiteral("保存成功，下次计算工资时按新的税率表计算"));
    return true;
}

} // namespace jjgz
