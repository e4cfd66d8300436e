// The wage printouts: pay slips through the report engine, the payment table through grid
// printing, and their permissions, read back from PDF as a person would read the paper.
#include "PayrollFixture.h"
#include "data/DataTable.h"
#include "data/MyFun.h"
#include "payroll/GzData.h"
#include "payroll/WagePrint.h"
#include "payroll/WageSheet.h"
#include "report/ReportPreview.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QTimer>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Keeps a copy of a printed PDF beside the screenshots, to be looked at.
void keepPdf(const QString &pdf, const QString &name)
{
    const QString dir = qEnvironmentVariable("JJGZ_SHOTS");
    if (!dir.isEmpty()) {
        QFile::remove(QDir(dir).filePath(name));
        QFile::copy(pdf, QDir(dir).filePath(name));
    }
}

QString pdfText(const QString &pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

// Three employees in two departments (sheet order 张三, 李四, 王五) and `items` numeric items
// 项目1…; item n of employee k holds k * 1000 + n + 0.25.
void buildMonth(TestApp &app, int items)
{
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A01"), QStringLiteral("张三"));
    fx.worker(QStringLiteral("A02"), QStringLiteral("李四"));
    fx.worker(QStringLiteral("B01"), QStringLiteral("王五"), QStringLiteral("02"));
    for (int n = 1; n <= items; ++n)
        fx.item(n, QStringLiteral("项目%1").arg(n));
    TfrmGzData w(wageSheetMode(0));
    w.edtDt->setDate(QDate(2024, 5, 1));
    w.btnQuery->trigger();
    const QStringList codes{QStringLiteral("A01"), QStringLiteral("A02"), QStringLiteral("B01")};
    for (int k = 0; k < codes.size(); ++k)
        for (int n = 1; n <= items; ++n)
            fx.setValue(2024, 5, codes.at(k), QStringLiteral("f%1").arg(n), (k + 1) * 1000 + n + 0.25);
}

// Opens the sheet of May 2024 in `mode`, loaded.
std::unique_ptr<TfrmGzData> openSheet(int mode)
{
    auto w = std::make_unique<TfrmGzData>(wageSheetMode(mode));
    w->resize(900, 500);
    w->edtDt->setDate(QDate(2024, 5, 1));
    w->btnQuery->trigger();
    return w;
}

// Presses `button` and reports the class of the modal window it opened (closed at once), or "".
// The watching timer belongs to this call, so it never fires into a later one.
QString modalOf(QAction *button)
{
    QString seen;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&seen, &watch] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            seen = QString::fromLatin1(modal->metaObject()->className());
            watch.stop();
            modal->close();
        }
    });
    watch.start();
    button->trigger();
    return seen;
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void permissions_data();
    void permissions();
    void paySlipsInSheetOrder();
    void fortyItemsNothingCutOff();
    void paymentTable();
    void hiddenColumnsLeaveThePrints();
    void paymentTableBeforeLoad();
};

void PrintTest::permissions_data()
{
    QTest::addColumn<QString>("oper");
    QTest::addColumn<QList<int>>("grants");
    QTest::addColumn<bool>("slips");
    QTest::addColumn<bool>("table");
    QTest::newRow("Admin in any case") << "Admin" << QList<int>{} << true << true;
    QTest::newRow("no grant") << "clerk" << QList<int>{} << false << false;
    QTest::newRow("slips only") << "clerk" << QList<int>{1301} << true << false;
    QTest::newRow("table only") << "clerk" << QList<int>{1303} << false << true;
}

void PrintTest::permissions()
{
    QFETCH(QString, oper);
    QFETCH(QList<int>, grants);
    QFETCH(bool, slips);
    QFETCH(bool, table);
    TestApp app(oper);
    buildMonth(app, 2);
    for (int code : grants)
        app.exec(QStringLiteral("insert into rolelist(opername,roleid) values(?,?)"), {oper, code});
    auto w = openSheet(0);
    app.messages.clear();
    const QString slipWindow = modalOf(w->btnGzBar);
    QCOMPARE(slipWindow.isEmpty(), !slips);
    if (slips)
        QCOMPARE(slipWindow, QStringLiteral("jjgz::report::ReportPreview"));
    const QString tableWindow = modalOf(w->btnGzRep);
    QCOMPARE(tableWindow.isEmpty(), !table);
    QStringList refusals;
    if (!slips)
        refusals << QStringLiteral("本功能无操作权限");
    if (!table)
        refusals << QStringLiteral("本功能无操作权限");
    QCOMPARE(app.messages.texts(), refusals);
    for (const auto &shown : app.messages.shown) {
        QCOMPARE(shown.title, QStringLiteral("提示"));
        QCOMPARE(shown.icon, MsgIcon::Error);
    }
}

void PrintTest::paySlipsInSheetOrder()
{
    TestApp app;
    buildMonth(app, 3);
    auto w = openSheet(1);
    QString message;
    const report::Report slips = w->paySlips(&message);
    QVERIFY(message.isEmpty());
    QString error;
    QVERIFY2(slips.saveAsPdf(app.path("slips.pdf"), &error), qPrintable(error));
    const QString text = pdfText(app.path("slips.pdf"));
    // Every employee once, in sheet order, with titles and values as the template formats them.
    const qsizetype a = text.indexOf(QStringLiteral("张三"));
    const qsizetype b = text.indexOf(QStringLiteral("李四"));
    const qsizetype c = text.indexOf(QStringLiteral("王五"));
    QVERIFY(a >= 0 && a < b && b < c);
    for (const char *name : {"张三", "李四", "王五"})
        QCOMPARE(text.count(QString::fromUtf8(name)), 1);
    for (const char *expected : {"员工姓名", "项目1", "项目3", "生产部", "包装部", "1001.25", "2003.25", "3002.25"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    QCOMPARE(text.count(QStringLiteral("项目2")), 3); // one title line per strip
}

void PrintTest::fortyItemsNothingCutOff()
{
    TestApp app;
    buildMonth(app, 40);
    auto w = openSheet(1);
    QString message;
    QString error;
    QVERIFY2(w->paySlips(&message).saveAsPdf(app.path("forty.pdf"), &error), qPrintable(error));
    keepPdf(app.path("forty.pdf"), QStringLiteral("pay_slips_40_items.pdf"));
    const QString text = pdfText(app.path("forty.pdf"));
    for (int n = 1; n <= 40; ++n) {
        QVERIFY2(text.contains(QStringLiteral("项目%1").arg(n)), qPrintable(QString::number(n)));
        QVERIFY2(text.contains(QStringLiteral("%1.25").arg(3000 + n)), qPrintable(QString::number(n)));
    }
}

void PrintTest::paymentTable()
{
    TestApp app;
    buildMonth(app, 3);
    auto w = openSheet(2);
    GridPrinter printer(*w->grid);
    w->setUpPaymentTable(printer);
    QVERIFY(printer.printToPdf(app.path("table.pdf")));
    keepPdf(app.path("table.pdf"), QStringLiteral("payment_table.pdf"));
    const QString text = pdfText(app.path("table.pdf"));
    for (const char *expected : {"工资发放表", "工资月份：2024年5月", "员工姓名", "张三", "王五", "1001.25", "3003.25"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    saveShot(w.get(), QStringLiteral("payment_table_sheet"));
}

void PrintTest::hiddenColumnsLeaveThePrints()
{
    TestApp app;
    buildMonth(app, 2);
    // 性别 is the sheet's sixth column (index 6); hidden through the settings of each mode.
    for (const char *key : {"GzData1", "GzData2"})
        QVERIFY(WriteConfig(QString::fromLatin1(key), QStringLiteral("col6"), QStringLiteral("0")));
    auto slipsSheet = openSheet(1);
    QString message, error;
    QVERIFY(slipsSheet->paySlips(&message).saveAsPdf(app.path("s.pdf"), &error));
    const QString slips = pdfText(app.path("s.pdf"));
    QVERIFY(slips.contains(QStringLiteral("员工姓名")));
    QVERIFY(!slips.contains(QStringLiteral("性别")));
    QVERIFY(!slips.contains(QStringLiteral("男")));
    auto tableSheet = openSheet(2);
    GridPrinter printer(*tableSheet->grid);
    tableSheet->setUpPaymentTable(printer);
    QVERIFY(printer.printToPdf(app.path("t.pdf")));
    const QString table = pdfText(app.path("t.pdf"));
    QVERIFY(table.contains(QStringLiteral("员工姓名")));
    QVERIFY(!table.contains(QStringLiteral("性别")));
}

void PrintTest::paymentTableBeforeLoad()
{
    TestApp app;
    TfrmGzData w(wageSheetMode(2));
    GridPrinter printer(*w.grid);
    w.setUpPaymentTable(printer);
    QCOMPARE(printer.resolvedTitleLine(), QStringLiteral("  工资月份：0年0月"));
    // 工资条 on a sheet that is not open prints nothing and says nothing.
    TfrmGzData slips(wageSheetMode(1));
    QCOMPARE(modalOf(slips.btnGzBar), QString());
    QVERIFY(app.messages.shown.isEmpty());
}

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
