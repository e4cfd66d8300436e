#include "piecework/PieceFields.h"

#include <QAbstractItemView>
#include <QDoubleValidator>
#include <QFocusEvent>
#include <QLocale>

namespace jjgz {
namespace {
QLocale numberLocale()
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return c;
}
} // namespace

NumberField::NumberField(int decimals, QWidget *parent) : QLineEdit(parent), m_decimals(decimals)
{
    auto *validator = new QDoubleValidator(this);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(numberLocale());
    setValidator(validator);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textEdited, this, &NumberField::textTyped);
    setValue(0.0);
}

void NumberField::setValue(const QVariant &value)
{
    const QVariant v = value.isNull() ? QVariant() : QVariant(value.toDouble());
    const bool changed = v != m_value || v.isNull() != m_value.isNull();
    m_value = v;
    showValue(hasFocus() && !isReadOnly());
    if (changed)
        emit valueChanged();
}

void NumberField::showValue(bool editing)
{
    if (m_value.isNull()) {
        setText(QString());
        return;
    }
    const double v = m_value.toDouble();
    if (editing || m_decimals < 0)
        setText(QString::number(v, 'g', 15));
    else
        setText(QString::number(v, 'f', m_decimals));
}

void NumberField::textTyped(const QString &text)
{
    bool ok = false;
    const double v = numberLocale().toDouble(text.trimmed(), &ok);
    const QVariant typed = ok ? QVariant(v) : QVariant();
    if (typed == m_value && typed.isNull() == m_value.isNull())
        return;
    m_value = typed;
    emit valueChanged();
}

void NumberField::focusInEvent(QFocusEvent *event)
{
    if (!isReadOnly())
        showValue(true);
    QLineEdit::focusInEvent(event);
}

void NumberField::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    showValue(false);
}

DropDownList::DropDownList(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(20);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
}

void DropDownList::setItems(const QStringList &items, int chosen)
{
    const QSignalBlocker blocker(this);
    clear();
    addItems(items);
    setCurrentIndex(chosen);
}

void DropDownList::setIndexQuietly(int index)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
}

int DropDownList::indexOfText(const QString &text) const
{
    return findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

int DropDownList::dropDownWidth() const
{
    const QFontMetrics fm(view() ? view()->font() : font());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(itemText(i)));
    return widest > width() ? widest + 80 : width();
}

void DropDownList::showPopup()
{
    if (view())
        view()->setMinimumWidth(dropDownWidth());
    QComboBox::showPopup();
}

} // namespace jjgz
