#include "widgets/ScreenParts.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace jjgz {

QToolBar *makeScreenToolBar(QWidget *parent)
{
    auto *bar = new QToolBar(QStringLiteral("ToolBar1"), parent);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(24, 24));
    return bar;
}

QAction *addToolButton(QToolBar *bar, const QIcon &icon, const QString &caption, const QString &objectName,
                       QSize buttonSize)
{
    QAction *action = bar->addAction(icon, caption);
    action->setObjectName(objectName);
    if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action))) {
        if (buttonSize.height() > 0)
            button->setFixedSize(buttonSize);
        else
            button->setFixedWidth(buttonSize.width());
        button->setAutoRaise(true);
    }
    return action;
}

QLabel *makeCaptionStrip(const QString &text, QWidget *parent)
{
    auto *caption = new QLabel(text, parent);
    caption->setObjectName(QStringLiteral("lblCaption"));
    caption->setAlignment(Qt::AlignCenter);
    caption->setMinimumHeight(26);
    QFont font = caption->font();
    font.setBold(true);
    // A font given in pixels (as the tests pin it) has no point size, and the other way round.
    if (font.pixelSize() > 0)
        font.setPixelSize(font.pixelSize() * 6 / 5);
    else
        font.setPointSizeF(font.pointSizeF() * 1.2);
    caption->setFont(font);
    caption->setStyleSheet(QStringLiteral("background:#dfe8f3;border-bottom:1px solid #a8b8cc;"));
    return caption;
}

QTreeWidget *makeGroupTree(QWidget *parent)
{
    auto *tree = new QTreeWidget(parent);
    tree->setObjectName(QStringLiteral("tv"));
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(false);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    return tree;
}

QSplitter *makeTreeListSplitter(QWidget *parent, const QString &treeTitle, QWidget *tree, const QString &listTitle,
                                QWidget *list)
{
    auto *splitter = new QSplitter(Qt::Horizontal, parent);
    splitter->setChildrenCollapsible(false);
    auto frame = [splitter](const QString &title, QWidget *content) {
        auto *box = new QGroupBox(title, splitter);
        auto *layout = new QVBoxLayout(box);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addWidget(content);
        splitter->addWidget(box);
    };
    frame(treeTitle, tree);
    frame(listTitle, list);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({199, 800});
    return splitter;
}

} // namespace jjgz
