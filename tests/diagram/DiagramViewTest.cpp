// The diagram window's zoom and the mapping between displayed and image
// pixels that its clicks go through.
#include "DiagramFixture.h"
#include "diagram/DiagramView.h"
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

TEST(DiagramZoom, FactorsSizesAndLimits)
{
    DiagramView view;
    view.setImageSize(1001, 333);
    EXPECT_EQ(view.infoText(), QStringLiteral("Image size:  1001 x 333 pixels"));
    EXPECT_TRUE(view.zoomIn());
    EXPECT_TRUE(view.zoomIn());
    EXPECT_FALSE(view.zoomIn()) << "4 is the maximum";
    EXPECT_EQ(view.factor(), 4.0);
    EXPECT_EQ(view.displayedWidth(), 4004);
    std::vector<double> factors;
    while (view.zoomOut()) factors.push_back(view.factor());
    EXPECT_EQ(factors, (std::vector<double>{2, 1, 0.5, 0.25, 0.125, 0.0625, 0.03125, 0.02}));
    // 1001 x 0.02 = 20.02, 333 x 0.02 = 6.66.
    EXPECT_EQ(view.displayedWidth(), 20);
    EXPECT_EQ(view.displayedHeight(), 7);
    EXPECT_EQ(view.infoText(),
              QStringLiteral("Original size:  1001 x 333 pixels\r\nCurrently displayed: 20 x 7 pixels"));
    view.zoomActualSize();
    EXPECT_EQ(view.factor(), 1.0);
    EXPECT_EQ(view.displayedWidth(), 1001);
}

TEST(DiagramZoom, ANewImageFollowsUntilTheFirstZoomThenIsStretched)
{
    DiagramView view;
    view.setImageSize(400, 300);
    view.setImageSize(500, 320);
    EXPECT_EQ(view.displayedWidth(), 500);
    view.zoomOut();
    EXPECT_EQ(view.displayedWidth(), 250);
    // A larger font: the image grows, the displayed size stays.
    view.setImageSize(600, 400);
    EXPECT_EQ(view.displayedWidth(), 250);
    EXPECT_EQ(view.displayedHeight(), 160);
    EXPECT_EQ(view.toImage({125, 80}), QPointF(300, 200));
    EXPECT_EQ(view.toDisplayed({300, 200}), QPointF(125, 80));
}

TEST(DiagramZoom, TheMiddleStaysInTheMiddle)
{
    // A view of 200 pixels over 1000 displayed, middle at 500: at 2000 the
    // middle is at 1000, the scroll position 900.
    EXPECT_EQ(KeptScrollPosition(500, 1000, 2000, 200), 900);
    EXPECT_EQ(KeptScrollPosition(250, 1000, 500, 100), 75);
}

TEST(DiagramHitTest, BoxesFoundAfterZoomsAndAFontChange)
{
    const LayoutSnapshot snapshot = threeByThree();
    DiagramDrawing drawing = draw(snapshot);
    DiagramView view;
    view.setImageSize(drawing.geometry.width(), drawing.geometry.height());
    view.zoomIn();
    view.zoomOut();
    view.zoomOut();
    // A wider font makes a larger image, shown at the zoomed size.
    FakeMetrics wide;
    for (const UnitRecord& u : snapshot.units) wide.widths.insert(u.Unitname, 90);
    drawing = BuildDiagram(snapshot, {}, wide);
    view.setImageSize(drawing.geometry.width(), drawing.geometry.height());
    for (const UnitItem& item : drawing.units) {
        const QPointF centre((item.rect.left + item.rect.right) / 2.0, (item.rect.top + item.rect.bottom) / 2.0);
        const UnitItem* hit = UnitAt(drawing, view.toImage(view.toDisplayed(centre)));
        ASSERT_TRUE(hit) << item.record->Unitname.toStdString();
        EXPECT_EQ(hit->record, item.record);
    }
    // Left of the first column and below the last level: nothing.
    EXPECT_FALSE(UnitAt(drawing, {0, 0}));
    EXPECT_FALSE(UnitAt(drawing, {double(drawing.geometry.ColumnX(1)), double(drawing.geometry.height() + 5)}));
}

TEST(DiagramHitTest, AGroupOnlyAtItsTopLeftCell)
{
    LayoutParameters p = parameters(2, 3);
    p.groups = true;
    const DiagramDrawing drawing = draw(layout(p, {group("G", 1, 2, 1, 3, 1), box("a", 1, 2), box("b", 2, 3)}));
    const DiagramGeometry& g = drawing.geometry;
    auto at = [&](qint32 column, qint32 level) {
        const UnitItem* hit = UnitAt(drawing, {double(g.ColumnX(column) + 2), double(g.LevelY(level) + 2)});
        return hit ? hit->record->Unitname : QStringLiteral("-");
    };
    EXPECT_EQ(at(1, 1), QStringLiteral("G"));
    EXPECT_EQ(at(2, 1), QStringLiteral("-"));
    EXPECT_EQ(at(1, 2), QStringLiteral("a"));
    EXPECT_EQ(at(2, 3), QStringLiteral("b"));
}

} // namespace
