#include "widgets/DbNavigator.h"

#include "widgets/MessageService.h"
#include "widgets/ToolIcons.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace jjgz {

DbNavigator::DbNavigator(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The program's own pictures, as on the main toolbar, with the Chinese names as tooltips.
    struct Spec {
        Glyph glyph;
        const char16_t *tip;
    };
    static const Spec specs[ButtonCount] = {
        {Glyph::Add, u"插入记录"}, {Glyph::Delete, u"删除记录"}, {Glyph::Edit, u"编辑记录"},
        {Glyph::Save, u"保存"},    {Glyph::Cancel, u"取消"},
    };
    for (int i = 0; i < ButtonCount; ++i) {
        auto *b = new QToolButton(this);
        b->setIcon(toolIcon(specs[i].glyph));
        b->setIconSize(QSize(18, 18));
        b->setToolTip(QString::fromUtf16(specs[i].tip));
        b->setAccessibleName(b->toolTip());
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(28);
        b->setAutoRaise(false);
        layout->addWidget(b);
        m_buttons[i] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { trigger(static_cast<Button>(i)); });
    }
    layout->addStretch();
    updateButtons();
}

void DbNavigator::setTable(DataTable *table)
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_table = table;
    if (table) {
        m_connections << connect(table, &DataTable::stateChanged, this, [this] { updateButtons(); });
        m_connections << connect(table, &DataTable::currentRowChanged, this, [this] { updateButtons(); });
        m_connections << connect(table, &DataTable::reset, this, [this] { updateButtons(); });
        m_connections << connect(table, &DataTable::rowRemoved, this, [this] { updateButtons(); });
        m_connections << connect(table, &DataTable::rowInserted, this, [this] { updateButtons(); });
    }
    updateButtons();
}

void DbNavigator::updateButtons()
{
    const bool active = m_table && m_table->isActive();
    const bool editing = active && m_table->isEditing();
    const bool hasRows = active && !m_table->isEmpty();
    m_buttons[Insert]->setEnabled(active);
    m_buttons[Delete]->setEnabled(hasRows);
    m_buttons[EditRow]->setEnabled(hasRows && !editing);
    m_buttons[Post]->setEnabled(editing);
    m_buttons[Cancel]->setEnabled(editing);
}

void DbNavigator::trigger(Button which)
{
    if (!m_table || !m_table->isActive())
        return;
    try {
        switch (which) {
        case Insert: m_table->insert(); break;
        case Delete:
            if (m_table->isEmpty())
                break;
            if (m_confirmDelete && !askYesNo(this, QStringLiteral("确定要删除吗？")))
                break;
            m_table->remove();
            break;
        case EditRow: m_table->edit(); break;
        case Post: m_table->post(); break;
        case Cancel: m_table->cancel(); break;
        case ButtonCount: break;
        }
    } catch (const DataError &e) {
        showFailure(this, e.message());
    } catch (const std::exception &e) {
        showFailure(this, QString::fromUtf8(e.what()));
    }
    updateButtons();
}

} // namespace jjgz
