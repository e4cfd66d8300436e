// The child windows keep the state their screens ask for, whatever was active before: the
// roster and the process window maximised, the code tables in normal size at the top-left corner.
#include "TestSupport.h"
#include "app/ChildForm.h"
#include "login/MainFrm.h"
#include "login/Screens.h"
#include "masterdata/CodeTable.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

class WindowStateTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void switching();
};

void WindowStateTest::switching()
{
    TestApp app;
    TfrmMain w;
    w.resize(1100, 760);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto open = [&w](int code, const char *className) {
        openScreen(code, &w);
        QMdiSubWindow *window = findChildForm(className);
        if (window)
            QTest::qWait(20); // queued state changes run
        return window;
    };
    auto verifyNormalAtCorner = [](QMdiSubWindow *window) {
        QVERIFY(!window->isMaximized());
        QCOMPARE(window->pos(), QPoint(0, 0));
        QCOMPARE(window->widget()->size(), QSize(TfrmCodeTable::ClientWidth, TfrmCodeTable::ClientHeight));
    };

    QMdiSubWindow *roster = open(1515, "jjgz::TfrmWorker");
    QVERIFY(roster);
    QTRY_VERIFY(roster->isMaximized());
    QMdiSubWindow *depart = open(1512, "jjgz::TfrmDepart");
    QVERIFY(depart);
    QCOMPARE(w.mdiArea->activeSubWindow(), depart);
    verifyNormalAtCorner(depart);
    QVERIFY(roster->isMaximized());

    QMdiSubWindow *process = open(1505, "jjgz::TfrmJjgx");
    QVERIFY(process);
    QTRY_VERIFY(process->isMaximized());
    QVERIFY(roster->isMaximized());
    verifyNormalAtCorner(depart);

    // A second code table opened while a maximised window is active.
    QMdiSubWindow *positions = open(1513, "jjgz::TfrmWorkerType");
    QVERIFY(positions);
    verifyNormalAtCorner(positions);

    // Back and forth through the windows, as the window menu or a click would.
    for (QMdiSubWindow *next : {roster, depart, process, positions, roster, depart}) {
        w.mdiArea->setActiveSubWindow(next);
        QTest::qWait(20);
        QCOMPARE(w.mdiArea->activeSubWindow(), next);
        QVERIFY(roster->isMaximized());
        QVERIFY(process->isMaximized());
        verifyNormalAtCorner(depart);
        verifyNormalAtCorner(positions);
    }
    saveShot(&w, QStringLiteral("window-states"));
}

QTEST_MAIN(WindowStateTest)
#include "WindowStateTest.moc"
