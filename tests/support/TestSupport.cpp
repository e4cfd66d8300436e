#include "TestSupport.h"

#include "data/MyFun.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace jjgz::test {

void ScriptedMessages::message(QWidget *, const QString &title, const QString &text, MsgIcon icon)
{
    shown.append({title, text, icon, false, QString()});
}

void ScriptedMessages::messageWithDetails(QWidget *, const QString &title, const QString &text, MsgIcon icon,
                                          const QString &details)
{
    shown.append({title, text, icon, false, details});
}

QMessageBox::StandardButton ScriptedMessages::question(QWidget *, const QString &title, const QString &text,
                                                       QMessageBox::StandardButtons buttons, MsgIcon icon)
{
    shown.append({title, text, icon, true, QString()});
    if (answers.isEmpty()) {
        unexpected.append(text);
        return (buttons & QMessageBox::No) ? QMessageBox::No : QMessageBox::Cancel;
    }
    return answers.takeFirst();
}

QString ScriptedMessages::saveFileName(QWidget *, const QString &caption, const QString &dir, const QString &filter,
                                       QString *selectedFilter)
{
    lastChooserDir = dir;
    lastChooserFilter = filter;
    if (selectedFilter)
        *selectedFilter =
            chosenFilters.isEmpty() ? filter.section(QStringLiteral(";;"), 0, 0) : chosenFilters.takeFirst();
    if (files.isEmpty()) {
        unexpected.append(caption);
        return QString();
    }
    return files.takeFirst();
}

QString ScriptedMessages::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                       const QString &filter)
{
    return saveFileName(parent, caption, dir, filter);
}

QString ScriptedMessages::directory(QWidget *parent, const QString &caption, const QString &dir)
{
    return saveFileName(parent, caption, dir, QString());
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

void ScriptedMessages::clear()
{
    shown.clear();
    answers.clear();
    files.clear();
    unexpected.clear();
}

QString deliveredDatabase()
{
    return QStringLiteral(JJGZ_TEMPLATE_DB);
}

TestApp::TestApp(const QString &operName, const QString &bizDate)
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary directory");
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    const QString db = path(QStringLiteral("data/zt000.mdb"));
    if (!QFile::copy(deliveredDatabase(), db))
        qFatal("cannot copy the delivered database %s", qPrintable(deliveredDatabase()));
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    setAppDir(m_dir.path());
    m_dm = std::make_unique<TdmMain>(db);
    dmMain = m_dm.get();
    CurOperName = operName;
    CurBizDate = bizDate;
    m_previousMessages = setMessageService(&messages);
}

TestApp::~TestApp()
{
    setMessageService(m_previousMessages);
    dmMain = nullptr;
    m_dm.reset();
    setAppDir(QString());
    CurOperName.clear();
    CurBizDate.clear();
}

QString TestApp::path(const QString &relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

int TestApp::exec(const QString &sql, std::initializer_list<QVariant> values)
{
    return m_dm->exec(sql, values);
}

QVariant TestApp::scalar(const QString &sql, std::initializer_list<QVariant> values)
{
    return m_dm->scalar(sql, values);
}

void saveShot(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("JJGZ_SHOTS");
    if (dir.isEmpty() || !widget)
        return;
    QDir().mkpath(dir);
    widget->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

void typeText(QWidget *widget, const QString &text)
{
    widget->setFocus();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::KeyAction::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void pinFont()
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
}

} // namespace jjgz::test
