// The month picker stepped as a clerk steps it: the arrow keys and the up-down buttons on the
// month or the year, across the turn of the year, and back.
#include "widgets/MonthPicker.h"
#include "TestSupport.h"

#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

class MonthPickerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void arrowKeys_data();
    void arrowKeys();
    void buttonsRollOverTheYear();
};

void MonthPickerTest::arrowKeys_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("shown");
    QTest::newRow("12月 up into January")
        << QDate(2010, 12, 1) << int(QDateTimeEdit::MonthSection) << int(Qt::Key_Up) << 1 << "2011年01月";
    QTest::newRow("1月 down into December")
        << QDate(2011, 1, 1) << int(QDateTimeEdit::MonthSection) << int(Qt::Key_Down) << 1 << "2010年12月";
    QTest::newRow("there and back") << QDate(2010, 11, 1) << int(QDateTimeEdit::MonthSection) << int(Qt::Key_Up) << 3
                                    << "2011年02月";
    QTest::newRow("PageUp: ten months a press")
        << QDate(2010, 12, 1) << int(QDateTimeEdit::MonthSection) << int(Qt::Key_PageUp) << 2 << "2012年08月";
    QTest::newRow("year up keeps the month")
        << QDate(2010, 12, 1) << int(QDateTimeEdit::YearSection) << int(Qt::Key_Up) << 1 << "2011年12月";
    QTest::newRow("year down keeps the month")
        << QDate(2010, 1, 1) << int(QDateTimeEdit::YearSection) << int(Qt::Key_Down) << 2 << "2008年01月";
}

void MonthPickerTest::arrowKeys()
{
    QFETCH(QDate, start);
    QFETCH(int, section);
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(QString, shown);
    QWidget host;
    QDateEdit *picker = makeMonthPicker(&host, start.year(), start.month());
    host.show();
    picker->setFocus();
    picker->setCurrentSection(QDateTimeEdit::Section(section));
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(picker, Qt::Key(key));
    QCOMPARE(picker->text(), shown);
    QCOMPARE(picker->date().day(), 1);
    QCOMPARE(picker->currentSection(), QDateTimeEdit::Section(section));
    if (QTest::currentDataTag() == QByteArray("there and back")) {
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(picker, Qt::Key_Down);
        QCOMPARE(picker->date(), start);
    }
}

// The up button stays enabled on 12月 and a click on it gives January of the next year; the
// down button brings December back.
void MonthPickerTest::buttonsRollOverTheYear()
{
    QWidget host;
    QDateEdit *picker = makeMonthPicker(&host, 2010, 12);
    picker->resize(140, 24);
    host.resize(200, 60);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    picker->setCurrentSection(QDateTimeEdit::MonthSection);
    QStyleOptionSpinBox option;
    option.initFrom(picker);
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.frame = true;
    option.buttonSymbols = picker->buttonSymbols();
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    const QRect up = picker->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, picker);
    const QRect down = picker->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown, picker);
    QTest::mouseClick(picker, Qt::LeftButton, {}, up.center());
    QCOMPARE(picker->date(), QDate(2011, 1, 1));
    saveShot(&host, QStringLiteral("month_picker_january"));
    QTest::mouseClick(picker, Qt::LeftButton, {}, down.center());
    QCOMPARE(picker->date(), QDate(2010, 12, 1));
}

QTEST_MAIN(MonthPickerTest)
#include "MonthPickerTest.moc"
