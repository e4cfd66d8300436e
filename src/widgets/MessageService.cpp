#include "MessageService.h"

#include "data/DbErrors.h"
#include "widgets/DbGrid.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QRegularExpression>
#include <QSpacerItem>

namespace jjgz {
namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

class QtMessageService final : public MessageService {
public:
    void message(QWidget *parent, const QString &title, const QString &text, MsgIcon icon) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
        widenMessageBox(box);
        box.exec();
    }
    void messageWithDetails(QWidget *parent, const QString &title, const QString &text, MsgIcon icon,
                            const QString &details) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
        box.setDetailedText(details);
        widenMessageBox(box);
        box.exec();
    }
    QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButtons buttons, MsgIcon icon) override
    {
        QMessageBox box(toQt(icon), title, text, buttons, parent);
        widenMessageBox(box);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                         QString *selectedFilter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
    }
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    }
    QString directory(QWidget *parent, const QString &caption, const QString &dir) override
    {
        return QFileDialog::getExistingDirectory(parent, caption, dir);
    }
};

QtMessageService &qtService()
{
    static QtMessageService service;
    return service;
}

MessageService *current = nullptr;

} // namespace

void widenMessageBox(QMessageBox &box)
{
    // The box sizes itself from its text and ignores a minimum width of its own; a spacer across
    // the bottom of its grid keeps it wide enough for the title and a margin beside the text.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        if (box.property("jjgzWidened").toBool())
            return;
        box.setProperty("jjgzWidened", true);
        grid->addItem(new QSpacerItem(MessageBoxMinimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

void MessageService::messageWithDetails(QWidget *parent, const QString &title, const QString &text, MsgIcon icon,
                                        const QString &details)
{
    message(parent, title, details.isEmpty() ? text : text + QStringLiteral("\n\n") + details, icon);
}

MessageService &messages()
{
    return current ? *current : qtService();
}

MessageService *setMessageService(MessageService *service)
{
    MessageService *previous = current;
    current = service;
    return previous;
}

void showInfo(QWidget *parent, const QString &text)
{
    messages().message(parent, QStringLiteral("提示"), text, MsgIcon::Information);
}

void showError(QWidget *parent, const QString &text, const QString &title)
{
    messages().message(parent, title, text, MsgIcon::Error);
}

bool askYesNo(QWidget *parent, const QString &text)
{
    return messages().question(parent, QStringLiteral("询问"), text, QMessageBox::Yes | QMessageBox::No,
                               MsgIcon::Question)
           == QMessageBox::Yes;
}

// The title of the list column showing `field` near `parent`: in the grid that reported it or
// in a grid of the same window.
static QString columnTitle(QWidget *parent, const QString &field)
{
    QList<DbGrid *> grids;
    for (QWidget *w = parent; w; w = w->parentWidget())
        if (auto *grid = qobject_cast<DbGrid *>(w))
            grids << grid;
    if (parent)
        grids << parent->window()->findChildren<DbGrid *>();
    for (DbGrid *grid : std::as_const(grids)) {
        const int column = grid->columnIndex(field);
        if (column >= 0 && !grid->column(column).title.trimmed().isEmpty())
            return grid->column(column).title.trimmed();
    }
    return QString();
}

QString failureForClerk(QWidget *parent, const QString &text)
{
    QString out = plainDbText(text);
    // A refused value names its column as the list titles it, never by the field's name.
    static const QRegularExpression fieldName(QStringLiteral("（字段 ([^）]*)）"));
    const QRegularExpressionMatch m = fieldName.match(out);
    if (m.hasMatch()) {
        const QString title = columnTitle(parent, m.captured(1));
        out.replace(m.capturedStart(), m.capturedLength(),
                    title.isEmpty() ? QString() : QStringLiteral("（%1）").arg(title));
        out.replace(QStringLiteral("有效的浮点数"), QStringLiteral("有效的数字"));
        out += QStringLiteral("，请重新输入");
    }
    return out;
}

void showFailure(QWidget *parent, const QString &text)
{
    messages().message(parent, QStringLiteral("错误"), failureForClerk(parent, text), MsgIcon::Error);
}

} // namespace jjgz
