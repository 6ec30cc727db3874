#include "diagram/qt/DiagramPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <limits>

namespace belvanto {

namespace {

// Positions far outside any image the painter can hold (only a damaged
// layout has them) are pulled in, so that the int conversion stays defined.
int px(qint64 v)
{
    constexpr qint64 limit = qint64(1) << 28;
    return int(std::clamp(v, -limit, limit));
}

QColor colourOf(quint32 c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// The rectangle whose outline, one pixel wide, covers left .. right - 1 and
// top .. bottom - 1, the pixels a box of those edges owns.
QRect outlineRect(const Rect& r)
{
    return QRect(px(r.left), px(r.top), px(r.right - r.left - 1), px(r.bottom - r.top - 1));
}

Qt::PenStyle borderStyle(int style)
{
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

QPen blackPen(Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(Qt::black);
    pen.setWidth(0);   // cosmetic: one pixel at any scale
    pen.setStyle(style);
    return pen;
}

void line(QPainter& p, qint64 x1, qint64 y1, qint64 x2, qint64 y2)
{
    p.drawLine(px(x1), px(y1), px(x2), px(y2));
}

void text(QPainter& p, const TextItem& t, const DiagramFont& font)
{
    p.setPen(colourOf(font.colour));
    p.drawText(QPoint(px(t.x), px(t.top) + p.fontMetrics().ascent()), t.text);
}

void prepare(QPainter& p, const DiagramFont& font)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(MakeDiagramQFont(font));
}

} // namespace

void PaintUnit(QPainter& p, const UnitItem& u, const BoxGeometry& box, const DiagramFont& font, bool single)
{
    p.save();
    prepare(p, font);
    if (u.dummy) {
        p.setPen(blackPen());
        line(p, u.dummyLine.x, u.dummyLine.top, u.dummyLine.x, u.dummyLine.bottom);
        p.restore();
        return;
    }
    const QRect r = outlineRect(u.rect);
    const int style = u.look.style;
    if (single && style >= 6) {
        p.setPen(QPen(Qt::white, 0));
        p.setBrush(Qt::white);
        p.drawRect(r);
    }
    p.setBrush(colourOf(u.look.fill));
    p.setPen(blackPen(borderStyle(style)));
    if (style <= 5) {
        p.drawRect(r);
    } else if (style <= 7) {
        const double radius = u.cornerEllipse / 2.0;
        p.drawRoundedRect(r, radius, radius, Qt::AbsoluteSize);
    } else {
        QPolygon polygon;
        for (const Point& point : u.shape(box)) polygon << QPoint(px(point.x), px(point.y));
        p.drawPolygon(polygon);
    }
    p.setBrush(Qt::NoBrush);
    text(p, u.label, font);
    p.restore();
}

void PaintContractionMark(QPainter& p, const ContractionMark& mark)
{
    const Rect& r = mark.rect;
    p.fillRect(QRect(px(r.left), px(r.top), px(r.right - r.left), px(r.bottom - r.top)), colourOf(mark.fill));
    if (mark.marked) {
        p.save();
        p.setPen(QPen(colourOf(kYellow), 0));
        line(p, mark.line.x, mark.line.top, mark.line.x, mark.line.bottom);
        p.restore();
    }
}

void PaintDiagram(QPainter& p, const DiagramDrawing& d, const DiagramFont& font, const Rect* visible)
{
    p.save();
    prepare(p, font);
    const qint64 width = d.geometry.width();
    // Whether an item spanning these pixels reaches into the visible part;
    // labels and dash patterns stay inside their boxes, a pixel's margin
    // covers the line ends.
    auto reaches = [visible](qint64 left, qint64 top, qint64 right, qint64 bottom) {
        if (!visible) return true;
        return std::max(left, right) + 1 >= visible->left && std::min(left, right) - 1 <= visible->right
               && std::max(top, bottom) + 1 >= visible->top && std::min(top, bottom) - 1 <= visible->bottom;
    };
    QPen grey(colourOf(kGrey), 0);
    grey.setStyle(Qt::DotLine);
    p.setPen(grey);
    for (qint64 y : d.periodLines) line(p, 0, y, width - 1, y);
    for (const TextItem& name : d.periodNames) text(p, name, font);

    for (const UnitItem& u : d.units) {
        const bool seen = u.dummy ? reaches(u.dummyLine.x, u.dummyLine.top, u.dummyLine.x, u.dummyLine.bottom)
                                  : reaches(u.rect.left, u.rect.top, u.rect.right, u.rect.bottom);
        if (seen) PaintUnit(p, u, d.geometry.box(), font, false);
    }

    p.setPen(blackPen());
    p.setBrush(Qt::NoBrush);
    for (const RelItem& r : d.relations) {
        if (r.equal) {
            if (!reaches(r.equalLine.xFrom, r.equalLine.y - 2, r.equalLine.xTo, r.equalLine.y + 2)) continue;
            const EqualLine& e = r.equalLine;
            line(p, e.xFrom, e.y - 2, e.xTo, e.y - 2);
            line(p, e.xFrom, e.y + 2, e.xTo, e.y + 2);
            continue;
        }
        const RelPath& path = r.path;
        const qint64 left = std::min({path.startX, path.x1, path.x2}), right = std::max({path.startX, path.x1, path.x2});
        if (!reaches(left, std::min(path.y1, path.y2), right, std::max(path.y1, path.y2))) continue;
        if (path.startX != path.x1) line(p, path.startX, path.y1, path.x1, path.y1);
        if (path.straight) {
            line(p, path.x1, path.y1, path.x1, path.y2);
        } else {
            const QPoint points[4] = {{px(path.x1), px(path.y1)}, {px(path.x1), px(path.trackY)},
                                      {px(path.x2), px(path.trackY)}, {px(path.x2), px(path.y2)}};
            p.drawPolyline(points, 4);
        }
    }
    for (const ContractionMark& mark : d.marks) PaintContractionMark(p, mark);
    p.restore();
}

QImage RenderDiagram(const DiagramDrawing& d, const DiagramFont& font)
{
    const qint64 w = d.geometry.width(), h = d.geometry.height();
    if (w <= 0 || h <= 0 || w > std::numeric_limits<int>::max() || h > std::numeric_limits<int>::max()) return {};
    QImage image(int(w), int(h), QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintDiagram(painter, d, font);
    return image;
}

void PrintPages(QPainter& painter, QPagedPaintDevice& device, const QImage& image, const PrintPlan& plan,
                const DiagramFont& font, int scale, const QString& projectName)
{
    QFont headerFont = MakeDiagramQFont(font);
    if (scale > 2) headerFont.setPointSize(headerFont.pointSize() * scale / 3);
    painter.setFont(headerFont);
    for (int page = 1; page <= plan.sheets(); ++page) {
        if (page > 1) device.newPage();
        const PrintTile& tile = plan.tiles[std::size_t(page - 1)];
        if (!plan.oneSheet)
            painter.drawText(QRect(0, 0, device.width(), plan.headerHeight), Qt::AlignLeft | Qt::AlignTop,
                             PrintPageHeader(projectName, page));
        const PixelRect& s = tile.source;
        const PixelRect& t = tile.target;
        painter.drawImage(QRect(t.left, t.top, t.right - t.left, t.bottom - t.top), image,
                          QRect(s.left, s.top, s.right - s.left, s.bottom - s.top));
    }
}

RasterImage ToRasterImage(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    RasterImage out(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) out.pixel(x, y) = line[x] & 0xFFFFFF;
    }
    return out;
}

} // namespace belvanto
