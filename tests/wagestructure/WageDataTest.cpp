// The statements behind the wage items and formulas, and the formula check, without any window.
#include "TestSupport.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "evaluator/ExPars.h"
#include "wagestructure/FormulaCheck.h"
#include "wagestructure/GzgsData.h"
#include "wagestructure/GzxmData.h"

#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

struct ColumnInfo {
    QString type;
    QVariant dflt;
    bool exists = false;
};

ColumnInfo column(TestApp &app, const QString &name)
{
    QSqlQuery q(dmMain->conZt());
    q.exec(QStringLiteral("pragma table_info(gzdata)"));
    while (q.next())
        if (q.value(1).toString() == name)
            return {q.value(2).toString(), q.value(4), true};
    Q_UNUSED(app);
    return {};
}

QStringList gzdataColumns()
{
    QSqlQuery q(dmMain->conZt());
    q.exec(QStringLiteral("pragma table_info(gzdata)"));
    QStringList names;
    while (q.next())
        names << q.value(1).toString();
    return names;
}

int itemCount(TestApp &app)
{
    return app.scalar("select count(*) from gzxm").toInt();
}

// f1 基本工资, f2 奖金 and f3 扣款 through the program.
void addThree()
{
    WageItems::addItem(QStringLiteral("基本工资"), WageItems::Numeric, QStringLiteral("0"));
    WageItems::addItem(QStringLiteral("奖金"), WageItems::Numeric, QStringLiteral("0"));
    WageItems::addItem(QStringLiteral("扣款"), WageItems::Numeric, QStringLiteral("0"));
}

QList<WageItem> itemsNamed(const QStringList &names)
{
    QList<WageItem> items;
    for (int i = 0; i < names.size(); ++i)
        if (!names[i].isNull())
            items.append({i + 1, QStringLiteral("f%1").arg(i + 1), names[i], 0, QStringLiteral("0")});
    return items;
}

} // namespace

class WageDataTest : public QObject {
    Q_OBJECT
private slots:
    void firstItem();
    void deleteAndNumber_data();
    void deleteAndNumber();
    void columnTypes_data();
    void columnTypes();
    void textWidthRefused_data();
    void textWidthRefused();
    void failingColumnLeavesNoRow();
    void failingDeleteKeepsColumn();
    void modifyKeepsType();
    void describe_data();
    void describe();
    void formulas();
    void check_data();
    void check();
    void wageFunctions();
    void wageEvaluator();
};

void WageDataTest::firstItem()
{
    TestApp app;
    const WageItem item = WageItems::addItem(QStringLiteral("基本工资"), WageItems::Numeric, QStringLiteral("0"));
    QCOMPARE(item.xh, 1);
    QCOMPARE(item.fname, QStringLiteral("f1"));
    QCOMPARE(app.scalar("select fname + '/' + xmname + '/' + ftype + '/' + fsize from gzxm where xh=1").toString(),
             QStringLiteral("f1/基本工资/0/0"));
    QCOMPARE(gzdataColumns().last(), QStringLiteral("f1"));
    // The next one follows the last column.
    QCOMPARE(WageItems::addItem(QStringLiteral("奖金"), WageItems::Numeric, QString()).fname, QStringLiteral("f2"));
}

void WageDataTest::deleteAndNumber_data()
{
    QTest::addColumn<bool>("wageRows");
    QTest::addColumn<bool>("columnKept");
    QTest::addColumn<QString>("next");
    QTest::newRow("wage rows exist: the column stays") << true << true << "f4";
    QTest::newRow("no wage rows: the column goes") << false << false << "f3";
}

void WageDataTest::deleteAndNumber()
{
    QFETCH(bool, wageRows);
    QFETCH(bool, columnKept);
    QFETCH(QString, next);
    TestApp app;
    addThree();
    if (wageRows)
        app.exec("insert into gzdata (xyear, xmonth, wkcode, f3) values (2010, 11, '0001', 75.5)");
    WageItems::deleteItem(3, QStringLiteral("f3"));
    QCOMPARE(itemCount(app), 2);
    QCOMPARE(column(app, QStringLiteral("f3")).exists, columnKept);
    if (wageRows)
        QCOMPARE(app.scalar("select f3 from gzdata").toDouble(), 75.5);
    const WageItem added = WageItems::addItem(QStringLiteral("补贴"), WageItems::Numeric, QStringLiteral("0"));
    QCOMPARE(added.fname, next);
    QCOMPARE(added.xh, next.mid(1).toInt());
    // A number whose column exists is never given again, even with its row gone.
    if (wageRows) {
        WageItems::deleteItem(4, QStringLiteral("f4"));
        QCOMPARE(WageItems::addItem(QStringLiteral("补贴"), WageItems::Numeric, QStringLiteral("0")).fname,
                 QStringLiteral("f5"));
    }
}

void WageDataTest::columnTypes_data()
{
    QTest::addColumn<int>("ftype");
    QTest::addColumn<QString>("fsize");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariant>("dflt");
    QTest::newRow("text of width 20") << 1 << "20"
                                      << "varchar(20)" << QVariant();
    QTest::newRow("text, width with blanks") << 1 << " 8 "
                                             << "varchar(8)" << QVariant();
    QTest::newRow("numeric, whatever its width") << 0 << "15"
                                                 << "real" << QVariant(QStringLiteral("0"));
    QTest::newRow("numeric, empty width") << 0 << ""
                                          << "real" << QVariant(QStringLiteral("0"));
}

void WageDataTest::columnTypes()
{
    QFETCH(int, ftype);
    QFETCH(QString, fsize);
    QFETCH(QString, type);
    QFETCH(QVariant, dflt);
    TestApp app;
    addThree();
    WageItems::addItem(QStringLiteral("备注"), ftype, fsize);
    const ColumnInfo info = column(app, QStringLiteral("f4"));
    QVERIFY(info.exists);
    QCOMPARE(info.type.toLower(), type);
    QCOMPARE(info.dflt.isNull(), dflt.isNull());
    QCOMPARE(info.dflt.toString(), dflt.toString());
    QCOMPARE(app.scalar("select fsize from gzxm where xh=4").toString(), fsize);
    app.exec("insert into gzdata (xyear, xmonth, wkcode) values (2010, 12, '0001')");
    QCOMPARE(app.scalar("select f4 is null from gzdata").toBool(), dflt.isNull());
}

void WageDataTest::textWidthRefused_data()
{
    QTest::addColumn<QString>("fsize");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "  ";
    QTest::newRow("zero") << "0";
    QTest::newRow("not a number") << "2x";
}

// A text column that can hold nothing is refused before anything is written.
void WageDataTest::textWidthRefused()
{
    QFETCH(QString, fsize);
    TestApp app;
    WageItems::addItem(QStringLiteral("基本工资"), WageItems::Numeric, QStringLiteral("0"));
    try {
        WageItems::addItem(QStringLiteral("备注"), WageItems::Text, fsize);
        QFAIL("saved");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("数据宽度")), qPrintable(e.message()));
    }
    QCOMPARE(itemCount(app), 1);
    QVERIFY(!column(app, QStringLiteral("f2")).exists);
    QVERIFY(!dmMain->inTransaction());
}

// The column cannot be added (a column of that name, in other letter case, is there): the
// transaction leaves no gzxm row behind.
void WageDataTest::failingColumnLeavesNoRow()
{
    TestApp app;
    app.exec("alter table gzdata add column F2 real");
    app.exec("alter table gzdata add column f1 real default 0");
    try {
        WageItems::addItem(QStringLiteral("奖金"), WageItems::Numeric, QStringLiteral("0"));
        QFAIL("saved");
    } catch (const DbError &e) {
        QVERIFY(!e.message().isEmpty());
    }
    QCOMPARE(itemCount(app), 0);
    QVERIFY(!dmMain->inTransaction());
    // A row left with the next number is named before anything is tried.
    app.exec("insert into gzxm (xh, fname, xmname, ftype, fsize) values (2, 'f2', '旧项目', 0, '0')");
    try {
        WageItems::addItem(QStringLiteral("奖金"), WageItems::Numeric, QStringLiteral("0"));
        QFAIL("saved");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("f2")), qPrintable(e.message()));
    }
    QCOMPARE(itemCount(app), 1);
}

// Column and row go in one transaction: a refused delete of the row keeps the column.
void WageDataTest::failingDeleteKeepsColumn()
{
    TestApp app;
    addThree();
    app.exec("create trigger keep_f3 before delete on gzxm when old.xh=3 begin select raise(abort, 'kept'); end");
    QVERIFY_THROWS_EXCEPTION(DbError, WageItems::deleteItem(3, QStringLiteral("f3")));
    QCOMPARE(itemCount(app), 3);
    QVERIFY(column(app, QStringLiteral("f3")).exists);
    // A row whose column is already gone is deleted all the same.
    app.exec("alter table gzdata drop column f2");
    WageItems::deleteItem(2, QStringLiteral("f2"));
    QCOMPARE(itemCount(app), 2);
}

void WageDataTest::modifyKeepsType()
{
    TestApp app;
    WageItems::addItem(QStringLiteral("备注"), WageItems::Text, QStringLiteral("20"));
    WageItems::modifyItem(1, QStringLiteral("说明"), QStringLiteral("30"));
    QCOMPARE(app.scalar("select xmname + '/' + ftype + '/' + fsize from gzxm where xh=1").toString(),
             QStringLiteral("说明/1/30"));
    // The width of the column stays as it was made.
    QCOMPARE(column(app, QStringLiteral("f1")).type.toLower(), QStringLiteral("varchar(20)"));
    QVERIFY_THROWS_EXCEPTION(DbError, WageItems::modifyItem(1, QStringLiteral("说明"), QStringLiteral("0")));
    QCOMPARE(app.scalar("select fsize from gzxm where xh=1").toString(), QStringLiteral("30"));
    QVERIFY_THROWS_EXCEPTION(DbError, WageItems::modifyItem(9, QStringLiteral("说明"), QStringLiteral("1")));
    // A stored type outside 0 and 1 shows blank and is not changed.
    app.exec("update gzxm set ftype=5 where xh=1");
    WageItems::modifyItem(1, QStringLiteral("说明"), QStringLiteral("0"));
    QCOMPARE(app.scalar("select ftype from gzxm where xh=1").toInt(), 5);
    QCOMPARE(WageItems::typeText(5), QString());
    QCOMPARE(WageItems::typeText(QVariant()), QString());
    QCOMPARE(WageItems::typeText(1), QStringLiteral("文本型"));
}

void WageDataTest::describe_data()
{
    QTest::addColumn<QStringList>("names"); // of f1, f2, ...; a null entry: no such item
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");
    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << (i == 1    ? QStringLiteral("基本工资")
                   : i == 12 ? QStringLiteral("奖金")
                             : QStringLiteral("项%1").arg(i));
    QTest::newRow("f12 before f1") << twelve << "f12+f1"
                                   << "奖金+基本工资";
    QTest::newRow("a code used twice") << twelve << "f1*2-f1"
                                       << "基本工资*2-基本工资";
    QTest::newRow("piece-work totals") << twelve << "JJe*0.1+JSl"
                                       << "计件金额*0.1+计件数量";
    QTest::newRow("letter case as written") << twelve << "F1+jje"
                                            << "F1+jje";
    QTest::newRow("empty") << twelve << ""
                           << "";
    QTest::newRow("a code of no item keeps its shorter part") << QStringList{QStringLiteral("基本工资")} << "f13+f1"
                                                              << "基本工资3+基本工资";
    QTest::newRow("a name holding its own code")
        << QStringList{QStringLiteral("f1补贴"), QStringLiteral("奖金")} << "f1+f2+f1"
        << "f1补贴+奖金+f1补贴";
    QTest::newRow("a name holding another code")
        << QStringList{QStringLiteral("基本"), QStringLiteral("f1的一半")} << "f2+f1"
        << "基本的一半+基本";
    QTest::newRow("a name forming its code anew") << QStringList{QStringLiteral("11ff")} << "ff11"
                                                  << "f11ff1";
    QTest::newRow("a name holding JJe") << QStringList{QStringLiteral("JJe奖")} << "f1+JJe"
                                        << "计件金额奖+计件金额";
}

// Descriptions end, also where names hold codes.
void WageDataTest::describe()
{
    QFETCH(QStringList, names);
    QFETCH(QString, text);
    QFETCH(QString, description);
    QCOMPARE(WageFormulas::Describe(text, itemsNamed(names)), description);
}

void WageDataTest::formulas()
{
    TestApp app;
    addThree();
    WageItems::addItem(QStringLiteral("应发"), WageItems::Numeric, QStringLiteral("0"));
    QCOMPARE(WageFormulas::save({0, QStringLiteral("f4"), QStringLiteral("f1+f2-f3"), QString()}, true), 1);
    QCOMPARE(WageFormulas::save({0, QStringLiteral("f2"), QStringLiteral("JJe"), QStringLiteral("f1>=2000")}, true), 2);
    QCOMPARE(WageFormulas::save({0, QStringLiteral("f2"), QStringLiteral("100"), QString()}, true), 3);
    QCOMPARE(WageFormulas::save({0, QStringLiteral("f3"), QStringLiteral("f1*0.1"), QString()}, true), 4);
    QCOMPARE(app.scalar("select gsdesc + '|' + condesc from gzgs where xh=2").toString(),
             QStringLiteral("计件金额|基本工资>=2000"));
    QCOMPARE(app.scalar("select condesc from gzgs where xh=1").toString(), QString());

    // The item of formula 4 goes (its column with it, no wage rows): not listed, still stored.
    WageItems::deleteItem(3, QStringLiteral("f3"));
    DataTable list;
    WageFormulas::defineListFields(list);
    WageFormulas::loadList(list);
    QList<int> listed;
    for (int row = 0; row < list.rowCount(); ++row)
        listed << list.rowValue(row, 0).toInt();
    QCOMPARE(listed, (QList<int>{1, 2, 3})); // two formulas for f2, both listed
    QCOMPARE(app.scalar("select count(*) from gzgs where xh=4").toInt(), 1);
    QVERIFY(list.setCurrentRow(1));
    QCOMPARE(list.text(QStringLiteral("xmname")), QStringLiteral("奖金"));
    const WageFormula second = WageFormulas::current(list);
    QCOMPARE(second.con, QStringLiteral("f1>=2000"));

    // Modified: another item, the description from the names as they are now.
    app.exec("update gzxm set xmname='岗位工资' where xh=1");
    QCOMPARE(WageFormulas::save({2, QStringLiteral("f4"), QStringLiteral("f1+JSl"), QString()}, false), 2);
    QCOMPARE(app.scalar("select fname + '|' + gsdesc + '|' + con from gzgs where xh=2").toString(),
             QStringLiteral("f4|岗位工资+计件数量|"));
    // Saved descriptions do not follow later renames.
    QCOMPARE(app.scalar("select gsdesc from gzgs where xh=1").toString(), QStringLiteral("基本工资+奖金-扣款"));
    QVERIFY_THROWS_EXCEPTION(DbError,
                             WageFormulas::save({9, QStringLiteral("f4"), QStringLiteral("1"), QString()}, false));
    QCOMPARE(app.scalar("select count(*) from gzgs").toInt(), 4);

    WageFormulas::remove(2);
    QCOMPARE(app.scalar("select count(*) from gzgs where xh=2").toInt(), 0);
    QCOMPARE(
        WageFormulas::save({0, QStringLiteral("f1"), QStringLiteral("O'Neil'); drop table gzgs; --"), QString()}, true),
        5);
    QCOMPARE(app.scalar("select gs from gzgs where xh=5").toString(), QStringLiteral("O'Neil'); drop table gzgs; --"));
}

void WageDataTest::check_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("unknown");
    QTest::addColumn<QStringList>("unknownFunctions");
    const QStringList none;
    QTest::newRow("item codes") << "f1+f2*0.5" << true << "" << none << none;
    QTest::newRow("piece-work totals") << "JJe+JSl" << true << "" << none << none;
    QTest::newRow("condition with AND") << "(f1>=2000) and (JSl<>0)" << true << "" << none << none;
    QTest::newRow("ABS") << "ABS(f1)" << true << "" << none << none;
    QTest::newRow("groups of the calculation")
        << "ROUND(SIN(f1)+LN(f2)+Length(AnsiUpperCase(\"a\"))+EXTRACTYEAR(DATE())+StrToFloat(FloatToStr(JJe)))" << true
        << "" << none << none;
    QTest::newRow("constants and word operators")
        << "PI*f1 + (f2 mod 3) + (f2 div 2) + IIF(TRUE, 1, 0)" << true << "" << none << none;
    QTest::newRow("script with a variable of its own")
        << "x := f1*2; IF x > JJe THEN RESULT := x ELSE RESULT := JJe" << true << "" << none << none;
    QTest::newRow("text with Chinese") << "IIF(f1>0, \"有\", \"无\")" << true << "" << none << none;
    QTest::newRow("capital F") << "F1+f2" << false << "未知名称：F1" << QStringList{"F1"} << none;
    QTest::newRow("jje in lower case") << "jje*2" << false << "未知名称：jje" << QStringList{"jje"} << none;
    QTest::newRow("code of no item") << "f1+f9+x" << false << "未知名称：f9、x" << QStringList{"f9", "x"} << none;
    // A single expression is placed just after its end; statements at the token that ends them.
    QTest::newRow("syntax error") << "f1+*2" << false << "第1行第6列：语法错误" << none << none;
    QTest::newRow("column in characters")
        << "x := \"工资\" + ; RESULT := f1" << false << "第1行第13列：语法错误" << none << none;
    QTest::newRow("date literal is no text") << "'a'" << false << "第1行第4列：语法错误" << none << none;
    QTest::newRow("bracket missing") << "(f1+f2" << false << "括号不配对" << none << none;
    QTest::newRow("wrong argument count") << "ABS(f1, f2)" << false << "函数的参数个数不对" << none << none;
    QTest::newRow("a function of no group") << "FOO(f1)" << false << "未知函数：FOO" << none << QStringList{"FOO"};
    QTest::newRow("file functions are off")
        << "FileExists(\"a\")" << false << "未知函数：FileExists" << none << QStringList{"FileExists"};
    QTest::newRow("ExecScript is off") << "ExecScript(\"1\")" << false << "未知函数：ExecScript" << none
                                       << QStringList{"ExecScript"};
    QTest::newRow("ends with ;") << "f1*2;" << false << "没有计算结果" << none << none;
    QTest::newRow("assignment only") << "x := f1" << false << "没有计算结果" << none << none;
    QTest::newRow("blanks only") << "   " << false << "没有计算结果" << none << none;
    QTest::newRow("RESULT assigned in a branch") << "IF f1 > 0 THEN result := f1;" << true << "" << none << none;
    QTest::newRow("empty") << "" << true << "" << none << none;
}

void WageDataTest::check()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, message);
    QFETCH(QStringList, unknown);
    QFETCH(QStringList, unknownFunctions);
    FormulaCheck check;
    const QList<WageItem> items = itemsNamed({QStringLiteral("基本工资"), QStringLiteral("奖金")});
    // Checked twice: the same check object is used for one text after the other.
    check.check(QStringLiteral("f1+"), items);
    const FormulaCheck::Result r = check.check(text, items);
    QCOMPARE(r.ok, ok);
    if (message.contains(u'第') || message.isEmpty())
        QCOMPARE(r.message, message);
    else
        QVERIFY2(r.message.contains(message), qPrintable(r.message));
    QCOMPARE(r.unknownNames, unknown);
    QCOMPARE(r.unknownFunctions, unknownFunctions);
    QCOMPARE(r.description, WageFormulas::Describe(text, items));
    if (message.startsWith(u'第')) {
        QCOMPARE(r.line, 1);
        QVERIFY(r.column > 0);
    }
}

void WageDataTest::wageFunctions()
{
    const auto functions = makeWageFunctions();
    for (const char *name : {"ABS", "ROUND", "IIF", "SIN", "LN", "EXP", "DATE", "AnsiUpperCase", "FloatToStr"})
        QVERIFY2(functions->FindFunc(name), name);
    for (const char *name : {"DOPEN", "FileExists", "DeleteFile", "Random", "CreateObject", "ExecScript"})
        QVERIFY2(!functions->FindFunc(name), name);
}

// The set-up the calculation uses: names from the host, case-sensitively, and no endless loop.
void WageDataTest::wageEvaluator()
{
    WageEvaluator e;
    e.parser().OnVariable = [](eval::TCustomParser &, const std::string &name, eval::TValue &value) {
        if (name == "f1")
            value = eval::TValue::Double(2500);
        else if (name == "JJe")
            value = eval::TValue::Double(812.345);
    };
    e.setText(QStringLiteral("f1*2+JJe"));
    QCOMPARE(e.parser().Evaluate().ToDouble(), 5812.345);
    e.setText(QStringLiteral("x := 0; WHILE 1 DO x := x + 1"));
    QVERIFY_THROWS_EXCEPTION(eval::EEvalLimit, e.parser().Evaluate());
    // A misspelt function fails instead of giving 0.
    e.setText(QStringLiteral("f1+ABSS(f1)"));
    try {
        e.parser().Evaluate();
        QFAIL("evaluated");
    } catch (const eval::EEvalError &error) {
        QCOMPARE(fromEvaluatorText(error.Message()),
                 QStringLiteral("公式里的函数“ABSS”不存在或不允许在工资公式中使用"));
    }
    e.setText(QStringLiteral("f1+ABS(-1)"));
    QCOMPARE(e.parser().Evaluate().ToDouble(), 2501.0);
}

QTEST_MAIN(WageDataTest)
#include "WageDataTest.moc"
