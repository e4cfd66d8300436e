#pragma once
// The month picker of the wage screens: "yyyy年MM月" with up-down buttons, always on the first
// day of its month. Stepping the month rolls over the year: up from 12月 gives January of the
// next year, down from 1月 December of the year before.
#include <QDateEdit>

class QWidget;

namespace jjgz {

class MonthPicker : public QDateEdit {
    Q_OBJECT
public:
    explicit MonthPicker(const QDate &month, QWidget *parent = nullptr);
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
};

QDateEdit *makeMonthPicker(QWidget *parent, int year, int month, const char *format = "yyyy年MM月");

} // namespace jjgz
