// A generated project of 1,000 contexts, laid out and exported by
// belvanto-cli, read back by xmllint and rsvg-convert.
#include "ReaderTools.h"
#include "cli/CliRunner.h"
#include "diagram/qt/DiagramPainter.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

TEST(SvgEndToEnd, GeneratedProjectOfAThousandContexts)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString project = dir.filePath(QStringLiteral("Dig.bvp"));
    const QString svg = dir.filePath(QStringLiteral("Dig.svg"));
    auto r = runCliCaptured({"simulate", project, "--contexts", "1000", "--cubes", "2", "--seeds", "11,12,13,14,15,16,17"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"layout", project});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"export", project, "--svg", svg});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    const DiagramDrawing drawing = storedDrawing(project);
    std::vector<ExpectedFill> fills;
    int boxes = 0;
    for (const UnitItem& u : drawing.units) {
        if (u.dummy) continue;
        ++boxes;
        // A few boxes spread over the diagram, each with its stored colour.
        if (boxes % 97 == 1)
            fills.push_back({u.record->Excavation + QLatin1Char(':') + u.record->Unitname,
                             quint32(u.record->Colour.value_or(16777215))});
    }
    EXPECT_GE(boxes, 1000);
    ASSERT_GE(fills.size(), 5u);
    bool coloured = false;
    for (const ExpectedFill& fill : fills) coloured = coloured || fill.colour != 16777215;
    EXPECT_TRUE(coloured) << "the generator gives its contexts colours";
    checkWithReaders(svg, drawing, fills);

    // The window's own raster shows the same colours at the same points.
    const QImage image = RenderDiagram(drawing, DiagramFont{});
    ASSERT_EQ(image.size(), QSize(int(drawing.geometry.width()), int(drawing.geometry.height())));
    if (const QString keep = qEnvironmentVariable("BELVANTO_KEEP_RENDERS"); !keep.isEmpty())
        image.save(keep + QStringLiteral("/Dig.painter.png"));
    for (const UnitItem& u : drawing.units) {
        if (u.dummy) continue;
        const quint32 c = quint32(u.record->Colour.value_or(16777215));
        const QRgb expected = qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
        ASSERT_EQ(image.pixel(int(u.rect.left + 3), int((u.rect.top + u.rect.bottom) / 2)), expected)
            << u.record->Unitname.toStdString();
    }
}

// The same with groups of ten consecutive contexts, ten groups to an upper
// group, and the three periods in bands: every box drawn inside the frame of
// its group, every group's frame inside its upper group's, the two dividing
// lines between the bands.
TEST(SvgEndToEnd, GroupedProjectInPeriodBands)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString project = dir.filePath(QStringLiteral("Dig.bvp"));
    const QString svg = dir.filePath(QStringLiteral("Grouped.svg"));
    constexpr int kContexts = 600;
    auto r = runCliCaptured({"simulate", project, "--contexts", QString::number(kContexts), "--periods", "3", "--seeds",
                             "11,12,13,14,15,16,17"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    auto contextName = [](int i) { return QStringLiteral("F%1").arg(i, 3, 10, QLatin1Char('0')); };
    auto groupName = [](int g) { return QStringLiteral("G%1").arg(g, 2, 10, QLatin1Char('0')); };
    auto upperName = [](int u) { return QStringLiteral("U%1").arg(u); };
    QStringList add{"unit", "add", project}, part{"rel", "add", project};
    for (int g = 1; g <= kContexts / 10; ++g) {
        add << groupName(g);
        part << groupName(g) << "p" << upperName((g - 1) / 10 + 1);
    }
    for (int u = 1; u <= kContexts / 100; ++u) add << upperName(u);
    for (int i = 1; i <= kContexts; ++i) part << contextName(i) << "p" << groupName((i - 1) / 10 + 1);
    r = runCliCaptured(add + QStringList{"--class", "group"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured(part);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"layout", project, "--groups", "--periods"});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    r = runCliCaptured({"export", project, "--svg", svg});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    const DiagramDrawing drawing = storedDrawing(project);
    EXPECT_TRUE(drawing.layout.parameters.groups);
    EXPECT_EQ(drawing.periodLines.size(), 2u);
    QHash<QString, Rect> rectOf;
    std::vector<ExpectedFill> fills;
    for (const UnitItem& u : drawing.units) {
        if (u.dummy) continue;
        rectOf.insert(u.record->Unitname, u.rect);
        if (u.record->Unitclass == QStringLiteral("C") && rectOf.size() % 53 == 1)
            fills.push_back({u.record->Excavation + QLatin1Char(':') + u.record->Unitname,
                             quint32(u.record->Colour.value_or(16777215))});
    }
    auto inside = [](const Rect& inner, const Rect& outer) {
        return inner.left > outer.left && inner.right < outer.right && inner.top > outer.top && inner.bottom < outer.bottom;
    };
    for (int i = 1; i <= kContexts; ++i) {
        ASSERT_TRUE(rectOf.contains(contextName(i)));
        EXPECT_TRUE(inside(rectOf[contextName(i)], rectOf[groupName((i - 1) / 10 + 1)])) << contextName(i).toStdString();
    }
    for (int g = 1; g <= kContexts / 10; ++g)
        EXPECT_TRUE(inside(rectOf[groupName(g)], rectOf[upperName((g - 1) / 10 + 1)])) << groupName(g).toStdString();
    ASSERT_GE(fills.size(), 5u);
    checkWithReaders(svg, drawing, fills);
}
