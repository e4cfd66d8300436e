#pragma once
// Two controls of the piece-work dialogs: a number field that shows its value in a display
// format while it does not have the focus and the full value while it is edited, and a fixed
// drop-down list whose drop-down part is widened for long items.
#include <QComboBox>
#include <QLineEdit>
#include <QVariant>

namespace jjgz {

class NumberField : public QLineEdit {
    Q_OBJECT
public:
    // `decimals`: places shown without the focus; -1 shows the value as it is.
    explicit NumberField(int decimals, QWidget *parent = nullptr);

    // Null while the field is empty or holds no number.
    QVariant value() const { return m_value; }
    double number() const { return m_value.isNull() ? 0.0 : m_value.toDouble(); }
    // Sets the value (null empties the field); valueChanged follows when it differs.
    void setValue(const QVariant &value);

signals:
    void valueChanged();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void showValue(bool editing);
    void textTyped(const QString &text);
    int m_decimals;
    QVariant m_value;
};

class DropDownList : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownList(QWidget *parent = nullptr);
    // The list's items, replaced without any change notification; nothing is chosen afterwards
    // unless `chosen` names an item.
    void setItems(const QStringList &items, int chosen = -1);
    // Chooses `index` without any change notification.
    void setIndexQuietly(int index);
    // Index of the item whose text is `text` exactly, or -1.
    int indexOfText(const QString &text) const;

    // Width of the drop-down part: the widest item plus 80 pixels when it is wider than the list.
    int dropDownWidth() const;
    void showPopup() override;
};

} // namespace jjgz
