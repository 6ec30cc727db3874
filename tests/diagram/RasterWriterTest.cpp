// The bitmap and metafile writers byte by byte on tiny images, the colour
// reduction per depth, the size limits, and independent readers (Qt's BMP
// reader, ImageMagick's identify, file) on what they write.
#include "ReaderTools.h"
#include "diagram/export/BmpWriter.h"
#include "diagram/export/EmfWriter.h"
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

quint32 le32(const QByteArray& b, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uchar(b[at + i]);
    return v;
}
quint16 le16(const QByteArray& b, qsizetype at) { return quint16(uchar(b[at]) | uchar(b[at + 1]) << 8); }

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

// Top row: red, white, silver; bottom row: black, blue, an odd blue-grey.
RasterImage sample()
{
    RasterImage image(3, 2);
    image.rgb = {0xFF0000, 0xFFFFFF, 0xC0C0C0, 0x000000, 0x0000FF, 0x123456};
    return image;
}

struct DepthCase {
    ColourDepth depth;
    quint16 bits;
    quint32 paletteSize;
    quint32 rowBytes;
    // The pixel rows as stored: the bottom row first.
    const char* bottomRow;
    const char* topRow;
    // identify's depth: bits a channel, so 8 for 16 and 24 bits per pixel.
    int channelBits;
};

const DepthCase kDepths[] = {
    // Everything but white is black, the silver too.
    {ColourDepth::BlackWhite, 1, 2, 4, "00000000", "40000000", 1},
    // VGA: navy is nearest to 123456; silver is entry 7.
    {ColourDepth::Colours16, 4, 16, 4, "0c400000", "9f700000", 4},
    // The cube's (0, 95, 95) is nearest to 123456; exact VGA entries first.
    {ColourDepth::Colours256, 8, 256, 4, "000c1700", "090f0700", 8},
    {ColourDepth::Colours65536, 16, 0, 8, "00001f00ca080000", "007cff7f18630000", 8},
    {ColourDepth::Colours16M, 24, 0, 12, "000000ff0000563412000000", "0000ffffffffc0c0c0000000", 8},
};

class PerDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(PerDepth, BitmapFileBytes)
{
    const DepthCase& c = GetParam();
    const QByteArray b = BmpFileBytes(sample(), c.depth);
    const quint32 offset = 14 + 40 + 4 * c.paletteSize;
    ASSERT_EQ(b.size(), qsizetype(offset + 2 * c.rowBytes));
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(b, 2), quint32(b.size()));
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), offset);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u) << "positive height: bottom-up rows";
    EXPECT_EQ(le16(b, 26), 1);
    EXPECT_EQ(le16(b, 28), c.bits);
    EXPECT_EQ(le32(b, 30), 0u) << "uncompressed, 16 bits as 5-5-5";
    EXPECT_EQ(le32(b, 34), 2 * c.rowBytes);
    EXPECT_EQ(le32(b, 38), 3780u);
    EXPECT_EQ(le32(b, 42), 3780u);
    EXPECT_EQ(le32(b, 46), c.paletteSize);
    EXPECT_EQ(le32(b, 50), 0u);
    const std::vector<quint32>& palette = RasterPalette(c.depth);
    ASSERT_EQ(palette.size(), c.paletteSize);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const qsizetype at = 54 + qsizetype(i) * 4;
        EXPECT_EQ(uchar(b[at]), palette[i] & 0xFF) << i;
        EXPECT_EQ(uchar(b[at + 1]), palette[i] >> 8 & 0xFF) << i;
        EXPECT_EQ(uchar(b[at + 2]), palette[i] >> 16 & 0xFF) << i;
        EXPECT_EQ(uchar(b[at + 3]), 0) << i;
    }
    EXPECT_EQ(b.mid(offset, c.rowBytes).toHex(), QByteArray(c.bottomRow));
    EXPECT_EQ(b.mid(offset + c.rowBytes).toHex(), QByteArray(c.topRow));
}

TEST_P(PerDepth, MetafileCarriesTheSameBitmap)
{
    const DepthCase& c = GetParam();
    const QByteArray bmp = BmpFileBytes(sample(), c.depth);
    const QByteArray dib = bmp.mid(14);
    const QByteArray m = MetafileBytes(sample(), c.depth);
    const quint32 infoSize = 40 + 4 * c.paletteSize;
    const quint32 stretchSize = 80 + quint32(dib.size());
    ASSERT_EQ(m.size(), qsizetype(108 + stretchSize + 20));

    // Header: bounds in pixels, inclusive; the frame in 0.01 mm at 96 dpi.
    EXPECT_EQ(le32(m, 0), 1u);
    EXPECT_EQ(le32(m, 4), 108u);
    EXPECT_EQ(m.mid(8, 16).toHex(), hex("00000000000000000200000001000000").toHex());
    EXPECT_EQ(m.mid(24, 16).toHex(), hex("00000000000000004f00000035000000").toHex()) << "79 x 53";
    EXPECT_EQ(m.mid(40, 4), QByteArray(" EMF"));
    EXPECT_EQ(le32(m, 44), 0x10000u);
    EXPECT_EQ(le32(m, 48), quint32(m.size()));
    EXPECT_EQ(le32(m, 52), 3u);
    EXPECT_EQ(le16(m, 56), 1);
    EXPECT_EQ(le32(m, 72), 1920u);
    EXPECT_EQ(le32(m, 80), 508u);
    EXPECT_EQ(le32(m, 100), 508000u);

    // The bitmap, copied to (0, 0) in its own size.
    const qsizetype s = 108;
    EXPECT_EQ(le32(m, s), 81u);
    EXPECT_EQ(le32(m, s + 4), stretchSize);
    EXPECT_EQ(m.mid(s + 8, 16).toHex(), hex("00000000000000000200000001000000").toHex());
    const quint32 placement[] = {0, 0, 0, 0, 3, 2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(le32(m, s + 24 + 4 * i), placement[i]) << i;
    EXPECT_EQ(le32(m, s + 48), 80u);
    EXPECT_EQ(le32(m, s + 52), infoSize);
    EXPECT_EQ(le32(m, s + 56), 80 + infoSize);
    EXPECT_EQ(le32(m, s + 60), quint32(dib.size()) - infoSize);
    EXPECT_EQ(le32(m, s + 64), 0u) << "colours are RGB";
    EXPECT_EQ(le32(m, s + 68), 0x00CC0020u) << "copied as it is";
    EXPECT_EQ(le32(m, s + 72), 3u);
    EXPECT_EQ(le32(m, s + 76), 2u);
    EXPECT_EQ(m.mid(s + 80, dib.size()), dib);

    EXPECT_EQ(m.right(20).toHex(), hex("0e000000140000000000000010000000" "14000000").toHex());
}

INSTANTIATE_TEST_SUITE_P(Depths, PerDepth, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::to_string(info.param.bits) + "Bits"; });

TEST(RasterReduction, ColoursAsEachDepthShowsThem)
{
    struct Case {
        ColourDepth depth;
        quint32 in, shown;
    } cases[] = {
        {ColourDepth::BlackWhite, 0xFFFFFF, 0xFFFFFF},
        {ColourDepth::BlackWhite, 0xFEFFFF, 0x000000},   // a light period line stays visible
        {ColourDepth::BlackWhite, 0xC0C0C0, 0x000000},
        {ColourDepth::Colours16, 0x7F0101, 0x800000},
        {ColourDepth::Colours16, 0xD0D0D0, 0xC0C0C0},
        {ColourDepth::Colours16, 0xF0F0F0, 0xFFFFFF},
        {ColourDepth::Colours16, 0x606060, 0x808080},
        {ColourDepth::Colours256, 0x123456, 0x005F5F},
        {ColourDepth::Colours256, 0x303030, 0x303030},   // one of the greys
        {ColourDepth::Colours256, 0x4080FF, 0x5F87FF},
        {ColourDepth::Colours65536, 0x123456, 0x103152},
        {ColourDepth::Colours65536, 0xFFFFFF, 0xFFFFFF},
        {ColourDepth::Colours65536, 0x070707, 0x000000},
        {ColourDepth::Colours16M, 0x123456, 0x123456},
        {ColourDepth::Colours16M, 0xFF123456, 0x123456},   // no alpha
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReducedColour(c.depth, c.in), c.shown) << BitsPerPixel(c.depth) << " bits, " << std::hex << c.in;

    RasterImage image(2, 1);
    image.rgb = {0x123456, 0xFEFEFE};
    RasterImage expected(2, 1);
    expected.rgb = {0x000000, 0x000000};
    EXPECT_EQ(ReduceImage(image, ColourDepth::BlackWhite), expected);
}

TEST(RasterReduction, EveryPaletteEntryIsKept)
{
    for (ColourDepth depth : {ColourDepth::Colours16, ColourDepth::Colours256}) {
        const std::vector<quint32>& palette = RasterPalette(depth);
        for (quint32 colour : palette) {
            EXPECT_EQ(palette[std::size_t(PaletteIndex(depth, colour))], colour) << std::hex << colour;
            EXPECT_EQ(ReducedColour(depth, colour), colour);
        }
    }
}

TEST(RasterSize, EmptyAndTooLargeImagesAreRefused)
{
    EXPECT_EQ(BmpSizeProblem(0, 5, ColourDepth::Colours16M),
              QStringLiteral("The diagram image is empty: no bitmap file is written"));
    EXPECT_EQ(MetafileSizeProblem(5, 0, ColourDepth::Colours16M),
              QStringLiteral("The diagram image is empty: no metafile is written"));
    EXPECT_EQ(BmpSizeProblem(100000, 100000, ColourDepth::Colours16M),
              QStringLiteral("The diagram image of 100000 x 100000 pixels is too large for a bitmap file with 24 bits "
                             "per pixel"));
    // A row of 32 black/white pixels takes 4 bytes; the files must stay
    // below 2 GiB, headers (62 and 256 bytes) included.
    EXPECT_EQ(BmpSizeProblem(32, 536870896, ColourDepth::BlackWhite), std::nullopt);
    EXPECT_NE(BmpSizeProblem(32, 536870897, ColourDepth::BlackWhite), std::nullopt);
    EXPECT_EQ(MetafileSizeProblem(32, 536870847, ColourDepth::BlackWhite), std::nullopt);
    EXPECT_EQ(MetafileSizeProblem(32, 536870848, ColourDepth::BlackWhite),
              QStringLiteral("The diagram image of 32 x 536870848 pixels is too large for a metafile with 1 bit per "
                             "pixel"));
    // Width times bits beyond 32 bits.
    EXPECT_NE(BmpSizeProblem(2000000000, 1, ColourDepth::Colours16M), std::nullopt);
}

TEST(RasterSize, MetafileFrameRoundsHalfToEven)
{
    // 12 pixels are 317.5 hundredths of a millimetre, 36 pixels 952.5.
    for (auto [pixels, hundredths] : {std::pair{12, 318u}, std::pair{36, 952u}, std::pair{96, 2540u}}) {
        const QByteArray m = MetafileBytes(RasterImage(pixels, 1), ColourDepth::BlackWhite);
        EXPECT_EQ(le32(m, 32), hundredths) << pixels;
    }
}

TEST(RasterFiles, FailuresLeaveNoFileAndKeepTheOldOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("missing/d.bmp"));
    const auto failure = WriteBmpFile(missing, sample(), ColourDepth::Colours16M);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith(QStringLiteral("Cannot write ") + QDir::toNativeSeparators(missing) + ": "))
        << failure->toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    const QString old = dir.filePath(QStringLiteral("old.emf"));
    EXPECT_EQ(WriteMetafile(old, sample(), ColourDepth::Colours16), std::nullopt);
    EXPECT_EQ(WriteMetafile(old, RasterImage(), ColourDepth::Colours16),
              QStringLiteral("The diagram image is empty: no metafile is written"));
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), MetafileBytes(sample(), ColourDepth::Colours16));
}

// An image whose rows need padding at every depth, with colours that each
// depth reduces differently.
RasterImage readerSample()
{
    RasterImage image(37, 5);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixel(x, y) = (x + y) % 4 == 0 ? 0xFFFFFF : quint32(x * 0x060301 + y * 0x203040) & 0xFFFFFF;
    return image;
}

TEST_P(PerDepth, ReadersTakeTheFiles)
{
    const DepthCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const RasterImage image = readerSample();
    const QString bmp = dir.filePath(QStringLiteral("d.bmp"));
    const QString emf = dir.filePath(QStringLiteral("d.emf"));
    ASSERT_EQ(WriteBmpFile(bmp, image, c.depth), std::nullopt);
    ASSERT_EQ(WriteMetafile(emf, image, c.depth), std::nullopt);

    // Qt reads back every pixel as the depth shows it.
    const QImage read(bmp, "BMP");
    ASSERT_FALSE(read.isNull());
    ASSERT_EQ(read.size(), QSize(image.width, image.height));
    const RasterImage shown = ReduceImage(image, c.depth);
    // Readers widen 5-bit channels in their own ways; the 5 bits must agree.
    const quint32 mask = c.depth == ColourDepth::Colours65536 ? 0xF8F8F8 : 0xFFFFFF;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            ASSERT_EQ(read.pixel(x, y) & mask, shown.pixel(x, y) & mask) << x << "," << y;

    const ToolRun identify = runTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%m %w %h %z %[type]"), bmp});
    ASSERT_EQ(identify.exitCode, 0) << identify.output.toStdString();
    EXPECT_TRUE(identify.output.startsWith(QStringLiteral("BMP3 37 5 %1 ").arg(c.channelBits)))
        << identify.output.toStdString();
    EXPECT_EQ(identify.output.endsWith(QStringLiteral(" Bilevel")), c.depth == ColourDepth::BlackWhite)
        << identify.output.toStdString();

    const ToolRun bmpType = runTool(QStringLiteral("file"), {QStringLiteral("-b"), bmp});
    EXPECT_TRUE(bmpType.output.startsWith(QStringLiteral("PC bitmap, Windows 3.x format, 37 x 5 x %1").arg(c.bits)))
        << bmpType.output.toStdString();
    const ToolRun emfType = runTool(QStringLiteral("file"), {QStringLiteral("-b"), emf});
    EXPECT_TRUE(emfType.output.startsWith(QStringLiteral("Windows Enhanced Metafile"))) << emfType.output.toStdString();
}

} // namespace
