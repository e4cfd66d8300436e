// The data-aware table's rows: fields, loading, the cursor, the values of the current row and
// the states browse / edit / insert. The database binding lives in DataTableBinding.cpp, value
// conversion and formats in DataValues.cpp.
#include "data/DataTable.h"

#include <QDate>
#include <QSqlQuery>
#include <QSqlRecord>

namespace jjgz {

DataTable::DataTable(QObject *parent) : QObject(parent)
{}

DataTable::~DataTable() = default;

// ---------------------------------------------------------------- fields

void DataTable::clearFields()
{
    close();
    beginReset();
    m_fields.clear();
    endReset();
}

int DataTable::addField(const QString &name, FieldKind kind, int size)
{
    if (name.isEmpty() || fieldIndex(name) >= 0)
        throw DataError(DataError::State, QStringLiteral("字段名重复或为空：%1").arg(name));
    close();
    beginReset();
    m_fields.append(FieldDef{name, kind, size});
    endReset();
    return fieldCount() - 1;
}

void DataTable::setFields(const QList<FieldDef> &fields)
{
    clearFields();
    for (const FieldDef &f : fields)
        addField(f.name, f.kind, f.size);
}

int DataTable::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int DataTable::requireField(const QString &name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw DataError(DataError::State, QStringLiteral("字段不存在：%1").arg(name));
    return i;
}

// ---------------------------------------------------------------- open / close / load

void DataTable::beginReset()
{
    if (m_viewsDisabled == 0)
        emit aboutToReset();
}

void DataTable::endReset()
{
    if (m_viewsDisabled == 0) {
        emit reset();
        emit currentRowChanged(m_current);
    }
}

void DataTable::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

// Drops every row and any edit in progress and enters `state`; views are reset once.
void DataTable::dropRows(State state)
{
    beginReset();
    m_rows.clear();
    m_buffer.clear();
    m_changedFields.clear();
    m_current = -1;
    m_eof = true;
    m_modified = false;
    m_state = state;
    endReset();
    emit stateChanged(m_state);
}

void DataTable::open()
{
    if (!isActive())
        dropRows(Browse);
}

void DataTable::close()
{
    if (isActive())
        dropRows(Inactive);
}

void DataTable::requireActive() const
{
    if (!isActive())
        throw DataError(DataError::State, QStringLiteral("数据集未打开"));
}

void DataTable::emptyTable()
{
    requireActive();
    dropRows(Browse);
}

int DataTable::appendRow(const QVariantList &values)
{
    if (!isActive())
        open();
    if (isEditing())
        throw DataError(DataError::State, QStringLiteral("数据集正在编辑，不能追加记录"));
    QVariantList row;
    row.reserve(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i)
        row.append(i < values.size() ? convert(i, values.at(i)) : QVariant());
    const int at = rowCount();
    if (m_viewsDisabled == 0)
        emit aboutToInsertRow(at);
    m_rows.append(row);
    if (m_viewsDisabled == 0)
        emit rowInserted(at);
    changeCurrent(at);
    return at;
}

int DataTable::appendRecord(const QSqlRecord &record)
{
    QVariantList values(m_fields.size());
    for (int i = 0; i < record.count(); ++i) {
        const int f = fieldIndex(record.fieldName(i));
        if (f >= 0)
            values[f] = record.value(i);
    }
    return appendRow(values);
}

int DataTable::loadRecords(const QList<QSqlRecord> &records)
{
    if (!isActive())
        open();
    if (isEditing())
        throw DataError(DataError::State, QStringLiteral("数据集正在编辑，不能追加记录"));
    disableViews();
    int n = 0;
    try {
        for (const QSqlRecord &r : records) {
            appendRecord(r);
            ++n;
        }
    } catch (...) {
        enableViews();
        throw;
    }
    changeCurrent(m_rows.isEmpty() ? -1 : 0);
    enableViews();
    return n;
}

int DataTable::loadFromQuery(QSqlQuery &query)
{
    QList<QSqlRecord> records;
    while (query.next())
        records.append(query.record());
    return loadRecords(records);
}

void DataTable::disableViews()
{
    ++m_viewsDisabled;
}

void DataTable::enableViews()
{
    if (m_viewsDisabled == 0)
        return;
    if (--m_viewsDisabled == 0) {
        emit aboutToReset();
        emit reset();
        emit currentRowChanged(m_current);
        emit stateChanged(m_state);
    }
}

// ---------------------------------------------------------------- cursor

void DataTable::changeCurrent(int row)
{
    m_eof = row < 0;
    if (m_current == row)
        return;
    m_current = row;
    if (m_viewsDisabled == 0)
        emit currentRowChanged(row);
}

bool DataTable::leaveEditedRow()
{
    if (!isEditing())
        return true;
    emit flushEditors();
    if (!isEditing())
        return true;
    if (m_modified)
        return post();
    cancel();
    return true;
}

bool DataTable::setCurrentRow(int row)
{
    requireActive();
    if (row < 0 || row >= rowCount())
        return false;
    if (row == m_current)
        return true;
    if (isEditing()) {
        const bool droppingInsert = m_state == Insert && !m_modified;
        const int leaving = m_current;
        if (!leaveEditedRow())
            return false;
        if (droppingInsert && leaving < row)
            --row; // the dropped row stood before the target
        if (row >= rowCount())
            row = rowCount() - 1;
    }
    changeCurrent(row);
    return true;
}

bool DataTable::first()
{
    if (!isActive() || isEmpty()) {
        m_eof = true;
        return false;
    }
    const bool ok = setCurrentRow(0);
    m_eof = false;
    return ok;
}

bool DataTable::last()
{
    if (!isActive() || isEmpty()) {
        m_eof = true;
        return false;
    }
    const bool ok = setCurrentRow(rowCount() - 1);
    m_eof = false;
    return ok;
}

bool DataTable::next()
{
    if (!isActive() || m_current < 0 || m_current + 1 >= rowCount()) {
        if (isEditing())
            leaveEditedRow();
        m_eof = true;
        return false;
    }
    return setCurrentRow(m_current + 1);
}

bool DataTable::prior()
{
    if (!isActive() || m_current <= 0)
        return false;
    return setCurrentRow(m_current - 1);
}

bool DataTable::locate(const QString &fieldName, const QVariant &value)
{
    requireActive();
    const int f = requireField(fieldName);
    QVariant wanted;
    try {
        wanted = convert(f, value);
    } catch (const DataError &) {
        return false;
    }
    for (int r = 0; r < rowCount(); ++r) {
        if (rowValue(r, f) == wanted && rowValue(r, f).isNull() == wanted.isNull())
            return setCurrentRow(r);
    }
    return false;
}

// ---------------------------------------------------------------- values

QVariant DataTable::rowValue(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return QVariant();
    if (isEditing() && row == m_current)
        return m_buffer.at(field);
    return m_rows.at(row).at(field);
}

QVariant DataTable::value(int field) const
{
    if (field < 0 || field >= fieldCount())
        throw DataError(DataError::State, QStringLiteral("字段序号超出范围：%1").arg(field));
    return rowValue(m_current, field);
}

QVariant DataTable::value(const QString &field) const
{
    return value(requireField(field));
}

QString DataTable::text(int field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return QString();
    switch (m_fields.at(field).kind) {
    case FieldKind::Date: return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case FieldKind::Float: return QString::number(v.toDouble(), 'g', 15);
    default: return v.toString();
    }
}

QString DataTable::text(const QString &field) const
{
    return text(requireField(field));
}

double DataTable::asFloat(const QString &field) const
{
    const QVariant v = value(field);
    return v.isNull() ? 0.0 : v.toDouble();
}

qint64 DataTable::asInteger(const QString &field) const
{
    const QVariant v = value(field);
    return v.isNull() ? 0 : v.toLongLong();
}

void DataTable::setValue(int field, const QVariant &value)
{
    requireActive();
    if (field < 0 || field >= fieldCount())
        throw DataError(DataError::State, QStringLiteral("字段序号超出范围：%1").arg(field));
    const QVariant converted = convert(field, value);
    if (!isEditing()) {
        if (m_current < 0)
            throw DataError(DataError::State, QStringLiteral("没有当前记录"));
        edit();
    }
    const QVariant old = m_buffer.at(field);
    const bool same = old.isNull() == converted.isNull() && old == converted;
    m_modified = true;
    m_changedFields[field] = true;
    if (same)
        return;
    m_buffer[field] = converted;
    if (m_viewsDisabled == 0)
        emit rowChanged(m_current);
    if (m_suspended == 0)
        emit fieldChanged(field);
}

void DataTable::setValue(const QString &field, const QVariant &value)
{
    setValue(requireField(field), value);
}

// ---------------------------------------------------------------- states

void DataTable::edit()
{
    requireActive();
    if (isEditing())
        return;
    if (isEmpty()) {
        append();
        return;
    }
    m_buffer = m_rows.at(m_current);
    m_changedFields = QList<bool>(m_fields.size(), false);
    m_modified = false;
    setState(Edit);
}

bool DataTable::append()
{
    return addRow(false);
}

bool DataTable::insert()
{
    return addRow(true);
}

// A new row before the current one or after the last, in insert state, filled by the new-row
// handler.
bool DataTable::addRow(bool beforeCurrent)
{
    requireActive();
    if (!leaveEditedRow())
        return false;
    const int at = beforeCurrent ? (m_current < 0 ? 0 : m_current) : rowCount();
    if (m_viewsDisabled == 0)
        emit aboutToInsertRow(at);
    m_rows.insert(at, QVariantList(m_fields.size()));
    m_buffer = QVariantList(m_fields.size());
    m_changedFields = QList<bool>(m_fields.size(), false);
    if (m_viewsDisabled == 0)
        emit rowInserted(at);
    m_current = -2; // force the notification even though the index may be unchanged
    changeCurrent(at);
    setState(Insert);
    runNewRecord();
    m_modified = false;
    m_changedFields.fill(false);
    return true;
}

void DataTable::runNewRecord()
{
    if (!m_onNewRecord)
        return;
    try {
        m_onNewRecord(*this);
    } catch (...) {
        // A failing new-row handler abandons the new row: the table returns to browsing.
        cancel();
        throw;
    }
}

bool DataTable::post()
{
    if (!isEditing())
        return true;
    emit flushEditors();
    if (!isEditing())
        return true;
    if (m_beforePost && !m_beforePost(*this))
        return false;
    if (!isEditing()) // the check itself may have posted or cancelled
        return true;
    QVariantList values = m_buffer;
    if (isBound())
        writeRow(values);
    m_rows[m_current] = values;
    m_buffer.clear();
    m_changedFields.clear();
    m_modified = false;
    setState(Browse);
    if (m_viewsDisabled == 0)
        emit rowChanged(m_current);
    return true;
}

void DataTable::cancel()
{
    if (!isEditing())
        return;
    const bool inserting = m_state == Insert;
    const int row = m_current;
    m_buffer.clear();
    m_changedFields.clear();
    m_modified = false;
    if (inserting) {
        m_state = Browse; // views read the stored rows from here on
        if (m_viewsDisabled == 0)
            emit aboutToRemoveRow(row);
        m_rows.removeAt(row);
        if (m_viewsDisabled == 0)
            emit rowRemoved(row);
        int next = row < rowCount() ? row : rowCount() - 1;
        if (row > 0 && row >= rowCount())
            next = rowCount() - 1;
        m_current = -2;
        changeCurrent(next);
        emit stateChanged(m_state);
    } else {
        setState(Browse);
        if (m_viewsDisabled == 0)
            emit rowChanged(row);
    }
}

bool DataTable::remove()
{
    requireActive();
    if (m_state == Insert) {
        cancel();
        return true;
    }
    if (m_state == Edit)
        cancel();
    if (m_current < 0)
        return false;
    const int row = m_current;
    if (isBound())
        writeDelete(m_rows.at(row));
    if (m_viewsDisabled == 0)
        emit aboutToRemoveRow(row);
    m_rows.removeAt(row);
    if (m_viewsDisabled == 0)
        emit rowRemoved(row);
    m_current = -2;
    changeCurrent(row < rowCount() ? row : rowCount() - 1);
    return true;
}
} // namespace jjgz
