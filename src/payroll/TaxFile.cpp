#include "payroll/TaxFile.h"

#include "app/Application.h"
#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "payroll/SummaryData.h"
#include "tax/TaxDeclaration.h"
#include "tax/TaxRates.h"
#include "widgets/MessageService.h"
#include "widgets/MonthPicker.h"
#include "widgets/ScreenParts.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace jjgz {

void TfrmTaxFile::execute(QWidget *parent)
{
    TfrmTaxFile dialog(parent);
    dialog.exec();
}

TfrmTaxFile::TfrmTaxFile(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("个税申报导出"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeCaptionStrip(QStringLiteral("个税申报导出（正常工资薪金所得）"), this));
    const QDate biz = QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd"));
    edtDt = makeMonthPicker(this, biz.isValid() ? biz.year() : QDate::currentDate().year(),
                            biz.isValid() ? biz.month() : QDate::currentDate().month());
    edtDt->setObjectName(QStringLiteral("edtDt"));
    auto *monthRow = new QHBoxLayout;
    monthRow->addWidget(new QLabel(QStringLiteral("工资月份"), this));
    monthRow->addWidget(edtDt);
    monthRow->addStretch();
    layout->addLayout(monthRow);
    auto *hint =
        new QLabel(QStringLiteral("为申报表的各列选择对应的工资项目（只需设置一次）；未选择的列留空。"
                                  "工号、姓名取自工资数据，证件类型为居民身份证，证件号码取员工名册的身份证号。"),
                   this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    grid = new QTableWidget(0, 2, this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setHorizontalHeaderLabels({QStringLiteral("申报表的列"), QStringLiteral("工资项目")});
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setColumnWidth(0, 180);
    layout->addWidget(grid, 1);
    auto *buttons = new QHBoxLayout;
    btnExport = new QPushButton(QStringLiteral("导出"), this);
    btnExport->setObjectName(QStringLiteral("btnExport"));
    btnClose = new QPushButton(QStringLiteral("退出"), this);
    buttons->addStretch();
    buttons->addWidget(btnExport);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    connect(edtDt, &QDateEdit::dateChanged, this, [this] { guarded(this, [this] { loadMonth(); }); });
    connect(btnExport, &QPushButton::clicked, this, [this] { guarded(this, [this] { exportFile(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    resize(460, 560);
    guarded(this, [this] { loadMonth(); });
}

void TfrmTaxFile::loadMonth()
{
    const QList<MonthItem> items = SummaryData::monthItems(edtDt->date().year(), edtDt->date().month());
    QHash<QString, QString> mapping = TaxDeclaration::savedMapping();
    // What is chosen now and not saved yet stays chosen when the month changes.
    for (int r = 0; r < grid->rowCount(); ++r)
        if (auto *c = qobject_cast<QComboBox *>(grid->cellWidget(r, 1)))
            mapping.insert(grid->item(r, 0)->text(), c->currentData().toString());
    const QStringList columns = TaxDeclaration::mappableColumns();
    grid->setRowCount(int(columns.size()));
    for (int r = 0; r < columns.size(); ++r) {
        auto *name = new QTableWidgetItem(columns[r]);
        name->setFlags(Qt::ItemIsEnabled);
        grid->setItem(r, 0, name);
        auto *c = new QComboBox(grid);
        c->addItem(QStringLiteral("（不填）"), QString());
        for (const MonthItem &item : items)
            c->addItem(BracketText(item.fname, item.xmname), item.fname);
        const QString chosen = mapping.value(columns[r]);
        const int at = c->findData(chosen);
        if (at >= 0)
            c->setCurrentIndex(at);
        else if (!chosen.isEmpty()) // saved, but not an item of this month
            c->addItem(QStringLiteral("[%1]（本月没有此项目）").arg(chosen), QString());
        grid->setCellWidget(r, 1, c);
    }
}

bool TfrmTaxFile::exportFile()
{
    const int year = edtDt->date().year(), month = edtDt->date().month();
    QHash<QString, QString> mapping;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (auto *c = qobject_cast<QComboBox *>(grid->cellWidget(r, 1)))
            if (!c->currentData().toString().isEmpty())
                mapping.insert(grid->item(r, 0)->text(), c->currentData().toString());
    if (!TaxDeclaration::saveMapping(mapping))
        showError(this, QStringLiteral("项目对应关系无法保存到 %1（本次导出照常进行）").arg(configPath()));
    TaxDeclaration d;
    try {
        d = TaxDeclaration::prepare(year, month, mapping);
    } catch (const TaxError &e) {
        showError(this, e.message());
        return false;
    }
    const QString ym = QStringLiteral("%1年%2月").arg(year).arg(month, 2, 10, QLatin1Char('0'));
    if (d.rows.isEmpty()) {
        showError(this, QStringLiteral("%1没有工资数据，没有可申报的员工").arg(ym));
        return false;
    }
    if (!d.problems.isEmpty()) {
        const int shown = std::min<int>(int(d.problems.size()), 10);
        QString text = QStringLiteral("%1名员工没有身份证号码，申报表中他们的证件号码为空：\n").arg(d.problems.size())
                       + QStringList(d.problems.mid(0, shown)).join(u'\n');
        if (d.problems.size() > shown)
            text += QStringLiteral("\n……");
        if (!askYesNo(this, text + QStringLiteral("\n\n仍要导出吗？")))
            return false;
    }
    const QString path = messages().saveFileName(
        this, QStringLiteral("个税申报导出"),
        QDir::home().filePath(QStringLiteral("个税申报%1%2.xlsx").arg(year).arg(month, 2, 10, QLatin1Char('0'))),
        QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (path.isEmpty())
        return false;
    try {
        d.write(path);
    } catch (const TaxError &e) {
        showError(this, e.message(), QStringLiteral("错误"));
        return false;
    }
    showInfo(this, QStringLiteral("已导出%1名员工的%2个税申报数据").arg(d.rows.size()).arg(ym));
    return true;
}

} // namespace jjgz
