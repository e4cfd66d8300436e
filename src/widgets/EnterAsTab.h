#pragma once
// Makes Enter move the focus to the next control as Tab does, in a dialog's text fields,
// drop-downs, date fields and buttons (a button is pressed with the space bar or the mouse).
#include <QObject>

class QWidget;

namespace jjgz {

class EnterAsTab : public QObject {
    Q_OBJECT
public:
    // Installs the filter on `dialog` and every control inside it (now and later added ones
    // must call install again).
    static void install(QWidget *dialog);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit EnterAsTab(QObject *parent) : QObject(parent) {}
};

} // namespace jjgz
