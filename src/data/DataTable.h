#pragma once
// The in-memory table behind every list and editor grid of the program: fields defined at run
// time, a current row, the states browse / edit / insert, a before-post check that can abandon
// the post, per-field change notifications that a screen can suspend, and optionally posting
// through to one database table (the code-table screens edit a live table that way).
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <exception>
#include <functional>

class QSqlQuery;

namespace jjgz {

// A failure of the table layer: a value that does not fit its field, an operation that the
// table's state does not allow, a refused database statement, a file that cannot be written.
class DataError : public std::exception {
public:
    enum Kind { Conversion, State, Database, File };
    DataError(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const char *what() const noexcept override { return m_utf8.constData(); }
    Kind kind() const { return m_kind; }
    const QString &message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
    QByteArray m_utf8;
};

enum class FieldKind { Text, Integer, Float, Date };

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Text;
    // Text: width in characters, that of the database column (0: no limit). The grid's editors
    // stop typing there; a longer value set or loaded is cut to it (only lists narrower than
    // their column do that, and then only their displayed copy).
    int size = 0;
};

class DataTable : public QObject {
    Q_OBJECT
public:
    enum State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit DataTable(QObject *parent = nullptr);
    ~DataTable() override;

    // ---- Fields (changing them closes the table)
    void clearFields();
    int addField(const QString &name, FieldKind kind, int size = 0);
    void setFields(const QList<FieldDef> &fields);
    const QList<FieldDef> &fields() const { return m_fields; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const FieldDef &field(int index) const { return m_fields.at(index); }
    // Index of the field called `name` (compared without regard to case), or -1.
    int fieldIndex(const QString &name) const;
    // Field definitions for the columns of a query result (int → Integer, double → Float,
    // date → Date, anything else → Text without limit).
    static QList<FieldDef> fieldsFromRecord(const QSqlRecord &record);

    // ---- Open and close
    void open();  // active and empty
    void close(); // inactive, rows dropped
    bool isActive() const { return m_state != Inactive; }
    void emptyTable(); // cancels an edit and drops every row (a bound table's database rows stay)

    // ---- Loading rows: stored as they are, no check, no change notification
    int appendRow(const QVariantList &values);  // values in field order; returns the new row
    int appendRecord(const QSqlRecord &record); // each record field goes to the field of the same name
    // Appends every remaining row of `query` (opening the table when needed) and goes to the
    // first row. Returns the number of rows read.
    int loadFromQuery(QSqlQuery &query);
    int loadRecords(const QList<QSqlRecord> &records);

    // ---- Binding to a database table: post inserts or updates the row, remove deletes it.
    // Rows are found by the values that `keyFields` had when the row was read. `columns`
    // names the fields that are columns of the table (empty: every field).
    void bindTable(const QSqlDatabase &db, const QString &table, const QStringList &keyFields,
                   const QStringList &columns = {});
    void unbind();
    bool isBound() const { return !m_boundTable.isEmpty(); }
    QString boundTable() const { return m_boundTable; }

    // ---- Cursor
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    int currentRow() const { return m_current; } // -1 when empty or closed
    // Moving away from a row being edited posts it first when it was changed and drops it
    // (cancel) when it was not. Returns false when the post was abandoned or `row` is out of range.
    bool setCurrentRow(int row);
    bool first();
    bool last();
    bool next(); // false (and eof() true) when there is no next row
    bool prior();
    bool eof() const { return m_eof; }
    // Moves to the first row whose `field` equals `value` (converted to the field's kind).
    bool locate(const QString &field, const QVariant &value);

    // ---- Values of the current row (while editing: the values being edited)
    QVariant value(int field) const;
    QVariant value(const QString &field) const;
    bool isNull(const QString &field) const { return value(field).isNull(); }
    QString text(int field) const; // null → ""; dates yyyy-MM-dd; numbers in full
    QString text(const QString &field) const;
    double asFloat(const QString &field) const; // null → 0
    qint64 asInteger(const QString &field) const;
    // Puts a browsing row into edit state first. Throws DataError when there is no current row
    // or the value does not convert to the field's kind. Text is cut to the field's width.
    void setValue(int field, const QVariant &value);
    void setValue(const QString &field, const QVariant &value);
    // The value of any row as shown (the current row's edited values while editing).
    QVariant rowValue(int row, int field) const;

    // ---- States
    State state() const { return m_state; }
    bool isEditing() const { return m_state == Edit || m_state == Insert; }
    // append: a new row after the last; insert: before the current one. A row being edited is
    // posted (or dropped when unchanged) first; false when that post was abandoned.
    bool append();
    bool insert();
    void edit(); // on an empty table: append
    // Runs the before-post check (false: abandoned, the row keeps its state and values), writes
    // a bound row to the database (throws DataError on failure, the row keeps its state), and
    // returns to browsing. True when posted, or when there was nothing to post.
    bool post();
    void cancel();
    // Deletes the current row (from the database first when bound; throws DataError when the
    // database refuses and the row stays). A row being inserted is just dropped. False when empty.
    bool remove();
    // A value was set since the row was read or appended (values set by the new-row handler do
    // not count).
    bool isModified() const { return m_modified; }
    bool hasUnpostedChanges() const { return isEditing() && m_modified; }
    // Asks the grids to hand over a cell edit in progress (call before hasUnpostedChanges when
    // a screen closes; post and moves do it by themselves).
    void updateRecord() { emit flushEditors(); }

    // ---- Hooks
    using PostCheck = std::function<bool(DataTable &)>;
    void setBeforePost(PostCheck check) { m_beforePost = std::move(check); }
    // Called after a row was appended or inserted; its values do not count as changes. When it
    // throws, the new row is dropped and the exception goes on to the caller of append/insert.
    void setOnNewRecord(std::function<void(DataTable &)> handler) { m_onNewRecord = std::move(handler); }

    // ---- Change notifications (fieldChanged) can be suspended, nested
    void suspendNotifications() { ++m_suspended; }
    void resumeNotifications()
    {
        if (m_suspended > 0)
            --m_suspended;
    }
    bool notificationsSuspended() const { return m_suspended > 0; }
    class NotificationBlocker {
    public:
        explicit NotificationBlocker(DataTable &table) : m_table(table) { m_table.suspendNotifications(); }
        ~NotificationBlocker() { m_table.resumeNotifications(); }
        NotificationBlocker(const NotificationBlocker &) = delete;
        NotificationBlocker &operator=(const NotificationBlocker &) = delete;

    private:
        DataTable &m_table;
    };

    // Views are told nothing while disabled (nested); enabling again refreshes them once.
    void disableViews();
    void enableViews();
    bool viewsDisabled() const { return m_viewsDisabled > 0; }

signals:
    void fieldChanged(int field); // a value of the current row changed (unless suspended)
    void stateChanged(jjgz::DataTable::State state);
    void currentRowChanged(int row);
    // For views: structure and row changes.
    void aboutToReset();
    void reset();
    void aboutToInsertRow(int row);
    void rowInserted(int row);
    void aboutToRemoveRow(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    // Asks the views to hand over a cell edit in progress (before a post or a move).
    void flushEditors();

private:
    int requireField(const QString &name) const;
    QVariant convert(int field, const QVariant &value) const;
    void requireActive() const;
    void dropRows(State state);
    bool leaveEditedRow(); // post when changed, cancel when not
    bool addRow(bool beforeCurrent);
    void runNewRecord();
    void setState(State state);
    void changeCurrent(int row);
    void beginReset();
    void endReset();
    // Database binding (DataTableBinding.cpp): every statement comes from JetSql.
    void writeRow(QVariantList &values); // insert (read back with the defaults) or update
    void writeInsert(const QVariantList &values);
    void readBack(QVariantList &values) const;
    void writeUpdate(const QVariantList &original, const QVariantList &values);
    void writeDelete(const QVariantList &original);
    QSqlQuery runStatement(const QString &sql, const QVariantList &binds) const;
    QVariantList keyValues(const QVariantList &row) const;
    QStringList boundColumns() const;
    QSqlDatabase boundDatabase() const;

    QList<FieldDef> m_fields;
    QList<QVariantList> m_rows;
    QVariantList m_buffer;       // values being edited (current row)
    QList<bool> m_changedFields; // which buffer values were set by the user
    int m_current = -1;
    State m_state = Inactive;
    bool m_modified = false;
    bool m_eof = false;
    int m_suspended = 0;
    int m_viewsDisabled = 0;
    PostCheck m_beforePost;
    std::function<void(DataTable &)> m_onNewRecord;

    QString m_connection;
    QString m_boundTable;
    QStringList m_keyFields;
    QStringList m_boundColumns;
};

// Text of a number in a display format of the "0.00" kind: '0' digits always shown, '#'
// digits shown when not zero, ',' in the integer part groups thousands.
QString formatFloat(const QString &format, double value);

} // namespace jjgz
