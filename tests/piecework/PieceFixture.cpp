#include "PieceFixture.h"

#include "data/DataTable.h"
#include "piecework/JjDataMdy.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

namespace jjgz::test {

void seedMasterData(TestApp &app)
{
    app.exec("insert into jjgz (gzcode, gzname) values ('1', '缝纫'), ('2', '包装')");
    app.exec(
        "insert into jjgx (gzcode, gxcode, gxname, unit, price, rs) values "
        "('1', '001', '上领', '件', 2.5, 2), ('1', '002', '锁边', '米', 0.125, 1), ('1', '003', '钉扣', '粒', 1, 1)");
    app.exec("insert into jjgx_d (gzcode, gxcode, tpcode, bl, price) values "
             "('1', '001', '01', 0.3333, 0.8333), ('1', '001', '02', 0.6667, 1.6668)");
    app.exec("insert into jjxs (xscode, xsname, xs) values ('1', '加急', 1.2), ('2', '普通', 1)");
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间'), ('02', '二车间')");
    app.exec("insert into worker_tp (tpcode, tpname) values ('01', '车工'), ('02', '检验'), ('03', '组长')");
    app.exec("insert into worker (wkcode, wkname, bmcode, sex, tpcode, gztp, state) values "
             "('0001', '张三', '01', '男', '01', 0, 0), ('0002', '李四', '01', '女', '02', 0, 0),"
             "('0003', '王五', '02', '男', '03', 0, 0), ('0004', ?, '02', '女', '', 0, 0)",
             {QStringLiteral("O'Neil")});
}

void choose(QComboBox *list, const QString &text)
{
    if (text.isEmpty() && list->count() == 0)
        return; // an empty list shows nothing chosen already
    const int index = list->findText(text, Qt::MatchExactly);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setFocus();
    list->setCurrentIndex(index);
}

void retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

void typeAtFocus(const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::KeyAction::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
}

void pressEnter()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

void newLine(TfrmJjDataMdy &dialog)
{
    dialog.tmp->append();
    dialog.grid->setFocus();
    dialog.grid->setCurrentIndex(dialog.grid->model()->index(dialog.tmp->currentRow(), 0));
}

void addLineByCode(TfrmJjDataMdy &dialog, const QString &wkcode)
{
    newLine(dialog);
    typeAtFocus(wkcode);
    pressEnter();
}

QStringList lineTexts(const TfrmJjDataMdy &dialog)
{
    QStringList out;
    const DataTable &tmp = *dialog.tmp;
    for (int r = 0; r < tmp.rowCount(); ++r)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(tmp.rowValue(r, 0).toString(), tmp.rowValue(r, 1).toString())
                   .arg(tmp.rowValue(r, 2).toDouble())
                   .arg(tmp.rowValue(r, 3).toDouble());
    return out;
}

} // namespace jjgz::test
