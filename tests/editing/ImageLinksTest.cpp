#include "editing/ImageLinks.h"
#include "core/UserInterface.h"
#include "diagram/export/JpegWriter.h"
#include "store/ProjectFixture.h"
#include "support/TempDir.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace belvanto;
using belvanto::testing::TempDir;
using Outcome = PictureLookup::Outcome;

namespace {

void touch(const QString& path, const QByteArray& bytes = QByteArray("x"))
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// A JPEG of w x h pixels, left half red, right half blue.
QByteArray jpegBytes(const TempDir& dir, int w, int h)
{
    RasterImage image(w, h, 0xFF0000);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x) image.pixel(x, y) = 0x0000FF;
    const QString path = dir.file(QStringLiteral("made.jpg"));
    EXPECT_FALSE(WriteJpegFile(path, image, 100, false));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

TEST(ImageNumbers, SplitAtTheSeparatorWithThePrefixInFront)
{
    struct Case {
        const char* numbers;
        const char* separator;
        const char* prefix;
        QStringList entries;
    };
    const Case cases[] = {
        {"12; 13;14", ";", "P", {"P12", "P13", "P14"}},
        {"12", ";", "", {"12"}},
        // A separator at the very start is dropped, and blanks after it stay.
        {";12;13", ";", "", {"12", "13"}},
        {"; 12", ";", "", {" 12"}},
        {";;12", ";", "", {"12"}},
        // Blanks after a separator go, those before it and at the start stay.
        {" 12 ;   13", ";", "", {" 12 ", "13"}},
        {"12;\t13", ";", "", {"12", "13"}},
        // Two separators in a row: the second is at the start of the rest.
        {"12;;13", ";", "", {"12", "13"}},
        // An empty remainder is no entry.
        {"12;", ";", "", {"12"}},
        {"12;   ", ";", "", {"12"}},
        {";", ";", "P", {}},
        // No separator: the whole text is one entry, separators and all.
        {"12; 13", "", "P", {"P12; 13"}},
        {"12,13", ",", "Z-", {"Z-12", "Z-13"}},
        {"a/b;c", ";", "", {"a/b", "c"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitImageNumbers(QString::fromUtf8(c.numbers), QString::fromUtf8(c.separator),
                                    QString::fromUtf8(c.prefix)),
                  c.entries)
            << c.numbers << " / " << c.separator;
}

TEST(ImageNumbers, NumbersThenPathMustBeThere)
{
    struct Case {
        ImageKind kind;
        const char* numbers;
        const char* path;
        const char* message;   // "" for none
    };
    const Case cases[] = {
        {ImageKind::Photo, "", "", "Please enter photo numbers first."},
        {ImageKind::Drawing, "", "/x", "Please enter drawing numbers first."},
        {ImageKind::Photo, "12", "", "Please enter photo path first."},
        {ImageKind::Drawing, "12", "", "Please enter drawing path first."},
        {ImageKind::Drawing, "12", "/x", ""},
    };
    for (const Case& c : cases) {
        ScriptedUi ui;
        const QString message = QString::fromUtf8(c.message);
        if (!message.isEmpty()) ui.expectWarning(message);
        EXPECT_EQ(CheckImageLinkInput(ui, c.kind, QString::fromUtf8(c.numbers), QString::fromUtf8(c.path)),
                  message.isEmpty())
            << c.message;
        ui.verifyDone();
    }
}

TEST(FindPicture, ExtensionsInTheirOrderWithoutRegardToCase)
{
    struct Case {
        QStringList files;
        const char* entry;
        Outcome outcome;
        const char* found;   // the file's name
    };
    const Case cases[] = {
        {{"P12.jpg"}, "P12", Outcome::Found, "P12.jpg"},
        {{"p12.JPG"}, "P12", Outcome::Found, "p12.JPG"},
        {{"P12.Jpeg", "P12.bmp"}, "p12", Outcome::Found, "P12.Jpeg"},
        {{"P12.ico", "P12.wmf", "P12.emf", "P12.bmp"}, "P12", Outcome::Found, "P12.bmp"},
        {{"P12.ico", "P12.wmf"}, "P12", Outcome::Found, "P12.wmf"},
        {{"P12.ico"}, "P12", Outcome::Found, "P12.ico"},
        // The name spelt as looked for wins over one that differs in case.
        {{"P12.JPG", "P12.jpg"}, "P12", Outcome::Found, "P12.jpg"},
        // A picture of another format, or none at all.
        {{"P13.tif"}, "P13", Outcome::OtherFormat, "P13.tif"},
        {{"P13.TIF", "P130.jpg"}, "p13", Outcome::OtherFormat, "P13.TIF"},
        {{"P130.jpg", "P13"}, "P13", Outcome::NotFound, ""},
        {{}, "P13", Outcome::NotFound, ""},
        // Names are text: "*" and "?" match only themselves.
        {{"P1x.jpg"}, "P1?", Outcome::NotFound, ""},
        {{"P12.jpg"}, "P*", Outcome::NotFound, ""},
        {{"P*.jpg", "P12.jpg"}, "P*", Outcome::Found, "P*.jpg"},
        {{"P?.png"}, "P?", Outcome::OtherFormat, "P?.png"},
        {{"P12.jpg"}, "", Outcome::NotFound, ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const QString& file : c.files) touch(dir.file(file));
        QDir(dir.path()).mkdir(QStringLiteral("P13.jpg.d"));
        const PictureLookup lookup = FindPicture(dir.path(), QString::fromUtf8(c.entry));
        EXPECT_EQ(lookup.outcome, c.outcome) << c.entry << " in " << c.files.join(QLatin1Char(' ')).toStdString();
        const QString found = QString::fromUtf8(c.found);
        EXPECT_EQ(lookup.file, found.isEmpty() ? QString() : dir.file(found)) << c.entry;
    }
}

TEST(FindPicture, WhatTheImageAreaShows)
{
    TempDir dir;
    touch(dir.file(QStringLiteral("P13.tif")));
    touch(dir.file(QStringLiteral("P14.jpg")));
    EXPECT_EQ(PictureLookupText(FindPicture(dir.path(), QStringLiteral("P13"))), QStringLiteral("Picture format not supported"));
    EXPECT_EQ(PictureLookupText(FindPicture(dir.path(), QStringLiteral("P15"))), QStringLiteral("No picture found"));
    EXPECT_EQ(PictureLookupText(FindPicture(dir.path(), QStringLiteral("P14"))), QString());
    // An entry naming a sub-folder is looked for there.
    QDir(dir.path()).mkdir(QStringLiteral("North"));
    touch(dir.file(QStringLiteral("North/P16.bmp")));
    EXPECT_EQ(FindPicture(dir.path(), QStringLiteral("North/P16")).file, dir.file(QStringLiteral("North/P16.bmp")));
}

TEST(FindPicture, AMissingFolderIsSaidWithoutLookingFurther)
{
    TempDir dir;
    const QString gone = dir.file(QStringLiteral("gone"));
    const PictureLookup lookup = FindPicture(gone, QStringLiteral("P12"));
    EXPECT_EQ(lookup.outcome, Outcome::NoFolder);
    EXPECT_EQ(PictureLookupText(lookup), QStringLiteral("Picture folder %1 not found").arg(QDir::toNativeSeparators(gone)));
}

TEST(FindPicture, ShowOpensPicturesOnly)
{
    TempDir dir;
    for (const char* name : {"P12.jpg", "P12.JPEG", "P12.Bmp", "P12.emf", "P12.wmf", "P12.ico", "P12.sh", "P12.desktop",
                             "P12.tif", "P12"})
        touch(dir.file(QString::fromUtf8(name)));
    QDir(dir.path()).mkdir(QStringLiteral("folder.jpg"));
    for (const char* name : {"P12.jpg", "P12.JPEG", "P12.Bmp", "P12.emf", "P12.wmf", "P12.ico"})
        EXPECT_TRUE(IsPictureFile(dir.file(QString::fromUtf8(name)))) << name;
    for (const char* name : {"P12.sh", "P12.desktop", "P12.tif", "P12", "folder.jpg", "missing.jpg"})
        EXPECT_FALSE(IsPictureFile(dir.file(QString::fromUtf8(name)))) << name;
}

TEST(FitPicture, ScaledIntoTheImageAreaRoundedHalfToEven)
{
    struct Case {
        int width, height;
        std::optional<PictureSize> shown;
    };
    const Case cases[] = {
        {372, 404, PictureSize{372, 404}},
        {744, 404, PictureSize{372, 202}},
        {186, 101, PictureSize{372, 202}},       // small pictures grow
        {1000, 2000, PictureSize{202, 404}},
        // f = 404 / 8 = 50.5: 1 x 50.5 -> 50 (even), 3 x 50.5 = 151.5 -> 152.
        {1, 8, PictureSize{50, 404}},
        {3, 8, PictureSize{152, 404}},
        // f = 372 / 8 = 46.5: 46.5 x 1 -> 46, 46.5 x 3 = 139.5 -> 140.
        {8, 1, PictureSize{372, 46}},
        {8, 3, PictureSize{372, 140}},
        // Never a side of 0 pixels.
        {100000, 1, PictureSize{372, 1}},
        {0, 10, std::nullopt},
        {10, 0, std::nullopt},
        {-5, 10, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto shown = FitPictureSize(c.width, c.height);
        ASSERT_EQ(shown.has_value(), c.shown.has_value()) << c.width << "x" << c.height;
        if (shown) {
            EXPECT_EQ(shown->width, c.shown->width) << c.width << "x" << c.height;
            EXPECT_EQ(shown->height, c.shown->height) << c.width << "x" << c.height;
        }
    }
}

TEST(DecodeJpeg, PixelsInRgbOrderTopRowFirst)
{
    TempDir dir;
    const auto picture = DecodeJpeg(jpegBytes(dir, 16, 8));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 16);
    EXPECT_EQ(picture->height, 8);
    ASSERT_EQ(picture->rgb.size(), std::size_t(16 * 8 * 3));
    const auto at = [&](int x, int y, int channel) { return int(picture->rgb[std::size_t((y * 16 + x) * 3 + channel)]); };
    EXPECT_GT(at(1, 1, 0), 200);   // red on the left
    EXPECT_LT(at(1, 1, 2), 60);
    EXPECT_LT(at(14, 6, 0), 60);   // blue on the right
    EXPECT_GT(at(14, 6, 2), 200);
    touch(dir.file(QStringLiteral("P1.jpg")), jpegBytes(dir, 5, 3));
    const auto fromFile = DecodeJpegFile(dir.file(QStringLiteral("P1.jpg")));
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->width, 5);
}

TEST(DecodeJpeg, DamagedDataIsRefusedWithoutEndingTheProgram)
{
    TempDir dir;
    const QByteArray good = jpegBytes(dir, 64, 64);
    QByteArray zeroHeight = good;
    // The frame header: FFC0, length, precision, height, width.
    const qsizetype frame = zeroHeight.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    zeroHeight[frame + 5] = 0;
    zeroHeight[frame + 6] = 0;
    QByteArray badTables = good;
    const qsizetype huffman = badTables.indexOf(QByteArray("\xFF\xC4", 2));
    ASSERT_GT(huffman, 0);
    badTables[huffman + 2] = 0;   // a length shorter than the table
    badTables[huffman + 3] = 3;
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"empty", QByteArray()},
        {"no JPEG", QByteArray("GIF89a not a jpeg at all")},
        {"header only", good.left(20)},
        {"zero height", zeroHeight},
        {"bad tables", badTables},
        {"start marker only", QByteArray("\xFF\xD8\xFF", 3)},
    };
    for (const auto& c : cases) EXPECT_FALSE(DecodeJpeg(c.data)) << c.name;
    EXPECT_FALSE(DecodeJpegFile(dir.file(QStringLiteral("missing.jpg"))));
    // A picture cut short shows what arrived: libjpeg pads the rest.
    const auto cut = DecodeJpeg(good.left(good.size() - 40));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->width, 64);
}

namespace {

class ImageLinkSettingsTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("photos")));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("drawings")));
    }
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }
    QString projectFileText() { return QString::fromLatin1(readAll(session.project().ProjectFilePath)); }
};

} // namespace

TEST_F(ImageLinkSettingsTest, TheSeparatorShowsASemicolonWhileTheProjectHasNone)
{
    EXPECT_EQ(ImageLinkSettingsOf(session.project()), (ImageLinkSettings{"", "", "", "", ";"}));
    session.project().PhotoPath = QStringLiteral("/p");
    session.project().Separator = QStringLiteral(",");
    EXPECT_EQ(ImageLinkSettingsOf(session.project()), (ImageLinkSettings{"/p", "", "", "", ","}));
}

TEST_F(ImageLinkSettingsTest, OkChecksInTheirOrder)
{
    const QString photos = path(QStringLiteral("photos"));
    const QString drawings = path(QStringLiteral("drawings"));
    const QString missing = path(QStringLiteral("nowhere"));
    const QString file = path(QStringLiteral("P.bvp"));
    struct Case {
        ImageLinkSettings settings;
        ImageLinkFocus focus;
        MessageKind kind;
        const char* message;   // "" for none
    };
    const Case cases[] = {
        {{missing, "", missing, "", ""}, ImageLinkFocus::PhotoPath, MessageKind::Error, "Photo path not found!"},
        {{file, "", drawings, "", ";"}, ImageLinkFocus::PhotoPath, MessageKind::Error, "Photo path not found!"},
        {{photos, "", missing, "", ""}, ImageLinkFocus::DrawingPath, MessageKind::Error, "Drawing path not found!"},
        {{"", "", "", "", ""}, ImageLinkFocus::None, MessageKind::Error, ""},
        {{"", "P", "", "D", ""}, ImageLinkFocus::None, MessageKind::Error, ""},
        {{photos, "", "", "", ""}, ImageLinkFocus::Separator, MessageKind::Warning,
         "If photo or drawing path are entered, a separator should be entered as well."},
        {{"", "", drawings, "", ""}, ImageLinkFocus::Separator, MessageKind::Warning,
         "If photo or drawing path are entered, a separator should be entered as well."},
        {{photos, "P", drawings, "Z", ";"}, ImageLinkFocus::None, MessageKind::Error, ""},
        // A relative path is taken from the project's folder.
        {{"photos", "", "drawings", "", ";"}, ImageLinkFocus::None, MessageKind::Error, ""},
    };
    for (const Case& c : cases) {
        const QString message = QString::fromUtf8(c.message);
        if (!message.isEmpty()) ui.expect(c.kind, message);
        EXPECT_EQ(ValidateImageLinkSettings(ui, session.project(), c.settings), c.focus) << c.message;
        ui.verifyDone();
    }
}

TEST_F(ImageLinkSettingsTest, AppliedSettingsAreWrittenToTheProjectFile)
{
    const QString photos = QDir::toNativeSeparators(path(QStringLiteral("photos")));
    const QByteArray before = readAll(session.project().ProjectFilePath);
    EXPECT_FALSE(ApplyImageLinkSettings(session, {}));
    EXPECT_EQ(readAll(session.project().ProjectFilePath), before);
    EXPECT_TRUE(ApplyImageLinkSettings(session, {photos, "F", "drawings", "Z", ","}));
    const ProjectState& p = session.project();
    EXPECT_EQ(p.PhotoPath, photos);
    EXPECT_EQ(p.PhotoPrefix, QStringLiteral("F"));
    EXPECT_EQ(p.DrawingPath, QStringLiteral("drawings"));
    EXPECT_EQ(p.DrawingPrefix, QStringLiteral("Z"));
    EXPECT_EQ(p.Separator, QStringLiteral(","));
    const QString text = projectFileText();
    for (const QString& line : {QStringLiteral("Photopath=") + photos, QStringLiteral("Photoprefix=F"),
                                QStringLiteral("Drawingpath=drawings"), QStringLiteral("Drawingprefix=Z"),
                                QStringLiteral("Separator=,")})
        EXPECT_TRUE(text.contains(line + QStringLiteral("\r\n"))) << line.toStdString();
    // Read back by the next opening.
    const QString file = p.ProjectFilePath;
    ASSERT_TRUE(CloseProject(session, true));
    ASSERT_TRUE(OpenProject(session, file));
    EXPECT_EQ(ImageLinkSettingsOf(session.project()), (ImageLinkSettings{photos, "F", "drawings", "Z", ","}));
}

TEST_F(ImageLinkSettingsTest, AProjectOpenedForReadingIsNotWritten)
{
    const QByteArray before = readAll(session.project().ProjectFilePath);
    session.project().ReadOnly = true;
    EXPECT_TRUE(ApplyImageLinkSettings(session, {path(QStringLiteral("photos")), "", "", "", ";"}));
    EXPECT_EQ(session.project().PhotoPath, path(QStringLiteral("photos")));
    EXPECT_EQ(readAll(session.project().ProjectFilePath), before);
}

TEST_F(ImageLinkSettingsTest, SearchTakesTheFolderAndAPrefixWithoutDigits)
{
    struct Case {
        const char* file;
        const char* prefix;
        const char* newPrefix;
    };
    const Case cases[] = {
        {"photos/IMG_0012.JPG", "", "IMG_"},
        {"photos/P12.jpg", "", "P"},
        {"photos/P12.jpg", "F", "F"},
        {"photos/north.tar.bmp", "", "north.tar"},
        {"photos/1234.jpg", "", ""},
        {"photos/Wall3a7.emf", "", "Wall3a"},
    };
    for (const Case& c : cases) {
        const ImageSearchResult result = ImageSearchOutcome(path(QString::fromUtf8(c.file)), QString::fromUtf8(c.prefix));
        EXPECT_EQ(result.path, QDir::toNativeSeparators(path(QStringLiteral("photos")))) << c.file;
        EXPECT_EQ(result.prefix, QString::fromUtf8(c.newPrefix)) << c.file;
    }
    const FileChoice photo = ImageSearchChoice(session.project(), ImageKind::Photo, QStringLiteral("photos"));
    EXPECT_EQ(photo.title, QStringLiteral("Select a photo in photo path"));
    EXPECT_EQ(photo.directory, path(QStringLiteral("photos")));
    EXPECT_TRUE(photo.filter.startsWith(QStringLiteral("All (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf);;JPEG Image File (*.jpg)")));
    const FileChoice drawing = ImageSearchChoice(session.project(), ImageKind::Drawing, QStringLiteral("nowhere"));
    EXPECT_EQ(drawing.title, QStringLiteral("Select a drawing in drawing path"));
    EXPECT_EQ(drawing.directory, QString());
}
