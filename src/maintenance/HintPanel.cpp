#include "HintPanel.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QVBoxLayout>

namespace jjgz {

QGroupBox *makeHintPanel(const QStringList &lines, QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral("提示"), parent);
    box->setObjectName(QStringLiteral("gbHint"));
    auto *paper = new QFrame(box);
    paper->setObjectName(QStringLiteral("pnlHint"));
    paper->setAutoFillBackground(true);
    QPalette pal = paper->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    paper->setPalette(pal);
    paper->setFrameShape(QFrame::StyledPanel);

    auto *icon = new QLabel(paper);
    icon->setPixmap(paper->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(6);
    for (const QString &line : lines) {
        auto *label = new QLabel(line, paper);
        label->setWordWrap(true);
        texts->addWidget(label);
    }
    auto *row = new QHBoxLayout(paper);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(10);
    row->addWidget(icon);
    row->addLayout(texts, 1);

    auto *layout = new QVBoxLayout(box);
    layout->addWidget(paper);
    return box;
}

void showProgress(QProgressBar *bar, int percent)
{
    if (percent < 0) {
        // A step whose share is unknown: the bar runs to and fro, and is repainted each time.
        if (bar->maximum() != 0)
            bar->setRange(0, 0);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    if (bar->maximum() == 0)
        bar->setRange(0, 100);
    else if (bar->value() == percent)
        return;
    bar->setValue(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace jjgz
