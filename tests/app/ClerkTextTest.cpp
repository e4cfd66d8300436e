// What a clerk reads: database failures in plain Chinese, message boxes wide enough for their
// title and text, file dialogs in Chinese.
#include "TestSupport.h"
#include "app/Application.h"
#include "data/DbErrors.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

class ClerkTextTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Application::setUpLocale();
        pinFont();
    }
    void databaseTexts_data();
    void databaseTexts();
    void messageBoxWidth();
    void fileDialogInChinese();
};

void ClerkTextTest::databaseTexts_data()
{
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QString>("shown"); // exactly, or "~part" for a text holding it
    QTest::newRow("locked, driver in Chinese") << "database is locked 无法获取行"
                                               << "~正被其他程序使用";
    QTest::newRow("locked, driver in English") << "database is locked Unable to fetch row"
                                               << "~请稍后再试";
    QTest::newRow("read-only") << "attempt to write a readonly database 无法获取行"
                               << "~只读";
    QTest::newRow("damaged") << "database disk image is malformed"
                             << "~请从备份恢复数据库";
    QTest::newRow("not a database") << "file is not a database Unable to execute statement"
                                    << "~已损坏";
    QTest::newRow("disk full") << "database or disk is full"
                               << "~磁盘已满";
    QTest::newRow("duplicate key") << "UNIQUE constraint failed: depart.bmcode 无法获取行"
                                   << "~已有相同编码";
    QTest::newRow("rule's own refusal, English driver") << "编码正在使用，不能修改 Unable to fetch row"
                                                        << "编码正在使用，不能修改";
    QTest::newRow("rule's own refusal, Chinese driver") << "编码正在使用，不能修改 无法获取行"
                                                        << "编码正在使用，不能修改";
    QTest::newRow("missing column") << "no such column: xs 无法执行语句"
                                    << "~缺少本系统需要的数据表或字段";
    QTest::newRow("unknown engine text") << "SQL logic error"
                                         << "~数据库操作失败";
    QTest::newRow("the program's own message") << "找不到要修改的记录，它可能已被删除"
                                               << "找不到要修改的记录，它可能已被删除";
}

void ClerkTextTest::databaseTexts()
{
    QFETCH(QString, reported);
    QFETCH(QString, shown);
    const QString text = plainDbText(reported);
    if (shown.startsWith(u'~'))
        QVERIFY2(text.contains(shown.mid(1)), qPrintable(text));
    else
        QCOMPARE(text, shown);
    for (const char *word : {"database", "locked", "readonly", "constraint", "malformed", "Unable", "SQL", "无法"})
        QVERIFY2(!text.contains(QLatin1String(word), Qt::CaseInsensitive), qPrintable(text));
    // Every failure box shows the same text.
    ScriptedMessages messages;
    MessageService *previous = setMessageService(&messages);
    showFailure(nullptr, reported);
    setMessageService(previous);
    QCOMPARE(messages.lastText(), text);
}

void ClerkTextTest::messageBoxWidth()
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("提示"), QStringLiteral("编码已存在"), QMessageBox::Ok);
    widenMessageBox(box);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    saveShot(&box, QStringLiteral("message-box"));
    QVERIFY2(box.width() >= MessageBoxMinimumWidth, qPrintable(QString::number(box.width())));
    // The text keeps a margin from the right edge.
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(label);
    QVERIFY(label->mapTo(&box, QPoint(label->sizeHint().width(), 0)).x() < box.width() - 20);
    // A question too.
    QMessageBox question(QMessageBox::Question, QStringLiteral("询问"), QStringLiteral("确定要删除吗？"),
                         QMessageBox::Yes | QMessageBox::No);
    widenMessageBox(question);
    question.show();
    QVERIFY(question.width() >= MessageBoxMinimumWidth);
}

void ClerkTextTest::fileDialogInChinese()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("备份"));
    QFile f(dir.filePath(QStringLiteral("工资.xls")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2048, 'x'));
    f.close();
    QFileDialog dialog(nullptr, QStringLiteral("导出"), dir.path(), QStringLiteral("Excel Files(*.xls)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(640, 400);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *tree = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    QVERIFY(tree);
    QAbstractItemModel *model = tree->model();
    QTRY_COMPARE(model->rowCount(tree->rootIndex()), 2);
    QStringList titles;
    for (int c = 0; c < 4; ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, (QStringList{"名称", "大小", "类型", "修改日期"}));
    QString folderType, fileDate;
    for (int r = 0; r < 2; ++r) {
        const QModelIndex name = model->index(r, 0, tree->rootIndex());
        if (name.data().toString() == u"备份")
            folderType = model->index(r, 2, tree->rootIndex()).data().toString();
        else
            fileDate = model->index(r, 3, tree->rootIndex()).data().toString();
    }
    QCOMPARE(folderType, QStringLiteral("文件夹"));
    const QDateTime modified = QFileInfo(f.fileName()).lastModified();
    QCOMPARE(fileDate, QLocale(QLocale::Chinese, QLocale::China).toString(modified, QLocale::ShortFormat));
    dialog.selectFile(QStringLiteral("工资.xls"));
    saveShot(&dialog, QStringLiteral("file-dialog"));
}

int main(int argc, char **argv)
{
    Application::setUpSystemLocale(); // as the program does before its application object
    QApplication app(argc, argv);
    ClerkTextTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ClerkTextTest.moc"
