// DbGrid's model: the rows of its DataTable in the grid's columns.
#include "widgets/DbGridParts.h"

#include <QDate>

namespace jjgz {

int DbGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !table() || !table()->isActive())
        return 0;
    return table()->rowCount();
}

int DbGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_grid->columnCount();
}

int DbGridModel::fieldOf(int column) const
{
    if (!table() || column < 0 || column >= m_grid->columnCount())
        return -1;
    const QString &f = m_grid->m_columns.at(column).field;
    return f.isEmpty() ? -1 : table()->fieldIndex(f);
}

QVariant DbGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !table())
        return {};
    const int field = fieldOf(index.column());
    const GridColumn &col = m_grid->m_columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole: return m_grid->displayText(index.row(), index.column());
    case Qt::EditRole: {
        if (field < 0)
            return QString();
        const QVariant v = table()->rowValue(index.row(), field);
        if (v.isNull())
            return QString();
        switch (table()->field(field).kind) {
        case FieldKind::Float: return QString::number(v.toDouble(), 'g', 15);
        case FieldKind::Date: return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        default: return v.toString();
        }
    }
    case Qt::TextAlignmentRole: {
        const bool number =
            field >= 0 && !col.displayText
            && (table()->field(field).kind == FieldKind::Float || table()->field(field).kind == FieldKind::Integer);
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::BackgroundRole:
        if (col.readOnly)
            return m_grid->palette().brush(QPalette::ToolTipBase);
        return {};
    case Qt::ForegroundRole:
        if (col.readOnly)
            return m_grid->palette().brush(QPalette::ToolTipText);
        return {};
    default: return {};
    }
}

Qt::ItemFlags DbGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_grid->m_readOnly && !m_grid->m_columns.at(index.column()).readOnly && fieldOf(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DbGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !table())
        return false;
    const int field = fieldOf(index.column());
    if (field < 0)
        return false;
    try {
        if (!table()->setCurrentRow(index.row()))
            return false;
        table()->setValue(field, value);
    } catch (const std::exception &e) {
        m_grid->reportFailure(e);
        return false;
    }
    return true;
}

QVariant DbGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_grid->columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return m_grid->m_columns.at(section).title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        if (role == Qt::ToolTipRole && !m_grid->m_columns.at(section).toolTip.isEmpty())
            return m_grid->m_columns.at(section).toolTip;
        return {};
    }
    if (role == Qt::DisplayRole) {
        if (!table() || section != table()->currentRow())
            return QString();
        switch (table()->state()) {
        case DataTable::Insert: return QStringLiteral("*");
        case DataTable::Edit: return QStringLiteral("I");
        default: return QStringLiteral("▶");
        }
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

void DbGridModel::rowChanged(int row)
{
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DbGridModel::indicatorChanged()
{
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void DbGridModel::columnsChanged()
{
    beginResetModel();
    endResetModel();
}
} // namespace jjgz
