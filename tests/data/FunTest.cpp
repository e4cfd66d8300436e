// Text, number, dialect and settings-file helpers.
#include "data/Gbk.h"
#include "data/IniFile.h"
#include "data/JetSql.h"
#include "data/MyFun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace jjgz;

class FunTest : public QObject {
    Q_OBJECT
private slots:
    void roundDec_data();
    void roundDec();
    void textToInt_data();
    void textToInt();
    void padCode();
    void varToFloat();
    void replaceAll_data();
    void replaceAll();
    void translate_data();
    void translate();
    void rowStatements_data();
    void rowStatements();
    void iniFile();
    void iniFileNewFile();
    void gbkTruncate();
};

void FunTest::roundDec_data()
{
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("half up") << 2 << 0.125 << "0.13";
    QTest::newRow("half away from zero") << 2 << -0.125 << "-0.13";
    QTest::newRow("stored below 2.675") << 2 << 2.675 << "2.67";
    QTest::newRow("stored below 1.005") << 2 << 1.005 << "1";
    QTest::newRow("stored above -1.235") << 2 << -1.235 << "-1.24";
    QTest::newRow("2.5551") << 2 << 2.5551 << "2.56";
    QTest::newRow("four places") << 4 << 1.23456 << "1.2346";
    QTest::newRow("zero places") << 0 << 2.5 << "3";
    QTest::newRow("carry into units") << 2 << 9.995 << "9.99";
    QTest::newRow("carry 0.999") << 2 << 0.999 << "1";
    QTest::newRow("tiny") << 2 << 0.004 << "0";
    QTest::newRow("tiny half") << 2 << 0.005 << "0.01";
    QTest::newRow("below a tenth of the last place") << 2 << 0.0004 << "0";
    QTest::newRow("large") << 2 << 123456789.125 << "123456789.13";
    QTest::newRow("zero") << 2 << 0.0 << "0";
    QTest::newRow("money sum") << 2 << (0.1 + 0.2) << "0.3";
}

void FunTest::roundDec()
{
    QFETCH(int, digits);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(RoundDec(digits, value), expected.toDouble());
}

void FunTest::textToInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("fails");
    QTest::newRow("empty") << "" << 0 << false;
    QTest::newRow("blanks") << "   " << 0 << false;
    QTest::newRow("padded") << " 3 " << 3 << false;
    QTest::newRow("negative") << "-12" << -12 << false;
    QTest::newRow("letters") << "3a" << 0 << true;
    QTest::newRow("decimal") << "1.5" << 0 << true;
}

void FunTest::textToInt()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(bool, fails);
    if (fails) {
        QVERIFY_THROWS_EXCEPTION(ConversionError, TextToInt(text));
    } else {
        QCOMPARE(TextToInt(text), expected);
    }
}

void FunTest::padCode()
{
    QCOMPARE(PadCode(7, 3), QStringLiteral("007"));
    QCOMPARE(PadCode(1234, 3), QStringLiteral("1234"));
    QCOMPARE(PadCode(10, 0), QStringLiteral("10"));
    QCOMPARE(PadCode(1, 4), QStringLiteral("0001"));
}

void FunTest::varToFloat()
{
    QCOMPARE(VarToFloat(QVariant()), 0.0);
    QCOMPARE(VarToFloat(QVariant(QMetaType(QMetaType::Double))), 0.0);
    QCOMPARE(VarToFloat(QVariant(12)), 12.0);
    QCOMPARE(VarToFloat(QVariant(QStringLiteral(" 1.25 "))), 1.25);
    QVERIFY_THROWS_EXCEPTION(ConversionError, VarToFloat(QVariant(QStringLiteral("abc"))));
}

void FunTest::replaceAll_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("f");
    QTest::addColumn<QString>("r");
    QTest::addColumn<QString>("expected");
    QTest::newRow("twice") << "f1+f1*2"
                           << "f1"
                           << "基本工资"
                           << "基本工资+基本工资*2";
    QTest::newRow("case-sensitive") << "F1+f1"
                                    << "f1"
                                    << "x"
                                    << "F1+x";
    QTest::newRow("none") << "abc"
                          << "z"
                          << "y"
                          << "abc";
    QTest::newRow("search again from the start") << "aab"
                                                 << "ab"
                                                 << "b"
                                                 << "b";
    QTest::newRow("replacement holds the search text") << "f1+f1"
                                                       << "f1"
                                                       << "(f1)"
                                                       << "(f1)+(f1)";
    QTest::newRow("empty search") << "abc"
                                  << ""
                                  << "x"
                                  << "abc";
    QTest::newRow("new occurrences, finitely") << "fff111"
                                               << "f1"
                                               << "1f"
                                               << "111fff";
    QTest::newRow("new occurrences without end") << "ff11"
                                                 << "f1"
                                                 << "11ff"
                                                 << "f11ff1";
}

void FunTest::replaceAll()
{
    QFETCH(QString, s);
    QFETCH(QString, f);
    QFETCH(QString, r);
    QFETCH(QString, expected);
    QCOMPARE(ReplaceAll(s, f, r), expected);
}

void FunTest::translate_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("top") << "select top 1 gzcode from jjgz order by gzcode desc"
                         << "select gzcode from jjgz order by gzcode desc limit 1";
    QTest::newRow("top distinct") << "SELECT DISTINCT TOP 5 a FROM t;"
                                  << "SELECT DISTINCT a FROM t limit 5;";
    QTest::newRow("text join with literal") << "select '['+bmcode+']'+bmname as t from depart"
                                            << "select '['||bmcode||']'||bmname as t from depart";
    QTest::newRow("ampersand") << "select a & b from t"
                               << "select a || b from t";
    QTest::newRow("numbers keep plus") << "select price*sl+1 from jjdata"
                                       << "select price*sl+1 from jjdata";
    QTest::newRow("plus in quoted text untouched") << "select 'a+b' from t where x=y+1"
                                                   << "select 'a+b' from t where x=y+1";
    QTest::newRow("chain ends at comma") << "select '['+a+']', b+c from t"
                                         << "select '['||a||']', b+c from t";
    QTest::newRow("nested brackets") << "select max(a+1), ('x'+b) from t"
                                     << "select max(a+1), ('x'||b) from t";
    QTest::newRow("alter add") << "alter table gzdata add f3 float default 0"
                               << "alter table gzdata add column f3 float default 0";
    QTest::newRow("alter drop") << "alter table gzdata drop f3"
                                << "alter table gzdata drop column f3";
    QTest::newRow("placeholders") << "select * from t where a=:a and b=?"
                                  << "select * from t where a=:a and b=?";
    QTest::newRow("quote inside text") << "select 'O''Brien'+a from t"
                                       << "select 'O''Brien'||a from t";
}

void FunTest::translate()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(JetSql::translate(jet), sqlite);
}

void FunTest::rowStatements_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");
    const QStringList ab = {QStringLiteral("a"), QStringLiteral("b")};
    const QStringList key = {QStringLiteral("k")};
    QTest::newRow("insert") << JetSql::insertStatement(QStringLiteral("t"), ab)
                            << R"(insert into "t"("a","b") values(?,?))";
    QTest::newRow("insert of defaults") << JetSql::insertStatement(QStringLiteral("t"), {})
                                        << R"(insert into "t" default values)";
    QTest::newRow("update") << JetSql::updateStatement(QStringLiteral("t"), ab, key)
                            << R"(update "t" set "a"=?,"b"=? where "k"=?)";
    QTest::newRow("delete, two keys") << JetSql::deleteStatement(QStringLiteral("t"), ab)
                                      << R"(delete from "t" where "a"=? and "b"=?)";
    QTest::newRow("select") << JetSql::selectStatement(QStringLiteral("t"), ab, key)
                            << R"(select "a","b" from "t" where "k"=?)";
    // A quote in a name stays inside its identifier.
    QTest::newRow("quote in a name") << JetSql::deleteStatement(QStringLiteral("t\"x"), key)
                                     << R"(delete from "t""x" where "k"=?)";
}

// The statements a bound table posts: quoted identifiers, every value a placeholder.
void FunTest::rowStatements()
{
    QFETCH(QString, statement);
    QFETCH(QString, expected);
    QCOMPARE(statement, expected);
}

void FunTest::iniFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(toGbk(QStringLiteral("; 设置\r\n[Worker]\r\ncol0=1\r\nCOL2 = 0\r\n\r\n[Backup]\r\nBkDir=d:\\备份\r\n")));
    f.close();

    IniFile ini(path);
    QCOMPARE(ini.value(QStringLiteral("worker"), QStringLiteral("col2"), QStringLiteral("1")), QStringLiteral("0"));
    QCOMPARE(ini.value(QStringLiteral("BACKUP"), QStringLiteral("bkdir"), QString()), QStringLiteral("d:\\备份"));
    QCOMPARE(ini.value(QStringLiteral("Worker"), QStringLiteral("col9"), QStringLiteral("1")), QStringLiteral("1"));
    QCOMPARE(ini.value(QStringLiteral("Nothing"), QStringLiteral("col0"), QStringLiteral("x")), QStringLiteral("x"));

    // Changing one key replaces its line only; a new key joins its section; a new section is added.
    QVERIFY(ini.setValue(QStringLiteral("WORKER"), QStringLiteral("col2"), QStringLiteral("1")));
    QVERIFY(ini.setValue(QStringLiteral("Worker"), QStringLiteral("col5"), QStringLiteral("0")));
    QVERIFY(ini.setValue(QStringLiteral("Jjgx"), QStringLiteral("col1"), QStringLiteral("0")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = fromGbk(f.readAll());
    f.close();
    QCOMPARE(text,
             QStringLiteral("; 设置\r\n[Worker]\r\ncol0=1\r\ncol2=1\r\ncol5=0\r\n\r\n[Backup]\r\nBkDir=d:\\备份\r\n"
                            "\r\n[Jjgx]\r\ncol1=0\r\n"));
}

void FunTest::iniFileNewFile()
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("config.ini")));
    QVERIFY(ini.setValue(QStringLiteral("备份"), QStringLiteral("目录"), QStringLiteral("甲")));
    QCOMPARE(ini.value(QStringLiteral("备份"), QStringLiteral("目录"), QString()), QStringLiteral("甲"));
    // A folder that cannot hold the file: the setting is lost, and that is reported.
    IniFile nowhere(dir.filePath(QStringLiteral("missing/config.ini")));
    QVERIFY(!nowhere.setValue(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")));
}

void FunTest::gbkTruncate()
{
    QCOMPARE(gbkLength(QStringLiteral("a中b")), 4);
    QCOMPARE(truncateGbk(QStringLiteral("中文名称"), 5), QStringLiteral("中文"));
    QCOMPARE(truncateGbk(QStringLiteral("ab中"), 3), QStringLiteral("ab"));
    QCOMPARE(truncateGbk(QStringLiteral("ab"), 10), QStringLiteral("ab"));
}

QTEST_GUILESS_MAIN(FunTest)
#include "FunTest.moc"
