#include "store/Settings.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

QString write(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("Belvanto.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ShortenPath, ShowsShortPathsWholeAndCutsLongOnes)
{
    const QChar sep = QLatin1Char('\\');
    struct Case {
        const char* path;
        const char* shown;
    } cases[] = {
        {"", ""},
        {"C:\\a.bvp", "C:\\a.bvp"},
        // 34 characters: still whole.
        {"C:\\Projects\\Excavations\\Site12.bvp", "C:\\Projects\\Excavations\\Site12.bvp"},
        // 35 characters, name of 11: the first 21 characters.
        {"C:\\Projects\\Excavations\\Site123.bvp", "C:\\Projects\\Excavatio..\\Site123.bvp"},
        // A file name of exactly 30 characters is still prefixed.
        {"C:\\Data\\Long\\ABCDEFGHIJKLMNOPQRSTUVWXYZ.bvp", "C:..\\ABCDEFGHIJKLMNOPQRSTUVWXYZ.bvp"},
        // Longer than 30: the file name alone.
        {"C:\\Data\\ABCDEFGHIJKLMNOPQRSTUVWXYZ01.bvp", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01.bvp"},
        // No directory at all, too long: the whole name is the file name.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.bvp", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.bvp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShortenPath(QString::fromLatin1(c.path), sep), QString::fromLatin1(c.shown)) << c.path;
    }
    // The 40-character case spelled out.
    const QString path = QStringLiteral("C:\\Archaeology\\Dig\\Trenches\\Site2019.bvp");
    ASSERT_EQ(path.size(), 40);
    ASSERT_EQ(QStringLiteral("Site2019.bvp").size(), 12);
    const QString shown = ShortenPath(path, sep);
    EXPECT_EQ(shown, path.left(20) + QStringLiteral("..\\") + QStringLiteral("Site2019.bvp"));
    EXPECT_EQ(shown.size(), 35);
}

TEST(ShortenPath, UsesTheGivenSeparator)
{
    const QString path = QStringLiteral("/home/someone/projects/2019/Site2019.bvp");
    EXPECT_EQ(ShortenPath(path, QLatin1Char('/')), path.left(20) + QStringLiteral("../Site2019.bvp"));
    EXPECT_EQ(RecentProjectCaption(2, QStringLiteral("/p/A.bvp"), QLatin1Char('/')), QStringLiteral("&2 /p/A.bvp"));
}

TEST(Settings, WritesTheExactFile)
{
    QTemporaryDir dir;
    AppSettings s;
    s.height = 600;
    s.width = 900;
    s.splitterPos = 350;
    s.recent = {QStringLiteral("/data/Site.bvp")};
    const QString path = dir.filePath(QStringLiteral("Belvanto.ini"));
    ASSERT_TRUE(WriteSettings(path, s));
    EXPECT_EQ(readAll(path), QByteArray("ApplWindow=Normal\r\nMainFormH=600\r\nMainFormW=900\r\nSplitterPos=350\r\n"
                                        "File1=/data/Site.bvp\r\n"));
    s.maximized = true;
    s.recent.clear();
    ASSERT_TRUE(WriteSettings(path, s));
    EXPECT_EQ(readAll(path),
              QByteArray("ApplWindow=Maximized\r\nMainFormH=600\r\nMainFormW=900\r\nSplitterPos=350\r\n"));
}

TEST(Settings, ReadsWhatItWrote)
{
    QTemporaryDir dir;
    AppSettings s;
    s.maximized = true;
    s.height = 700;
    s.width = 1100;
    s.splitterPos = 420;
    s.recent = {QStringLiteral("/a/One.bvp"), QStringLiteral("/b/Zwei Ä.bvp"), QStringLiteral("/c/Три.bvp")};
    const QString path = dir.filePath(QStringLiteral("Belvanto.ini"));
    ASSERT_TRUE(WriteSettings(path, s));
    EXPECT_EQ(ReadSettings(path), s);
}

TEST(Settings, FilesThatAreIgnoredWhole)
{
    QTemporaryDir dir;
    const char* files[] = {
        // Recent projects without any geometry.
        "File1=/a/One.bvp\r\nFile2=/b/Two.bvp\r\nFile3=/c/Three.bvp\r\nFile4=/d/Four.bvp\r\n",
        // One geometry key missing.
        "ApplWindow=Normal\r\nMainFormH=600\r\nMainFormW=900\r\nFile1=/a/One.bvp\r\n",
        "",
    };
    for (const char* text : files) EXPECT_FALSE(ReadSettings(write(dir, QByteArray(text)))) << text;
    EXPECT_FALSE(ReadSettings(dir.filePath(QStringLiteral("missing.ini"))));
}

TEST(Settings, ABadValueCostsOnlyItself)
{
    QTemporaryDir dir;
    struct Case {
        const char* text;
        int height, width, splitter;
    } cases[] = {
        {"ApplWindow=Maximized\r\nMainFormH=abc\r\nMainFormW=900\r\nSplitterPos=300\r\nFile1=/a/One.bvp\r\n", 0, 900, 300},
        {"ApplWindow=Maximized\r\nMainFormH=600\r\nMainFormW=9.5\r\nSplitterPos=300\r\nFile1=/a/One.bvp\r\n", 600, 0, 300},
        {"ApplWindow=Maximized\r\nMainFormH=600\r\nMainFormW=900\r\nSplitterPos=\r\nFile1=/a/One.bvp\r\n", 600, 900, 0},
    };
    for (const Case& c : cases) {
        const auto s = ReadSettings(write(dir, QByteArray(c.text)));
        ASSERT_TRUE(s) << c.text;
        EXPECT_EQ(s->height, c.height) << c.text;
        EXPECT_EQ(s->width, c.width) << c.text;
        EXPECT_EQ(s->splitterPos, c.splitter) << c.text;
        EXPECT_TRUE(s->maximized) << c.text;
        EXPECT_EQ(s->recent, QStringList{QStringLiteral("/a/One.bvp")}) << c.text;
    }
}

TEST(Settings, KeysIgnoreCaseAndRecentListHasNoGaps)
{
    QTemporaryDir dir;
    const auto s = ReadSettings(write(dir, "applwindow=Maximized\r\nmainformh=480\nMAINFORMW= 640 \r\nSplitterPos=200\r\n"
                                           "File1=/a/One.bvp\r\nFile3=/c/Three.bvp\r\nfile4=/d/Four.bvp\r\n"));
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->maximized);
    EXPECT_EQ(s->height, 480);
    EXPECT_EQ(s->width, 640);
    EXPECT_EQ(s->splitterPos, 200);
    EXPECT_EQ(s->recent, (QStringList{QStringLiteral("/a/One.bvp"), QStringLiteral("/c/Three.bvp"),
                                      QStringLiteral("/d/Four.bvp")}));
    // Only the exact word maximizes.
    const auto normal = ReadSettings(write(dir, "ApplWindow=maximized\r\nMainFormH=1\r\nMainFormW=1\r\nSplitterPos=1\r\n"));
    ASSERT_TRUE(normal);
    EXPECT_FALSE(normal->maximized);
}

TEST(Settings, LivesBesideTheProgramWhenThatIsWritable)
{
    QTemporaryDir program, config;
    EXPECT_EQ(SettingsFilePath(program.path(), config.path()), QDir(program.path()).filePath(QStringLiteral("Belvanto.ini")));
    EXPECT_EQ(SettingsFilePath(program.filePath(QStringLiteral("missing")), config.path()),
              QDir(config.path()).filePath(QStringLiteral("Belvanto.ini")));
}
