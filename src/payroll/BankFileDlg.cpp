#include "payroll/BankFileDlg.h"

#include "app/Application.h"
#include "app/ImportDialog.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "payroll/MonthImport.h"
#include "widgets/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace jjgz {
namespace {
constexpr int KeyRole = Qt::UserRole;
const QColor kLeftOut(255, 243, 205);
const QColor kError(255, 228, 225);
} // namespace

TfrmBankFile::TfrmBankFile(int year, int month, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBankFile"));
    setWindowTitle(QStringLiteral("银行代发"));

    edtDt = new QDateEdit(this);
    edtDt->setObjectName(QStringLiteral("edtDt"));
    edtDt->setDisplayFormat(QStringLiteral("yyyy年MM月"));
    edtDt->setDate(QDate(year, month, 1));
    cboItem = new QComboBox(this);
    cboItem->setObjectName(QStringLiteral("cboItem"));
    cboItem->setMinimumWidth(160);
    cboFormat = new QComboBox(this);
    cboFormat->setObjectName(QStringLiteral("cboFormat"));
    cboFormat->addItems({QStringLiteral("Excel 工作簿 (.xlsx)"), QStringLiteral("CSV 文本 (.csv)")});
    cboEncoding = new QComboBox(this);
    cboEncoding->setObjectName(QStringLiteral("cboEncoding"));
    cboEncoding->addItems({QStringLiteral("GBK"), QStringLiteral("UTF-8")});
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("工资月份"), edtDt);
    form->addRow(QStringLiteral("代发金额项目"), cboItem);
    form->addRow(QStringLiteral("文件格式"), cboFormat);
    form->addRow(QStringLiteral("CSV 编码"), cboEncoding);

    tblColumns = new QTableWidget(0, 3, this);
    tblColumns->setObjectName(QStringLiteral("tblColumns"));
    tblColumns->setHorizontalHeaderLabels(
        {QStringLiteral("使用"), QStringLiteral("内容"), QStringLiteral("文件中的标题")});
    tblColumns->verticalHeader()->hide();
    tblColumns->horizontalHeader()->setStretchLastSection(true);
    tblColumns->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblColumns->setSelectionMode(QAbstractItemView::SingleSelection);
    tblColumns->setColumnWidth(0, 40);
    tblColumns->setColumnWidth(1, 80);
    btnUp = new QPushButton(QStringLiteral("上移"), this);
    btnUp->setObjectName(QStringLiteral("btnUp"));
    btnDown = new QPushButton(QStringLiteral("下移"), this);
    btnDown->setObjectName(QStringLiteral("btnDown"));
    auto *moveBar = new QHBoxLayout;
    moveBar->addStretch(1);
    moveBar->addWidget(btnUp);
    moveBar->addWidget(btnDown);
    auto *settingsBox = new QGroupBox(QStringLiteral("本银行的文件格式（保存在 config.ini）"), this);
    auto *settingsLayout = new QVBoxLayout(settingsBox);
    settingsLayout->addLayout(form);
    settingsLayout->addWidget(tblColumns, 1);
    settingsLayout->addLayout(moveBar);
    settingsBox->setFixedWidth(330);

    grid = new QTableWidget(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    lstProblems = new QListWidget(this);
    lstProblems->setObjectName(QStringLiteral("lstProblems"));
    lstProblems->setMaximumHeight(120);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("文件内容（按已保存的工资数据）："), this));
    right->addWidget(grid, 1);
    right->addWidget(new QLabel(QStringLiteral("未列入和有错误的员工："), this));
    right->addWidget(lstProblems);
    auto *top = new QHBoxLayout;
    top->addWidget(settingsBox);
    top->addLayout(right, 1);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    btnWrite = new QPushButton(QStringLiteral("生成文件…"), this);
    btnWrite->setObjectName(QStringLiteral("btnWrite"));
    btnClose = new QPushButton(QStringLiteral("关闭"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblSummary, 1);
    buttons->addWidget(btnWrite);
    buttons->addWidget(btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    const BankSettings stored = BankSettings::load();
    fillColumns(stored);
    cboEncoding->setCurrentIndex(stored.utf8 ? 1 : 0);
    cboFormat->setCurrentIndex(ReadConfig(QStringLiteral("BankFile"), QStringLiteral("Format"), QStringLiteral("xlsx"))
                                       == QLatin1String("csv")
                                   ? 1
                                   : 0);
    cboEncoding->setEnabled(cboFormat->currentIndex() == 1);

    auto again = [this] {
        if (!m_filling)
            guarded(this, [this] { refresh(); });
    };
    connect(edtDt, &QDateEdit::dateChanged, this, [this] {
        guarded(this, [this] {
            fillItems();
            refresh();
        });
    });
    connect(cboItem, &QComboBox::currentIndexChanged, this, again);
    connect(cboFormat, &QComboBox::currentIndexChanged, this,
            [this] { cboEncoding->setEnabled(cboFormat->currentIndex() == 1); });
    connect(tblColumns, &QTableWidget::itemChanged, this, again);
    connect(btnUp, &QPushButton::clicked, this, [this] { moveColumn(-1); });
    connect(btnDown, &QPushButton::clicked, this, [this] { moveColumn(1); });
    connect(btnWrite, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnWriteClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    resize(960, 560);
    guarded(this, [this] {
        fillItems();
        refresh();
    });
}

void importMonthValues(QWidget *parent, int year, int month)
{
    TfrmImport::execute(
        parent, QStringLiteral("导入 %1年%2月 的工资数据").arg(year).arg(month, 2, 10, QLatin1Char('0')),
        QStringLiteral(
            "第一个有内容的行是标题行：员工代码（必填），再每个工资项目一列，标题写项目名称或编码（如 f3）；"
            "由公式计算的项目不能导入，空格保留原值。导入的是已保存的工资数据：导入后请重新调出该月并计算。"),
        [year, month](const SheetTable &table, bool dryRun) { return MonthImport::run(year, month, table, dryRun); });
}

void TfrmBankFile::execute(QWidget *parent, int year, int month)
{
    TfrmBankFile dialog(year, month, parent);
    dialog.exec();
}

void TfrmBankFile::fillItems()
{
    const QString before = cboItem->currentData().toString();
    const QList<BankFile::Item> items = BankFile::items(edtDt->date().year(), edtDt->date().month());
    m_filling = true;
    cboItem->clear();
    int chosen = -1;
    for (const BankFile::Item &i : items) {
        cboItem->addItem(QStringLiteral("[%1]%2").arg(i.fname, i.xmname), i.fname);
        if (i.fname == before)
            chosen = cboItem->count() - 1;
        else if (chosen < 0 && i.xmname.contains(QStringLiteral("实发")))
            chosen = cboItem->count() - 1;
    }
    cboItem->setCurrentIndex(chosen >= 0 ? chosen : cboItem->count() - 1);
    m_filling = false;
}

void TfrmBankFile::fillColumns(const BankSettings &settings)
{
    m_filling = true;
    tblColumns->setRowCount(0);
    QList<BankColumn> order = settings.columns;
    for (const BankColumn &c : BankSettings::available()) {
        bool used = false;
        for (const BankColumn &u : std::as_const(settings.columns))
            used = used || u.key == c.key;
        if (!used)
            order << c;
    }
    const QList<BankColumn> all = BankSettings::available();
    for (const BankColumn &c : std::as_const(order)) {
        const int r = tblColumns->rowCount();
        tblColumns->insertRow(r);
        auto *use = new QTableWidgetItem;
        use->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        bool used = false;
        for (const BankColumn &u : std::as_const(settings.columns))
            used = used || u.key == c.key;
        use->setCheckState(used ? Qt::Checked : Qt::Unchecked);
        use->setData(KeyRole, c.key);
        tblColumns->setItem(r, 0, use);
        QString what;
        for (const BankColumn &a : all)
            if (a.key == c.key)
                what = a.title;
        auto *name = new QTableWidgetItem(what);
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        tblColumns->setItem(r, 1, name);
        tblColumns->setItem(r, 2, new QTableWidgetItem(c.title));
    }
    m_filling = false;
}

BankSettings TfrmBankFile::settings() const
{
    BankSettings s;
    for (int r = 0; r < tblColumns->rowCount(); ++r) {
        const QTableWidgetItem *use = tblColumns->item(r, 0);
        if (use->checkState() != Qt::Checked)
            continue;
        QString title = tblColumns->item(r, 2)->text().trimmed();
        if (title.isEmpty())
            title = tblColumns->item(r, 1)->text();
        s.columns << BankColumn{use->data(KeyRole).toString(), title};
    }
    s.utf8 = cboEncoding->currentIndex() == 1;
    return s;
}

void TfrmBankFile::moveColumn(int by)
{
    const int r = tblColumns->currentRow();
    const int to = r + by;
    if (r < 0 || to < 0 || to >= tblColumns->rowCount())
        return;
    m_filling = true;
    for (int c = 0; c < tblColumns->columnCount(); ++c) {
        QTableWidgetItem *a = tblColumns->takeItem(r, c);
        QTableWidgetItem *b = tblColumns->takeItem(to, c);
        tblColumns->setItem(r, c, b);
        tblColumns->setItem(to, c, a);
    }
    m_filling = false;
    tblColumns->setCurrentCell(to, 0);
    guarded(this, [this] { refresh(); });
}

void TfrmBankFile::refresh()
{
    m_plan = BankPlan();
    grid->clear();
    lstProblems->clear();
    const BankSettings s = settings();
    QStringList titles;
    for (const BankColumn &c : s.columns)
        titles << c.title;
    grid->setColumnCount(int(titles.size()));
    grid->setHorizontalHeaderLabels(titles);
    grid->setRowCount(0);
    const QDate d = edtDt->date();
    if (cboItem->count() == 0) {
        lblSummary->setText(QStringLiteral("%1年%2月还没有工资数据：请先在工资数据录入中调出并计算该月。")
                                .arg(d.year())
                                .arg(d.month()));
        btnWrite->setEnabled(false);
        return;
    }
    m_plan = BankFile::prepare(d.year(), d.month(), cboItem->currentData().toString());
    grid->setRowCount(int(m_plan.rows.size()));
    for (int r = 0; r < m_plan.rows.size(); ++r) {
        const BankRow &row = m_plan.rows.at(r);
        for (int c = 0; c < s.columns.size(); ++c) {
            const QString &key = s.columns.at(c).key;
            QString text;
            if (key == QLatin1String("xh"))
                text = QString::number(row.xh);
            else if (key == QLatin1String("wkcode"))
                text = row.wkcode;
            else if (key == QLatin1String("wkname"))
                text = row.wkname;
            else if (key == QLatin1String("bmname"))
                text = row.bmname;
            else if (key == QLatin1String("bankacc"))
                text = row.bankacc;
            else if (key == QLatin1String("amount"))
                text = centsText(row.cents);
            else if (key == QLatin1String("sfid"))
                text = row.sfid;
            auto *item = new QTableWidgetItem(text);
            if (key == QLatin1String("amount"))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
    }
    grid->resizeColumnsToContents();
    int errors = 0, leftOut = 0;
    for (const BankProblem &p : std::as_const(m_plan.problems)) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 %2 %3：%4")
                .arg(p.error ? QStringLiteral("错误") : QStringLiteral("未列入"), p.wkcode, p.wkname, p.message));
        item->setBackground(p.error ? kError : kLeftOut);
        lstProblems->addItem(item);
        (p.error ? errors : leftOut)++;
    }
    QString summary = QStringLiteral("共 %1 人，合计 %2 元").arg(m_plan.rows.size()).arg(centsText(m_plan.totalCents));
    if (leftOut > 0)
        summary += QStringLiteral("；%1 人没有银行账号，未列入，请另行发放").arg(leftOut);
    if (errors > 0)
        summary += QStringLiteral("；%1 处错误，改正后才能生成文件").arg(errors);
    lblSummary->setText(summary + QStringLiteral("。"));
    btnWrite->setEnabled(errors == 0 && !m_plan.rows.isEmpty() && !s.columns.isEmpty());
}

void TfrmBankFile::btnWriteClick()
{
    refresh(); // the stored wages as they are now
    if (!btnWrite->isEnabled())
        return;
    const bool csv = cboFormat->currentIndex() == 1;
    const BankSettings s = settings();
    if (!s.save()
        || !WriteConfig(QStringLiteral("BankFile"), QStringLiteral("Format"),
                        csv ? QStringLiteral("csv") : QStringLiteral("xlsx")))
        showError(this,
                  QStringLiteral("代发设置无法保存到 %1（文件只读或被占用），本次仍按当前设置生成").arg(configPath()));
    const QString name = QStringLiteral("代发工资%1%2.%3")
                             .arg(m_plan.year)
                             .arg(m_plan.month, 2, 10, QLatin1Char('0'))
                             .arg(csv ? QStringLiteral("csv") : QStringLiteral("xlsx"));
    QString path =
        messages().saveFileName(this, QStringLiteral("保存代发文件"), appDir() + u'/' + name,
                                csv ? QStringLiteral("CSV 文件(*.csv)") : QStringLiteral("Excel 工作簿(*.xlsx)"));
    if (path.isEmpty())
        return;
    const QString suffix = csv ? QStringLiteral("csv") : QStringLiteral("xlsx");
    if (QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) != 0)
        path += u'.' + suffix;
    BankFile::write(m_plan, s, path);
    showInfo(this, QStringLiteral("已生成代发文件 %1\n共 %2 人，合计 %3 元")
                       .arg(QDir::toNativeSeparators(path))
                       .arg(m_plan.rows.size())
                       .arg(centsText(m_plan.totalCents)));
}

} // namespace jjgz
