// The backup, restore and initialization dialogs, driven as a user would.
#include "MaintenanceFixture.h"
#include "app/ChildForm.h"
#include "data/MyFun.h"
#include "maintenance/Backup.h"
#include "maintenance/Init.h"
#include "maintenance/Maintenance.h"
#include "maintenance/Restore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace jjgz;
using namespace jjgz::test;

namespace {

const QDateTime kAt(QDate(2024, 1, 5), QTime(14, 30, 12));

// A main window's child area for the restore to close.
class TestHost final : public ChildHost {
public:
    TestHost()
    {
        area.resize(600, 400);
        area.show();
        setChildHost(this);
    }
    ~TestHost() override { setChildHost(nullptr); }
    QMdiArea *childArea() override { return &area; }
    QMdiSubWindow *addChild(QWidget *form) override
    {
        form->setAttribute(Qt::WA_DeleteOnClose);
        QMdiSubWindow *window = area.addSubWindow(form);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return window;
    }
    QMdiArea area;
};

// A screen holding edits it will not give up when asked to close.
class EditingForm final : public QWidget {
public:
    bool unsaved = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (unsaved)
            event->ignore();
        else
            event->accept();
    }
};

QStringList labelTexts(QWidget *w)
{
    QStringList texts;
    for (QLabel *label : w->findChildren<QLabel *>())
        if (!label->text().isEmpty())
            texts << label->text();
    return texts;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void backupDialog();
    void backupChecks_data();
    void backupChecks();
    void restoreDialog();
    void restoreCancelledByChild();
    void initDialog();
    void initNothingChosenOrDeclined();
};

void DialogsTest::backupDialog()
{
    TestApp app;
    fillEveryTable();
    TfrmBackup dialog;
    dialog.clock = [] { return kAt; };
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    saveShot(&dialog, QStringLiteral("backup"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("数据备份"));
    QCOMPARE(dialog.findChild<QGroupBox *>("gbHint")->title(), QStringLiteral("提示"));
    const QStringList labels = labelTexts(&dialog);
    for (const char *text :
         {"为安全起见，建议每天备份数据！", "备份文件的后缀为 .bak，压缩格式，支持winzip，winrar解压",
          "备份文件名份格式为：jjgzyyyyMMdd_HHmmss.bak。", "备份至->", "备份进度"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QCOMPARE(dialog.btnYes->text(), QStringLiteral("备份(&B)"));
    QVERIFY(dialog.btnYes->isDefault());
    QCOMPARE(dialog.btnCancel->text(), QStringLiteral("取消(&C)"));
    // Never stored: the user's home folder.
    QCOMPARE(dialog.edtDir->text(), QDir::toNativeSeparators(QDir::homePath()) + QDir::separator());

    // The browse button: cancelled changes nothing; a chosen folder gets its separator and is stored.
    QTemporaryDir chosen, typed;
    app.messages.files << QString() << chosen.path();
    dialog.actDir->trigger();
    QCOMPARE(dialog.edtDir->text(), QDir::toNativeSeparators(QDir::homePath()) + QDir::separator());
    dialog.actDir->trigger();
    QCOMPARE(dialog.edtDir->text(), chosen.path() + u'/');
    QCOMPARE(dialog.edtDir->cursorPosition(), dialog.edtDir->text().size());
    QCOMPARE(ReadConfig("Backup", "BkDir", QString()), chosen.path() + u'/');
    QVERIFY(app.messages.shown.isEmpty());

    // A typed folder without a final separator is used, and remembered with its separator as a
    // chosen one is: the next backup and the restore's file dialog start there.
    dialog.edtDir->clear();
    typeText(dialog.edtDir, typed.path());
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("备份成功，文件名为：\njjgz20240105_143012.bak")});
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Information);
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("提示"));
    QVERIFY(QFileInfo(typed.filePath("jjgz20240105_143012.bak")).isFile());
    QVERIFY(QDir(chosen.path()).isEmpty());
    QCOMPARE(ReadConfig("Backup", "BkDir", QString()), typed.path() + u'/');
    {
        TfrmBackup next;
        QCOMPARE(next.edtDir->text(), typed.path() + u'/');
        TfrmRestore restore;
        app.messages.files << QString();
        QTest::mouseClick(restore.btnYes, Qt::LeftButton);
        QCOMPARE(app.messages.lastChooserDir, typed.path() + u'/');
    }
    QCOMPARE(dialog.ProgressBar1->value(), 100);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.btnYes->isEnabled());
    // The database stays open for the program.
    QCOMPARE(count("worker"), 2);
}

void DialogsTest::backupChecks_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << ""
                           << "请选择备份文件存放的目录";
    QTest::newRow("blank") << "   "
                           << "请选择备份文件存放的目录";
    QTest::newRow("missing") << "<tmp>/missing/"
                             << "目录不正确";
    QTest::newRow("a file") << "<tmp>/file"
                            << "目录不正确";
    QTest::newRow("relative") << "bak"
                              << "目录不正确";
}

void DialogsTest::backupChecks()
{
    QFETCH(QString, dir);
    QFETCH(QString, message);
    TestApp app;
    QTemporaryDir tmp;
    QFile(tmp.filePath("file")).open(QIODevice::WriteOnly);
    QDir(app.dir()).mkdir("bak");
    TfrmBackup dialog;
    dialog.show();
    dialog.edtDir->setText(QString(dir).replace("<tmp>", tmp.path()));
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{message});
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"file"});
    QVERIFY(QDir(app.path("bak")).isEmpty());
}

void DialogsTest::restoreDialog()
{
    TestApp app;
    fillEveryTable();
    QTemporaryDir target;
    const QString archive = backupDatabase(target.path(), kAt);
    sql("insert into worker (wkcode, wkname) values ('0009', '后来的')");

    TestHost host;
    auto *clean = new EditingForm;
    QPointer<QWidget> cleanWindow = host.addChild(clean);

    TfrmRestore dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    saveShot(&dialog, QStringLiteral("restore"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("数据恢复"));
    const QStringList labels = labelTexts(&dialog);
    for (const char *text : {"恢复数据之前要慎重！", "恢复数据后，系统当前的数据将被取代",
                             "恢复数据时，应选择最后一次生成的最新备份文件", "恢复进度"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QCOMPARE(dialog.btnYes->text(), QStringLiteral("恢复(&R)"));
    QVERIFY(dialog.btnYes->isDefault());
    QCOMPARE(dialog.btnCancel->text(), QStringLiteral("取消(&C)"));

    // Cancelled chooser, missing file, and No: nothing happens.
    app.messages.files << QString() << target.filePath("gone.bak") << archive;
    app.messages.answers << QMessageBox::No;
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.lastChooserFilter, QStringLiteral("backup files(*.bak)"));
    const QString question = QStringLiteral("确认要把文件\n") + archive + QStringLiteral("\n恢复到系统中吗？");
    QCOMPARE(app.messages.texts(), (QStringList{QStringLiteral("文件不存在"), question}));
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(app.messages.shown[1].title, QStringLiteral("询问"));
    QCOMPARE(count("worker", "where wkcode = '0009'"), 1);
    QVERIFY(cleanWindow);

    // Yes: the child windows close, the data of backup time is back. While the restored file is
    // checked the bar is a busy indicator that keeps being painted (the probe runs then).
    app.messages.clear();
    app.messages.files << archive;
    app.messages.answers << QMessageBox::Yes;
    bool sawBusy = false;
    QTimer probe;
    probe.setInterval(0);
    connect(&probe, &QTimer::timeout, &dialog, [&] {
        if (dialog.ProgressBar1->maximum() == 0) {
            if (!sawBusy)
                saveShot(&dialog, QStringLiteral("restore_checking"));
            sawBusy = true;
        }
    });
    probe.start();
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    probe.stop();
    QVERIFY(sawBusy);
    QCOMPARE(dialog.ProgressBar1->maximum(), 100);
    QCOMPARE(app.messages.texts(), (QStringList{question, QStringLiteral("恢复完毕")}));
    QCOMPARE(app.messages.shown[1].icon, MsgIcon::Information);
    QVERIFY(!cleanWindow);
    QCOMPARE(count("worker", "where wkcode = '0009'"), 0);
    QCOMPARE(count("worker"), 2);
    QCOMPARE(dialog.ProgressBar1->value(), 100);
    QVERIFY(dialog.isVisible());
    QVERIFY(QFileInfo(RestoreJob::keptCopyPath()).isFile());
}

void DialogsTest::restoreCancelledByChild()
{
    TestApp app;
    fillEveryTable();
    QTemporaryDir target;
    const QString archive = backupDatabase(target.path(), kAt);
    sql("insert into worker (wkcode, wkname) values ('0009', '后来的')");
    TestHost host;
    auto *editing = new EditingForm;
    editing->unsaved = true;
    QPointer<QMdiSubWindow> window = host.addChild(editing);
    const auto before = folderState(app.path("data"));

    TfrmRestore dialog;
    dialog.show();
    app.messages.files << archive;
    app.messages.answers << QMessageBox::Yes;
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.shown.size(), 2);
    QVERIFY2(app.messages.lastText().startsWith(QStringLiteral("有窗口没有关闭，数据恢复已取消")),
             qPrintable(app.messages.lastText()));
    QCOMPARE(app.messages.shown[1].icon, MsgIcon::Error);
    QVERIFY(window && window->isVisible());
    QCOMPARE(folderState(app.path("data")), before);
    QCOMPARE(count("worker", "where wkcode = '0009'"), 1);
    editing->unsaved = false;
}

void DialogsTest::initDialog()
{
    TestApp app;
    fillEveryTable();
    TfrmInit dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    saveShot(&dialog, QStringLiteral("init"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("数据初始化"));
    QCOMPARE(dialog.gbList->title(), QStringLiteral("数据列表"));
    QCOMPARE(dialog.btnOk->text(), QStringLiteral("清空"));
    QCOMPARE(dialog.btnCancel->text(), QStringLiteral("取消"));
    // Two columns, with the defaults of a new season.
    struct Expected {
        QCheckBox *box;
        const char *caption;
        int row, column;
        bool checked;
    };
    auto *grid = qobject_cast<QGridLayout *>(dialog.gbList->layout());
    for (const Expected &e : {Expected{dialog.chkOper, "操作员、权限", 0, 0, false},
                              {dialog.chkGzgx, "工种、工序、系数", 1, 0, false},
                              {dialog.chkGzxm, "工资项目及公式", 2, 0, false},
                              {dialog.chkBm, "部门、职位", 3, 0, false},
                              {dialog.chkUser, "员工档案", 0, 1, true},
                              {dialog.chkJj, "计件数据", 1, 1, true},
                              {dialog.chkGz, "工资数据", 2, 1, true}}) {
        QCOMPARE(e.box->text(), QString::fromUtf8(e.caption));
        QCOMPARE(e.box->isChecked(), e.checked);
        int row = -1, column = -1, rs, cs;
        grid->getItemPosition(grid->indexOf(e.box), &row, &column, &rs, &cs);
        QCOMPARE(row, e.row);
        QCOMPARE(column, e.column);
    }

    dialog.chkOper->setChecked(true);
    app.messages.answers << QMessageBox::Yes;
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    QCOMPARE(app.messages.texts(),
             (QStringList{
                 QStringLiteral("确认要清空以下数据吗？清空后不能恢复。\n\n工资数据\n计件数据\n员工档案\n操作员、权限"),
                 QStringLiteral("数据初始化成功")}));
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("询问"));
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Question);
    QCOMPARE(app.messages.shown[1].icon, MsgIcon::Information);
    for (const char *table : {"gzdata", "gzxm_m", "jjdata", "jjdata_d", "worker", "rolelist"})
        QVERIFY2(count(QString::fromLatin1(table)) == 0, table);
    QCOMPARE(count("operator"), 1);
    QCOMPARE(count("depart"), 2);
    QCOMPARE(count("jjgx"), 1);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.chkOper->isChecked() && dialog.chkGz->isChecked() && !dialog.chkBm->isChecked());
}

void DialogsTest::initNothingChosenOrDeclined()
{
    TestApp app;
    fillEveryTable();
    TfrmInit dialog;
    dialog.show();
    for (QCheckBox *box : dialog.gbList->findChildren<QCheckBox *>())
        box->setChecked(false);
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("请选择数据项目")});
    QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(app.messages.shown[0].title, QStringLiteral("提示"));

    app.messages.clear();
    dialog.chkBm->setChecked(true);
    app.messages.answers << QMessageBox::No;
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    QCOMPARE(app.messages.shown.size(), 1);
    QCOMPARE(count("depart"), 2);
    QCOMPARE(count("worker"), 2);
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
