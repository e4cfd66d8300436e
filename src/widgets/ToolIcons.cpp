#include "widgets/ToolIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace jjgz {
namespace {

// One palette for every picture: dark ink outlines on paper, a few strong colours.
const QColor Ink(0x2d, 0x3a, 0x4b);
const QColor Paper(0xfd, 0xfb, 0xf3);
const QColor Blue(0x2f, 0x7b, 0xd0);
const QColor Green(0x3a, 0xa5, 0x5d);
const QColor Orange(0xef, 0x8a, 0x24);
const QColor Red(0xd2, 0x3f, 0x31);
const QColor Gold(0xf2, 0xc0, 0x32);
const QColor Brown(0x9a, 0x67, 0x3d);
const QColor Steel(0x7d, 0x8e, 0xa3);
const QColor SheetBlue(0xb7, 0xd4, 0xf2);
const QColor SheetGreen(0x9f, 0xd3, 0xae);

void drawCoin(QPainter &p, QPointF centre, qreal radius)
{
    p.setPen(QPen(QColor(0xb0, 0x80, 0x10), 2));
    p.setBrush(Gold);
    p.drawEllipse(centre, radius, radius);
    QFont font = QApplication::font();
    font.setPixelSize(int(radius * 1.5));
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x7a, 0x4a, 0x00));
    p.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter,
               QStringLiteral("¥"));
}

void drawSheet(QPainter &p, const QRectF &r, int rows, int columns, const QColor &header)
{
    p.setPen(QPen(Ink, 2));
    p.setBrush(Paper);
    p.drawRect(r);
    const qreal rowHeight = r.height() / rows;
    p.fillRect(QRectF(r.left() + 1, r.top() + 1, r.width() - 2, rowHeight - 1), header);
    p.setPen(QPen(Ink, 1.2));
    for (int i = 1; i < rows; ++i)
        p.drawLine(QPointF(r.left(), r.top() + i * rowHeight), QPointF(r.right(), r.top() + i * rowHeight));
    for (int i = 1; i < columns; ++i) {
        const qreal x = r.left() + i * r.width() / columns;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
}

void drawPerson(QPainter &p, QPointF head, qreal scale, const QColor &colour)
{
    p.setPen(QPen(colour.darker(140), 1.5));
    p.setBrush(colour);
    QPainterPath body;
    const qreal w = 13 * scale;
    const qreal top = head.y() + 7 * scale;
    body.moveTo(head.x() - w, top + 14 * scale);
    body.cubicTo(head.x() - w, top, head.x() + w, top, head.x() + w, top + 14 * scale);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(colour.lighter(130));
    p.drawEllipse(head, 6.5 * scale, 6.5 * scale);
}

// A pencil whose tip points down and to the left of `at`, leaning by `angle` degrees.
void drawPencil(QPainter &p, QPointF at, qreal angle)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Orange);
    p.drawRect(QRectF(-3.5, -16, 7, 18));
    p.setBrush(QColor(0xf5, 0xd6, 0xa8));
    const QPointF tip[] = {{-3.5, 2}, {3.5, 2}, {0, 9}};
    p.drawPolygon(tip, 3);
    p.restore();
}

// A gear of eight teeth with a hole in the middle.
void drawGear(QPainter &p, QPointF c, qreal outer, qreal inner, qreal hole, qreal penWidth)
{
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal angle = (i - 0.5) * M_PI / (teeth * 2);
        const qreal radius = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
        const QPointF pt(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(c, hole, hole);
    p.setPen(QPen(Ink, penWidth));
    p.setBrush(Steel);
    p.drawPath(gear);
}

// A page of text with its top right corner folded over.
void drawPage(QPainter &p, const QRectF &r)
{
    const qreal fold = 9;
    QPainterPath page;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(Ink, 2));
    p.setBrush(Paper);
    p.drawPath(page);
    p.setBrush(QColor(0xd9, 0xd4, 0xc4));
    const QPointF corner[] = {
        {r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold}, {r.right(), r.top() + fold}};
    p.drawPolygon(corner, 3);
    p.setPen(QPen(Blue, 2));
    for (qreal y = r.top() + 14; y < r.bottom() - 4; y += 6)
        p.drawLine(QPointF(r.left() + 5, y), QPointF(r.right() - 5, y));
}

// A round badge in `colour` at the lower right of a picture, for a plus, minus or cross.
void drawBadge(QPainter &p, QPointF centre, qreal radius, const QColor &colour)
{
    p.setPen(QPen(colour.darker(140), 1.5));
    p.setBrush(colour);
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
}

// The page of the list actions with a round badge in its lower right corner; the pen is left
// ready for the badge's white mark.
void drawMarkedPage(QPainter &p, const QColor &badge)
{
    drawPage(p, QRectF(5, 3, 28, 38));
    drawBadge(p, QPointF(35, 35), 10.5, badge);
}

// The white cross on a corner badge.
void drawBadgeCross(QPainter &p)
{
    p.drawLine(QPointF(31, 31), QPointF(39, 39));
    p.drawLine(QPointF(39, 31), QPointF(31, 39));
}

// An arrow pointing right, from `from` to the tip `to`.
void drawArrow(QPainter &p, QPointF from, QPointF to, const QColor &colour)
{
    p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, QPointF(to.x() - 6, to.y()));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QPointF head[] = {to, {to.x() - 9, to.y() - 8}, {to.x() - 9, to.y() + 8}};
    p.drawPolygon(head, 3);
}

} // namespace

QIcon toolIcon(Glyph glyph)
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    switch (glyph) {
    case Glyph::PieceEntry: {
        p.setPen(QPen(Ink, 2));
        p.setBrush(QColor(0xc8, 0x9a, 0x64));
        p.drawRoundedRect(QRectF(7, 6, 28, 38), 3, 3);
        p.setBrush(Paper);
        p.drawRect(QRectF(11, 11, 20, 29));
        p.setBrush(QColor(0x80, 0x80, 0x88));
        p.drawRoundedRect(QRectF(14, 3, 14, 7), 2, 2);
        p.setPen(QPen(Blue, 2));
        for (int y : {18, 24, 30})
            p.drawLine(QPointF(14, y), QPointF(28, y));
        drawPencil(p, QPointF(36, 30), 35);
        break;
    }
    case Glyph::WageEntry:
        drawSheet(p, QRectF(4, 5, 32, 30), 5, 3, SheetBlue);
        drawCoin(p, QPointF(34, 34), 11);
        break;
    case Glyph::PaySlip: {
        p.setPen(QPen(Ink, 2));
        p.setBrush(Paper);
        p.drawRect(QRectF(3, 13, 42, 22));
        p.setPen(QPen(Ink, 1.5, Qt::DashLine));
        p.drawLine(QPointF(12, 13), QPointF(12, 35));
        p.setPen(QPen(Blue, 2));
        p.drawLine(QPointF(16, 20), QPointF(30, 20));
        p.drawLine(QPointF(16, 26), QPointF(26, 26));
        drawCoin(p, QPointF(37, 25), 7);
        break;
    }
    case Glyph::PayTable: drawSheet(p, QRectF(4, 6, 40, 36), 6, 4, SheetGreen); break;
    case Glyph::Summary: {
        p.setPen(QPen(Ink, 2));
        p.drawLine(QPointF(5, 4), QPointF(5, 43));
        p.drawLine(QPointF(5, 43), QPointF(45, 43));
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(Blue);
        p.drawRect(QRectF(10, 22, 8, 21));
        p.setBrush(Green);
        p.drawRect(QRectF(22, 10, 8, 33));
        p.setBrush(Orange);
        p.drawRect(QRectF(34, 28, 8, 15));
        break;
    }
    case Glyph::JobType: drawGear(p, QPointF(24, 24), 21, 15.5, 6, 1.8); break;
    case Glyph::Process: {
        const QRectF boxes[] = {{3, 4, 16, 12}, {16, 18, 16, 12}, {29, 32, 16, 12}};
        const QColor colours[] = {Blue, Green, Orange};
        p.setPen(QPen(Ink, 2));
        for (int i = 0; i < 2; ++i) {
            const QPointF from(boxes[i].center().x(), boxes[i].bottom());
            const QPointF to(boxes[i + 1].left(), boxes[i + 1].center().y());
            p.setBrush(Qt::NoBrush);
            p.drawLine(from, QPointF(from.x(), to.y()));
            p.drawLine(QPointF(from.x(), to.y()), to);
            p.setBrush(Ink);
            const QPointF head[] = {to, {to.x() - 5, to.y() - 3.5}, {to.x() - 5, to.y() + 3.5}};
            p.drawPolygon(head, 3);
        }
        for (int i = 0; i < 3; ++i) {
            p.setBrush(colours[i]);
            p.drawRoundedRect(boxes[i], 2.5, 2.5);
        }
        break;
    }
    case Glyph::Roster:
        drawPerson(p, QPointF(31, 14), 1.0, Green);
        drawPerson(p, QPointF(18, 20), 1.15, Blue);
        break;
    case Glyph::Relogin: {
        p.setPen(QPen(QColor(0xa0, 0x70, 0x00), 2));
        p.setBrush(Gold);
        QPainterPath key;
        key.addEllipse(QPointF(14, 24), 10, 10);
        key.addRect(QRectF(22, 21, 22, 6));
        key.addRect(QRectF(34, 27, 4, 7));
        key.addRect(QRectF(40, 27, 4, 9));
        key = key.simplified();
        key.addEllipse(QPointF(11, 24), 3.5, 3.5);
        p.drawPath(key);
        break;
    }
    case Glyph::Exit: {
        p.setPen(QPen(Ink, 2));
        p.setBrush(QColor(0xe8, 0xe2, 0xd4));
        p.drawRect(QRectF(6, 4, 24, 40));
        p.setBrush(Brown);
        const QPointF door[] = {{6, 4}, {20, 9}, {20, 47}, {6, 44}};
        p.drawPolygon(door, 4);
        p.setBrush(Gold);
        p.drawEllipse(QPointF(17, 27), 1.8, 1.8);
        p.setPen(QPen(Red, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(26, 24), QPointF(40, 24));
        p.setPen(Qt::NoPen);
        p.setBrush(Red);
        const QPointF head[] = {{46, 24}, {37, 16}, {37, 32}};
        p.drawPolygon(head, 3);
        break;
    }
    case Glyph::Add:
        drawMarkedPage(p, Green);
        p.drawLine(QPointF(35, 29.5), QPointF(35, 40.5));
        p.drawLine(QPointF(29.5, 35), QPointF(40.5, 35));
        break;
    case Glyph::Edit:
        drawPage(p, QRectF(5, 3, 28, 38));
        drawPencil(p, QPointF(38, 31), 35);
        break;
    case Glyph::Delete: {
        // A waste bin with its lid on.
        p.setPen(QPen(Ink, 2));
        p.setBrush(QColor(0xc9, 0xd2, 0xdd));
        const QPointF body[] = {{11, 15}, {37, 15}, {34, 45}, {14, 45}};
        p.drawPolygon(body, 4);
        p.setPen(QPen(Ink, 1.5));
        for (qreal x : {19.0, 24.0, 29.0})
            p.drawLine(QPointF(x, 20), QPointF(x, 40));
        p.setPen(QPen(Ink, 2));
        p.setBrush(Red);
        p.drawRoundedRect(QRectF(19, 3, 10, 6), 2, 2);
        p.drawRoundedRect(QRectF(7, 8, 34, 6), 2, 2);
        break;
    }
    case Glyph::Print: {
        // A printer with a printed page coming out.
        p.setPen(QPen(Ink, 2));
        p.setBrush(Paper);
        p.drawRect(QRectF(13, 3, 22, 16));
        p.setBrush(Steel);
        p.drawRoundedRect(QRectF(4, 16, 40, 19), 3, 3);
        p.setPen(QPen(Green.darker(140), 1));
        p.setBrush(Green);
        p.drawEllipse(QPointF(37, 22), 2, 2);
        p.setPen(QPen(Ink, 2));
        p.setBrush(Paper);
        p.drawRect(QRectF(12, 28, 24, 17));
        p.setPen(QPen(Blue, 2));
        p.drawLine(QPointF(16, 35), QPointF(32, 35));
        p.drawLine(QPointF(16, 40), QPointF(28, 40));
        break;
    }
    case Glyph::Locate: {
        // A magnifying glass.
        p.setPen(QPen(Ink, 9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(30, 30), QPointF(41, 41));
        p.setPen(QPen(Brown, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(30, 30), QPointF(41, 41));
        p.setPen(QPen(Ink, 3));
        p.setBrush(QColor(0xd4, 0xe7, 0xf8));
        p.drawEllipse(QPointF(20, 20), 13, 13);
        p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(12, 12, 16, 16), 100 * 16, 70 * 16);
        break;
    }
    case Glyph::Settings:
        drawSheet(p, QRectF(4, 5, 32, 30), 5, 3, SheetBlue);
        drawGear(p, QPointF(34, 34), 12, 8.5, 3.5, 1.5);
        break;
    case Glyph::Export:
        drawSheet(p, QRectF(3, 4, 28, 36), 6, 3, SheetGreen);
        drawArrow(p, QPointF(22, 30), QPointF(46, 30), Blue);
        break;
    case Glyph::Save: {
        drawMarkedPage(p, Green);
        const QPointF tick[] = {{30, 35.5}, {33.5, 39}, {40.5, 31}};
        p.drawPolyline(tick, 3);
        break;
    }
    case Glyph::Cancel:
        drawMarkedPage(p, Red);
        drawBadgeCross(p);
        break;
    case Glyph::Close: {
        // A window with a red cross.
        p.setPen(QPen(Ink, 2));
        p.setBrush(Paper);
        p.drawRect(QRectF(3, 6, 36, 30));
        p.fillRect(QRectF(4, 7, 34, 7), Blue);
        p.drawLine(QPointF(3, 14), QPointF(39, 14));
        drawBadge(p, QPointF(35, 35), 10.5, Red);
        drawBadgeCross(p);
        break;
    }
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace jjgz
