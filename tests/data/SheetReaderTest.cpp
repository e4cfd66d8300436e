// The spreadsheet reader on files written as the factory's programs write them: openpyxl for
// .xlsx, LibreOffice for .xls, and CSV bytes in each encoding; and the files it must refuse.
#include "data/SheetReader.h"
#include "data/Gbk.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace jjgz;

namespace {

// Runs a Python script (openpyxl, zipfile) with the target path as its argument.
void python(const QString &script, const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    QVERIFY2(p.waitForFinished(120000), "python3 did not finish");
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
}

// The sheet of the roster tests: text, a number, a date, a number shown with decimals, a date
// in a Chinese custom format, an empty cell in between, and a second sheet.
const char *kWorkbook = R"(
import sys, datetime, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = '名册'
ws.append([])
ws.append(['员工代码', '员工姓名', '数量', '入职日期', '单价', '生日'])
ws.append(['0001', '张三', 12, datetime.date(2024, 2, 29), 2.5, datetime.date(1990, 1, 2)])
ws.append(['0002', 'O"Neil, 李', None, None, 0.125, None])
ws['F3'].number_format = 'yyyy"年"m"月"d"日"'
ws['E3'].number_format = '0.00'
other = wb.create_sheet('计件')
other.append(['单号', '数量'])
other.append(['A1', 3])
wb.save(sys.argv[1])
)";

void checkRoster(const SheetRows &rows)
{
    QCOMPARE(rows.rows.size(), 4);
    QVERIFY(rows.rows.at(0).isEmpty());
    const QVariantList &r = rows.rows.at(2);
    QCOMPARE(r.value(0), QVariant(QStringLiteral("0001")));
    QCOMPARE(r.value(1), QVariant(QStringLiteral("张三")));
    QCOMPARE(r.value(2).toDouble(), 12.0);
    QCOMPARE(r.value(3), QVariant(QDate(2024, 2, 29)));
    QCOMPARE(r.value(4).metaType().id(), int(QMetaType::Double));
    QCOMPARE(r.value(4).toDouble(), 2.5);
    QCOMPARE(r.value(5), QVariant(QDate(1990, 1, 2)));
    const QVariantList &s = rows.rows.at(3);
    QCOMPARE(s.value(1), QVariant(QStringLiteral("O\"Neil, 李")));
    QVERIFY(s.value(2).isNull());
    QCOMPARE(s.value(4).toDouble(), 0.125);
}

} // namespace

class SheetReaderTest : public QObject {
    Q_OBJECT
private slots:
    void xlsxCells();
    void xlsxInlineAndRichText();
    void xlsFromLibreOffice();
    void csvEncodingsAndQuotes_data();
    void csvEncodingsAndQuotes();
    void refused_data();
    void refused();
    void titlesFoundByName();
    void cellReadings_data();
    void cellReadings();
};

void SheetReaderTest::xlsxCells()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("名册.xlsx"));
    python(QString::fromUtf8(kWorkbook), path);
    checkRoster(SheetReader::read(path));
    QCOMPARE(SheetReader::sheetNames(path), (QStringList{QStringLiteral("名册"), QStringLiteral("计件")}));
    const SheetRows other = SheetReader::read(path, QStringLiteral("计件"));
    QCOMPARE(other.sheetName, QStringLiteral("计件"));
    QCOMPARE(other.rows.value(1).value(0), QVariant(QStringLiteral("A1")));
    try {
        SheetReader::read(path, QStringLiteral("考勤"));
        QFAIL("a missing sheet was read");
    } catch (const SheetError &e) {
        QCOMPARE(e.message(), QStringLiteral("文件“名册.xlsx”中没有名为“考勤”的工作表（有：名册、计件）"));
    }
}

// A package as other programs write it: inline strings, a rich-text shared string with a
// phonetic run, cells without references, no styles part, and a 1904 workbook.
void SheetReaderTest::xlsxInlineAndRichText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("inline.xlsx"));
    python(QStringLiteral(R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)
z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
z.writestr('xl/workbook.xml', '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr date1904="1"/><sheets><sheet name="S" sheetId="1" r:id="rId7"/></sheets></workbook>')
z.writestr('xl/_rels/workbook.xml.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId7" Type="worksheet" Target="worksheets/data.xml"/></Relationships>')
z.writestr('xl/sharedStrings.xml', '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><r><t>员工</t></r><r><t xml:space="preserve">代码</t></r><rPh><t>ヨミ</t></rPh></si></sst>')
z.writestr('xl/worksheets/data.xml', '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c t="s"><v>0</v></c><c t="inlineStr"><is><t>姓名</t></is></c></row><row r="3"><c r="B3" t="inlineStr"><is><r><t>张</t></r><r><t>三</t></r></is></c><c r="C3"><v>7</v></c><c r="D3" t="b"><v>1</v></c></row></sheetData></worksheet>')
z.close()
)"),
           path);
    const SheetRows rows = SheetReader::read(path);
    QCOMPARE(rows.rows.size(), 3);
    QCOMPARE(rows.rows.at(0), (QVariantList{QStringLiteral("员工代码"), QStringLiteral("姓名")}));
    QVERIFY(rows.rows.at(1).isEmpty());
    QCOMPARE(rows.rows.at(2), (QVariantList{QVariant(), QStringLiteral("张三"), 7.0, QStringLiteral("TRUE")}));
}

// A real .xls: the workbook above saved by LibreOffice as Excel 97-2003.
void SheetReaderTest::xlsFromLibreOffice()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QFAIL("LibreOffice (soffice, package libreoffice-calc-nogui) is needed to make the .xls file");
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("roster.xlsx"));
    python(QString::fromUtf8(kWorkbook), xlsx);
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xls"),
                      QStringLiteral("--outdir"), dir.path(), xlsx});
    QVERIFY(p.waitForFinished(180000));
    const QString xls = dir.filePath(QStringLiteral("roster.xls"));
    QVERIFY2(QFile::exists(xls), p.readAllStandardError().constData());
    checkRoster(SheetReader::read(xls));
    QCOMPARE(SheetReader::read(xls, QStringLiteral("计件")).rows.value(1).value(1).toDouble(), 3.0);
}

void SheetReaderTest::csvEncodingsAndQuotes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("员工代码,员工姓名,备注\r\n"
                                        "0001,\"O\"\"Neil, 张\",\"两行\n说明\"\r\n"
                                        "\r\n"
                                        "0002, 李四 ,\n");
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("UTF-8") << text.toUtf8();
    QTest::newRow("GBK") << toGbk(text);
}

void SheetReaderTest::csvEncodingsAndQuotes()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const SheetRows rows = SheetReader::read(file.fileName());
    QCOMPARE(rows.rows.size(), 4);
    QCOMPARE(rows.rows.at(0).value(1), QVariant(QStringLiteral("员工姓名")));
    QCOMPARE(rows.rows.at(1),
             (QVariantList{QStringLiteral("0001"), QStringLiteral("O\"Neil, 张"), QStringLiteral("两行\n说明")}));
    QVERIFY(rows.rows.at(2).isEmpty());
    QCOMPARE(sheetText(rows.rows.at(3).value(1)), QStringLiteral("李四"));
    QVERIFY(rows.rows.at(3).value(2).isNull());
}

void SheetReaderTest::refused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("script");  // writes the file (sys.argv[1])
    QTest::addColumn<QString>("message"); // the start of the refusal
    QTest::newRow("program file") << "a.csv"
                                  << "open(__import__('sys').argv[1],'wb').write(bytes(range(256))*20)"
                                  << "文件“a.csv”不是电子表格（可导入 .xlsx、.xls 或 .csv 文件）";
    QTest::newRow("text named xlsx") << "a.xlsx"
                                     << "open(__import__('sys').argv[1],'w').write('a,b')"
                                     << "文件“a.xlsx”的扩展名是 .xlsx，但内容不是这种表格";
    QTest::newRow("broken package") << "a.xlsx"
                                    << "open(__import__('sys').argv[1],'wb').write(b'PK\\x03\\x04' + b'x'*100)"
                                    << "文件“a.xlsx”不是有效的 .xlsx 表格";
    QTest::newRow("package without workbook")
        << "a.xlsx"
        << "import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w'); z.writestr('a.txt','x'); z.close()"
        << "文件“a.xlsx”不是有效的 .xlsx 表格（缺少 xl/_rels/workbook.xml.rels）";
    QTest::newRow("unterminated quote") << "a.csv"
                                        << "open(__import__('sys').argv[1],'w').write('a,b\\n1,\"2\\n3\\n')"
                                        << "CSV 文件第 2 行开始的引号没有结束";
    QTest::newRow("neither UTF-8 nor GBK") << "a.csv"
                                           << "open(__import__('sys').argv[1],'wb').write(b'a,\\x81\\x20x\\n')"
                                           << "文件的文字既不是 UTF-8 也不是 GBK 编码";
    QTest::newRow("100 MB") << "big.csv"
                            << "f=open(__import__('sys').argv[1],'wb'); f.truncate(100*1024*1024)"
                            << "文件“big.csv”有 100.0 MB，超过可导入的 32 MB";
    // A sheet that packs to little and unpacks to far more than any roster.
    QTest::newRow("zip bomb") << "bomb.xlsx"
                              << "import zipfile,sys\n"
                                 "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n"
                                 "z.writestr('xl/workbook.xml','<workbook><sheets><sheet name=\"S\" r:id=\"r1\" "
                                 "xmlns:r=\"x\"/></sheets></workbook>')\n"
                                 "z.writestr('xl/_rels/workbook.xml.rels','<Relationships><Relationship Id=\"r1\" "
                                 "Target=\"s.xml\"/></Relationships>')\n"
                                 "z.writestr('xl/s.xml',' '*(80*1024*1024))\n"
                                 "z.close()"
                              << "文件“bomb.xlsx”解压后超过 64 MB";
    QTest::newRow("empty sheet") << "a.csv"
                                 << "open(__import__('sys').argv[1],'w').write('\\n ,\\n,,\\n')"
                                 << "表格是空的：没有标题行，也没有数据";
    QTest::newRow("empty workbook") << "a.xlsx"
                                    << "import openpyxl,sys; openpyxl.Workbook().save(sys.argv[1])"
                                    << "工作表“Sheet”是空的";
}

void SheetReaderTest::refused()
{
    QFETCH(QString, name);
    QFETCH(QString, script);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    python(script, path);
    try {
        SheetTable::fromRows(SheetReader::read(path));
        QFAIL("the file was accepted");
    } catch (const SheetError &e) {
        QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
    }
}

void SheetReaderTest::titlesFoundByName()
{
    SheetRows rows;
    rows.rows = {{},
                 {QVariant(), QStringLiteral(" 姓名 "), QStringLiteral("外号"), QStringLiteral("工号")},
                 {QVariant(), QStringLiteral("张三"), QStringLiteral("小张"), 1.0},
                 {},
                 {QVariant(), QStringLiteral("李四")}};
    const SheetTable t = SheetTable::fromRows(rows);
    QCOMPARE(t.titleRow, 2);
    QCOMPARE(t.rows.size(), 2);
    QCOMPARE(t.rows.at(1).number, 5);
    const QList<ImportColumn> columns = {
        {QStringLiteral("code"), {QStringLiteral("员工代码"), QStringLiteral("工号")}, true},
        {QStringLiteral("name"), {QStringLiteral("员工姓名"), QStringLiteral("姓名")}},
        {QStringLiteral("dept"), {QStringLiteral("部门")}, true},
    };
    const SheetColumnMap m = SheetColumnMap::map(t.titles, columns);
    QCOMPARE(m.at(QStringLiteral("code")), 3);
    QCOMPARE(m.at(QStringLiteral("name")), 1);
    QCOMPARE(m.title.value(QStringLiteral("code")), QStringLiteral("员工代码"));
    QCOMPARE(m.unknown, QStringList{QStringLiteral("外号")});
    QCOMPARE(m.problems.size(), 1);
    QCOMPARE(m.problems.first().first, QStringLiteral("部门"));
    QCOMPARE(sheetText(t.cell(t.rows.at(0), 3)), QStringLiteral("1"));

    const SheetColumnMap twice =
        SheetColumnMap::map({QStringLiteral("工号"), QStringLiteral("员工代码"), QStringLiteral("部门")}, columns);
    QCOMPARE(twice.problems.size(), 1);
    QCOMPARE(twice.problems.first().second, QStringLiteral("这一列出现了不止一次（第 1 列和第 2 列），请只保留一列"));
}

void SheetReaderTest::cellReadings_data()
{
    QTest::addColumn<QVariant>("cell");
    QTest::addColumn<QString>("date");   // yyyy-MM-dd, "" for none, "!" + error
    QTest::addColumn<QString>("number"); // the value, "" for empty, "!" + error
    QTest::newRow("date cell") << QVariant(QDate(2024, 5, 3)) << "2024-05-03"
                               << "!";
    QTest::newRow("iso text") << QVariant(QStringLiteral("2024-05-03")) << "2024-05-03"
                              << "!“2024-05-03”不是数字";
    QTest::newRow("slashes") << QVariant(QStringLiteral("2024/5/3")) << "2024-05-03"
                             << "!";
    QTest::newRow("chinese") << QVariant(QStringLiteral("2024年5月3日")) << "2024-05-03"
                             << "!";
    QTest::newRow("digits") << QVariant(20240503.0) << "2024-05-03"
                            << "20240503";
    QTest::newRow("no such day") << QVariant(QStringLiteral("2023-02-29")) << "!日期“2023-02-29”不存在"
                                 << "!";
    QTest::newRow("not a date") << QVariant(QStringLiteral("下周一")) << "!“下周一”不是日期（请写成 2024-05-03）"
                                << "!";
    QTest::newRow("empty") << QVariant() << ""
                           << "";
    QTest::newRow("thousands") << QVariant(QStringLiteral(" 1,234.5 ")) << "!"
                               << "1234.5";
}

void SheetReaderTest::cellReadings()
{
    QFETCH(QVariant, cell);
    QFETCH(QString, date);
    QFETCH(QString, number);
    QDate d;
    QString error;
    const bool dateOk = sheetDate(cell, &d, &error);
    if (date != QLatin1String("!")) {
        if (date.startsWith(u'!')) {
            QVERIFY(!dateOk);
            QCOMPARE(error, date.mid(1));
        } else {
            QVERIFY(dateOk);
            QCOMPARE(d.isValid() ? d.toString(Qt::ISODate) : QString(), date);
        }
    }
    double v = 0;
    bool empty = false;
    error.clear();
    const bool numberOk = sheetNumber(cell, &v, &empty, &error);
    if (number != QLatin1String("!")) {
        if (number.startsWith(u'!')) {
            QVERIFY(!numberOk);
            QCOMPARE(error, number.mid(1));
        } else {
            QVERIFY(numberOk);
            QCOMPARE(empty, number.isEmpty());
            if (!empty)
                QCOMPARE(v, number.toDouble());
        }
    }
}

QTEST_GUILESS_MAIN(SheetReaderTest)
#include "SheetReaderTest.moc"
