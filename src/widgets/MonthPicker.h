#pragma once
// The month picker of the wage screens: "yyyy年MM月" with up-down buttons, always on the first
// day of its month.
class QDateEdit;
class QWidget;

namespace jjgz {

QDateEdit *makeMonthPicker(QWidget *parent, int year, int month, const char *format = "yyyy年MM月");

} // namespace jjgz
