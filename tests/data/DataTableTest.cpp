// The data-aware table: row states driven through tables of operations, the before-post check,
// change notifications, value conversion and text widths, and posting to a bound database table.
#include "data/DataTable.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace jjgz;

namespace {

// Three rows: 01 一, 02 二, 03 三; a new row is proposed the code "99" by the new-row handler.
struct Fixture {
    DataTable table;
    bool refuse = false;
    int checks = 0;

    Fixture()
    {
        table.addField(QStringLiteral("code"), FieldKind::Text, 4);
        table.addField(QStringLiteral("name"), FieldKind::Text, 10);
        table.appendRow({QStringLiteral("01"), QStringLiteral("一")});
        table.appendRow({QStringLiteral("02"), QStringLiteral("二")});
        table.appendRow({QStringLiteral("03"), QStringLiteral("三")});
        table.first();
        table.setOnNewRecord([](DataTable &t) { t.setValue(QStringLiteral("code"), QStringLiteral("99")); });
        table.setBeforePost([this](DataTable &) {
            ++checks;
            return !refuse;
        });
    }

    QString rows() const
    {
        QStringList out;
        for (int r = 0; r < table.rowCount(); ++r)
            out << table.rowValue(r, 0).toString() + u':' + table.rowValue(r, 1).toString();
        return out.join(u',');
    }

    // Runs space-separated operations; returns the results of post / go as "1"/"0".
    QString run(const QString &ops)
    {
        QStringList results;
        for (const QString &op : ops.split(u' ', Qt::SkipEmptyParts)) {
            if (op == QStringLiteral("append"))
                results << QString::number(table.append());
            else if (op == QStringLiteral("insert"))
                results << QString::number(table.insert());
            else if (op == QStringLiteral("edit"))
                table.edit();
            else if (op == QStringLiteral("post"))
                results << QString::number(table.post());
            else if (op == QStringLiteral("cancel"))
                table.cancel();
            else if (op == QStringLiteral("remove"))
                results << QString::number(table.remove());
            else if (op == QStringLiteral("refuse"))
                refuse = true;
            else if (op == QStringLiteral("accept"))
                refuse = false;
            else if (op.startsWith(QStringLiteral("go:")))
                results << QString::number(table.setCurrentRow(op.mid(3).toInt()));
            else if (op.contains(u'='))
                table.setValue(op.section(u'=', 0, 0), op.section(u'=', 1));
            else
                qFatal("unknown operation %s", qPrintable(op));
        }
        return results.join(u' ');
    }
};

QString stateName(DataTable::State s)
{
    switch (s) {
    case DataTable::Inactive: return QStringLiteral("Inactive");
    case DataTable::Browse: return QStringLiteral("Browse");
    case DataTable::Edit: return QStringLiteral("Edit");
    case DataTable::Insert: return QStringLiteral("Insert");
    }
    return {};
}

} // namespace

class DataTableTest : public QObject {
    Q_OBJECT
private slots:
    void states_data();
    void states();
    void notifications();
    void failingNewRecordHandler();
    void textWidth_data();
    void textWidth();
    void conversion_data();
    void conversion();
    void loadByFieldName();
    void boundTable();
    void boundTableFailures();
};

void DataTableTest::states_data()
{
    QTest::addColumn<QString>("ops");
    QTest::addColumn<QString>("results"); // of append/insert/post/remove/go, in order
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("rows"); // as shown (the row being edited shows its edits)
    QTest::addColumn<bool>("unposted");

    QTest::newRow("append, type, post") << "append name=四 post"
                                        << "1 1"
                                        << "Browse" << 3 << "01:一,02:二,03:三,99:四" << false;
    QTest::newRow("refused post keeps the inserted row and its values")
        << "append code=04 name=四 refuse post"
        << "1 0"
        << "Insert" << 3 << "01:一,02:二,03:三,04:四" << true;
    QTest::newRow("refused post keeps the edited row and its values") << "go:1 edit name=贰 refuse post"
                                                                      << "1 0"
                                                                      << "Edit" << 1 << "01:一,02:贰,03:三" << true;
    QTest::newRow("cancel restores an edited row") << "go:1 name=贰 cancel"
                                                   << "1"
                                                   << "Browse" << 1 << "01:一,02:二,03:三" << false;
    QTest::newRow("cancel drops an inserted row") << "go:1 insert name=新 cancel"
                                                  << "1 1"
                                                  << "Browse" << 1 << "01:一,02:二,03:三" << false;
    QTest::newRow("insert goes before the current row") << "go:1 insert name=新 post"
                                                        << "1 1 1"
                                                        << "Browse" << 1 << "01:一,99:新,02:二,03:三" << false;
    QTest::newRow("a new row holding only its proposed code is unchanged and dropped on leaving")
        << "append go:0"
        << "1 1"
        << "Browse" << 0 << "01:一,02:二,03:三" << false;
    QTest::newRow("leaving a changed row posts it") << "name=壹 go:2"
                                                    << "1"
                                                    << "Browse" << 2 << "01:壹,02:二,03:三" << false;
    QTest::newRow("leaving is refused when the post is abandoned") << "name=壹 refuse go:2"
                                                                   << "0"
                                                                   << "Edit" << 0 << "01:壹,02:二,03:三" << true;
    QTest::newRow("after a refusal the row can be mended and posted") << "name=壹 refuse post accept post"
                                                                      << "0 1"
                                                                      << "Browse" << 0 << "01:壹,02:二,03:三" << false;
    QTest::newRow("append while editing posts the edited row first")
        << "name=壹 append name=四 post"
        << "1 1"
        << "Browse" << 3 << "01:壹,02:二,03:三,99:四" << false;
    QTest::newRow("append is refused when the edited row cannot be posted")
        << "name=壹 refuse append"
        << "0"
        << "Edit" << 0 << "01:壹,02:二,03:三" << true;
    QTest::newRow("remove the last row moves to the new last") << "go:2 remove"
                                                               << "1 1"
                                                               << "Browse" << 1 << "01:一,02:二" << false;
    QTest::newRow("remove while inserting drops the new row") << "append name=四 remove"
                                                              << "1 1"
                                                              << "Browse" << 2 << "01:一,02:二,03:三" << false;
    QTest::newRow("an edited row left unchanged returns to browsing") << "edit go:1"
                                                                      << "1"
                                                                      << "Browse" << 1 << "01:一,02:二,03:三" << false;
}

void DataTableTest::states()
{
    QFETCH(QString, ops);
    QFETCH(QString, results);
    QFETCH(QString, state);
    QFETCH(int, current);
    QFETCH(QString, rows);
    QFETCH(bool, unposted);
    Fixture f;
    QCOMPARE(f.run(ops), results);
    QCOMPARE(stateName(f.table.state()), state);
    QCOMPARE(f.table.currentRow(), current);
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.table.hasUnpostedChanges(), unposted);
}

void DataTableTest::notifications()
{
    Fixture f;
    QSignalSpy changed(&f.table, &DataTable::fieldChanged);
    f.table.setValue(QStringLiteral("name"), QStringLiteral("壹"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
    f.table.setValue(QStringLiteral("name"), QStringLiteral("壹")); // same value: nothing changed
    QCOMPARE(changed.count(), 1);
    {
        DataTable::NotificationBlocker outer(f.table);
        {
            DataTable::NotificationBlocker inner(f.table);
            f.table.setValue(QStringLiteral("name"), QStringLiteral("一一"));
        }
        f.table.setValue(QStringLiteral("code"), QStringLiteral("0A"));
        QVERIFY(f.table.notificationsSuspended());
    }
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.table.text(QStringLiteral("name")), QStringLiteral("一一")); // values still change
    f.table.setValue(QStringLiteral("code"), QStringLiteral("0B"));
    QCOMPARE(changed.count(), 2);
    QVERIFY(f.table.post());
    // Loading rows never notifies.
    f.table.appendRow({QStringLiteral("05"), QStringLiteral("五")});
    QCOMPARE(changed.count(), 2);
}

void DataTableTest::failingNewRecordHandler()
{
    Fixture f;
    f.table.setOnNewRecord(
        [](DataTable &) { throw DataError(DataError::Conversion, QStringLiteral("'a' 不是有效的整数")); });
    bool thrown = false;
    try {
        f.table.append();
    } catch (const DataError &) {
        thrown = true;
    }
    QVERIFY(thrown);
    QCOMPARE(f.table.state(), DataTable::Browse);
    QCOMPARE(f.rows(), QStringLiteral("01:一,02:二,03:三"));
    QCOMPARE(f.table.currentRow(), 2);
}

void DataTableTest::textWidth_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    // Widths count characters, as the database columns do: a Chinese character is one.
    QTest::newRow("ascii cut") << 4 << "abcdef"
                               << "abcd";
    QTest::newRow("chinese fits exactly") << 4 << "中文名称"
                                          << "中文名称";
    QTest::newRow("chinese cut") << 2 << "中文字"
                                 << "中文";
    QTest::newRow("mixed") << 2 << "a中b"
                           << "a中";
    QTest::newRow("11 characters in 20") << 20 << "第一车间缝纫二组质检班"
                                         << "第一车间缝纫二组质检班";
    QTest::newRow("no limit") << 0 << "很长很长的名称"
                              << "很长很长的名称";
}

void DataTableTest::textWidth()
{
    QFETCH(int, size);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    DataTable t;
    t.addField(QStringLiteral("s"), FieldKind::Text, size);
    t.open();
    t.append();
    t.setValue(QStringLiteral("s"), typed);
    QCOMPARE(t.text(QStringLiteral("s")), stored);
    // Loaded rows are cut too.
    t.cancel();
    t.appendRow({typed});
    QCOMPARE(t.text(QStringLiteral("s")), stored);
}

void DataTableTest::conversion_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QVariant>("stored"); // invalid: conversion refused
    QTest::newRow("float from text") << int(FieldKind::Float) << QVariant(" 12.5 ") << QVariant(12.5);
    QTest::newRow("float from int") << int(FieldKind::Float) << QVariant(3) << QVariant(3.0);
    QTest::newRow("float refuses letters") << int(FieldKind::Float) << QVariant("12a") << QVariant();
    QTest::newRow("empty text is null") << int(FieldKind::Float) << QVariant("")
                                        << QVariant(QMetaType::fromType<double>());
    QTest::newRow("integer from text") << int(FieldKind::Integer) << QVariant("7") << QVariant(qlonglong(7));
    QTest::newRow("integer refuses a fraction text") << int(FieldKind::Integer) << QVariant("7.5") << QVariant();
    QTest::newRow("date from text") << int(FieldKind::Date) << QVariant("2024-05-01") << QVariant(QDate(2024, 5, 1));
    QTest::newRow("date refuses nonsense") << int(FieldKind::Date) << QVariant("2024-13-01") << QVariant();
}

void DataTableTest::conversion()
{
    QFETCH(int, kind);
    QFETCH(QVariant, input);
    QFETCH(QVariant, stored);
    DataTable t;
    t.addField(QStringLiteral("v"), static_cast<FieldKind>(kind));
    t.appendRow({});
    if (!stored.isValid()) {
        bool thrown = false;
        try {
            t.setValue(0, input);
        } catch (const DataError &e) {
            thrown = e.kind() == DataError::Conversion && e.message().contains(input.toString());
        }
        QVERIFY(thrown);
        QVERIFY(t.value(0).isNull()); // the refused value did not reach the row
        return;
    }
    t.setValue(0, input);
    if (stored.isNull())
        QVERIFY(t.value(0).isNull());
    else
        QCOMPARE(t.value(0), stored);
}

void DataTableTest::loadByFieldName()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("load"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(db.open());
    {
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("select 'A01' as WKCODE, 'x' as other, '12.5' as f1, null as f2")));
        DataTable t;
        t.addField(QStringLiteral("wkcode"), FieldKind::Text, 20);
        t.addField(QStringLiteral("f1"), FieldKind::Float);
        t.addField(QStringLiteral("f2"), FieldKind::Float);
        t.addField(QStringLiteral("bmname"), FieldKind::Text, 20);
        QCOMPARE(t.loadFromQuery(q), 1);
        QCOMPARE(t.currentRow(), 0);
        QCOMPARE(t.text(QStringLiteral("wkcode")), QStringLiteral("A01"));
        QCOMPARE(t.value(QStringLiteral("f1")).toDouble(), 12.5);
        QVERIFY(t.isNull(QStringLiteral("f2")));
        QVERIFY(t.isNull(QStringLiteral("bmname")));
        QCOMPARE(t.state(), DataTable::Browse);

        // A text that is no number stops the load with the conversion error.
        QVERIFY(q.exec(QStringLiteral("select 'A02' as wkcode, 'abc' as f1")));
        bool thrown = false;
        try {
            t.loadFromQuery(q);
        } catch (const DataError &e) {
            thrown = e.kind() == DataError::Conversion;
        }
        QVERIFY(thrown);
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("load"));
}

namespace {
struct BoundDb {
    QString name;
    explicit BoundDb(const QString &n) : name(n)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (!db.open())
            qFatal("cannot open an in-memory database");
        exec(QStringLiteral("pragma foreign_keys=on"));
        exec(QStringLiteral(
            "create table jjxs(xscode text primary key collate nocase, xsname text not null, xs real default 1.5)"));
        exec(QStringLiteral("create table jjdata(pid integer, xscode text references jjxs(xscode))"));
        exec(QStringLiteral("insert into jjxs(xscode,xsname,xs) values('01','甲',1.0)"));
        exec(QStringLiteral("insert into jjxs(xscode,xsname,xs) values('02','乙',2.0)"));
        exec(QStringLiteral("insert into jjdata values(1,'02')"));
    }
    ~BoundDb() { QSqlDatabase::removeDatabase(name); }
    QSqlDatabase db() const { return QSqlDatabase::database(name); }
    void exec(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(name));
        if (!q.exec(sql))
            qFatal("%s", qPrintable(q.lastError().text()));
    }
    QStringList rows() const
    {
        QSqlQuery q(QSqlDatabase::database(name));
        q.exec(QStringLiteral("select xscode, xsname, xs from jjxs order by xscode"));
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + u':' + q.value(1).toString() + u':' + q.value(2).toString();
        return out;
    }
    void load(DataTable &t) const
    {
        t.setFields({{QStringLiteral("xscode"), FieldKind::Text, 10},
                     {QStringLiteral("xsname"), FieldKind::Text, 50},
                     {QStringLiteral("xs"), FieldKind::Float, 0}});
        QSqlQuery q(QSqlDatabase::database(name));
        q.exec(QStringLiteral("select * from jjxs order by xscode"));
        t.loadFromQuery(q);
        t.bindTable(QSqlDatabase::database(name), QStringLiteral("jjxs"), {QStringLiteral("xscode")});
    }
};
} // namespace

void DataTableTest::boundTable()
{
    BoundDb b(QStringLiteral("bound"));
    {
        DataTable t;
        b.load(t);
        // A new row without xs takes the table's default, read back after the insert; a quote
        // in a value is stored as typed.
        QVERIFY(t.append());
        t.setValue(QStringLiteral("xscode"), QStringLiteral("03"));
        t.setValue(QStringLiteral("xsname"), QStringLiteral("O'Neil's"));
        QVERIFY(t.post());
        QCOMPARE(t.value(QStringLiteral("xs")).toDouble(), 1.5);
        // Changing the code of a row updates the row that had the old code.
        QVERIFY(t.setCurrentRow(0));
        t.setValue(QStringLiteral("xscode"), QStringLiteral("00"));
        QVERIFY(t.post());
        // Deleting a row nobody uses.
        QVERIFY(t.locate(QStringLiteral("xscode"), QStringLiteral("03")));
        QVERIFY(t.remove());
        QCOMPARE(b.rows(), QStringList({QStringLiteral("00:甲:1"), QStringLiteral("02:乙:2")}));
        // A refused check writes nothing.
        t.setBeforePost([](DataTable &) { return false; });
        t.append();
        t.setValue(QStringLiteral("xscode"), QStringLiteral("09"));
        t.setValue(QStringLiteral("xsname"), QStringLiteral("丙"));
        QVERIFY(!t.post());
        QCOMPARE(b.rows().size(), 2);
    }
}

void DataTableTest::boundTableFailures()
{
    BoundDb b(QStringLiteral("failures"));
    DataTable t;
    b.load(t);
    // A delete the database refuses (the code is in use) leaves the row where it was.
    QVERIFY(t.setCurrentRow(1));
    bool refused = false;
    try {
        t.remove();
    } catch (const DataError &e) {
        refused = e.kind() == DataError::Database;
    }
    QVERIFY(refused);
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(t.text(QStringLiteral("xscode")), QStringLiteral("02"));
    // A duplicate key is refused by the database: the row stays inserted with its values.
    t.append();
    t.setValue(QStringLiteral("xscode"), QStringLiteral("01"));
    t.setValue(QStringLiteral("xsname"), QStringLiteral("重复"));
    refused = false;
    try {
        t.post();
    } catch (const DataError &e) {
        refused = e.kind() == DataError::Database;
    }
    QVERIFY(refused);
    QCOMPARE(t.state(), DataTable::Insert);
    QCOMPARE(t.text(QStringLiteral("xsname")), QStringLiteral("重复"));
    t.cancel();
    QCOMPARE(b.rows(), QStringList({QStringLiteral("01:甲:1"), QStringLiteral("02:乙:2")}));
}

QTEST_GUILESS_MAIN(DataTableTest)
#include "DataTableTest.moc"
