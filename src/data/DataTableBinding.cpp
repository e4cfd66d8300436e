// The data-aware table's binding to one database table: the statements come from the
// dialect layer (JetSql), values are always bound.
#include "data/DataTable.h"

#include "data/JetSql.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>

namespace jjgz {

// ---------------------------------------------------------------- database binding

void DataTable::bindTable(const QSqlDatabase &db, const QString &table, const QStringList &keyFields,
                          const QStringList &columns)
{
    if (table.isEmpty() || keyFields.isEmpty())
        throw DataError(DataError::State, QStringLiteral("绑定的表或关键字段为空"));
    for (const QString &k : keyFields)
        requireField(k);
    for (const QString &c : columns)
        requireField(c);
    m_connection = db.connectionName();
    m_boundTable = table;
    m_keyFields = keyFields;
    m_boundColumns = columns;
}

void DataTable::unbind()
{
    m_connection.clear();
    m_boundTable.clear();
    m_keyFields.clear();
    m_boundColumns.clear();
}

QSqlDatabase DataTable::boundDatabase() const
{
    return QSqlDatabase::database(m_connection, false);
}

QStringList DataTable::boundColumns() const
{
    if (!m_boundColumns.isEmpty())
        return m_boundColumns;
    QStringList out;
    for (const FieldDef &f : m_fields)
        out << f.name;
    return out;
}

namespace {
QVariant bindable(const QVariant &v)
{
    if (v.isNull())
        return QVariant(QMetaType::fromType<QString>()); // a null of some type binds as NULL
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    return v;
}
} // namespace

QSqlQuery DataTable::runStatement(const QString &sql, const QVariantList &binds) const
{
    QSqlQuery q(boundDatabase());
    q.prepare(sql);
    for (const QVariant &b : binds)
        q.addBindValue(bindable(b));
    if (!q.exec())
        throw DataError(DataError::Database, q.lastError().text());
    return q;
}

QVariantList DataTable::keyValues(const QVariantList &row) const
{
    QVariantList out;
    for (const QString &k : m_keyFields)
        out << row.at(requireField(k));
    return out;
}

void DataTable::writeRow(QVariantList &values)
{
    if (m_state == Insert) {
        writeInsert(values);
        readBack(values);
    } else if (m_modified) {
        writeUpdate(m_rows.at(m_current), values);
    }
}

void DataTable::writeInsert(const QVariantList &values)
{
    QStringList cols;
    QVariantList binds;
    for (const QString &c : boundColumns()) {
        const int f = requireField(c);
        if (values.at(f).isNull())
            continue; // left to the table's default
        cols << c;
        binds << values.at(f);
    }
    runStatement(JetSql::insertStatement(m_boundTable, cols), binds);
}

// Reads a new row back: the columns the row left empty take the table's defaults.
void DataTable::readBack(QVariantList &values) const
{
    const QStringList cols = boundColumns();
    QSqlQuery q;
    try {
        q = runStatement(JetSql::selectStatement(m_boundTable, cols, m_keyFields), keyValues(values));
    } catch (const DataError &) {
        return; // the row was written: it keeps the values posted
    }
    if (!q.next())
        return;
    for (int i = 0; i < cols.size(); ++i) {
        const int f = requireField(cols.at(i));
        try {
            values[f] = convert(f, q.value(i));
        } catch (const DataError &) {
            // keep what was posted
        }
    }
}

void DataTable::writeUpdate(const QVariantList &original, const QVariantList &values)
{
    QStringList sets;
    QVariantList binds;
    for (const QString &c : boundColumns()) {
        const int f = requireField(c);
        if (!m_changedFields.value(f))
            continue;
        sets << c;
        binds << values.at(f);
    }
    if (sets.isEmpty())
        return;
    const QSqlQuery q =
        runStatement(JetSql::updateStatement(m_boundTable, sets, m_keyFields), binds + keyValues(original));
    if (q.numRowsAffected() == 0)
        throw DataError(DataError::Database, QStringLiteral("找不到要修改的记录，它可能已被删除"));
}

void DataTable::writeDelete(const QVariantList &original)
{
    runStatement(JetSql::deleteStatement(m_boundTable, m_keyFields), keyValues(original));
}

} // namespace jjgz
