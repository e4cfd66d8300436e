#include "app/Setup.h"

#include "data/MyFun.h"
#include "widgets/DbGrid.h"
#include "widgets/MessageService.h"

#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

namespace jjgz {

namespace {
void centreOnScreen(QWidget *w)
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        w->move(avail.center() - QPoint(w->width() / 2, w->height() / 2));
    }
}
} // namespace

TfrmSetup::TfrmSetup(const QString &screenKey, DbGrid *grid, QWidget *parent)
    : QDialog(parent), m_screenKey(screenKey), m_grid(grid)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("项目显示设置"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    auto *frame = new QGroupBox(QStringLiteral("项目列表"), this);
    auto *frameLayout = new QVBoxLayout(frame);
    m_list = new QListWidget(frame);
    m_list->setObjectName(QStringLiteral("lstColumns"));
    // Two columns, filled top to bottom: the list wraps into a second column and scrolls sideways
    // when there are more entries than the two columns hold.
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    frameLayout->addWidget(m_list);
    layout->addWidget(frame);

    const QSize dialogSize(380, 330);
    setFixedSize(dialogSize);
    const int columnWidth = (dialogSize.width() - 2 * 8 - 2 * 12 - 6) / 2;
    m_list->setGridSize(QSize(columnWidth, m_list->fontMetrics().height() + 8));

    m_filling = true;
    const QHash<QString, QString> settings = ReadConfigSection(screenKey); // one reading per list
    for (int i = 0; grid && i < grid->columnCount(); ++i) {
        auto *item = new QListWidgetItem(grid->column(i).title, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        const bool shown = settings.value(QStringLiteral("col%1").arg(i), QStringLiteral("1")) == QStringLiteral("1");
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
    connect(m_list, &QListWidget::itemChanged, this, [this] { applyTicks(); });
    centreOnScreen(this);
}

void TfrmSetup::applyTicks()
{
    if (m_filling || !m_grid)
        return;
    QList<QPair<QString, QString>> values;
    for (int i = 0; i < m_list->count() && i < m_grid->columnCount(); ++i) {
        if (m_grid->column(i).tag == 1)
            continue;
        const bool shown = m_list->item(i)->checkState() == Qt::Checked;
        m_grid->setColumnVisible(i, shown);
        values.append({QStringLiteral("col%1").arg(i), shown ? QStringLiteral("1") : QStringLiteral("0")});
    }
    if (!WriteConfigValues(m_screenKey, values)) {
        // The list shows the choice, but it would be gone at the next start: say so.
        showError(this,
                  QStringLiteral("列设置没有保存：设置文件 %1 不能写入。请检查它是否只读或是一个文件夹，"
                                 "修正后再设置一次")
                      .arg(QDir::toNativeSeparators(configPath())),
                  QStringLiteral("错误"));
    }
}

} // namespace jjgz
