#include "DiagramFixture.h"
#include "diagram/qt/DiagramPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

QRgb rgbOf(quint32 colour)
{
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

QRgb pixel(const QImage& image, qint64 x, qint64 y)
{
    return image.pixel(int(x), int(y)) & 0xFFFFFF;
}

} // namespace

TEST(Painter, BoxesLinesAndPeriodsWithoutAntialiasing)
{
    LayoutSnapshot s = threeByThree({box("AAAAA1", 1, 1, 255, 0), box("AAAAA2", 2, 2, 16744512, 1),
                                     box("AAAAA3", 3, 3, 65280, 8)},
                                    {segment("AAAAA2", "AAAAA1", 2, 1, 4, 2)});
    s.parameters.periods = {Period{QStringLiteral("A"), 0, 1}, Period{QStringLiteral("B"), 0, 3}};
    DiagramFont font;
    const auto d = BuildDiagram(s, {}, QtTextMetrics(font));
    const QImage image = RenderDiagram(d, font);
    ASSERT_FALSE(image.isNull());
    if (const QString keep = qEnvironmentVariable("BELVANTO_KEEP_RENDERS"); !keep.isEmpty())
        image.save(keep + QStringLiteral("/painter.png"));
    EXPECT_EQ(image.width(), d.geometry.width());
    EXPECT_EQ(image.height(), d.geometry.height());

    for (const UnitItem& u : d.units) {
        const Rect& r = u.rect;
        // Inside the box, below the label's baseline (no descenders in these labels).
        EXPECT_EQ(pixel(image, (r.left + r.right) / 2, r.bottom - 3), rgbOf(u.look.fill) & 0xFFFFFF)
            << u.record->Unitname.toStdString();
        // The border of the solid box covers left .. right - 1.
        if (u.look.style == 0) {
            EXPECT_EQ(pixel(image, r.left, (r.top + r.bottom) / 2), 0u);
            EXPECT_EQ(pixel(image, r.right - 1, (r.top + r.bottom) / 2), 0u);
            EXPECT_EQ(pixel(image, r.right, (r.top + r.bottom) / 2), 0xFFFFFFu);
        }
    }
    // The relationship leaves the upper box straight down its centre.
    const RelPath& p = d.relations.front().path;
    EXPECT_EQ(pixel(image, p.x1, p.y1 + 1), 0u);
    EXPECT_EQ(pixel(image, (p.x1 + p.x2) / 2, p.trackY), 0u);
    // The dotted grey dividing line: some pixels grey, none of another colour.
    const qint64 y = d.periodLines.front();
    int grey = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb c = pixel(image, x, y);
        if (c == (rgbOf(kGrey) & 0xFFFFFF)) ++grey;
        else EXPECT_TRUE(c == 0xFFFFFFu || c == 0u) << x;   // or a box border it crosses
    }
    EXPECT_GT(grey, image.width() / 4);

    // No antialiasing: only the colours that were drawn.
    QSet<QRgb> allowed{0xFFFFFFu, 0u, rgbOf(255) & 0xFFFFFF, rgbOf(16744512) & 0xFFFFFF, rgbOf(65280) & 0xFFFFFF,
                       rgbOf(kGrey) & 0xFFFFFF};
    for (int yy = 0; yy < image.height(); ++yy)
        for (int x = 0; x < image.width(); ++x) ASSERT_TRUE(allowed.contains(pixel(image, x, yy))) << x << "," << yy;
}

TEST(Painter, LabelsInTheFontColour)
{
    DiagramFont font;
    font.colour = 16711680;   // blue
    const auto d = BuildDiagram(threeByThree({box("WWWWWW", 1, 1)}), {}, QtTextMetrics(font));
    const QImage image = RenderDiagram(d, font);
    int blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pixel(image, x, y) == 0x0000FFu) ++blue;
    EXPECT_GT(blue, 20);
}

TEST(Painter, SingleBoxRedrawWipesTheOldOutline)
{
    DiagramFont font;
    QtTextMetrics metrics(font);
    LayoutSnapshot s = threeByThree({box("AAAAA1", 1, 1, 255, 0)});
    const auto d = BuildDiagram(s, {}, metrics);
    QImage image = RenderDiagram(d, font);
    const Rect r = d.units.front().rect;
    // The solid border's corner is black before, white after it becomes a hexagon.
    EXPECT_EQ(pixel(image, r.left, r.top), 0u);
    UnitRecord changed = s.units.front();
    changed.BoxStyle = 8;
    const UnitItem item = BuildUnitItem(changed, d.geometry, {}, metrics);
    {
        QPainter painter(&image);
        PaintUnit(painter, item, d.geometry.box(), font, true);
    }
    EXPECT_EQ(pixel(image, r.left, r.top), 0xFFFFFFu);
    EXPECT_EQ(pixel(image, (r.left + r.right) / 2, r.bottom - 3), 0xFF0000u);
}

TEST(Painter, ContractionMark)
{
    LayoutParameters p = parameters(2, 3, {0, 1});
    p.groups = true;
    p.LeftFrameLanes = {0, 1, 0};
    p.RightFrameLanes = {0, 0, 1};
    p.FrameLanesBelow = {0, 0, 0, 1};
    DrawState state;
    state.markedGroups = {QStringLiteral("E:G")};
    DiagramFont font;
    const auto d = BuildDiagram(layout(p, {group("G", 1, 2, 1, 3, 1), box("AAAAA1", 1, 2), box("AAAAA2", 2, 3, 65535, 11)},
                                       {segment("AAAAA2", "AAAAA1", 2, 2, 4, 3)}),
                                state, QtTextMetrics(font));
    const QImage image = RenderDiagram(d, font);
    if (const QString keep = qEnvironmentVariable("BELVANTO_KEEP_RENDERS"); !keep.isEmpty())
        image.save(keep + QStringLiteral("/group.png"));
    ASSERT_EQ(d.marks.size(), 1u);
    const ContractionMark& m = d.marks.front();
    EXPECT_EQ(pixel(image, m.rect.left, m.rect.top), 0xFF0000u);
    EXPECT_EQ(pixel(image, m.line.x, (m.line.top + m.line.bottom) / 2), 0xFFFF00u);
}

// Painting only the items that reach into a part gives that part the same
// pixels as painting everything.
TEST(Painter, APartPaintedAloneLooksTheSame)
{
    LayoutSnapshot s = threeByThree({box("AAAAA1", 1, 1, 255, 0), box("AAAAA2", 2, 2, 16744512, 1),
                                     box("AAAAA3", 3, 3, 65280, 8), dummy("1", 1, 2, 3)},
                                    {segment("AAAAA2", "AAAAA1", 2, 1, 4, 2), segment("AAAAA3", "AAAAA2", 4, 2, 6, 3),
                                     equal("AAAAA1", "AAAAA2", 1, 2, 1)});
    s.parameters.periods = {Period{QStringLiteral("A"), 0, 1}, Period{QStringLiteral("B"), 0, 3}};
    const DiagramFont font;
    const DiagramDrawing d = BuildDiagram(s, {}, QtTextMetrics(font));
    const QImage whole = RenderDiagram(d, font);
    ASSERT_FALSE(whole.isNull());
    const int w = whole.width(), h = whole.height();
    for (const QRect part : {QRect(0, 0, w / 2, h / 2), QRect(w / 3, h / 3, w / 3, h / 3), QRect(w / 2, h / 2, w - w / 2, h - h / 2)}) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setClipRect(part);
        const Rect visible{part.left(), part.top(), part.right(), part.bottom()};
        PaintDiagram(p, d, font, &visible);
        p.end();
        for (int y = part.top(); y <= part.bottom(); ++y)
            for (int x = part.left(); x <= part.right(); ++x)
                ASSERT_EQ(image.pixel(x, y), whole.pixel(x, y)) << x << "," << y;
    }
    // The same part painted on an image of its own (a strip of a raster
    // export, a printed tile), wherever the edge cuts boxes, dashes and lines.
    for (int left = 0; left < w; left += 3)
        for (int top = 0; top < h; top += 5) {
            const PixelRect part{left, top, std::min(left + w / 3, w), std::min(top + h / 4, h)};
            ASSERT_EQ(RenderDiagramPart(d, font, part),
                      whole.copy(part.left, part.top, part.right - part.left, part.bottom - part.top))
                << part.left << "," << part.top;
        }
}

TEST(Painter, EmptyDiagramIsAWhiteStrip)
{
    DiagramFont font;
    const auto d = BuildDiagram(layout(parameters(0, 0), {}), {}, QtTextMetrics(font));
    const QImage image = RenderDiagram(d, font);
    ASSERT_EQ(image.size(), QSize(13, 10));
    EXPECT_EQ(pixel(image, 6, 5), 0xFFFFFFu);
}

TEST(QtTextMetrics, MeasuresTheInstalledFont)
{
    ASSERT_TRUE(DiagramFontFamilyExists(kDefaultDiagramFontFamily)) << "fonts-dejavu-core: run scripts/setup.sh";
    DiagramFont font;
    QtTextMetrics metrics(font);
    const int one = metrics.width(QStringLiteral("W"));
    EXPECT_GT(one, 3);
    EXPECT_EQ(metrics.width(QStringLiteral("WWWW")), 4 * one);
    EXPECT_GT(metrics.height(QStringLiteral("W")), 8);
    font.points = 16;
    EXPECT_GT(QtTextMetrics(font).width(QStringLiteral("WWWW")), 4 * one);
    EXPECT_FALSE(DiagramFontFamilyExists(QStringLiteral("No Such Face 4711")));
}
