#include "diagram/qt/DiagramPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <limits>
#include <span>

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

// On and off pixels in turn, as Qt's patterns for a one-pixel pen.
std::span<const int> dashPattern(Qt::PenStyle style)
{
    static constexpr int dash[] = {4, 2}, dot[] = {1, 2}, dashDot[] = {4, 2, 1, 2}, dashDotDot[] = {4, 2, 1, 2, 1, 2};
    switch (style) {
    case Qt::DashLine: return dash;
    case Qt::DotLine: return dot;
    case Qt::DashDotLine: return dashDot;
    default: return dashDotDot;
    }
}

// Dashed lines along the axes, drawn as solid pieces. Qt starts a dash
// pattern afresh where the device clips a line, so a strip or tile of the
// image painted alone would show other dashes than the whole image; here
// the pattern is counted from the line's own start. The pen is solid.
class Dashes {
public:
    Dashes(QPainter& painter, Qt::PenStyle style) : p(painter), pattern(dashPattern(style))
    {
        for (int length : pattern) period += length;
    }

    // The pixels `from` .. `to` (counted from 0) of the line of `length`
    // pixels from (x, y) in the direction (dx, dy), the pattern running on
    // from where the previous line of the outline left it.
    void line(qint64 x, qint64 y, int dx, int dy, qint64 length, qint64 from = 0,
              qint64 to = std::numeric_limits<qint64>::max())
    {
        from = std::max<qint64>(from, 0);
        to = std::min(to, length - 1);
        // base: the pixel where a round of the pattern begins, at or before `from`.
        for (qint64 base = from - (phase + from) % period; base <= to; base += period) {
            qint64 at = base;
            for (std::size_t k = 0; k < pattern.size(); at += pattern[k], ++k) {
                if (k % 2 == 1) continue;
                const qint64 first = std::max(at, from), last = std::min(at + pattern[k] - 1, to);
                if (first > last) continue;
                const QPoint a(px(x + dx * first), px(y + dy * first)), b(px(x + dx * last), px(y + dy * last));
                if (a == b)
                    p.drawPoint(a);
                else
                    p.drawLine(a, b);
            }
        }
        phase = (phase + length) % period;
    }

    // The outline of a box: the pixels left .. right - 1 and top .. bottom - 1,
    // clockwise from the top left corner.
    void outline(const Rect& r)
    {
        const qint64 w = r.right - r.left - 1, h = r.bottom - r.top - 1;
        line(r.left, r.top, 1, 0, w);
        line(r.right - 1, r.top, 0, 1, h);
        line(r.right - 1, r.bottom - 1, -1, 0, w);
        line(r.left, r.bottom - 1, 0, -1, h);
    }

private:
    QPainter& p;
    std::span<const int> pattern;
    qint64 period = 0;
    qint64 phase = 0;
};

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
    const Qt::PenStyle border = borderStyle(style);
    if (style <= 5) {
        // The outline as lines of our own: Qt's outline of a rectangle the
        // device clips loses a corner, and its dashes start afresh there.
        p.setPen(Qt::NoPen);
        p.drawRect(r);
        if (border != Qt::NoPen) {
            p.setPen(blackPen());
            const Rect& e = u.rect;
            if (border == Qt::SolidLine) {
                line(p, e.left, e.top, e.right - 1, e.top);
                line(p, e.right - 1, e.top, e.right - 1, e.bottom - 1);
                line(p, e.right - 1, e.bottom - 1, e.left, e.bottom - 1);
                line(p, e.left, e.bottom - 1, e.left, e.top);
            } else {
                Dashes(p, border).outline(e);
            }
        }
    } else {
        p.setPen(blackPen(border));
        if (style <= 7) {
            const double radius = u.cornerEllipse / 2.0;
            p.drawRoundedRect(r, radius, radius, Qt::AbsoluteSize);
        } else {
            QPolygon polygon;
            for (const Point& point : u.shape(box)) polygon << QPoint(px(point.x), px(point.y));
            p.drawPolygon(polygon);
        }
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
    p.setPen(QPen(colourOf(kGrey), 0));
    for (qint64 y : d.periodLines) {
        if (!reaches(0, y, width - 1, y)) continue;
        Dashes dots(p, Qt::DotLine);
        if (visible)
            dots.line(0, y, 1, 0, width, visible->left - 1, visible->right + 1);
        else
            dots.line(0, y, 1, 0, width);
    }
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
            // Three lines, not a polyline: Qt leaves out a corner of a
            // polyline that the device clips.
            line(p, path.x1, path.y1, path.x1, path.trackY);
            line(p, path.x1, path.trackY, path.x2, path.trackY);
            line(p, path.x2, path.trackY, path.x2, path.y2);
        }
    }
    for (const ContractionMark& mark : d.marks) PaintContractionMark(p, mark);
    p.restore();
}

QImage RenderDiagram(const DiagramDrawing& d, const DiagramFont& font)
{
    const qint64 w = d.geometry.width(), h = d.geometry.height();
    if (w <= 0 || h <= 0 || w > std::numeric_limits<int>::max() || h > std::numeric_limits<int>::max()) return {};
    return RenderDiagramPart(d, font, PixelRect{0, 0, int(w), int(h)});
}

namespace {

// Around a part painted on its own, a margin wide enough that no box that
// reaches into the part is cut by the image's edge: Qt draws the slanted
// edges of a shape that the device clips a pixel off. Lines and dashes
// along the axes are drawn so that the edge does not change them.
int partMargin(const DiagramDrawing& d)
{
    const BoxGeometry& box = d.geometry.box();
    return int(std::clamp<qint64>(qint64(box.BoxWidth) + box.BoxHeight + 4, 4, 1 << 16));
}

// Paints the diagram onto `image`, white already, with the image pixel
// (left, top) at the image's top left corner.
void paintFrom(QImage& image, const DiagramDrawing& d, const DiagramFont& font, int left, int top)
{
    QPainter painter(&image);
    painter.translate(-left, -top);
    // A pixel more on each side: a line drawn on the border belongs to both.
    const Rect visible{qint64(left) - 1, qint64(top) - 1, qint64(left) + image.width() + 1,
                       qint64(top) + image.height() + 1};
    PaintDiagram(painter, d, font, &visible);
}

} // namespace

QImage RenderDiagramPart(const DiagramDrawing& d, const DiagramFont& font, const PixelRect& part)
{
    const int w = part.right - part.left, h = part.bottom - part.top;
    if (w <= 0 || h <= 0) return {};
    const int margin = partMargin(d);
    QImage image(w + 2 * margin, h + 2 * margin, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    paintFrom(image, d, font, part.left - margin, part.top - margin);
    return image.copy(margin, margin, w, h);
}

namespace {
constexpr qint64 kStripPixels = qint64(4) << 20;   // 16 MB of RGB32
}

PaintedRows::PaintedRows(const DiagramDrawing& drawing, const DiagramFont& font, int stripRows)
    : drawing_(drawing), font_(font), margin_(partMargin(drawing))
{
    const qint64 w = drawing.geometry.width(), h = drawing.geometry.height();
    if (w <= 0 || h <= 0 || w > std::numeric_limits<int>::max() - 2 * margin_
        || h > std::numeric_limits<int>::max())
        return;
    rows_ = int(std::min<qint64>(stripRows > 0 ? stripRows : std::max<qint64>(kStripPixels / w, 1), h));
    buffer_ = QImage(int(w) + 2 * margin_, rows_ + 2 * margin_, QImage::Format_RGB32);
}

int PaintedRows::width() const
{
    return int(drawing_.geometry.width());
}

int PaintedRows::height() const
{
    return int(drawing_.geometry.height());
}

void PaintedRows::rows(int top, int count, RasterImage& strip)
{
    buffer_.fill(Qt::white);
    paintFrom(buffer_, drawing_, font_, -margin_, top - margin_);
    strip.width = width();
    strip.height = count;
    strip.rgb.resize(std::size_t(strip.width) * std::size_t(count));
    for (int y = 0; y < count; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(buffer_.constScanLine(y + margin_)) + margin_;
        quint32* out = strip.rgb.data() + std::size_t(y) * std::size_t(strip.width);
        for (int x = 0; x < strip.width; ++x) out[x] = line[x] & 0xFFFFFF;
    }
}

void ReduceColours(QImage& image, ColourReducer& reducer)
{
    if (reducer.depth() == ColourDepth::Colours16M) return;
    for (int y = 0; y < image.height(); ++y)
        reducer.reduce(reinterpret_cast<quint32*>(image.scanLine(y)), std::size_t(image.width()));
}

bool PrintPages(QPainter& painter, QPagedPaintDevice& device, const DiagramDrawing& drawing, const PrintPlan& plan,
                const DiagramFont& font, ColourDepth colours, int scale, const QString& projectName)
{
    ColourReducer reducer(colours);
    QFont headerFont = MakeDiagramQFont(font);
    if (scale > 2) headerFont.setPointSize(headerFont.pointSize() * scale / 3);
    painter.setFont(headerFont);
    for (int page = 1; page <= plan.sheets(); ++page) {
        const PrintTile& tile = plan.tiles[std::size_t(page - 1)];
        QImage image = RenderDiagramPart(drawing, font, tile.source);
        if (image.isNull()) return false;
        ReduceColours(image, reducer);
        if (page > 1) device.newPage();
        if (!plan.oneSheet)
            painter.drawText(QRect(0, 0, device.width(), plan.headerHeight), Qt::AlignLeft | Qt::AlignTop,
                             PrintPageHeader(projectName, page));
        const PixelRect& t = tile.target;
        painter.drawImage(QRect(t.left, t.top, t.right - t.left, t.bottom - t.top), image);
    }
    return true;
}

} // namespace belvanto
