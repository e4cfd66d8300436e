// The list services: column settings in config.ini and their dialog, the .xls export with its
// file-name rule read back by a real .xls reader, and the input prompt.
#include "app/ListServices.h"
#include "TestSupport.h"
#include "app/Input.h"
#include "app/Setup.h"
#include "data/Gbk.h"
#include "data/MyFun.h"
#include "widgets/DbGrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>

using namespace jjgz;
using jjgz::test::TestApp;

namespace {

// The employee list: 13 columns; or the wage sheet's shape with two tag-1 code columns.
struct List {
    DataTable table;
    DbGrid grid;
    explicit List(bool withCodeColumns = false)
    {
        table.setFields({{QStringLiteral("bmcode"), FieldKind::Text, 10},
                         {QStringLiteral("wkcode"), FieldKind::Text, 20},
                         {QStringLiteral("wkname"), FieldKind::Text, 20},
                         {QStringLiteral("sex"), FieldKind::Text, 2},
                         {QStringLiteral("gztp"), FieldKind::Integer, 0},
                         {QStringLiteral("f1"), FieldKind::Float, 0}});
        table.appendRow(
            {QStringLiteral("01"), QStringLiteral("0001"), QStringLiteral("张三"), QStringLiteral("男"), 1, 3500.5});
        table.appendRow(
            {QStringLiteral("01"), QStringLiteral("0002"), QStringLiteral("李四"), QVariant(), 0, QVariant()});
        table.appendRow(
            {QStringLiteral("02"), QStringLiteral("0003"), QStringLiteral("O'Neil"), QStringLiteral("女"), 0, -12.25});
        grid.setTable(&table);
        if (withCodeColumns) {
            grid.setColumnTag(grid.addColumn(QStringLiteral("bmcode"), QString(), 40), 1);
            grid.setColumnTag(grid.addColumn(QStringLiteral("wkcode"), QString(), 40), 1);
        } else {
            grid.addColumn(QStringLiteral("wkcode"), QStringLiteral("员工代码"), 74);
        }
        grid.addColumn(QStringLiteral("wkname"), QStringLiteral("员工姓名"), 100);
        grid.addColumn(QStringLiteral("sex"), QStringLiteral("性别"), 38);
        const int tp = grid.addColumn(QStringLiteral("gztp"), QStringLiteral("工资类型"), 100);
        grid.setColumnDisplay(
            tp, [](const QVariant &v) { return v.toInt() == 1 ? QStringLiteral("按月") : QStringLiteral("计件"); });
        grid.addColumn(QStringLiteral("f1"), QStringLiteral("基本工资"), 60, QStringLiteral("0.00"));
    }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs `check` on the modal dialog of type T once it is shown.
template <class T, class F> void whenShown(F check)
{
    QTimer::singleShot(0, [check] {
        for (int i = 0; i < 100; ++i) {
            if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
                check(dialog);
                return;
            }
            QTest::qWait(10);
        }
        qWarning("dialog did not show");
    });
}

} // namespace

class ListServicesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { jjgz::test::pinFont(); }
    void applySettings();
    void settingsDialog();
    void settingsDialogLeavesCodeColumns();
    void settingsReadOncePerList();
    void unwritableSettingsAreReported();
    void exportNames_data();
    void exportNames();
    void exportNothingWhenClosedOrCancelled();
    void exportReadBack();
    void exportXlsxReadBack();
    void exportXlsxFailureIsShown();
    void exportFailureIsShown();
    void exportXlsRowLimit();
    void inputPrompt_data();
    void inputPrompt();
};

void ListServicesTest::applySettings()
{
    TestApp app;
    {
        List l; // no section yet: every column shows
        ApplyColumnSettings(QStringLiteral("Worker"), &l.grid);
        QCOMPARE(l.grid.visibleColumns(), QList<int>({0, 1, 2, 3, 4}));
    }
    QVERIFY(WriteConfig(QStringLiteral("Worker"), QStringLiteral("col2"), QStringLiteral("0")));
    QVERIFY(
        WriteConfig(QStringLiteral("Worker"), QStringLiteral("col4"), QStringLiteral("x"))); // anything but "1" hides
    List l;
    ApplyColumnSettings(QStringLiteral("Worker"), &l.grid);
    QCOMPARE(l.grid.visibleColumns(), QList<int>({0, 1, 3}));
    // Tag-1 columns are never shown by the settings, even when their keys say "1".
    QVERIFY(WriteConfig(QStringLiteral("GzData0"), QStringLiteral("col0"), QStringLiteral("1")));
    List sheet(true);
    ApplyColumnSettings(QStringLiteral("GzData0"), &sheet.grid);
    QVERIFY(sheet.grid.isColumnHidden(0));
    QVERIFY(sheet.grid.isColumnHidden(1));
}

void ListServicesTest::settingsDialog()
{
    TestApp app;
    // A GBK comment and another section must survive the dialog's writes.
    const QByteArray before = toGbk(QStringLiteral("; 设置文件\r\n[Backup]\r\nBkDir=D:\\备份\r\n"));
    {
        QFile f(app.path(QStringLiteral("config.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    List l;
    ApplyColumnSettings(QStringLiteral("Worker"), &l.grid);
    TfrmSetup dialog(QStringLiteral("Worker"), &l.grid);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("项目显示设置"));
    QVERIFY(dialog.findChild<QGroupBox *>()->title() == QStringLiteral("项目列表"));
    QListWidget *list = dialog.lstColumns();
    QCOMPARE(list->count(), 5);
    QCOMPARE(list->item(1)->text(), QStringLiteral("员工姓名"));
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->item(i)->checkState(), Qt::Checked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    jjgz::test::saveShot(&dialog, QStringLiteral("setup"));
    // Unticking the third entry hides the third column at once and stores col2=0.
    const QRect r = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 8, r.center().y()));
    if (list->item(2)->checkState() == Qt::Checked) // the style's check box sits elsewhere
        list->item(2)->setCheckState(Qt::Unchecked);
    QCOMPARE(list->item(2)->checkState(), Qt::Unchecked);
    QVERIFY(l.grid.isColumnHidden(2));
    const QString ini = fromGbk(readFile(app.path(QStringLiteral("config.ini"))));
    QVERIFY2(ini.contains(QStringLiteral("[Worker]")), qPrintable(ini));
    QVERIFY2(ini.section(QStringLiteral("[Worker]"), 1).contains(QStringLiteral("col2=0")), qPrintable(ini));
    QVERIFY(readFile(app.path(QStringLiteral("config.ini"))).startsWith(before));
    QCOMPARE(ReadConfig(QStringLiteral("Worker"), QStringLiteral("col1"), QStringLiteral("?")), QStringLiteral("1"));
    // Esc closes the dialog.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    // Built again, the list keeps the column hidden.
    List again;
    ApplyColumnSettings(QStringLiteral("Worker"), &again.grid);
    QCOMPARE(again.grid.visibleColumns(), QList<int>({0, 1, 3, 4}));

    // ShowColumnSettings runs the same dialog modally.
    bool shown = false;
    whenShown<TfrmSetup>([&shown](TfrmSetup *d) {
        shown = d->lstColumns()->item(2)->checkState() == Qt::Unchecked;
        d->lstColumns()->item(2)->setCheckState(Qt::Checked);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    ShowColumnSettings(QStringLiteral("Worker"), &again.grid);
    QVERIFY(shown);
    QVERIFY(!again.grid.isColumnHidden(2));
    QCOMPARE(ReadConfig(QStringLiteral("Worker"), QStringLiteral("col2"), QStringLiteral("?")), QStringLiteral("1"));
}

void ListServicesTest::settingsDialogLeavesCodeColumns()
{
    TestApp app;
    List sheet(true);
    TfrmSetup dialog(QStringLiteral("GzData1"), &sheet.grid);
    QCOMPARE(dialog.lstColumns()->count(), 6); // tag-1 columns are listed too
    dialog.lstColumns()->item(0)->setCheckState(Qt::Unchecked);
    dialog.lstColumns()->item(0)->setCheckState(Qt::Checked);
    dialog.lstColumns()->item(3)->setCheckState(Qt::Unchecked);
    QVERIFY(sheet.grid.isColumnHidden(0));
    QVERIFY(sheet.grid.isColumnHidden(1));
    QVERIFY(sheet.grid.isColumnHidden(3));
    QCOMPARE(ReadConfig(QStringLiteral("GzData1"), QStringLiteral("col0"), QStringLiteral("missing")),
             QStringLiteral("missing"));
    QCOMPARE(ReadConfig(QStringLiteral("GzData1"), QStringLiteral("col3"), QStringLiteral("missing")),
             QStringLiteral("0"));
}

void ListServicesTest::settingsReadOncePerList()
{
    TestApp app;
    // config.ini as a pipe: its first reading gets the section hiding columns 1 and 2, any later
    // reading an empty section. Read once, the list hides both columns.
    const QString ini = app.path(QStringLiteral("config.ini"));
    QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {ini}), 0);
    QProcess writer;
    writer.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                        QStringLiteral("printf '[Worker]\\ncol1=0\\ncol2=0\\n' > \"$1\"; "
                                                       "while :; do printf '[Worker]\\n' > \"$1\"; done"),
                                        QStringLiteral("sh"), ini});
    QVERIFY(writer.waitForStarted());
    List l;
    ApplyColumnSettings(QStringLiteral("Worker"), &l.grid);
    writer.kill();
    writer.waitForFinished();
    QCOMPARE(l.grid.visibleColumns(), QList<int>({0, 3, 4}));
}

void ListServicesTest::unwritableSettingsAreReported()
{
    TestApp app;
    QVERIFY(QDir(app.dir()).mkdir(QStringLiteral("config.ini"))); // a folder of that name
    List l;
    ApplyColumnSettings(QStringLiteral("Worker"), &l.grid);
    QCOMPARE(l.grid.visibleColumns(), QList<int>({0, 1, 2, 3, 4}));
    TfrmSetup dialog(QStringLiteral("Worker"), &l.grid);
    dialog.show();
    dialog.lstColumns()->item(2)->setCheckState(Qt::Unchecked);
    QVERIFY(l.grid.isColumnHidden(2));      // shown as chosen for now...
    QCOMPARE(app.messages.shown.size(), 1); // ...and the lost setting is reported once
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QVERIFY2(app.messages.lastText().contains(QStringLiteral("没有保存")), qPrintable(app.messages.lastText()));
    QVERIFY2(app.messages.lastText().contains(QStringLiteral("config.ini")), qPrintable(app.messages.lastText()));
}

void ListServicesTest::exportNames_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    const QString xls = QStringLiteral("Excel Files(*.xls)");
    const QString xlsx = QStringLiteral("Excel 2007 Files(*.xlsx)");
    QTest::newRow("no extension") << xls << "name"
                                  << "name.xls";
    QTest::newRow("upper-case extension") << xls << "name.XLS"
                                          << "name.XLS.xls";
    QTest::newRow("extension") << xls << "name.xls"
                               << "name.xls";
    QTest::newRow("other extension") << xls << "name.txt"
                                     << "name.txt.xls";
    QTest::newRow("xlsx: no extension") << xlsx << "name"
                                        << "name.xlsx";
    QTest::newRow("xlsx: extension") << xlsx << "name.xlsx"
                                     << "name.xlsx";
    QTest::newRow("xlsx: .xls chosen") << xlsx << "name.xls"
                                       << "name.xls.xlsx";
}

void ListServicesTest::exportNames()
{
    QFETCH(QString, filter);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    TestApp app;
    List l;
    app.messages.files << app.path(chosen);
    app.messages.chosenFilters << filter;
    QVERIFY(ExportGrid(&l.grid));
    QCOMPARE(app.messages.lastChooserDir, appDir());
    // .xls is offered first, exactly as before; .xlsx second.
    QCOMPARE(app.messages.lastChooserFilter, QStringLiteral("Excel Files(*.xls);;Excel 2007 Files(*.xlsx)"));
    QVERIFY(QFile::exists(app.path(written)));
    // The file's kind follows the filter: .xlsx is a ZIP container, .xls a BIFF stream.
    QCOMPARE(readFile(app.path(written)).startsWith("PK"), written.endsWith(QStringLiteral(".xlsx")));
    if (chosen != written)
        QVERIFY(!QFile::exists(app.path(chosen)));
    QVERIFY(app.messages.unexpected.isEmpty());
    // The clerk is told where the file went, under the name it was written with.
    QCOMPARE(app.messages.texts(),
             QStringList{QStringLiteral("导出成功，文件保存在：\n") + QDir::toNativeSeparators(app.path(written))});
    QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Information);
}

void ListServicesTest::exportNothingWhenClosedOrCancelled()
{
    TestApp app;
    List l;
    app.messages.files << QString(); // cancelled
    QVERIFY(!ExportGrid(&l.grid));
    QVERIFY(app.messages.shown.isEmpty());
    l.table.close();
    app.messages.clear();
    app.messages.files << app.path(QStringLiteral("closed.xls"));
    QVERIFY(!ExportGrid(&l.grid));
    QCOMPARE(app.messages.files.size(), 1); // no dialog was opened
    QVERIFY(!QFile::exists(app.path(QStringLiteral("closed.xls"))));
}

void ListServicesTest::exportReadBack()
{
    TestApp app;
    List l;
    l.grid.setColumnVisible(2, false); // 性别 is not exported
    l.grid.setFooterRowCount(1);
    l.grid.setFooterText(0, 0, QStringLiteral("合计"));
    l.grid.setFooterSum(0, 4);
    app.messages.files << app.path(QStringLiteral("员工"));
    QVERIFY(ExportGrid(&l.grid));
    // Debian's xlrd reads the stream without being told the encoding: the file declares it.
    const QString script =
        QStringLiteral("import json,sys,xlrd\n"
                       "b=xlrd.open_workbook(sys.argv[1],formatting_info=True)\n"
                       "s=b.sheet_by_index(0)\n"
                       "print(json.dumps([[[c.ctype,c.value] for c in s.row(r)] for r in range(s.nrows)]))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, app.path(QStringLiteral("员工.xls"))});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    auto cell = [&rows](int r, int c) {
        const QJsonArray cellValue = rows.at(r).toArray().at(c).toArray();
        return QStringLiteral("%1:%2").arg(cellValue.at(0).toInt()).arg(cellValue.at(1).toVariant().toString());
    };
    // xlrd kinds: 1 text, 2 number, 6 empty.
    QCOMPARE(rows.size(), 5);
    QCOMPARE(cell(0, 0), QStringLiteral("1:员工代码"));
    QCOMPARE(cell(0, 3), QStringLiteral("1:基本工资"));
    QCOMPARE(cell(1, 1), QStringLiteral("1:张三"));
    QCOMPARE(cell(1, 2), QStringLiteral("2:1")); // the stored integer, not 按月
    QCOMPARE(cell(1, 3), QStringLiteral("2:3500.5"));
    QCOMPARE(cell(2, 3), QStringLiteral("6:")); // null
    QCOMPARE(cell(3, 1), QStringLiteral("1:O'Neil"));
    QCOMPARE(cell(3, 3), QStringLiteral("2:-12.25"));
    QCOMPARE(cell(4, 0), QStringLiteral("1:合计"));
    QCOMPARE(cell(4, 3), QStringLiteral("2:3488.25"));
    QCOMPARE(rows.at(1).toArray().size(), 4);
}

void ListServicesTest::exportXlsxReadBack()
{
    TestApp app;
    List l;
    l.grid.setColumnVisible(2, false); // 性别 is not exported
    l.grid.setFooterRowCount(1);
    l.grid.setFooterText(0, 0, QStringLiteral("合计"));
    l.grid.setFooterSum(0, 4);
    app.messages.files << app.path(QStringLiteral("员工"));
    app.messages.chosenFilters << QStringLiteral("Excel 2007 Files(*.xlsx)");
    QVERIFY(ExportGrid(&l.grid));
    QVERIFY(!QFile::exists(app.path(QStringLiteral("员工.xlsx.part"))));
    const QString script = QStringLiteral(
        "import json,sys,openpyxl\n"
        "s=openpyxl.load_workbook(sys.argv[1]).active\n"
        "rows=[[[type(c.value).__name__,c.value,c.number_format,bool(c.font.b)] for c in r] for r in s.iter_rows()]\n"
        "widths=[round(s.column_dimensions[k].width or 0) for k in 'ABCD']\n"
        "print(json.dumps({'rows':rows,'freeze':s.freeze_panes,'widths':widths}))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, app.path(QStringLiteral("员工.xlsx"))});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    const QJsonObject book = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const QJsonArray rows = book.value(QStringLiteral("rows")).toArray();
    auto cell = [&rows](int r, int c) {
        const QJsonArray v = rows.at(r).toArray().at(c).toArray();
        return QStringLiteral("%1:%2").arg(v.at(0).toString(), v.at(1).toVariant().toString());
    };
    auto format = [&rows](int r, int c) { return rows.at(r).toArray().at(c).toArray().at(2).toString(); };
    auto bold = [&rows](int r, int c) { return rows.at(r).toArray().at(c).toArray().at(3).toBool(); };
    QCOMPARE(rows.size(), 5);
    QCOMPARE(cell(0, 0), QStringLiteral("str:员工代码"));
    QVERIFY(bold(0, 0) && bold(0, 3) && !bold(1, 1));
    QCOMPARE(cell(1, 1), QStringLiteral("str:张三"));
    QCOMPARE(cell(1, 2), QStringLiteral("int:1"));
    QCOMPARE(cell(1, 3), QStringLiteral("float:3500.5"));
    QCOMPARE(format(1, 3), QStringLiteral("0.00"));
    QCOMPARE(cell(2, 3), QStringLiteral("NoneType:"));
    QCOMPARE(cell(3, 1), QStringLiteral("str:O'Neil"));
    QCOMPARE(cell(4, 0), QStringLiteral("str:合计"));
    QCOMPARE(cell(4, 3), QStringLiteral("float:3488.25"));
    QCOMPARE(book.value(QStringLiteral("freeze")).toString(), QStringLiteral("A2"));
    // Widths follow the grid (74, 100, 100 and 60 pixels).
    const QJsonArray widths = book.value(QStringLiteral("widths")).toArray();
    QVERIFY(widths.at(0).toInt() >= 10 && widths.at(0).toInt() <= 12);
    QVERIFY(widths.at(1).toInt() > widths.at(3).toInt());
}

void ListServicesTest::exportXlsxFailureIsShown()
{
    TestApp app;
    List l;
    app.messages.files << app.path(QStringLiteral("no/such/dir/list"));
    app.messages.chosenFilters << QStringLiteral("Excel 2007 Files(*.xlsx)");
    QVERIFY(!ExportGrid(&l.grid));
    QCOMPARE(app.messages.shown.size(), 1);
    QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Error);
    QVERIFY(app.messages.lastText().contains(QStringLiteral("list.xlsx")));
    QVERIFY(app.messages.lastText().contains(QStringLiteral("文件夹")));
}

void ListServicesTest::exportFailureIsShown()
{
    TestApp app;
    List l;
    app.messages.files << app.path(QStringLiteral("no/such/dir/list"));
    QVERIFY(!ExportGrid(&l.grid));
    QCOMPARE(app.messages.shown.size(), 1);
    QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Error);
    QVERIFY(app.messages.lastText().contains(QStringLiteral("list.xls")));
}

// An .xls sheet has 65,536 rows (numbered 0 to 65,535): a list that needs more is refused with
// a word about .xlsx instead of wrapping its row numbers over the first rows.
void ListServicesTest::exportXlsRowLimit()
{
    TestApp app;
    DataTable table;
    table.setFields({{QStringLiteral("wkcode"), FieldKind::Text, 10}});
    DbGrid grid;
    grid.setTable(&table);
    grid.addColumn(QStringLiteral("wkcode"), QStringLiteral("员工代码"), 74);
    table.disableViews();
    for (int r = 0; r < 65535; ++r)
        table.appendRow({QString::number(r)});
    table.enableViews();
    // Titles and 65,535 rows: the last row number is 65,535, every row in its place.
    app.messages.files << app.path(QStringLiteral("full"));
    QVERIFY(ExportGrid(&grid));
    const QByteArray xls = readFile(app.path(QStringLiteral("full.xls")));
    int cells = 0, lastRow = -1;
    bool inOrder = true;
    for (qsizetype at = 0; at + 4 <= xls.size();) {
        const quint16 type = qFromLittleEndian<quint16>(xls.constData() + at);
        const quint16 length = qFromLittleEndian<quint16>(xls.constData() + at + 2);
        if (type == 0x0204) {
            const int row = qFromLittleEndian<quint16>(xls.constData() + at + 4);
            inOrder = inOrder && row == lastRow + 1;
            lastRow = row;
            ++cells;
        }
        at += 4 + length;
    }
    QVERIFY(inOrder);
    QCOMPARE(cells, 65536);
    QCOMPARE(lastRow, 65535);

    // One row more does not fit: refused, nothing written, .xlsx named.
    table.appendRow({QStringLiteral("65535")});
    app.messages.shown.clear(); // the first export said where it wrote the file
    app.messages.files << app.path(QStringLiteral("over"));
    QVERIFY(!ExportGrid(&grid));
    QCOMPARE(app.messages.shown.size(), 1);
    QCOMPARE(app.messages.shown.at(0).icon, MsgIcon::Error);
    QVERIFY2(app.messages.lastText().contains(QStringLiteral("65537")), qPrintable(app.messages.lastText()));
    QVERIFY2(app.messages.lastText().contains(QStringLiteral(".xlsx")), qPrintable(app.messages.lastText()));
    QVERIFY(!QFile::exists(app.path(QStringLiteral("over.xls"))));
    // The same list goes to .xlsx whole.
    app.messages.files << app.path(QStringLiteral("over"));
    app.messages.chosenFilters << QStringLiteral("Excel 2007 Files(*.xlsx)");
    QVERIFY(ExportGrid(&grid));
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import sys,openpyxl\n"
                            "s=openpyxl.load_workbook(sys.argv[1],read_only=True).active\n"
                            "print(s.max_row)\n"),
             app.path(QStringLiteral("over.xlsx"))});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), QStringLiteral("65537"));
}

void ListServicesTest::inputPrompt_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("ok returns the text untrimmed") << true << " 张 三 "
                                                   << " 张 三 ";
    QTest::newRow("cancel returns nothing") << false << "张三"
                                            << "";
    QTest::newRow("ok on an empty field") << true << ""
                                          << "";
}

void ListServicesTest::inputPrompt()
{
    QFETCH(bool, ok);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QString title, label, initial;
    whenShown<TfrmInput>([&](TfrmInput *d) {
        title = d->windowTitle();
        label = d->lblPrompt()->text();
        initial = d->edtInput()->text();
        for (QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, d->edtInput(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        jjgz::test::saveShot(d, QStringLiteral("input"));
        if (ok)
            QTest::keyClick(d->edtInput(), Qt::Key_Return); // 确定 is the default button
        else
            QTest::keyClick(d, Qt::Key_Escape);
    });
    QCOMPARE(InputPrompt(QStringLiteral("员工输入"), QStringLiteral("请输入员工姓名")), result);
    QCOMPARE(title, QStringLiteral("员工输入"));
    QCOMPARE(label, QStringLiteral("请输入员工姓名"));
    QCOMPARE(initial, QString());
}

QTEST_MAIN(ListServicesTest)
#include "ListServicesTest.moc"
