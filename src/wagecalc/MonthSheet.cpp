#include "wagecalc/MonthSheet.h"

namespace jjgz {

namespace {

struct Fixed {
    const char *name;
    int width;
};
// clang-format off
const Fixed kFixed[] = {
    {"bmcode", 10}, {"tpcode", 10}, {"bmname", 20}, {"tpname", 20}, {"wkcode", 20}, {"wkname", 20}, {"sex", 2},
};
// clang-format on
static_assert(sizeof kFixed / sizeof kFixed[0] == MonthSheet::FirstItemField);

} // namespace

QString codeKey(const QString &code)
{
    QString k = code;
    for (QChar &c : k) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + 32);
    }
    return k;
}

int MonthSheet::width(SheetColumn column)
{
    return kFixed[field(column)].width;
}

QString MonthSheet::name(SheetColumn column)
{
    return QString::fromLatin1(kFixed[field(column)].name);
}

MonthSheet::MonthSheet() : m_table(std::make_unique<DataTable>())
{}
MonthSheet::~MonthSheet() = default;

void MonthSheet::setItems(QList<SheetItem> items)
{
    m_items = std::move(items);
    m_table->close();
    QList<FieldDef> fields;
    for (const Fixed &f : kFixed)
        fields.append({QString::fromLatin1(f.name), FieldKind::Text, f.width});
    for (int i = 0; i < m_items.size(); ++i) {
        m_items[i].field = itemField(i);
        fields.append({m_items[i].fname, FieldKind::Float, 0});
    }
    m_table->setFields(fields);
}

int MonthSheet::itemIndex(const QString &fname) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items[i].fname == fname)
            return i;
    }
    return -1;
}

std::vector<std::string> MonthSheet::itemCodes() const
{
    std::vector<std::string> codes;
    codes.reserve(m_items.size());
    for (const SheetItem &it : m_items)
        codes.push_back(toEvaluatorText(it.fname));
    return codes;
}

QString MonthSheet::text(int row, SheetColumn column) const
{
    return m_table->rowValue(row, field(column)).toString();
}

SheetCell MonthSheet::cell(int row, int item) const
{
    const QVariant v = m_table->rowValue(row, itemField(item));
    return v.isNull() ? SheetCell{0, true} : SheetCell{v.toDouble(), false};
}

std::vector<SheetCell> MonthSheet::cells() const
{
    const int rows = rowCount(), n = itemCount();
    std::vector<SheetCell> out(size_t(rows) * size_t(n));
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < n; ++i)
            out[size_t(r) * n + i] = cell(r, i);
    return out;
}

void MonthSheet::setCells(const std::vector<SheetCell> &cells)
{
    DataTable &t = *m_table;
    const int rows = rowCount(), n = itemCount(), fields = t.fieldCount();
    QList<QVariantList> values;
    values.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVariantList row;
        row.reserve(fields);
        for (int f = 0; f < FirstItemField; ++f)
            row << t.rowValue(r, f);
        for (int i = 0; i < n; ++i) {
            const SheetCell &c = cells[size_t(r) * n + i];
            row << (c.null ? QVariant() : QVariant(c.value));
        }
        values.append(std::move(row));
    }
    const int current = t.currentRow();
    {
        DataTable::NotificationBlocker quiet(t);
        t.disableViews();
        t.emptyTable();
        for (const QVariantList &row : std::as_const(values))
            t.appendRow(row);
        t.enableViews();
    }
    if (current >= 0 && current < t.rowCount())
        t.setCurrentRow(current);
    else
        t.first();
}

int MonthSheet::rowOf(const QString &wkcode) const
{
    const QString key = codeKey(wkcode);
    for (int r = 0; r < rowCount(); ++r) {
        if (codeKey(this->wkcode(r)) == key)
            return r;
    }
    return -1;
}

} // namespace jjgz
