#include "app/ImportDialog.h"

#include "app/Application.h"
#include "data/MyFun.h"
#include "widgets/MessageService.h"
#include "widgets/ToolIcons.h"

#include <QComboBox>
#include <QFileInfo>
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
const QString kFilter = QStringLiteral("表格文件(*.xlsx *.xls *.csv);;所有文件(*)");
const QColor kProblemRow(255, 228, 225);
const QColor kSkippedRow(238, 238, 238);
} // namespace

QIcon importIcon()
{
    const QImage image = toolIcon(Glyph::Export).pixmap(48, 48).toImage().mirrored(true, false);
    return QIcon(QPixmap::fromImage(image));
}

TfrmImport::TfrmImport(const QString &title, const QString &hint, Runner runner, QWidget *parent)
    : QDialog(parent), m_runner(std::move(runner))
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(title);

    lblHint = new QLabel(hint, this);
    lblHint->setWordWrap(true);
    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    cboSheet = new QComboBox(this);
    cboSheet->setObjectName(QStringLiteral("cboSheet"));
    cboSheet->setMinimumWidth(120);
    btnOpen = new QPushButton(QStringLiteral("选择文件…"), this);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    auto *fileBar = new QHBoxLayout;
    fileBar->addWidget(new QLabel(QStringLiteral("文件："), this));
    fileBar->addWidget(lblFile, 1);
    fileBar->addWidget(new QLabel(QStringLiteral("工作表："), this));
    fileBar->addWidget(cboSheet);
    fileBar->addWidget(btnOpen);

    grid = new QTableWidget(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    lstProblems = new QListWidget(this);
    lstProblems->setObjectName(QStringLiteral("lstProblems"));
    lstProblems->setMaximumHeight(110);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);

    btnImport = new QPushButton(QStringLiteral("导入"), this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnImport->setIcon(importIcon());
    btnClose = new QPushButton(QStringLiteral("关闭"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblSummary, 1);
    buttons->addWidget(btnImport);
    buttons->addWidget(btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHint);
    layout->addLayout(fileBar);
    layout->addWidget(grid, 1);
    layout->addWidget(new QLabel(QStringLiteral("问题："), this));
    layout->addWidget(lstProblems);
    layout->addLayout(buttons);

    connect(btnOpen, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnOpenClick(); }); });
    connect(btnImport, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnImportClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(cboSheet, &QComboBox::currentIndexChanged, this, [this] {
        if (m_loaded)
            guarded(this, [this] { load(m_path, cboSheet->currentText()); });
    });
    btnImport->setEnabled(false);
    resize(900, 560);
}

bool TfrmImport::execute(QWidget *parent, const QString &title, const QString &hint, Runner runner)
{
    const QString path = messages().openFileName(parent, QStringLiteral("选择要导入的表格"), appDir(), kFilter);
    if (path.isEmpty())
        return false;
    TfrmImport dialog(title, hint, std::move(runner), parent);
    if (!dialog.load(path))
        return false;
    dialog.exec();
    return dialog.result().written;
}

bool TfrmImport::load(const QString &path, const QString &sheet)
{
    SheetTable table;
    QStringList sheets;
    try {
        sheets = SheetReader::sheetNames(path);
        table = SheetTable::fromRows(SheetReader::read(path, sheet));
    } catch (const SheetError &e) {
        showError(this, e.message());
        return false;
    }
    m_path = path;
    m_table = table;
    m_result = m_runner(m_table, true);
    lblFile->setText(QFileInfo(path).fileName());
    lblFile->setToolTip(path);
    {
        const QSignalBlocker block(cboSheet);
        cboSheet->clear();
        for (const QString &s : std::as_const(sheets))
            cboSheet->addItem(s.isEmpty() ? QStringLiteral("（唯一）") : s);
        const qsizetype i = sheet.isEmpty() ? 0 : sheets.indexOf(sheet);
        cboSheet->setCurrentIndex(int(qMax<qsizetype>(i, 0)));
        cboSheet->setEnabled(sheets.size() > 1);
    }
    m_loaded = true;
    showResult();
    return true;
}

void TfrmImport::showResult()
{
    QStringList titles = {QStringLiteral("行号"), QStringLiteral("结果")};
    titles += m_result.columns;
    titles << QStringLiteral("问题和说明");
    grid->clear();
    grid->setColumnCount(int(titles.size()));
    grid->setHorizontalHeaderLabels(titles);
    grid->setRowCount(int(m_result.rows.size()));
    for (int r = 0; r < m_result.rows.size(); ++r) {
        const ImportRow &row = m_result.rows.at(r);
        QStringList cells = {QString::number(row.row), row.action};
        cells += row.values;
        while (cells.size() < titles.size() - 1)
            cells << QString();
        cells << row.notes.join(QStringLiteral("；"));
        const bool bad = row.action == QStringLiteral("有错误");
        const bool skipped = row.action == QStringLiteral("不变") || row.action == QStringLiteral("跳过");
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            if (bad)
                item->setBackground(kProblemRow);
            else if (skipped)
                item->setBackground(kSkippedRow);
            if (c == cells.size() - 1)
                item->setToolTip(row.notes.join(u'\n'));
            grid->setItem(r, c, item);
        }
    }
    grid->resizeColumnsToContents();
    for (int c = 0; c < grid->columnCount() - 1; ++c)
        grid->setColumnWidth(c, qMin(grid->columnWidth(c), 160));

    lstProblems->clear();
    for (const ImportProblem &p : std::as_const(m_result.problems))
        lstProblems->addItem(p.text());
    QString summary = QStringLiteral("共 %1 行。").arg(m_result.rows.size());
    if (m_result.ok())
        summary += QStringLiteral("将新增 %1 行，更新 %2 行，跳过 %3 行（与已有数据相同）。")
                       .arg(m_result.added)
                       .arg(m_result.updated)
                       .arg(m_result.skipped);
    else
        summary += QStringLiteral("有 %1 处问题：改正表格并重新选择文件后才能导入。").arg(m_result.problems.size());
    if (!m_result.unknownColumns.isEmpty())
        summary += QStringLiteral("未识别的列（不导入）：") + m_result.unknownColumns.join(QStringLiteral("、"));
    lblSummary->setText(summary);
    btnImport->setEnabled(m_result.ok() && m_result.added + m_result.updated > 0);
}

void TfrmImport::btnOpenClick()
{
    const QString path = messages().openFileName(this, QStringLiteral("选择要导入的表格"),
                                                 m_path.isEmpty() ? appDir() : QFileInfo(m_path).path(), kFilter);
    if (!path.isEmpty())
        load(path);
}

void TfrmImport::btnImportClick()
{
    // Checked again as it is written: the database may have changed since the preview.
    const ImportResult done = m_runner(m_table, false);
    if (!done.written) {
        m_result = done;
        showResult();
        showError(this, done.summary());
        return;
    }
    m_result = done;
    showInfo(this, done.summary());
    accept();
}

} // namespace jjgz
