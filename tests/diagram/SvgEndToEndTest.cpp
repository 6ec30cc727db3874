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
