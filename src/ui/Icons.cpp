#include "ui/Icons.h"
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <map>

namespace belvanto {

namespace {

const QColor kInk(40, 52, 70);
const QColor kPaper(250, 250, 246);
const QColor kBox(214, 196, 150);
const QColor kAccent(40, 110, 190);
const QColor kAlert(196, 48, 40);
const QColor kGood(46, 140, 70);

using Draw = std::function<void(QPainter&)>;

void unitBox(QPainter& p, QRectF r, const QColor& fill = kBox)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(fill);
    p.drawRect(r);
}

void plus(QPainter& p, QPointF c, const QColor& colour)
{
    p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-3.5, 0), c + QPointF(3.5, 0));
    p.drawLine(c + QPointF(0, -3.5), c + QPointF(0, 3.5));
}

void cross(QPainter& p, QPointF c, const QColor& colour)
{
    p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
    p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
}

void page(QPainter& p)
{
    QPainterPath path;
    path.moveTo(5, 2);
    path.lineTo(14, 2);
    path.lineTo(19, 7);
    path.lineTo(19, 22);
    path.lineTo(5, 22);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(14, 2), QPointF(14, 7));
    p.drawLine(QPointF(14, 7), QPointF(19, 7));
}

void magnifier(QPainter& p, QPointF c, double r)
{
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(c, r, r);
    p.drawLine(c + QPointF(r * 0.7, r * 0.7), c + QPointF(r * 1.9, r * 1.9));
}

void link(QPainter& p, QPointF a, QPointF b)
{
    p.setPen(QPen(kInk, 1.4));
    p.drawLine(a, b);
}

const std::map<QString, Draw>& drawings()
{
    static const std::map<QString, Draw> all{
        {QStringLiteral("FileNew"), [](QPainter& p) { page(p); plus(p, {16.5, 17.5}, kGood); }},
        {QStringLiteral("FileOpen"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(QColor(236, 200, 110));
             p.drawRect(QRectF(2.5, 6.5, 19, 14));
             p.setBrush(QColor(250, 222, 140));
             QPainterPath lid;
             lid.moveTo(2.5, 20.5);
             lid.lineTo(6, 11.5);
             lid.lineTo(23, 11.5);
             lid.lineTo(19.5, 20.5);
             lid.closeSubpath();
             p.drawPath(lid);
         }},
        {QStringLiteral("FileClose"), [](QPainter& p) { page(p); cross(p, {16.5, 17.5}, kAlert); }},
        {QStringLiteral("FilePrint"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(kPaper);
             p.drawRect(QRectF(6.5, 2.5, 11, 8));
             p.setBrush(QColor(170, 178, 190));
             p.drawRoundedRect(QRectF(2.5, 9.5, 19, 8), 2, 2);
             p.setBrush(kPaper);
             p.drawRect(QRectF(6.5, 14.5, 11, 7));
         }},
        {QStringLiteral("UnitsFind"), [](QPainter& p) { magnifier(p, {10, 10}, 6); }},
        {QStringLiteral("TermsShowList"),
         [](QPainter& p) {
             page(p);
             p.setPen(QPen(kAccent, 1.6));
             for (double y : {10.0, 13.5, 17.0}) p.drawLine(QPointF(8, y), QPointF(16, y));
         }},
        {QStringLiteral("DiagramNavigate"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
             p.setBrush(kAlert);
             p.drawPolygon(QPolygonF({QPointF(12, 4), QPointF(15, 12), QPointF(9, 12)}));
             p.setBrush(kAccent);
             p.drawPolygon(QPolygonF({QPointF(12, 20), QPointF(15, 12), QPointF(9, 12)}));
         }},
        {QStringLiteral("UnitsNew"), [](QPainter& p) { unitBox(p, {3.5, 5.5, 14, 10}); plus(p, {17.5, 17.5}, kGood); }},
        {QStringLiteral("UnitsEdit"),
         [](QPainter& p) {
             unitBox(p, {3.5, 5.5, 14, 10});
             p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(11, 20), QPointF(20, 11));
             p.setPen(QPen(kInk, 1.2));
             p.drawLine(QPointF(9.5, 21.5), QPointF(10.5, 19.5));
         }},
        {QStringLiteral("UnitsDelete"), [](QPainter& p) { unitBox(p, {3.5, 5.5, 14, 10}); cross(p, {17.5, 17.5}, kAlert); }},
        {QStringLiteral("RelationsAdd"),
         [](QPainter& p) {
             link(p, {8, 9}, {8, 16});
             unitBox(p, {2.5, 2.5, 11, 6.5});
             unitBox(p, {2.5, 15.5, 11, 6.5});
             plus(p, {18.5, 12}, kGood);
         }},
        {QStringLiteral("RelationsChain"),
         [](QPainter& p) {
             link(p, {12, 5}, {12, 19});
             unitBox(p, {6.5, 1.5, 11, 5});
             unitBox(p, {6.5, 9.5, 11, 5});
             unitBox(p, {6.5, 17.5, 11, 5});
         }},
        {QStringLiteral("RelationsRemove"),
         [](QPainter& p) {
             link(p, {8, 9}, {8, 16});
             unitBox(p, {2.5, 2.5, 11, 6.5});
             unitBox(p, {2.5, 15.5, 11, 6.5});
             cross(p, {18.5, 12}, kAlert);
         }},
        {QStringLiteral("DiagramLayout"),
         [](QPainter& p) {
             link(p, {12, 6}, {6, 12});
             link(p, {12, 6}, {18, 12});
             link(p, {6, 14}, {12, 19});
             link(p, {18, 14}, {12, 19});
             unitBox(p, {8.5, 2.5, 7, 4.5});
             unitBox(p, {2.5, 10.5, 7, 4.5});
             unitBox(p, {14.5, 10.5, 7, 4.5});
             unitBox(p, {8.5, 17.5, 7, 4.5});
             p.setPen(QPen(kGood, 2.2, Qt::SolidLine, Qt::RoundCap));
         }},
        {QStringLiteral("DiagramDisplay"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(kPaper);
             p.drawRect(QRectF(1.5, 2.5, 21, 16));
             link(p, {12, 7}, {12, 14});
             unitBox(p, {8.5, 5, 7, 4}, QColor(190, 215, 240));
             unitBox(p, {8.5, 12.5, 7, 4}, QColor(190, 215, 240));
             p.setPen(QPen(kInk, 1.6));
             p.drawLine(QPointF(8, 21.5), QPointF(16, 21.5));
         }},
    };
    return all;
}

} // namespace

namespace {

// An icon drawn at its design size and at twice that, for dense screens.
QIcon drawnIcon(int designSize, const Draw& draw)
{
    QIcon icon;
    for (int size : {designSize, 2 * designSize}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(double(size) / designSize, double(size) / designSize);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon commandIcon(const QString& name)
{
    const auto it = drawings().find(name);
    if (it == drawings().end()) return QIcon();
    return drawnIcon(24, it->second);
}

QIcon treeNodeIcon(int image)
{
    const bool selected = image % 2 == 1;
    const QColor fill = selected ? QColor(255, 214, 102) : kBox;
    return drawnIcon(16, [&](QPainter& p) {
        switch (image / 2) {
        case 0:   // a group: a frame around two units
            p.setPen(QPen(kInk, 1.1));
            p.setBrush(selected ? QColor(255, 236, 180) : kPaper);
            p.drawRoundedRect(QRectF(0.5, 1.5, 15, 13), 2, 2);
            unitBox(p, {3, 4, 10, 3}, fill);
            unitBox(p, {3, 9, 10, 3}, fill);
            break;
        case 1:   // a context: one unit
            unitBox(p, {1.5, 4.5, 13, 7}, fill);
            break;
        default:  // a period or phase: a band of time
            p.setPen(QPen(kInk, 1.1));
            p.setBrush(selected ? fill : QColor(190, 215, 240));
            p.drawRect(QRectF(0.5, 3.5, 15, 9));
            p.setPen(QPen(kAccent, 1.4));
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
            p.drawLine(QPointF(3, 6), QPointF(3, 10));
            p.drawLine(QPointF(13, 6), QPointF(13, 10));
            break;
        }
    });
}

QPixmap aboutPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    drawings().at(QStringLiteral("DiagramLayout"))(p);
    return pixmap;
}

} // namespace belvanto
