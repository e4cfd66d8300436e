// The report engine: templates read or refused with line and column, bands laid out over rows and
// columns into pages, the shipped pay-slip template, PDF output read back, and the preview window.
#include "report/Report.h"
#include "TestSupport.h"
#include "report/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace jjgz;
using namespace jjgz::report;

namespace {

// A small page (content 90 × 50 mm) so that page breaks need few rows.
QByteArray smallReport(const QString &bands)
{
    return (QStringLiteral("<report name=\"测试\" font=\"WenQuanYi Micro Hei\" size=\"8\">\n"
                           "<page width=\"100\" height=\"60\" margins=\"5\"/>\n")
            + bands + QStringLiteral("\n</report>\n"))
        .toUtf8();
}

// The sheet the program would answer from: column 0 holds names, the others numbers.
struct Sheet {
    int rows = 0;
    int columns = 0;
    QList<double> widths; // pixels, empty: the template's width

    QString head(int c) const { return QStringLiteral("项目%1").arg(c); }
    QVariant cell(int r, int c) const
    {
        if (c == 0)
            return QStringLiteral("员工%1").arg(r);
        return r * 10 + c + 0.5;
    }
    std::optional<QVariant> value(const ValueQuery &q) const
    {
        const QString &n = q.name;
        if (n == QLatin1String("head") && q.column >= 0)
            return head(q.column);
        if (n == QLatin1String("cell") && q.row >= 0 && q.column >= 0)
            return cell(q.row, q.column);
        if (n == QLatin1String("name") && q.row >= 0)
            return cell(q.row, 0);
        if (n == QLatin1String("title"))
            return QStringLiteral("三月工资");
        if (n == QLatin1String("empty"))
            return QVariant();
        if (n == QLatin1String("neg"))
            return -1234.56;
        if (n == QLatin1String("zero"))
            return 0.0;
        if (n == QLatin1String("big"))
            return 1234567.891;
        if (n == QLatin1String("count"))
            return 42;
        if (n == QLatin1String("date"))
            return QDate(2024, 3, 5);
        return std::nullopt;
    }
    Report report(ReportTemplate t) const
    {
        Report r(std::move(t));
        r.setSourceCount(QStringLiteral("rows"), rows);
        r.setSourceCount(QStringLiteral("columns"), columns);
        r.setValues([this](const ValueQuery &q) { return value(q); });
        if (!widths.isEmpty())
            r.setColumnWidths([this](int c) { return c < widths.size() ? widths[c] : 0.0; });
        return r;
    }
};

ReportTemplate parsed(const QByteArray &xml)
{
    QString error;
    auto t = ReportTemplate::parse(xml, QStringLiteral("test.frf"), &error);
    if (!t)
        qFatal("template refused: %s", qPrintable(error));
    return *t;
}

ReportDocument prepared(const Report &r)
{
    QString error;
    auto doc = r.prepare(&error);
    if (!doc)
        qFatal("layout failed: %s", qPrintable(error));
    return *doc;
}

QStringList pageTexts(const ReportDocument &doc)
{
    QStringList pages;
    for (int p = 0; p < doc.pageCount(); ++p)
        pages << doc.texts(p).join(QLatin1Char('|'));
    return pages;
}

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Pages of a PDF as PNG files in JJGZ_SHOTS, for looking at.
void pdfShots(const QString &pdf, const QString &name)
{
    const QString dir = qEnvironmentVariable("JJGZ_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"),
                                                   pdf, QDir(dir).filePath(name)});
}

const QString kStrip = QStringLiteral( // one object per column entry, 4 entries to a line
    "<band type=\"data\" height=\"10\" %1>\n"
    "  <columns height=\"10\" gap=\"2\" width=\"20\"><text height=\"10\">[row].[column]</text></columns>\n"
    "</band>");

} // namespace

class ReportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { jjgz::test::pinFont(); }
    void layout_data();
    void layout();
    void columnsWrapOntoFurtherLines();
    void stretchGrowsBandAndFrames();
    void malformed_data();
    void malformed();
    void oversizedTemplate();
    void unknownNamesAndSources();
    void shippedTemplate();
    void paySlipsToPdf();
    void preview();
};

void ReportTest::layout_data()
{
    QTest::addColumn<QString>("bands");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("pages");

    QTest::newRow("placeholders") << QStringLiteral(
        "<band type=\"title\" height=\"5\"><text width=\"90\" height=\"5\">[title] [[注][empty]: [ count "
        "]</text></band>"
        "<band type=\"data\" height=\"5\"><text width=\"90\" height=\"5\">[row]:[name][column]</text></band>")
                                  << 2 << 0 << QStringList{QStringLiteral("三月工资 [注]: 42|1:员工0|2:员工1")};
    QTest::newRow("formats")
        << QStringLiteral("<band type=\"title\" height=\"40\">"
                          "<text width=\"90\" height=\"5\" format=\"0.00\">[big]</text>"
                          "<text width=\"90\" height=\"5\" format=\"#,##0.00\">[big]</text>"
                          "<text width=\"90\" height=\"5\" format=\"¥#,##0.0#元\">[big]</text>"
                          "<text width=\"90\" height=\"5\" format=\"#,##0.00;(#,##0.00)\">[neg]</text>"
                          "<text width=\"90\" height=\"5\" format=\"0\">[neg]</text>"
                          "<text width=\"90\" height=\"5\" format=\"0.00;-0.00;\">([zero])</text>"
                          "<text width=\"90\" height=\"5\" format=\"0.##\">[zero] [count]</text>"
                          "<text width=\"90\" height=\"5\">[neg] [big]</text>"
                          "<text width=\"90\" height=\"5\" format=\"yyyy年M月d日\">[date]</text>"
                          "<text width=\"90\" height=\"5\" format=\"0.00\">[title]</text>"
                          "</band>")
        << 0 << 0
        << QStringList{
               QStringLiteral("1234567.89|1,234,567.89|¥1,234,567.89元|(1,234.56)|-1235|()|0 42|-1234.56 1234567.891|"
                              "2024年3月5日|三月工资")};
    QTest::newRow("a strip per row, an entry per column")
        << QStringLiteral("<band type=\"data\" height=\"10\">"
                          "<columns height=\"10\" width=\"20\"><text height=\"5\">[head]</text>"
                          "<text y=\"5\" height=\"5\" format=\"0.00\">[cell]</text></columns></band>")
        << 2 << 3
        << QStringList{QStringLiteral("项目0|员工0|项目1|1.50|项目2|2.50|项目0|员工1|项目1|11.50|项目2|12.50")};
    QTest::newRow("no rows: only the fixed bands")
        << QStringLiteral("<band type=\"title\" height=\"5\"><text width=\"90\" height=\"5\">标题</text></band>")
               + kStrip.arg(QString())
        << 0 << 3 << QStringList{QStringLiteral("标题")};
    QTest::newRow("strips kept together")
        << kStrip.arg(QStringLiteral("keepTogether=\"true\" spaceAfter=\"8\"")) << 3 << 6
        << QStringList{QStringLiteral("1.1|1.2|1.3|1.4|1.5|1.6"), QStringLiteral("2.1|2.2|2.3|2.4|2.5|2.6"),
                       QStringLiteral("3.1|3.2|3.3|3.4|3.5|3.6")};
    QTest::newRow("strips split between lines")
        << kStrip.arg(QStringLiteral("spaceAfter=\"8\"")) << 3 << 6
        << QStringList{QStringLiteral("1.1|1.2|1.3|1.4|1.5|1.6|2.1|2.2|2.3|2.4"),
                       QStringLiteral("2.5|2.6|3.1|3.2|3.3|3.4|3.5|3.6")};
    QTest::newRow("a strip taller than a page is split, nothing lost")
        << kStrip.arg(QStringLiteral("keepTogether=\"true\"")) << 1 << 18
        << QStringList{QStringLiteral("1.1|1.2|1.3|1.4|1.5|1.6|1.7|1.8|1.9|1.10|1.11|1.12|1.13|1.14|1.15|1.16"),
                       QStringLiteral("1.17|1.18")};
    QTest::newRow("page header and footer on every page")
        << QStringLiteral(
               "<band type=\"pageHeader\" height=\"5\"><text width=\"90\" height=\"5\">表头[page]</text></band>"
               "<band type=\"pageFooter\" height=\"5\"><text width=\"90\" height=\"5\">[page]/[pages]</text></band>")
               + kStrip.arg(QString())
        << 5 << 2
        << QStringList{QStringLiteral("表头1|1.1|1.2|2.1|2.2|3.1|3.2|4.1|4.2|1/2"),
                       QStringLiteral("表头2|5.1|5.2|2/2")};
    QTest::newRow("page header left off the first page")
        << QStringLiteral("<band type=\"pageHeader\" height=\"5\" firstPage=\"false\"><text width=\"90\" "
                          "height=\"5\">续</text></band>")
               + kStrip.arg(QString())
        << 6 << 1 << QStringList{QStringLiteral("1.1|2.1|3.1|4.1|5.1"), QStringLiteral("续|6.1")};
}

void ReportTest::layout()
{
    QFETCH(QString, bands);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QStringList, pages);
    Sheet sheet{rows, columns, {}};
    QCOMPARE(pageTexts(prepared(sheet.report(parsed(smallReport(bands))))), pages);
}

void ReportTest::columnsWrapOntoFurtherLines()
{
    // Widths from the program in pixels: 3 × 113.3 px ≈ 3 × 29.98 mm fit the 90 mm line; the
    // fourth entry and the objects below the column band move down one line pitch.
    Sheet sheet{1, 5, {113.3, 113.3, 113.3, 113.3, 0}};
    const auto doc = prepared(sheet.report(
        parsed(smallReport(QStringLiteral("<band type=\"data\" height=\"16\">"
                                          "<columns height=\"10\" gap=\"2\" width=\"15\"><text "
                                          "height=\"5\">[head]</text><text y=\"5\" height=\"5\">[cell]</text></columns>"
                                          "<text x=\"0\" y=\"11\" width=\"50\" height=\"5\">合计行</text></band>")))));
    QCOMPARE(doc.pageCount(), 1);
    const auto &items = doc.pages[0];
    QCOMPARE(items.size(), 11);
    auto at = [&](int i) { return items[i].rect; };
    QCOMPARE(items[0].text, QStringLiteral("项目0"));
    QCOMPARE(at(0).topLeft(), QPointF(5, 5));
    QVERIFY(qAbs(at(0).width() - 29.98) < 0.01);
    QVERIFY(qAbs(at(4).left() - 64.96) < 0.01); // third entry
    QCOMPARE(items[6].text, QStringLiteral("项目3"));
    QCOMPARE(at(6).topLeft(), QPointF(5, 17)); // second line: 12 mm further down
    QCOMPARE(items[8].text, QStringLiteral("项目4"));
    QVERIFY(qAbs(at(8).left() - 34.98) < 0.01);
    QVERIFY(qAbs(at(8).width() - 15) < 0.01); // no width given: the template's
    QCOMPARE(items[10].text, QStringLiteral("合计行"));
    QCOMPARE(at(10).top(), 5 + 11 + 12.0);

    // A single entry wider than the line is narrowed to the line, not cut off the page.
    Sheet wide{1, 1, {2000}};
    const auto one = prepared(wide.report(parsed(smallReport(QStringLiteral(
        "<band type=\"data\" height=\"5\"><columns height=\"5\"><text height=\"5\">[head]</text></columns></band>")))));
    QCOMPARE(one.pages[0][0].rect, QRectF(5, 5, 90, 5));
}

void ReportTest::stretchGrowsBandAndFrames()
{
    const QString text(60, QChar(0x5b57)); // sixty 字: several lines in 30 mm
    const QString bands = QStringLiteral("<band type=\"data\" height=\"6\" stretch=\"%1\">"
                                         "<text width=\"30\" height=\"6\" wrap=\"true\" frame=\"all\">[long]</text>"
                                         "<text x=\"30\" width=\"20\" height=\"6\" frame=\"all\">[row]</text>"
                                         "<text x=\"50\" width=\"20\" height=\"3\">上</text></band>");
    auto build = [&](bool stretch) {
        Report r(parsed(smallReport(bands.arg(stretch ? QStringLiteral("true") : QStringLiteral("false")))));
        r.setSourceCount(QStringLiteral("rows"), 2);
        r.setValues([&](const ValueQuery &q) -> std::optional<QVariant> {
            if (q.name == QLatin1String("long"))
                return q.row == 0 ? text : QStringLiteral("短");
            return std::nullopt;
        });
        return prepared(r);
    };
    const auto fixed = build(false);
    QCOMPARE(fixed.pages[0][0].rect.height(), 6.0);
    QCOMPARE(fixed.pages[0][3].rect.top(), 11.0); // second row right below

    const auto grown = build(true);
    const auto &items = grown.pages[0];
    const double h = items[0].rect.height();
    QVERIFY2(h > 12 && h < 40, qPrintable(QString::number(h)));
    QCOMPARE(items[1].rect.height(), h);   // the framed neighbour reaches the same bottom
    QCOMPARE(items[2].rect.height(), 3.0); // one that did not reach the bottom stays
    QCOMPARE(items[3].rect.top(), 5 + h);  // the next row starts below the grown band
    QCOMPARE(items[3].rect.height(), 6.0); // a short text does not grow
}

void ReportTest::malformed_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("reason");

    QTest::newRow("not xml") << QByteArray("工资条") << 1 << 1 << QStringLiteral("XML 格式不正确");
    QTest::newRow("empty") << QByteArray("") << 1 << 1 << QStringLiteral("文件不完整");
    QTest::newRow("tags not paired") << QByteArray("<report>\n  <band type=\"title\" height=\"5\">\n</report>\n") << 3
                                     << 9 << QStringLiteral("XML 格式不正确");
    QTest::newRow("cut short") << QByteArray("<report>\n  <band type=\"title\" height=\"5\">\n") << 3 << 1
                               << QStringLiteral("文件不完整");
    QTest::newRow("other root") << QByteArray("<?xml version=\"1.0\"?>\n<html/>") << 2 << 1
                                << QStringLiteral("<report>");
    QTest::newRow("unknown element") << QByteArray("<report>\n<page size=\"A4\"/>\n  <bnad type=\"data\"/>\n</report>")
                                     << 3 << 3 << QStringLiteral("<bnad>");
    QTest::newRow("unknown attribute") << smallReport(QStringLiteral(
        "<band type=\"title\" height=\"5\">\n<text width=\"9\" height=\"5\" colour=\"red\">x</text></band>"))
                                       << 4 << 1 << QStringLiteral("没有属性 “colour”");
    QTest::newRow("not a number") << smallReport(QStringLiteral("<band type=\"title\" height=\"1O\"/>")) << 3 << 1
                                  << QStringLiteral("“1O” 不是数字");
    QTest::newRow("not a finite number") << smallReport(QStringLiteral("<band type=\"title\" height=\"inf\"/>")) << 3
                                         << 1 << QStringLiteral("“inf” 不是数字");
    QTest::newRow("unknown band type") << smallReport(QStringLiteral("<band type=\"body\" height=\"5\"/>")) << 3 << 1
                                       << QStringLiteral("“body” 不认识");
    QTest::newRow("band without height") << smallReport(QStringLiteral("<band type=\"data\"/>")) << 3 << 1
                                         << QStringLiteral("缺少属性 height");
    QTest::newRow("open placeholder") << smallReport(
        QStringLiteral("<band type=\"title\" height=\"5\">\n  <text width=\"9\" height=\"5\">[cell</text></band>"))
                                      << 4 << 3 << QStringLiteral("“[” 没有配上");
    QTest::newRow("element inside a text") << smallReport(
        QStringLiteral("<band type=\"title\" height=\"5\"><text width=\"9\" height=\"5\">a<b/></text></band>"))
                                           << 3 << 62 << QStringLiteral("不能有子元素");
    QTest::newRow("column band below its band")
        << smallReport(QStringLiteral("<band type=\"data\" height=\"5\"><columns y=\"2\" height=\"5\"/></band>")) << 3
        << 30 << QStringLiteral("超出了所在栏的高度");
    QTest::newRow("attribute too long") << smallReport(
        QStringLiteral("<band type=\"title\" height=\"5\">\n<text "
                       "width=\"9\" height=\"5\" font=\"%1\">x</text></band>")
            .arg(QString(5000, u'宋'))) << 4
                                        << 1 << QStringLiteral("属性 font 的值太长（5000 个字符");
    QTest::newRow("text too long") << smallReport(
        QStringLiteral("<band type=\"title\" height=\"5\">\n  <text width=\"9\" height=\"5\">%1</text></band>")
            .arg(QString(20000, u'x')))
                                   << 4 << 3 << QStringLiteral("文字太长（20000 个字符");
    QTest::newRow("margins eat the page")
        << QByteArray("<report><page size=\"A5\" margins=\"70\"/></report>") << 1 << 9 << QStringLiteral("页边距太大");
}

void ReportTest::malformed()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!ReportTemplate::parse(xml, QStringLiteral("gzbar.frf"), &error));
    const QString where = QStringLiteral("报表模板 “gzbar.frf” 第 %1 行第 %2 列：").arg(line).arg(column);
    QVERIFY2(error.startsWith(where), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

// A template file is read whole into memory: one over 1 MB is refused before it is read, and
// its size is named; up to 1 MB it is read as any other.
void ReportTest::oversizedTemplate()
{
    const QByteArray good = smallReport(QStringLiteral("<band type=\"title\" height=\"5\"/>"));
    const qsizetype limit = 1024 * 1024;
    QByteArray full = good;
    full.insert(full.indexOf("<band"), "<!--" + QByteArray(limit - good.size() - 8, 'x') + "-->\n");
    QCOMPARE(full.size(), limit);
    QString error;
    QVERIFY2(ReportTemplate::parse(full, QStringLiteral("gzbar.frf"), &error), qPrintable(error));

    QVERIFY(!ReportTemplate::parse(full + ' ', QStringLiteral("gzbar.frf"), &error));
    QVERIFY2(error.startsWith(QStringLiteral("报表模板 “gzbar.frf” 太大")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("1 MB")), qPrintable(error));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gzbar.frf"));
    QFile big(path);
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(good.left(good.indexOf("<band")));
    big.write("<band type=\"title\" height=\"5\"><text width=\"9\" height=\"5\" font=\"");
    big.write(QByteArray(10 * 1024 * 1024, 'a'));
    big.write("\">x</text></band></report>\n");
    big.close();
    QVERIFY(!ReportTemplate::loadFile(path, &error));
    QVERIFY2(error.contains(QStringLiteral("太大")) && error.contains(QStringLiteral("10.0 MB")), qPrintable(error));
    QString message;
    const ReportTemplate t = ReportTemplate::loadOr(path, ReportTemplate::builtInPaySlip(), &message);
    QCOMPARE(t.origin, ReportTemplate::builtInPaySlip().origin);
    QVERIFY2(message.contains(QStringLiteral("改用程序内置的格式")), qPrintable(message));
}

void ReportTest::unknownNamesAndSources()
{
    QString error;
    Sheet sheet{1, 1, {}};
    Report r = sheet.report(parsed(smallReport(QStringLiteral(
        "<band type=\"data\" height=\"5\">\n<text width=\"9\" height=\"5\">[name][salary]</text></band>"))));
    QVERIFY(!r.prepare(&error));
    QCOMPARE(error, QStringLiteral("报表模板 “test.frf” 第 4 行：程序不认识名称 [salary]，请检查模板。"));
    QVERIFY(!r.saveAsPdf(QDir::temp().filePath(QStringLiteral("never.pdf")), &error));

    Report noSource =
        sheet.report(parsed(smallReport(QStringLiteral("<band type=\"data\" source=\"people\" height=\"5\"/>"))));
    QVERIFY(!noSource.prepare(&error));
    QVERIFY2(error.contains(QStringLiteral("第 3 行：程序没有提供数据源 “people”")), qPrintable(error));
}

void ReportTest::shippedTemplate()
{
    QString error;
    const QString source = QStringLiteral(JJGZ_SOURCE_DIR "/rep/gzbar.frf");
    auto shipped = ReportTemplate::loadFile(source, &error);
    QVERIFY2(shipped, qPrintable(error));
    QFile file(source);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(ReportTemplate::builtInPaySlipText(), file.readAll()); // built in: the same layout

    // The build puts it beside the program.
    QVERIFY(QFile::exists(QStringLiteral(JJGZ_GZBAR_DELIVERED)));

    // Missing: the built-in layout, without a word. Malformed: the built-in one and a message.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gzbar.frf"));
    const ReportTemplate builtIn = ReportTemplate::builtInPaySlip();
    QString message = QStringLiteral("stale");
    ReportTemplate t = ReportTemplate::loadOr(path, builtIn, &message);
    QVERIFY(message.isEmpty());
    QCOMPARE(t.origin, builtIn.origin);
    QCOMPARE(t.bands.size(), shipped->bands.size());

    QFile broken(path);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("<report>\n<band type=\"data\" height=\"x\"/>\n</report>\n");
    broken.close();
    t = ReportTemplate::loadOr(path, builtIn, &message);
    QCOMPARE(t.origin, builtIn.origin);
    QVERIFY2(message.contains(QStringLiteral("第 2 行第 1 列"))
                 && message.contains(QStringLiteral("改用程序内置的格式")),
             qPrintable(message));

    // A good file is taken as it stands.
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write(smallReport(QStringLiteral("<band type=\"title\" height=\"5\"/>")));
    broken.close();
    t = ReportTemplate::loadOr(path, builtIn, &message);
    QVERIFY(message.isEmpty());
    QCOMPARE(t.name, QStringLiteral("测试"));
}

void ReportTest::paySlipsToPdf()
{
    // 25 visible columns at the grid's widths: wider than the page, so each strip goes on over
    // further title/value lines; every employee's strip stays whole on its page.
    Sheet sheet{14, 25, {}};
    for (int c = 0; c < sheet.columns; ++c)
        sheet.widths << (c == 0 ? 80 : 64 + (c % 3) * 10);
    const Report r = sheet.report(ReportTemplate::builtInPaySlip());
    const auto doc = prepared(r);
    QVERIFY(doc.pageCount() >= 2);
    for (int p = 0; p < doc.pageCount(); ++p) {
        const QStringList texts = doc.texts(p);
        // title on page 1, footer on each page, and whole strips of 2 × 25 texts
        QCOMPARE((texts.size() - 1 - (p == 0 ? 1 : 0)) % 50, 0);
        QCOMPARE(texts.last(), QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(doc.pageCount()));
    }
    double lowest = 0; // the second line pair of a strip lies below the first
    for (const ReportItem &item : doc.pages[0])
        if (item.text == QStringLiteral("项目24"))
            lowest = std::max(lowest, item.rect.top());
    QVERIFY(lowest > 40);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("工资条.pdf"));
    QString error;
    QVERIFY2(r.saveAsPdf(pdf, &error), qPrintable(error));
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("工资条")), qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("项目24")), 14);
    QCOMPARE(text.count(QStringLiteral("员工")), 14);
    QVERIFY2(text.contains(QStringLiteral("13.50")) && text.contains(QStringLiteral("154.50")), qPrintable(text));
    QVERIFY(QString(text).remove(QLatin1Char(' ')).contains(QStringLiteral("第1页/共%1页").arg(doc.pageCount())));
    pdfShots(pdf, QStringLiteral("report_payslips"));

    QVERIFY(!r.saveAsPdf(dir.filePath(QStringLiteral("no/such/dir/x.pdf")), &error));
    QVERIFY2(error.contains(QStringLiteral("无法写入 PDF 文件")), qPrintable(error));
}

void ReportTest::preview()
{
    test::ScriptedMessages scripted;
    MessageService *previous = setMessageService(&scripted);
    Sheet sheet{14, 12, {}};
    for (int c = 0; c < sheet.columns; ++c)
        sheet.widths << 70;
    QTemporaryDir dir;
    {
        ReportPreview preview(prepared(sheet.report(ReportTemplate::builtInPaySlip())));
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        const int pages = preview.document().pageCount();
        QVERIFY(pages >= 2);
        auto *label = preview.findChild<QLabel *>(QStringLiteral("lblPage"));
        auto *next = preview.findChild<QAction *>(QStringLiteral("actNext"));
        auto *prev = preview.findChild<QAction *>(QStringLiteral("actPrev"));
        QCOMPARE(label->text(), QStringLiteral("第 1 页 / 共 %1 页").arg(pages));
        QVERIFY(!prev->isEnabled());
        test::saveShot(&preview, QStringLiteral("report_preview"));
        next->trigger();
        QCOMPARE(label->text(), QStringLiteral("第 2 页 / 共 %1 页").arg(pages));
        QTest::keyClick(&preview, Qt::Key_PageDown);
        QCOMPARE(preview.currentPage(), std::min(2, pages - 1));
        preview.findChild<QAction *>(QStringLiteral("actLast"))->trigger();
        QVERIFY(!next->isEnabled());

        // It opens with the whole page width in the window, and zooms by steps.
        auto *view = preview.findChild<QWidget *>(QStringLiteral("pageView"));
        auto *scroll = preview.findChild<QWidget *>(QStringLiteral("scroll"));
        QVERIFY(view->width() <= scroll->width());
        const int width = view->width();
        preview.findChild<QAction *>(QStringLiteral("actZoomIn"))->trigger();
        QVERIFY(view->width() > width);
        preview.findChild<QAction *>(QStringLiteral("actZoomIn"))->trigger();
        QCOMPARE(preview.findChild<QLabel *>(QStringLiteral("lblZoom"))->text(),
                 QStringLiteral("%1%").arg(qRound(preview.zoom() * 100)));
        test::saveShot(&preview, QStringLiteral("report_preview_zoomed"));
        preview.findChild<QAction *>(QStringLiteral("actFitWidth"))->trigger();
        QCOMPARE(view->width(), width);
        preview.findChild<QAction *>(QStringLiteral("actZoomOut"))->trigger();
        QVERIFY(view->width() < width);

        // Save as PDF: ".pdf" is added; a folder that is not there is reported.
        scripted.files << dir.filePath(QStringLiteral("slips")) << dir.filePath(QStringLiteral("missing/slips.pdf"))
                       << QString();
        auto *pdf = preview.findChild<QAction *>(QStringLiteral("actPdf"));
        pdf->trigger();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("slips.pdf"))));
        QVERIFY2(scripted.lastText().startsWith(QStringLiteral("已保存为 PDF 文件")), qPrintable(scripted.lastText()));
        QCOMPARE(scripted.lastChooserFilter, QStringLiteral("PDF 文件(*.pdf)"));
        pdf->trigger();
        QCOMPARE(scripted.shown.last().icon, MsgIcon::Error);
        QVERIFY(scripted.lastText().contains(QStringLiteral("无法写入 PDF 文件")));
        scripted.clear();
        QVERIFY(!preview.saveAsPdf()); // cancelled: nothing said
        QVERIFY(scripted.shown.isEmpty());
        QCOMPARE(pdfText(dir.filePath(QStringLiteral("slips.pdf"))).count(QStringLiteral("项目11")), 14);
    }

    // A report that cannot be laid out says why and opens no window.
    Report broken = sheet.report(parsed(smallReport(
        QStringLiteral("<band type=\"data\" height=\"5\"><text width=\"9\" height=\"5\">[salary]</text></band>"))));
    QVERIFY(!showReportPreview(broken, nullptr));
    QCOMPARE(scripted.shown.size(), 1);
    QCOMPARE(scripted.shown[0].title, QStringLiteral("错误"));
    QVERIFY(scripted.lastText().contains(QStringLiteral("[salary]")));

    // The modal preview opens on the report and closes with 关闭.
    QString label;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 200 && !qobject_cast<ReportPreview *>(QApplication::activeModalWidget()); ++i)
            QTest::qWait(10);
        if (auto *p = qobject_cast<ReportPreview *>(QApplication::activeModalWidget())) {
            label = p->findChild<QLabel *>(QStringLiteral("lblPage"))->text();
            p->findChild<QAction *>(QStringLiteral("actClose"))->trigger();
        }
    });
    QVERIFY(showReportPreview(sheet.report(ReportTemplate::builtInPaySlip()), nullptr));
    QVERIFY(label.startsWith(QStringLiteral("第 1 页 / 共")));
    setMessageService(previous);
}

QTEST_MAIN(ReportTest)
#include "ReportTest.moc"
