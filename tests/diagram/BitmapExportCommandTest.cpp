// belvanto-cli export --bmp and --emf on a generated, laid-out project: the
// files at each number of colours, read back by Qt, identify and file.
#include "ReaderTools.h"
#include "cli/CliContext.h"
#include "cli/CliRunner.h"
#include "diagram/export/BmpWriter.h"
#include "diagram/export/JpegWriter.h"
#include "diagram/qt/DiagramPainter.h"
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

class BitmapExportCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        auto r = runCliCaptured({"simulate", project(), "--contexts", "40", "--seeds", "11,12,13,14,15,16,17"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        r = runCliCaptured({"layout", project()});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    static QString project() { return dir->filePath(QStringLiteral("Dig.bvp")); }
    static QString file(const QString& name) { return dir->filePath(name); }

    static QTemporaryDir* dir;
};

QTemporaryDir* BitmapExportCommand::dir = nullptr;

// The master image as the window paints it, as plain pixels.
RasterImage masterImage(const DiagramDrawing& drawing)
{
    const QImage image = RenderDiagram(drawing, DiagramFont{}).convertToFormat(QImage::Format_RGB32);
    RasterImage out(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) out.pixel(x, y) = image.pixel(x, y) & 0xFFFFFF;
    return out;
}

struct ColoursCase {
    const char* colours;
    ColourDepth depth;
    int channelBits;   // identify's depth
};

const ColoursCase kColours[] = {
    {"2", ColourDepth::BlackWhite, 1},   {"16", ColourDepth::Colours16, 4},     {"256", ColourDepth::Colours256, 8},
    {"65536", ColourDepth::Colours65536, 8}, {"16M", ColourDepth::Colours16M, 8},
};

TEST_F(BitmapExportCommand, BitmapAndMetafileAtEveryNumberOfColours)
{
    const DiagramDrawing colour = storedDrawing(project());
    DrawState bw;
    bw.blackWhite = true;
    const DiagramDrawing blackWhite = storedDrawing(project(), bw);
    const int width = colour.geometry.width(), height = colour.geometry.height();
    ASSERT_GT(width, 0);
    const QString size = QStringLiteral("%1 %2").arg(width).arg(height);

    for (const ColoursCase& c : kColours) {
        SCOPED_TRACE(c.colours);
        const int bits = BitsPerPixel(c.depth);
        const QString bmp = file(QStringLiteral("d%1.bmp").arg(c.colours));
        auto r = runCliCaptured({"export", project(), "--bmp", bmp, "--colours", c.colours});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("information: Diagram was exported successfully to file \n  %1\n")
                             .arg(QDir::toNativeSeparators(bmp)));
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Image: %1 x %2 pixels, %3 bit%4 per pixel\n")
                                         .arg(width)
                                         .arg(height)
                                         .arg(bits)
                                         .arg(bits == 1 ? "" : "s")))
            << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("Harris diagram layout created on "))) << r.out.toStdString();

        // Two colours draw the diagram in black and white first.
        const RasterImage master = masterImage(c.depth == ColourDepth::BlackWhite ? blackWhite : colour);
        QFile written(bmp);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), BmpFileBytes(master, c.depth));

        const ToolRun identify = runTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%w %h %z %[type]"), bmp});
        ASSERT_EQ(identify.exitCode, 0) << identify.output.toStdString();
        EXPECT_TRUE(identify.output.startsWith(size + QStringLiteral(" %1 ").arg(c.channelBits))) << identify.output.toStdString();
        EXPECT_EQ(identify.output.endsWith(QStringLiteral(" Bilevel")), c.depth == ColourDepth::BlackWhite)
            << identify.output.toStdString();
        const ToolRun bmpType = runTool(QStringLiteral("file"), {QStringLiteral("-b"), bmp});
        EXPECT_TRUE(bmpType.output.startsWith(
            QStringLiteral("PC bitmap, Windows 3.x format, %1 x %2 x %3").arg(width).arg(height).arg(bits)))
            << bmpType.output.toStdString();

        const QString emf = file(QStringLiteral("d%1.wmf").arg(c.colours));
        r = runCliCaptured({"export", project(), "--emf", emf, "--colours", c.colours});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const ToolRun emfType = runTool(QStringLiteral("file"), {QStringLiteral("-b"), emf});
        EXPECT_TRUE(emfType.output.startsWith(QStringLiteral("Windows Enhanced Metafile"))) << emfType.output.toStdString();
        QFile metafile(emf);
        ASSERT_TRUE(metafile.open(QIODevice::ReadOnly));
        EXPECT_TRUE(metafile.readAll().contains(BmpFileBytes(master, c.depth).mid(14)))
            << "the metafile holds the bitmap's pixels";
    }
}

// The writers get the image a strip of rows at a time, painted on its own;
// whatever the strips, the files are the ones the whole image gives, and a
// printed tile is the same part of the whole image.
TEST_F(BitmapExportCommand, StripsAndTilesPaintTheWholeImage)
{
    const DiagramDrawing drawing = storedDrawing(project());
    const DiagramFont font;
    const RasterImage master = masterImage(drawing);
    const int height = master.height;
    ASSERT_GT(height, 20);
    const QString wholeJpeg = file(QStringLiteral("whole.jpg"));
    ASSERT_EQ(WriteJpegFile(wholeJpeg, master, 75, false), std::nullopt);
    QFile whole(wholeJpeg);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray jpegBytes = whole.readAll();

    for (const int rows : {1, 7, height - 1, height, height + 5}) {
        SCOPED_TRACE(rows);
        PaintedRows strips(drawing, font, rows);
        ASSERT_TRUE(strips.ready());
        for (const ColourDepth depth : {ColourDepth::BlackWhite, ColourDepth::Colours16M})
            EXPECT_EQ(WrittenBytes([&](QIODevice& out) { return WriteBmp(out, strips, depth); }),
                      BmpFileBytes(master, depth));
        const QString jpeg = file(QStringLiteral("strips%1.jpg").arg(rows));
        ASSERT_EQ(WriteJpegFile(jpeg, strips, 75, false), std::nullopt);
        QFile f(jpeg);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), jpegBytes);
    }

    const QImage image = RenderDiagram(drawing, font);
    const int w = image.width(), h = image.height();
    for (const PixelRect part : {PixelRect{0, 0, w / 2, h / 3}, PixelRect{w / 3, h / 3, w, h}, PixelRect{0, 0, w, h}}) {
        const QImage tile = RenderDiagramPart(drawing, font, part);
        EXPECT_EQ(tile, image.copy(part.left, part.top, part.right - part.left, part.bottom - part.top))
            << part.left << "," << part.top << " .. " << part.right << "," << part.bottom;
    }
}

TEST_F(BitmapExportCommand, DrawingOptionsAndRefusals)
{
    // --bw draws in black and white, still in 24 bits.
    const QString bw = file(QStringLiteral("bw.bmp"));
    auto r = runCliCaptured({"export", project(), "--bmp", bw, "--bw", "--labels", "excavation"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    DrawState state;
    state.blackWhite = true;
    state.contents = BoxContents::ExcavationName;
    QFile written(bw);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), BmpFileBytes(masterImage(storedDrawing(project(), state)), ColourDepth::Colours16M));

    struct Case {
        QStringList args;
        int code;
        const char* err;
    } cases[] = {
        {{"--bmp", file("x.bmp"), "--colours", "8"}, Usage,
         "error: unknown --colours '8': use 2, 16, 256, 65536 or 16M\n"},
        {{"--svg", file("x.svg"), "--colours", "16"}, Usage, "error: --colours requires --bmp or --emf\n"},
        {{"--dot", file("x.dot"), "--thematic"}, Usage, "error: --thematic requires --svg, --jpeg, --pdf, --bmp or --emf\n"},
        {{"--bmp", file("x.bmp"), "--emf", file("x.emf")}, Usage,
         "error: export takes P.bvp and one of --dot FILE, --svg FILE, --jpeg FILE, --pdf FILE, --bmp FILE, --emf FILE, "
         "--csv FILE, --relations FILE, --lst FILE, --dbf FILE, --txt FILE, --legend FILE\n"},
        {{"--emf", file("x.emf"), "--font", "No Such Face 4711,8"}, Failed,
         "error: The font No Such Face 4711 is not installed\n"},
    };
    for (const Case& c : cases) {
        r = runCliCaptured(QStringList{"export", project()} + c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err.toStdString(), c.err);
    }
    EXPECT_FALSE(QFile::exists(file("x.bmp")));
    EXPECT_FALSE(QFile::exists(file("x.emf")));

    r = runCliCaptured({"export", project(), "--emf", file("missing/x.emf")});
    EXPECT_EQ(r.code, Failed);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error: Cannot write "))) << r.err.toStdString();
}

} // namespace
