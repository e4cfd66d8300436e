#include "widgets/MonthPicker.h"

#include <QDateEdit>

namespace jjgz {

QDateEdit *makeMonthPicker(QWidget *parent, int year, int month, const char *format)
{
    auto *picker = new QDateEdit(QDate(year, month, 1), parent);
    picker->setDisplayFormat(QString::fromUtf8(format));
    picker->setCalendarPopup(false);
    picker->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    picker->setCurrentSection(QDateTimeEdit::MonthSection);
    return picker;
}

} // namespace jjgz
