// The login dialog and the operator dialogs, driven as a user would.
#include "login/Login.h"
#include "TestSupport.h"
#include "login/Operator.h"
#include "login/OperatorAdd.h"
#include "login/OperatorPwd.h"
#include "login/PasswordHash.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

class LoginTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void loginList();
    void loginPassword_data();
    void loginPassword();
    void enterMovesFocus();
    void passwordEcho();
    void createOperator_data();
    void createOperator();
    void createKeepsFieldsOnDuplicate();
    void deleteOperator();
    void changePassword_data();
    void changePassword();
};

void LoginTest::loginList()
{
    TestApp app;
    app.exec("insert into operator (operno, opername, pwd) values ('000', '张]三', 'x'), ('Z9', 'O''Neil', '')");
    TfrmLogin dialog;
    dialog.show();
    saveShot(&dialog, QStringLiteral("login"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("系统登陆"));
    QCOMPARE(dialog.cboName->count(), 3);
    QCOMPARE(dialog.cboName->currentText(), QStringLiteral("[000]张]三"));
    QCOMPARE(dialog.cboName->itemText(2), QStringLiteral("[Z9]O'Neil"));
    QCOMPARE(dialog.edtDt->date(), QDate::currentDate());
    QCOMPARE(dialog.edtPwd->echoMode(), QLineEdit::Password);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    // An operator name holding "]" stays whole.
    typeText(dialog.edtPwd, QStringLiteral("x"));
    dialog.edtDt->setDate(QDate(2010, 12, 31));
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.loginResult().operName, QStringLiteral("张]三"));
    QCOMPARE(dialog.loginResult().bizDate, QStringLiteral("2010-12-31"));
}

void LoginTest::loginPassword_data()
{
    QTest::addColumn<QString>("stored"); // "hash:" + password for a row written by this program
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty password, nothing typed") << ""
                                                   << "" << true;
    QTest::newRow("null password, nothing typed") << "<null>"
                                                  << "" << true;
    QTest::newRow("right") << "pw'\"中"
                           << "pw'\"中" << true;
    QTest::newRow("letter case matters") << "Secret"
                                         << "secret" << false;
    QTest::newRow("empty where one is stored") << "Secret"
                                               << "" << false;
    QTest::newRow("typed where none is stored") << ""
                                                << "x" << false;
    QTest::newRow("the hash typed as the password") << "<hash of Secret>"
                                                    << "<hash of Secret>" << false;
    QTest::newRow("hashed, right") << "hash:pw'\"中"
                                   << "pw'\"中" << true;
    QTest::newRow("hashed, letter case matters") << "hash:Secret"
                                                 << "secret" << false;
    QTest::newRow("hashed empty, typed") << "hash:"
                                         << "x" << false;
    QTest::newRow("hashed empty, nothing typed") << "hash:"
                                                 << "" << true;
}

void LoginTest::loginPassword()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    TestApp app;
    if (stored == u"<hash of Secret>")
        stored = typed = hashPassword(QStringLiteral("Secret"));
    const QString plain = stored.startsWith(u"hash:") ? stored.mid(5) : stored;
    if (stored.startsWith(u"hash:"))
        stored = hashPassword(plain);
    app.exec("update operator set pwd=?",
             {stored == u"<null>" ? QVariant(QMetaType(QMetaType::QString)) : QVariant(stored)});
    TfrmLogin dialog;
    dialog.show();
    // Wrong passwords may be tried again and again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        dialog.edtPwd->setText(typed);
        QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
        if (accepted)
            break;
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.edtPwd->text(), typed);
    }
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    if (accepted) {
        QVERIFY(app.messages.shown.isEmpty());
    } else {
        QCOMPARE(app.messages.texts(), QStringList(3, QStringLiteral("密码不正确")));
        QCOMPARE(app.messages.shown[0].title, QStringLiteral("提示"));
        QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
    }
    // A successful login leaves only a hash in the row, a plain row included; a refused one
    // leaves the row as it was.
    const QVariant after = app.scalar("select pwd from operator where operno='001'");
    if (accepted) {
        QVERIFY(isPasswordHash(after.toString()));
        QVERIFY(!after.toString().contains(typed.isEmpty() ? QStringLiteral("\x01") : typed));
        QVERIFY(passwordVerifies(after.toString(), typed));
        QVERIFY(!passwordVerifies(after.toString(), typed + u'x'));
        if (stored.startsWith(u"$argon2id$"))
            QCOMPARE(after.toString(), stored); // a hash is not rewritten
    } else if (stored == u"<null>") {
        QVERIFY(after.isNull());
    } else {
        QCOMPARE(after.toString(), stored);
    }
}

void LoginTest::enterMovesFocus()
{
    TestApp app;
    TfrmOperatorAdd dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.edtNo->setFocus();
    QTest::keyClick(dialog.edtNo, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog.edtName);
    QTest::keyClick(dialog.edtName, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.edtPwd);
    QVERIFY(app.messages.shown.isEmpty()); // Enter did not press 保存
    // On a focused button Enter moves on as well, without pressing it.
    dialog.edtName->setText(QStringLiteral("李四"));
    dialog.btnSave->setFocus();
    QTest::keyClick(dialog.btnSave, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog.btnCancel);
    QTest::keyClick(dialog.btnCancel, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(dialog.isVisible());
    QCOMPARE(QApplication::focusWidget(), dialog.edtNo);
    QVERIFY(app.messages.shown.isEmpty());
    QCOMPARE(app.scalar("select count(*) from operator").toInt(), 1);
}

void LoginTest::passwordEcho()
{
    TestApp app;
    TfrmLogin login;
    TfrmOperatorAdd add;
    TfrmOperatorPwd change;
    // Every password field hides what is typed behind the platform's mask character.
    for (QLineEdit *e : {login.edtPwd, add.edtPwd, add.edtPwd1, change.edtOldPwd, change.edtPwd, change.edtPwd1}) {
        QCOMPARE(e->echoMode(), QLineEdit::Password);
        e->setText(QStringLiteral("密码1"));
        const QChar mask(e->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, e));
        QCOMPARE(e->displayText(), QString(3, mask));
    }
    login.show();
    saveShot(&login, QStringLiteral("login-password"));
}

void LoginTest::createOperator_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<QString>("pwd1");
    QTest::addColumn<QString>("message");
    QTest::newRow("name empty") << "002"
                                << ""
                                << ""
                                << ""
                                << "请输入操作员名称";
    QTest::newRow("name blank") << "002"
                                << "  "
                                << ""
                                << ""
                                << "请输入操作员名称";
    QTest::newRow("name checked before passwords") << "002"
                                                   << ""
                                                   << "a"
                                                   << "b"
                                                   << "请输入操作员名称";
    QTest::newRow("passwords differ") << "002"
                                      << "李四"
                                      << "a"
                                      << "A"
                                      << "两次输入的密码不一致";
    QTest::newRow("code exists") << "001"
                                 << "李四"
                                 << ""
                                 << ""
                                 << "编码已存在！";
    QTest::newRow("bracket in code") << "0]2"
                                     << "李四"
                                     << ""
                                     << ""
                                     << "操作员编码不能包含字符“]”";
    QTest::newRow("saved") << "O'2"
                           << "O'Brien 李"
                           << "p'w"
                           << "p'w"
                           << "";
    QTest::newRow("empty code and password") << ""
                                             << "王五"
                                             << ""
                                             << ""
                                             << "";
}

void LoginTest::createOperator()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, pwd);
    QFETCH(QString, pwd1);
    QFETCH(QString, message);
    TestApp app;
    TfrmOperatorAdd dialog;
    dialog.show();
    dialog.edtNo->setText(code);
    dialog.edtName->setText(name);
    dialog.edtPwd->setText(pwd);
    dialog.edtPwd1->setText(pwd1);
    typeText(dialog.edtBm, QStringLiteral("车间"));
    QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
    if (!message.isEmpty()) {
        QCOMPARE(app.messages.texts(), QStringList{message});
        QCOMPARE(app.messages.shown[0].icon, MsgIcon::Error);
        QCOMPARE(app.scalar("select count(*) from operator").toInt(), 1);
        return;
    }
    QVERIFY(app.messages.shown.isEmpty());
    QCOMPARE(app.scalar("select opername||'|'||dept from operator where operno=?", {code}).toString(),
             name + QStringLiteral("|车间"));
    const QString hash = app.scalar("select pwd from operator where operno=?", {code}).toString();
    QVERIFY(isPasswordHash(hash));
    QVERIFY(passwordVerifies(hash, pwd));
    QVERIFY(!passwordVerifies(hash, pwd + u'x'));
    // Ready for the next operator.
    QVERIFY(dialog.isVisible());
    for (QLineEdit *e : {dialog.edtNo, dialog.edtName, dialog.edtPwd, dialog.edtPwd1, dialog.edtBm})
        QVERIFY(e->text().isEmpty());
}

void LoginTest::createKeepsFieldsOnDuplicate()
{
    TestApp app;
    TfrmOperatorAdd dialog;
    dialog.show();
    dialog.edtNo->setText(QStringLiteral("001"));
    dialog.edtName->setText(QStringLiteral("张三"));
    QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
    QCOMPARE(app.messages.lastText(), QStringLiteral("编码已存在！"));
    QCOMPARE(dialog.edtNo->text(), QStringLiteral("001"));
    QCOMPARE(dialog.edtName->text(), QStringLiteral("张三"));
}

void LoginTest::deleteOperator()
{
    TestApp app;
    app.exec("insert into operator (operno, opername) values ('002', 'ADMIN'), ('003', 'O''Neil')");
    app.exec("insert into rolelist (opername, roleid) values ('ADMIN', 1001)");
    TfrmOperator dialog;
    dialog.show();
    saveShot(&dialog, QStringLiteral("operator"));
    QCOMPARE(dialog.grid->rowCount(), 3);
    // The list looks like the other read-only grids: no row numbers, titles never turn bold.
    QVERIFY(dialog.grid->verticalHeader()->isHidden());
    QVERIFY(!dialog.grid->horizontalHeader()->highlightSections());

    // admin (exactly) cannot be deleted.
    dialog.grid->selectRow(0);
    QTest::mouseClick(dialog.btnDel, Qt::LeftButton);
    QCOMPARE(app.messages.lastText(), QStringLiteral("此操作员不能被删除！"));
    QCOMPARE(app.messages.shown.last().icon, MsgIcon::Information);

    // No keeps it, Yes deletes it; ADMIN in capitals is another operator; grants stay.
    dialog.grid->selectRow(1);
    app.messages.answers << QMessageBox::No;
    QTest::mouseClick(dialog.btnDel, Qt::LeftButton);
    QCOMPARE(app.messages.lastText(), QStringLiteral("确认要删除该操作员吗？"));
    QCOMPARE(dialog.grid->rowCount(), 3);
    app.messages.answers << QMessageBox::Yes;
    QTest::mouseClick(dialog.btnDel, Qt::LeftButton);
    QCOMPARE(dialog.grid->rowCount(), 2);
    QCOMPARE(app.scalar("select count(*) from operator where operno='002'").toInt(), 0);
    QCOMPARE(app.scalar("select count(*) from rolelist").toInt(), 1);

    // A name with a quote is deleted like any other.
    dialog.grid->selectRow(1);
    app.messages.answers << QMessageBox::Yes;
    QTest::mouseClick(dialog.btnDel, Qt::LeftButton);
    QCOMPARE(app.scalar("select count(*) from operator").toInt(), 1);
    QVERIFY(app.messages.unexpected.isEmpty());
}

void LoginTest::changePassword_data()
{
    QTest::addColumn<QString>("old");
    QTest::addColumn<QString>("pwd");
    QTest::addColumn<QString>("pwd1");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("before"); // the stored password; "hash:" + password for a hash
    QTest::newRow("confirmation differs") << ""
                                          << "a"
                                          << "b"
                                          << "两次输入的密码不一致"
                                          << ""
                                          << "";
    QTest::newRow("old wrong") << "x"
                               << "a"
                               << "a"
                               << "输入的旧密码不正确"
                               << ""
                               << "";
    QTest::newRow("changed") << ""
                             << "新'密码"
                             << "新'密码"
                             << "密码修改成功"
                             << "新'密码"
                             << "";
    QTest::newRow("old plain, changed") << "旧"
                                        << "新"
                                        << "新"
                                        << "密码修改成功"
                                        << "新"
                                        << "旧";
    QTest::newRow("old hashed, wrong") << "旧x"
                                       << "新"
                                       << "新"
                                       << "输入的旧密码不正确"
                                       << "hash:旧"
                                       << "hash:旧";
    QTest::newRow("old hashed, changed") << "旧"
                                         << ""
                                         << ""
                                         << "密码修改成功"
                                         << ""
                                         << "hash:旧";
}

void LoginTest::changePassword()
{
    QFETCH(QString, old);
    QFETCH(QString, pwd);
    QFETCH(QString, pwd1);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    QFETCH(QString, before);
    TestApp app(QStringLiteral("admin"));
    const QString beforeRow = before.startsWith(u"hash:") ? hashPassword(before.mid(5)) : before;
    app.exec("update operator set pwd=?", {beforeRow});
    TfrmOperatorPwd dialog;
    dialog.show();
    QCOMPARE(dialog.edtName->text(), QStringLiteral("admin"));
    dialog.edtOldPwd->setText(old);
    dialog.edtPwd->setText(pwd);
    dialog.edtPwd1->setText(pwd1);
    QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
    QCOMPARE(app.messages.texts(), QStringList{message});
    const QString after = app.scalar("select pwd from operator where opername='admin'").toString();
    const bool changed = message == u"密码修改成功";
    if (changed) {
        // Only the hash of the new password is kept.
        QVERIFY(isPasswordHash(after));
        QVERIFY(passwordVerifies(after, stored));
        QVERIFY(!passwordVerifies(after, old == stored ? stored + u'x' : old));
    } else {
        QCOMPARE(after, beforeRow);
    }
    QCOMPARE(dialog.isVisible(), !changed);
}

QTEST_MAIN(LoginTest)
#include "LoginTest.moc"
