// The JPEG writer, read back by ImageMagick's identify.
#include "ReaderTools.h"
#include "diagram/export/JpegWriter.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include <QDir>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

// A white picture with a black frame and a red square: the colours a
// diagram has.
RasterImage sample(int width, int height)
{
    RasterImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            quint32& p = image.pixel(x, y);
            if (x == 0 || y == 0 || x == width - 1 || y == height - 1) p = 0x000000;
            else if (x > width / 4 && x < width / 2 && y > height / 4 && y < height / 2) p = 0xFF0000;
        }
    return image;
}

QString identify(const QString& path)
{
    const ToolRun run = runTool(QStringLiteral("identify"),
                                {QStringLiteral("-format"), QStringLiteral("%[colorspace] %Q %wx%h"), path});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    return run.output.trimmed();
}

TEST(JpegWriter, ReadersSeeTheColourSpaceQualityAndSize)
{
    TempDir dir;
    struct Case {
        bool grayscale;
        int quality;
        const char* expected;
    };
    const Case cases[] = {
        {true, 75, "Gray 75 120x80"},
        {false, 75, "sRGB 75 120x80"},
        {false, 1, "sRGB 1 120x80"},
        {true, 100, "Gray 100 120x80"},
    };
    for (const Case& t : cases) {
        const QString path = dir.file(QStringLiteral("q%1%2.jpg").arg(t.quality).arg(t.grayscale ? "g" : "c"));
        ASSERT_EQ(WriteJpegFile(path, sample(120, 80), t.quality, t.grayscale), std::nullopt);
        EXPECT_EQ(identify(path), QString::fromUtf8(t.expected));
    }
}

TEST(JpegWriter, RefusalsLeaveTheOldFileWhole)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("diagram.jpg"));
    ASSERT_EQ(WriteJpegFile(path, sample(40, 30), 75, false), std::nullopt);
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    EXPECT_EQ(WriteJpegFile(path, sample(40, 30), 0, false), QStringLiteral("Entry must be in the range 1..100"));
    EXPECT_EQ(WriteJpegFile(path, sample(40, 30), 101, true), QStringLiteral("Entry must be in the range 1..100"));
    EXPECT_EQ(WriteJpegFile(path, RasterImage(), 75, false), QStringLiteral("The diagram image is empty"));
    // Too large for the format: refused before anything is painted or
    // compressed (libjpeg would stop only at the first row).
    for (const auto& [w, h] : {std::pair{70000, 1}, std::pair{1, 65501}})
        EXPECT_EQ(WriteJpegFile(path, RasterImage(w, h), 75, false),
                  QStringLiteral("The diagram image of %1 x %2 pixels is too large for a JPEG file, which holds at "
                                 "most 65500 pixels a side")
                      .arg(w)
                      .arg(h));

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("diagram.jpg")});
}

TEST(JpegWriter, FileErrorsNameTheFile)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("missing/diagram.jpg"));
    const auto failure = WriteJpegFile(path, sample(10, 10), 75, false);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith(QStringLiteral("Cannot write ") + QDir::toNativeSeparators(path)));
}

TEST(JpegQualityEntry, AcceptsOneToHundredAndExplainsTheRest)
{
    struct Case {
        const char* text;
        std::optional<int> value;
        const char* message;
    };
    const Case cases[] = {
        {"75", 75, nullptr},
        {"1", 1, nullptr},
        {"100", 100, nullptr},
        {"0", std::nullopt, "Entry must be in the range 1..100"},
        {"101", std::nullopt, "Entry must be in the range 1..100"},
        {"-5", std::nullopt, "Entry must be in the range 1..100"},
        {"high", std::nullopt, "Entry cannot be converted to an integer number."},
        {"", std::nullopt, "Entry cannot be converted to an integer number."},
    };
    for (const Case& t : cases) {
        ScriptedUi ui;
        if (t.message) ui.expect(MessageKind::Error, QString::fromUtf8(t.message), Buttons::Ok, 146);
        EXPECT_EQ(CheckJpegQuality(ui, QString::fromUtf8(t.text)), t.value) << t.text;
        ui.verifyDone();
    }
}

} // namespace
