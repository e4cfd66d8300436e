// What a grid writes for other programs: the .xls record stream, checked record by record, and
// the printed pages, read back from a PDF with pdftotext.
#include "TestSupport.h"
#include "data/Gbk.h"
#include "data/MyFun.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/GridXls.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <cstring>

using namespace jjgz;

namespace {

struct Cell {
    int type;
    int row;
    int column;
    QString value; // text, number, integer (decoded) or "" for blanks
    bool operator==(const Cell &o) const
    {
        return type == o.type && row == o.row && column == o.column && value == o.value;
    }
};

char *toString(const Cell &c)
{
    return qstrdup(QStringLiteral("{%1 r%2 c%3 %4}")
                       .arg(c.type, 0, 16)
                       .arg(c.row)
                       .arg(c.column)
                       .arg(c.value)
                       .toUtf8()
                       .constData());
}

// Walks the record stream; fails the test on a malformed one.
QList<Cell> readCells(const QByteArray &data, QByteArray *bof)
{
    QList<Cell> cells;
    qsizetype pos = 0;
    bool ended = false;
    int previous = 0;
    bool codePage = false;
    auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(data.constData() + at); };
    while (pos + 4 <= data.size()) {
        const int type = u16(pos);
        const int len = u16(pos + 2);
        const qsizetype body = pos + 4;
        if (body + len > data.size())
            qFatal("record runs past the end");
        if (ended)
            qFatal("data after the end-of-file record");
        switch (type) {
        case 0x0809: *bof = data.mid(body, len); break;
        case 0x0042:
            // GBK (code page 936), declared right after the beginning of the file.
            if (previous != 0x0809 || len != 2 || u16(body) != 936)
                qFatal("code-page record not GBK or not right after the beginning of the file");
            codePage = true;
            break;
        case 0x000A:
            if (len != 0)
                qFatal("end-of-file record with data");
            ended = true;
            break;
        case 0x0204: {
            const int n = u16(body + 6);
            if (len != 8 + n || u16(body + 4) != 0)
                qFatal("bad text cell");
            cells.append({type, u16(body), u16(body + 2), fromGbk(data.mid(body + 8, n))});
            break;
        }
        case 0x0203: {
            if (len != 14)
                qFatal("bad number cell");
            double d;
            const quint64 bits = qFromLittleEndian<quint64>(data.constData() + body + 6);
            std::memcpy(&d, &bits, 8);
            cells.append({type, u16(body), u16(body + 2), QString::number(d, 'g', 17)});
            break;
        }
        case 0x027E: {
            if (len != 10)
                qFatal("bad integer cell");
            const qint32 raw = qFromLittleEndian<qint32>(data.constData() + body + 6);
            if ((raw & 3) != 2)
                qFatal("integer cell not in integer form");
            cells.append({type, u16(body), u16(body + 2), QString::number((raw - 2) / 4)});
            break;
        }
        case 0x0201:
            if (len != 6 || u16(body + 4) != 0x0017)
                qFatal("bad empty cell");
            cells.append({type, u16(body), u16(body + 2), QString()});
            break;
        default: qFatal("unexpected record %x", type);
        }
        previous = type;
        pos = body + len;
    }
    if (!codePage)
        qFatal("no code-page record");
    if (!ended || pos != data.size())
        qFatal("stream does not end with the end-of-file record");
    return cells;
}

// A list with text, integer (shown as text), number, date, empty and field-less cells, a fixed
// hidden column, a column hidden by the user, and a total row.
struct ListFixture {
    DataTable table;
    DbGrid grid;
    ListFixture()
    {
        table.setFields({{QStringLiteral("wkname"), FieldKind::Text, 20},
                         {QStringLiteral("gztp"), FieldKind::Integer, 0},
                         {QStringLiteral("je"), FieldKind::Float, 0},
                         {QStringLiteral("indate"), FieldKind::Date, 0},
                         {QStringLiteral("mm"), FieldKind::Text, 50},
                         {QStringLiteral("bmcode"), FieldKind::Text, 10}});
        table.appendRow(
            {QStringLiteral("张三"), 1, 12.5, QDate(2024, 5, 1), QStringLiteral("备注"), QStringLiteral("01")});
        table.appendRow({QStringLiteral("李四"), 0, -0.25, QVariant(), QVariant(), QStringLiteral("02")});
        grid.setTable(&table);
        const int code = grid.addColumn(QStringLiteral("bmcode"), QStringLiteral("部门"), 40);
        grid.setColumnTag(code, 1);
        grid.addColumn(QStringLiteral("wkname"), QStringLiteral("员工姓名"), 100);
        const int tp = grid.addColumn(QStringLiteral("gztp"), QStringLiteral("工资类型"), 80);
        grid.setColumnDisplay(
            tp, [](const QVariant &v) { return v.toInt() == 1 ? QStringLiteral("按月") : QStringLiteral("计件"); });
        grid.addColumn(QStringLiteral("je"), QStringLiteral("金额"), 60, QStringLiteral("0.00"));
        grid.addColumn(QStringLiteral("indate"), QStringLiteral("入职日期"), 100);
        grid.addColumn(QString(), QStringLiteral("空列"), 40);
        const int mm = grid.addColumn(QStringLiteral("mm"), QStringLiteral("备注"), 100);
        grid.setColumnVisible(mm, false);
        grid.setFooterRowCount(1);
        grid.setFooterText(0, 1, QStringLiteral("合计"));
        grid.setFooterSum(0, 3);
    }
};

// The left edge of the first word `word` on page `page` (from 1) of `pdf`, as a share of the
// page width; -1 when it is not there.
double wordLeft(const QString &pdf, const QString &word, int page = 1)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                                          QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return -1;
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression pageRe(QStringLiteral("<page width=\"([0-9.]+)\""));
    const QRegularExpression wordRe(QStringLiteral("<word xMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    const double width = pageRe.match(html).captured(1).toDouble();
    for (auto it = wordRe.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(2) == word && width > 0)
            return m.captured(1).toDouble() / width;
    }
    return -1;
}

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class GridOutputTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { jjgz::test::pinFont(); }
    void xlsRecords();
    void xlsWithoutTitlesAndLargeIntegers();
    void printedPages();
    void pageBreaksRepeatTitles();
    void previewShowsThePages();
    void totalsPageNumbersAndSignature();
    void printedWidthsFollowTheScreen();
    void companyAndSignatureSwitch();
    void printFontIsTheInstalledOne();
    void columnBands_data();
    void columnBands();
    void orientation();
    void wideListInBands();
};

void GridOutputTest::xlsRecords()
{
    ListFixture f;
    f.table.setCurrentRow(1); // all rows are written whatever the current row
    QByteArray bof;
    const QList<Cell> cells = readCells(gridToXls(f.grid), &bof);
    QCOMPARE(bof, QByteArray::fromHex("0000100000000000"));
    const QList<Cell> expected = {
        {0x0204, 0, 0, QStringLiteral("员工姓名")},
        {0x0204, 0, 1, QStringLiteral("工资类型")},
        {0x0204, 0, 2, QStringLiteral("金额")},
        {0x0204, 0, 3, QStringLiteral("入职日期")},
        {0x0204, 0, 4, QStringLiteral("空列")},
        {0x0204, 1, 0, QStringLiteral("张三")},
        {0x027E, 1, 1, QStringLiteral("1")},
        {0x0203, 1, 2, QStringLiteral("12.5")},
        {0x0204, 1, 3, QStringLiteral("2024-05-01")},
        {0x0201, 1, 4, QString()},
        {0x0204, 2, 0, QStringLiteral("李四")},
        {0x027E, 2, 1, QStringLiteral("0")},
        {0x0203, 2, 2, QStringLiteral("-0.25")},
        {0x0201, 2, 3, QString()},
        {0x0201, 2, 4, QString()},
        {0x0204, 3, 0, QStringLiteral("合计")},
        {0x0201, 3, 1, QString()},
        {0x0203, 3, 2, QStringLiteral("12.25")},
        {0x0201, 3, 3, QString()},
        {0x0201, 3, 4, QString()},
    };
    QCOMPARE(cells, expected);
}

void GridOutputTest::xlsWithoutTitlesAndLargeIntegers()
{
    DataTable t;
    t.setFields({{QStringLiteral("n"), FieldKind::Integer, 0}});
    t.appendRow({-7});
    t.appendRow({qlonglong(1) << 40}); // too large for an integer cell
    DbGrid grid;
    grid.setTable(&t);
    grid.addColumn(QStringLiteral("n"), QStringLiteral("n"));
    grid.setShowTitles(false);
    QByteArray bof;
    const QList<Cell> cells = readCells(gridToXls(grid), &bof);
    QCOMPARE(cells,
             (QList<Cell>{{0x027E, 0, 0, QStringLiteral("-7")}, {0x0203, 1, 0, QStringLiteral("1099511627776")}}));
}

void GridOutputTest::printedPages()
{
    // The piece-work listing's sixteen columns are far wider than a portrait page.
    DataTable t;
    DbGrid grid;
    const QStringList titles = {"日期", "工种名称", "工序名称", "单价", "人数",     "系数名称", "系数",   "计件数量",
                                "金额", "员工代码", "员工姓名", "性别", "职位名称", "比例",     "金额二", "部门名称"};
    const QList<int> widths = {100, 100, 211, 60, 60, 100, 60, 60, 60, 80, 80, 44, 100, 60, 60, 100};
    QList<FieldDef> fields;
    for (int i = 0; i < titles.size(); ++i)
        fields.append({QStringLiteral("f%1").arg(i), i == 6 ? FieldKind::Float : FieldKind::Text, 0});
    fields.append({QStringLiteral("code"), FieldKind::Text, 0});
    t.setFields(fields);
    QVariantList row;
    for (int i = 0; i < titles.size(); ++i)
        row << (i == 6 ? QVariant(1.5) : QVariant(QStringLiteral("值%1").arg(i)));
    t.appendRow(row);
    grid.setTable(&t);
    for (int i = 0; i < titles.size(); ++i)
        grid.addColumn(QStringLiteral("f%1").arg(i), titles.at(i), widths.at(i),
                       i == 6 ? QStringLiteral("0.00") : QString());
    const int code = grid.addColumn(QStringLiteral("code"), QStringLiteral("隐藏代码"), 80);
    grid.setColumnTag(code, 1);

    GridPrinter printer(grid);
    printer.setPageHeader(QStringLiteral("计件数据一览表"));
    printer.setTitleLine(QStringLiteral("   %[v1]"));
    printer.setV1(QStringLiteral("数据月份：2024年05月"));
    QCOMPARE(printer.resolvedTitleLine(), QStringLiteral("   数据月份：2024年05月"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    QVERIFY(printer.printToPdf(pdf));
    if (const QString shots = qEnvironmentVariable("JJGZ_SHOTS"); !shots.isEmpty())
        QFile::copy(pdf, QDir(shots).filePath(QStringLiteral("grid_print.pdf")));
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("计件数据一览表")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("数据月份：2024年05月")), qPrintable(text));
    // Every visible column made it onto the page (titles and the cells of the row); the hidden
    // code column did not.
    for (const QString &title : titles)
        QVERIFY2(text.contains(title), qPrintable(title + QStringLiteral(" missing in:\n") + text));
    QVERIFY(text.contains(QStringLiteral("值15")));
    QVERIFY(text.contains(QStringLiteral("1.50")));
    QVERIFY(!text.contains(QStringLiteral("隐藏代码")));
    QCOMPARE(text.count(u'\f'), 1);
}

void GridOutputTest::pageBreaksRepeatTitles()
{
    ListFixture f;
    for (int i = 0; i < 120; ++i)
        f.table.appendRow({QStringLiteral("员工%1").arg(i, 3, 10, QLatin1Char('0')), 0, double(i), QVariant(),
                           QVariant(), QString()});
    GridPrinter printer(f.grid);
    printer.setPageHeader(QStringLiteral("工资发放表"));
    printer.setTitleLine(QStringLiteral("  %[v1]"));
    printer.setV1(QStringLiteral("工资月份：2024年5月"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
    QVERIFY(printer.printToPdf(pdf));
    QStringList pages = pdfText(pdf).split(u'\f', Qt::SkipEmptyParts);
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));
    for (const QString &page : pages) {
        QVERIFY(page.contains(QStringLiteral("工资发放表")));
        QVERIFY(page.contains(QStringLiteral("员工姓名")));
        QVERIFY(page.contains(QStringLiteral("入职日期")));
    }
    QCOMPARE(pages.first().count(QStringLiteral("工资月份：2024年5月")), 1);
    // Rows are neither lost nor repeated across the breaks; the total row ends the print.
    const QString all = pages.join(u'\n');
    for (int i = 0; i < 120; ++i)
        QCOMPARE(all.count(QStringLiteral("员工%1").arg(i, 3, 10, QLatin1Char('0'))), 1);
    QVERIFY(pages.last().contains(QStringLiteral("合计")));
    QVERIFY(pages.last().contains(QStringLiteral("7152.25"))); // 12.5 - 0.25 + 0 + 1 + ... + 119
}

void GridOutputTest::previewShowsThePages()
{
    ListFixture f;
    for (int i = 0; i < 120; ++i)
        f.table.appendRow({QStringLiteral("员工%1").arg(i), 0, double(i), QVariant(), QVariant(), QString()});
    GridPrinter printer(f.grid);
    printer.setPageHeader(QStringLiteral("工资汇总表"));
    int pages = -1;
    QString title;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 200 && !qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget()); ++i)
            QTest::qWait(10);
        auto *dialog = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        title = dialog->windowTitle();
        if (auto *view = dialog->findChild<QPrintPreviewWidget *>())
            pages = view->pageCount();
        dialog->reject();
    });
    printer.preview(nullptr);
    QCOMPARE(title, QStringLiteral("打印预览"));
    QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
}

// The payment table's print: the company over the header on every page, a 合计 row of the
// number columns after the rows, "第 N 页 共 M 页" under every page and an empty 签字 column.
void GridOutputTest::totalsPageNumbersAndSignature()
{
    ListFixture f;
    f.grid.setFooterRowCount(0);
    for (int i = 0; i < 120; ++i)
        f.table.appendRow({QStringLiteral("员工%1").arg(i, 3, 10, QLatin1Char('0')), 0, double(i) + 0.1, QVariant(),
                           QVariant(), QString()});
    GridPrinter printer(f.grid);
    QCOMPARE(printer.companyName(), QString()); // no database: no company line
    printer.setCompanyName(QStringLiteral("某某服装厂"));
    printer.setPageHeader(QStringLiteral("工资发放表"));
    printer.setTotalRow(true);
    printer.setPageNumbers(true);
    printer.setSignatureColumn(true);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("payment.pdf"));
    QVERIFY(printer.printToPdf(pdf));
    if (const QString shots = qEnvironmentVariable("JJGZ_SHOTS"); !shots.isEmpty()) {
        QFile::remove(QDir(shots).filePath(QStringLiteral("grid_print_totals.pdf")));
        QFile::copy(pdf, QDir(shots).filePath(QStringLiteral("grid_print_totals.pdf")));
    }
    QStringList pages = pdfText(pdf).split(u'\f', Qt::SkipEmptyParts);
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));
    for (int i = 0; i < pages.size(); ++i) {
        const QString &page = pages[i];
        QVERIFY(page.contains(QStringLiteral("某某服装厂")));
        QVERIFY(page.contains(QStringLiteral("工资发放表")));
        QVERIFY(page.contains(QStringLiteral("签字")));
        // (pdftotext drops the narrow spaces between the characters)
        QVERIFY2(QString(page).remove(u' ').contains(QStringLiteral("第%1页共%2页").arg(i + 1).arg(pages.size())),
                 qPrintable(page));
    }
    // The company stands above the header.
    QVERIFY(pages.first().indexOf(QStringLiteral("某某服装厂")) < pages.first().indexOf(QStringLiteral("工资发放表")));
    const QString all = pages.join(u'\n');
    QCOMPARE(all.count(QStringLiteral("合计")), 1);
    // 12.5 - 0.25 + (0.1 + 1.1 + ... + 119.1)
    QVERIFY2(pages.last().contains(QStringLiteral("7164.25")), qPrintable(pages.last()));
    const int total = pages.last().indexOf(QStringLiteral("合计"));
    QVERIFY(total > pages.last().indexOf(QStringLiteral("员工119")));
    // The 签字 column is the last one.
    QVERIFY(wordLeft(pdf, QStringLiteral("签字")) > wordLeft(pdf, QStringLiteral("入职日期")));

    // Without the options: no total of its own, no page numbers, no signature column.
    GridPrinter plain(f.grid);
    QVERIFY(plain.printToPdf(pdf));
    const QString text = pdfText(pdf);
    QVERIFY(!text.contains(QStringLiteral("合计")) && !text.contains(QStringLiteral("共")));
    QVERIFY(!text.contains(QStringLiteral("签字")));
}

// A column the clerk widened on the screen is printed wider; the grid's own width stays.
void GridOutputTest::printedWidthsFollowTheScreen()
{
    ListFixture f;
    f.grid.resize(700, 300);
    f.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
    GridPrinter printer(f.grid);
    QCOMPARE(printer.printedWidth(1), 100);
    QTemporaryDir dir;
    const QString before = dir.filePath(QStringLiteral("before.pdf"));
    QVERIFY(printer.printToPdf(before));
    f.grid.horizontalHeader()->resizeSection(1, 300); // 员工姓名 dragged three times as wide
    f.grid.horizontalHeader()->resizeSection(3, 30);  // 金额 narrower
    QCOMPARE(printer.printedWidth(1), 300);
    QCOMPARE(printer.printedWidth(3), 30);
    QCOMPARE(f.grid.column(1).width, 100);
    const QString after = dir.filePath(QStringLiteral("after.pdf"));
    QVERIFY(printer.printToPdf(after));
    // Shares of the printed width: 员工姓名 100 of 380 before, 300 of 550 after.
    const double typeBefore = wordLeft(before, QStringLiteral("工资类型"));
    const double typeAfter = wordLeft(after, QStringLiteral("工资类型"));
    QVERIFY2(typeBefore > 0 && typeAfter > typeBefore + 0.2,
             qPrintable(QStringLiteral("%1 %2").arg(typeBefore).arg(typeAfter)));
}

// The company comes from the database's parameter 8; the preview's 签字栏 switch is kept in
// config.ini and changes the pages at once.
void GridOutputTest::companyAndSignatureSwitch()
{
    jjgz::test::TestApp app;
    app.exec(QStringLiteral("update params set pvalue=? where pid=8"), {QStringLiteral(" 某某服装厂 ")});
    ListFixture f;
    GridPrinter printer(f.grid);
    QCOMPARE(printer.companyName(), QStringLiteral("某某服装厂"));
    printer.offerSignatureColumn(QStringLiteral("GzData2"));
    QVERIFY(!printer.signatureColumn());
    bool found = false;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 200 && !qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget()); ++i)
            QTest::qWait(10);
        auto *dialog = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (auto *sign = dialog->findChild<QAction *>(QStringLiteral("actSignature"))) {
            found = !sign->isChecked();
            sign->trigger();
        }
        dialog->reject();
    });
    printer.preview(nullptr);
    QVERIFY(found);
    QVERIFY(printer.signatureColumn());
    QCOMPARE(ReadConfig(QStringLiteral("GzData2"), QStringLiteral("sign"), QString()), QStringLiteral("1"));
    GridPrinter again(f.grid);
    again.offerSignatureColumn(QStringLiteral("GzData2"));
    QVERIFY(again.signatureColumn());
}

// Printouts use the installed WenQuanYi Micro Hei by name, so that a desktop font with shared
// glyphs never decides what text a PDF carries.
void GridOutputTest::printFontIsTheInstalledOne()
{
    const QFont font = GridPrinter::printFont();
    QCOMPARE(font.families(), QStringList{QStringLiteral("WenQuanYi Micro Hei")});
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("WenQuanYi Micro Hei"));
    // Characters that share a glyph with a radical in other CJK fonts come back as themselves.
    DataTable t;
    t.setFields({{QStringLiteral("s"), FieldKind::Text, 0}});
    t.appendRow({QStringLiteral("工一人力")});
    DbGrid grid;
    grid.setTable(&t);
    grid.addColumn(QStringLiteral("s"), QStringLiteral("工资"), 200);
    GridPrinter printer(grid);
    printer.setPageHeader(QStringLiteral("工资发放表"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("font.pdf"));
    QVERIFY(printer.printToPdf(pdf));
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("工一人力")) && text.contains(QStringLiteral("工资发放表")),
             qPrintable(text));
    for (const char16_t radical : {u'\u2F2F', u'\u2F00', u'\u2F08', u'\u2F12'})
        QVERIFY2(!text.contains(QChar(radical)), qPrintable(text));
}

void GridOutputTest::columnBands_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<double>("page");
    QTest::addColumn<QString>("bands"); // bands of column indexes, "|" between bands
    QTest::addColumn<double>("scale");
    const double min = GridPrinter::kMinTextScale;
    QTest::newRow("narrow: grows") << QList<int>{100, 100} << QList<int>{0} << 400.0 << "0 1" << 2.0;
    QTest::newRow("shrinks to fit") << QList<int>{100, 100, 100, 100} << QList<int>{0} << 320.0 << "0 1 2 3" << 0.8;
    QTest::newRow("just at the limit") << QList<int>{90, 90} << QList<int>{0} << 141.0 << "0 1" << 141.0 / 180.0;
    // Beyond the limit: 700 px of page hold 900 px of grid at 7/9.
    QTest::newRow("bands repeat the keys") << QList<int>{100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100}
                                           << QList<int>{0, 1} << 700.0 << "0 1 2 3 4 5 6 7 8|0 1 9 10 11" << min;
    QTest::newRow("keys in the middle go first")
        << QList<int>{100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100} << QList<int>{4, 5} << 700.0
        << "4 5 0 1 2 3 6 7 8|4 5 9 10 11" << min;
    QTest::newRow("a column wider than the page gets a band of its own")
        << QList<int>{100, 2000, 100} << QList<int>{0} << 700.0 << "0 1|0 2" << min;
    QTest::newRow("keys wider than half the page are not repeated")
        << QList<int>{600, 300, 300, 300} << QList<int>{0} << 700.0 << "0 1|2 3" << min;
    QTest::newRow("no key") << QList<int>{500, 500, 500} << QList<int>{} << 700.0 << "0|1|2" << min;
}

void GridOutputTest::columnBands()
{
    QFETCH(QList<int>, widths);
    QFETCH(QList<int>, keys);
    QFETCH(double, page);
    QFETCH(QString, bands);
    QFETCH(double, scale);
    const GridPrinter::ColumnBands got = GridPrinter::columnBands(widths, keys, page);
    QStringList text;
    for (const QList<int> &band : got.bands) {
        QStringList b;
        for (int i : band)
            b << QString::number(i);
        text << b.join(u' ');
        // What a band holds fits the page at the scale (one over-wide column excepted).
        double width = 0;
        for (int i : band)
            width += widths[i];
        QVERIFY(width * got.scale <= page + 0.01 || band.size() <= keys.size() + 1);
    }
    QCOMPARE(text.join(u'|'), bands);
    QVERIFY(qAbs(got.scale - scale) < 1e-9);
    QVERIFY(got.scale >= GridPrinter::kMinTextScale - 1e-9);
}

void GridOutputTest::orientation()
{
    // A4 with 10 mm margins: 190 mm (718 px) across in portrait, 277 mm (1047 px) in landscape.
    DataTable t;
    t.setFields({{QStringLiteral("a"), FieldKind::Text, 0}});
    DbGrid grid;
    grid.setTable(&t);
    const int column = grid.addColumn(QStringLiteral("a"), QStringLiteral("甲"), 700);
    GridPrinter printer(grid);
    QCOMPARE(printer.orientation(), QPageLayout::Portrait);
    grid.setColumnWidthPx(column, 740);
    QCOMPARE(printer.orientation(), QPageLayout::Landscape);
    QPrinter pdf(QPrinter::HighResolution);
    printer.setUpPrinter(pdf);
    QCOMPARE(pdf.pageLayout().orientation(), QPageLayout::Landscape);
    printer.setOrientation(QPageLayout::Portrait); // a screen that asks for one keeps it
    QCOMPARE(printer.orientation(), QPageLayout::Portrait);
}

void GridOutputTest::wideListInBands()
{
    // Sixteen columns of 100 px: wider than a landscape page even at 7 pt, so the columns go on in
    // a second band, with the employee code and name repeated.
    DataTable t;
    QList<FieldDef> fields = {{QStringLiteral("wkcode"), FieldKind::Text, 0},
                              {QStringLiteral("wkname"), FieldKind::Text, 0}};
    for (int i = 1; i <= 14; ++i)
        fields.append({QStringLiteral("f%1").arg(i), FieldKind::Float, 0});
    t.setFields(fields);
    const int rows = 80;
    for (int r = 0; r < rows; ++r) {
        QVariantList row = {QStringLiteral("W%1").arg(r, 3, 10, QLatin1Char('0')), QStringLiteral("员工%1").arg(r)};
        for (int i = 1; i <= 14; ++i)
            row << double(r * 100 + i);
        t.appendRow(row);
    }
    DbGrid grid;
    grid.setTable(&t);
    grid.addColumn(QStringLiteral("wkcode"), QStringLiteral("员工代码"), 100);
    grid.addColumn(QStringLiteral("wkname"), QStringLiteral("员工姓名"), 100);
    for (int i = 1; i <= 14; ++i)
        grid.addColumn(QStringLiteral("f%1").arg(i), QStringLiteral("项目%1号").arg(i, 2, 10, QLatin1Char('0')), 100,
                       QStringLiteral("0.00"));
    GridPrinter printer(grid);
    printer.setPageHeader(QStringLiteral("发放表"));
    QCOMPARE(printer.orientation(), QPageLayout::Landscape);
    QCOMPARE(printer.keyColumns(), (QList<int>{0, 1}));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("wide.pdf"));
    QVERIFY(printer.printToPdf(pdf));
    if (const QString shots = qEnvironmentVariable("JJGZ_SHOTS"); !shots.isEmpty())
        QFile::copy(pdf, QDir(shots).filePath(QStringLiteral("grid_print_wide.pdf")));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished(30000));
    const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(infoText.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12](\\.\\d+)? x 595"))),
             qPrintable(infoText));

    QStringList pages = pdfText(pdf).split(u'\f', Qt::SkipEmptyParts);
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    // Two bands of equal length: items 1-11 first, then 12-14.
    QVERIFY2(pages.size() >= 4 && pages.size() % 2 == 0, qPrintable(QString::number(pages.size())));
    const int half = int(pages.size()) / 2;
    for (int i = 0; i < pages.size(); ++i) {
        const QString &page = pages[i];
        QVERIFY(page.contains(QStringLiteral("发放表")));
        QVERIFY(page.contains(QStringLiteral("员工代码")));
        QVERIFY(page.contains(QStringLiteral("员工姓名")));
        const bool first = i < half;
        QCOMPARE(page.contains(QStringLiteral("项目01号")), first);
        QCOMPARE(page.contains(QStringLiteral("项目11号")), first);
        QCOMPARE(page.contains(QStringLiteral("项目12号")), !first);
        QCOMPARE(page.contains(QStringLiteral("项目14号")), !first);
    }
    // Every row once in each band, with its own values.
    const QString all = pages.join(u'\n');
    for (int r = 0; r < rows; ++r) {
        QCOMPARE(all.count(QStringLiteral("W%1").arg(r, 3, 10, QLatin1Char('0'))), 2);
        for (int item : {1, 11, 12, 14}) {
            const QRegularExpression value(QStringLiteral("(?<![\\d.])%1\\.00").arg(r * 100 + item));
            QCOMPARE(all.count(value), 1);
        }
    }

    // The preview opens on landscape pages; a picture of it for the guide.
    QPrinter target(QPrinter::HighResolution);
    printer.setUpPrinter(target);
    QPrintPreviewDialog preview(&target);
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *p) { printer.render(*p); });
    preview.resize(1000, 720);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    auto *view = preview.findChild<QPrintPreviewWidget *>();
    QVERIFY(view);
    view->updatePreview();
    QTest::qWait(50);
    QCOMPARE(view->orientation(), QPageLayout::Landscape);
    QCOMPARE(view->pageCount(), int(pages.size()));
    jjgz::test::saveShot(&preview, QStringLiteral("grid_print_landscape_preview"));
}

QTEST_MAIN(GridOutputTest)
#include "GridOutputTest.moc"
