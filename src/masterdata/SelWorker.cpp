#include "masterdata/SelWorker.h"

#include "app/Application.h"
#include "data/DBFun.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace jjgz {
namespace {
constexpr int CodeRole = Qt::UserRole;
constexpr int NameRole = Qt::UserRole + 1;

// A small figure of a person, in grey for a node and in white when it is selected.
QPixmap personPixmap(const QColor &colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(5, 1.5, 6, 6));
    p.drawRoundedRect(QRectF(2.5, 8.5, 11, 7), 3, 3);
    return pixmap;
}

QIcon workerIcon()
{
    QIcon icon;
    icon.addPixmap(personPixmap(QColor(0x4a, 0x6f, 0x9c)), QIcon::Normal);
    icon.addPixmap(personPixmap(Qt::white), QIcon::Selected);
    return icon;
}
} // namespace

TfrmSelWorker::TfrmSelWorker(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelWorker"));
    setWindowTitle(QStringLiteral("请选择员工"));

    auto *frame = new QGroupBox(QStringLiteral("员工列表"), this);
    tv = new QTreeWidget(frame);
    tv->setObjectName(QStringLiteral("tv"));
    tv->setHeaderHidden(true);
    tv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tv->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double click chooses; it does not also fold the department up again.
    tv->setExpandsOnDoubleClick(false);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(4, 4, 4, 4);
    frameLayout->addWidget(tv);

    btnLocate = new QPushButton(QStringLiteral("定位"), this);
    btnLocate->setObjectName(QStringLiteral("btnLocate"));
    btnLocate->setAutoDefault(false);
    btnOk = new QPushButton(QStringLiteral("选中"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnLocate);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    connect(btnLocate, &QPushButton::clicked, this, [this] { choose(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { choose(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tv, &QTreeWidget::itemDoubleClicked, this, [this] { choose(); });

    setFixedSize(392, 388);
    guarded(this, [this] { buildTree(); });
}

void TfrmSelWorker::buildTree()
{
    const QIcon icon = workerIcon();
    tv->clear();
    for (const PickerDepart &depart : WorkerData::pickerTree()) {
        auto *node = new QTreeWidgetItem(tv, {BracketText(depart.bmcode, depart.bmname)});
        for (const WorkerPick &worker : depart.workers) {
            auto *leaf = new QTreeWidgetItem(node, {BracketText(worker.wkcode, worker.wkname)});
            leaf->setData(0, CodeRole, worker.wkcode);
            leaf->setData(0, NameRole, worker.wkname);
            leaf->setIcon(0, icon);
        }
    }
}

void TfrmSelWorker::choose()
{
    QTreeWidgetItem *item = tv->currentItem();
    if (!item)
        return;
    if (item->childCount() > 0) {
        item->setExpanded(true);
        tv->setCurrentItem(item->child(0));
        return;
    }
    m_pick = {item->data(0, CodeRole).toString(), item->data(0, NameRole).toString()};
    accept();
}

void TfrmSelWorker::showEvent(QShowEvent *event)
{
    // Centred on the screen, not on the window that opened it.
    if (QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(event);
}

std::optional<WorkerPick> TfrmSelWorker::execute(QWidget *parent)
{
    TfrmSelWorker dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.pick();
}

} // namespace jjgz
