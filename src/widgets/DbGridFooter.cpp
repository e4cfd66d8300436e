// DbGrid's footer rows: fixed texts, values and running column totals under the rows.
#include "widgets/DbGridParts.h"

#include <QHeaderView>
#include <QPainter>

namespace jjgz {

void GridFooter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    const int h = m_grid->footerRowHeight();
    const int offset = m_grid->viewport()->x() - x();
    p.setPen(palette().color(QPalette::Mid));
    for (int fr = 0; fr < m_grid->footerRowCount(); ++fr) {
        const int top = fr * h;
        p.drawLine(0, top + h - 1, width(), top + h - 1);
        for (int c = 0; c < m_grid->columnCount(); ++c) {
            if (m_grid->isColumnHidden(c))
                continue;
            const int left = offset + m_grid->horizontalHeader()->sectionViewportPosition(c);
            const int w = m_grid->horizontalHeader()->sectionSize(c);
            if (left + w < offset || left > width())
                continue;
            const QRect cell(left, top, w, h);
            p.setPen(palette().color(QPalette::Mid));
            p.drawLine(cell.topRight(), cell.bottomRight());
            const QVariant v = m_grid->footerValue(fr, c);
            const Qt::Alignment align =
                Qt::AlignVCenter | (v.metaType().id() == QMetaType::Double ? Qt::AlignRight : Qt::AlignLeft);
            p.setPen(palette().color(QPalette::ButtonText));
            p.drawText(cell.adjusted(3, 0, -3, 0), align, m_grid->footerDisplayText(fr, c));
        }
    }
}
// ---------------------------------------------------------------- footer

int DbGrid::footerRowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void DbGrid::setFooterRowCount(int rows)
{
    rows = qMax(0, rows);
    while (m_footers.size() > rows)
        m_footers.removeLast();
    while (m_footers.size() < rows)
        m_footers.append(QList<FooterCell>());
    updateGeometries();
    refreshFooter();
}

DbGrid::FooterCell &DbGrid::footerCell(int footerRow, int column)
{
    if (footerRow < 0 || footerRow >= footerRowCount() || column < 0 || column >= columnCount())
        throw DataError(DataError::State, QStringLiteral("合计行或列超出范围"));
    QList<FooterCell> &row = m_footers[footerRow];
    while (row.size() <= column)
        row.append(FooterCell());
    return row[column];
}

void DbGrid::setFooterText(int footerRow, int column, const QString &text)
{
    FooterCell &c = footerCell(footerRow, column);
    c.kind = FooterCell::Text;
    c.text = text;
    refreshFooter();
}

void DbGrid::setFooterValue(int footerRow, int column, double value)
{
    FooterCell &c = footerCell(footerRow, column);
    c.kind = FooterCell::Value;
    c.value = value;
    refreshFooter();
}

void DbGrid::setFooterSum(int footerRow, int column)
{
    footerCell(footerRow, column).kind = FooterCell::Sum;
    refreshFooter();
}

void DbGrid::clearFooterCell(int footerRow, int column)
{
    footerCell(footerRow, column) = FooterCell();
    refreshFooter();
}

QVariant DbGrid::footerValue(int footerRow, int column) const
{
    if (footerRow < 0 || footerRow >= footerRowCount() || column < 0 || column >= m_footers.at(footerRow).size())
        return {};
    const FooterCell &c = m_footers.at(footerRow).at(column);
    switch (c.kind) {
    case FooterCell::None: return {};
    case FooterCell::Text: return c.text;
    case FooterCell::Value: return c.value;
    case FooterCell::Sum: {
        double sum = 0;
        const int field = m_model->fieldOf(column);
        if (m_table && m_table->isActive() && field >= 0) {
            for (int r = 0; r < m_table->rowCount(); ++r) {
                const QVariant v = m_table->rowValue(r, field);
                if (!v.isNull())
                    sum += v.toDouble();
            }
        }
        return sum;
    }
    }
    return {};
}

QString DbGrid::footerDisplayText(int footerRow, int column) const
{
    const QVariant v = footerValue(footerRow, column);
    if (!v.isValid())
        return QString();
    if (v.metaType().id() == QMetaType::Double)
        return formatFloat(m_columns.at(column).format, v.toDouble());
    return v.toString();
}

void DbGrid::refreshFooter()
{
    if (m_footer && m_footer->isVisible())
        m_footer->update();
}

void DbGrid::updateGeometries()
{
    QTableView::updateGeometries();
    const int height = footerRowCount() * footerRowHeight();
    QMargins m = viewportMargins();
    if (m.bottom() != height) {
        m.setBottom(height);
        setViewportMargins(m);
    }
    if (height > 0) {
        const QRect vp = viewport()->geometry();
        m_footer->setGeometry(frameWidth(), vp.bottom() + 1, vp.right() + 1 - frameWidth(), height);
        m_footer->show();
        m_footer->raise();
        m_footer->update();
    } else {
        m_footer->hide();
    }
}

} // namespace jjgz
