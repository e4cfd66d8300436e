#include "widgets/MonthPicker.h"

namespace jjgz {

MonthPicker::MonthPicker(const QDate &month, QWidget *parent) : QDateEdit(month, parent)
{}

void MonthPicker::stepBy(int steps)
{
    // The day section never shows; the month and the year step as whole months, so that the
    // month rolls into the next or the previous year instead of stopping at 12月 or 1月.
    const QDate first(date().year(), date().month(), 1);
    QDate next;
    switch (currentSection()) {
    case YearSection: next = first.addYears(steps); break;
    case MonthSection: next = first.addMonths(steps); break;
    default: QDateEdit::stepBy(steps); return;
    }
    if (next < minimumDate() || next > maximumDate())
        return;
    const Section section = currentSection();
    setDate(next);
    setSelectedSection(section);
}

QAbstractSpinBox::StepEnabled MonthPicker::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    if (currentSection() != YearSection && currentSection() != MonthSection)
        return QDateEdit::stepEnabled();
    const QDate first(date().year(), date().month(), 1);
    const int months = currentSection() == YearSection ? 12 : 1;
    StepEnabled enabled = StepNone;
    if (first.addMonths(months) <= maximumDate())
        enabled |= StepUpEnabled;
    if (first.addMonths(-months) >= QDate(minimumDate().year(), minimumDate().month(), 1))
        enabled |= StepDownEnabled;
    return enabled;
}

QDateEdit *makeMonthPicker(QWidget *parent, int year, int month, const char *format)
{
    auto *picker = new MonthPicker(QDate(year, month, 1), parent);
    picker->setDisplayFormat(QString::fromUtf8(format));
    picker->setCalendarPopup(false);
    picker->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    picker->setCurrentSection(QDateTimeEdit::MonthSection);
    return picker;
}

} // namespace jjgz
