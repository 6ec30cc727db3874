#include "core/TextFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace belvanto {
namespace {

class TextFileTest : public testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    static QByteArray contents(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static void put(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
};

TEST_F(TextFileTest, WritesEveryLineWithCrLfInTheCodePage)
{
    const QStringList lines{QStringLiteral("Größe"), QString(), QStringLiteral("€ 5")};
    ASSERT_TRUE(writeTextLines(path("w.txt"), lines));
    EXPECT_EQ(contents(path("w.txt")), QByteArray("Gr\xF6\xDF" "e\r\n\r\n\x80 5\r\n"));

    ASSERT_TRUE(writeTextLines(path("d.txt"), {QStringLiteral("Größe")}, CodePage::Oem850));
    EXPECT_EQ(contents(path("d.txt")), QByteArray("Gr\x94\xE1" "e\r\n"));

    ASSERT_TRUE(writeTextLines(path("e.txt"), {}));
    EXPECT_EQ(contents(path("e.txt")), QByteArray());
}

TEST_F(TextFileTest, RefusesAnUnencodableCharacterAndKeepsTheOldFile)
{
    put(path("old.txt"), "old\r\n");
    const TextFileResult result =
        writeTextLines(path("old.txt"), {QStringLiteral("Grube 1"), QStringLiteral("Łódź")});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 1);
    EXPECT_TRUE(result.error.contains(QStringLiteral("Line 2"))) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(QStringLiteral("\"Ł\" (U+0141)"))) << result.error.toStdString();
    EXPECT_EQ(contents(path("old.txt")), QByteArray("old\r\n"));

    const TextFileResult emoji = writeTextLines(path("new.txt"), {QStringLiteral("a😀")});
    EXPECT_FALSE(emoji.ok);
    EXPECT_TRUE(emoji.error.contains(QStringLiteral("(U+1F600)"))) << emoji.error.toStdString();
    EXPECT_FALSE(QFile::exists(path("new.txt")));

    // € exists in Windows-1252 but not in code page 850.
    EXPECT_FALSE(writeTextLines(path("new.txt"), {QStringLiteral("€")}, CodePage::Oem850).ok);
    EXPECT_FALSE(QFile::exists(path("new.txt")));
}

TEST_F(TextFileTest, ReportsAFileThatCannotBeWrittenOrRead)
{
    const TextFileResult written = writeTextLines(path("no/such/dir/x.txt"), {QStringLiteral("a")});
    EXPECT_FALSE(written.ok);
    EXPECT_TRUE(written.error.startsWith(QStringLiteral("Cannot write"))) << written.error.toStdString();
    EXPECT_EQ(written.line, -1);

    const TextFileLines read = readTextLines(path("missing.txt"));
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.error.startsWith(QStringLiteral("Cannot read"))) << read.error.toStdString();
}

TEST(TextLines, LineEndings)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\n", {""}},
        {"\r\n\n", {"", ""}},
        {"a\rb\n", {"a\rb"}},   // a CR on its own is text
        {"a\r", {"a\r"}},
    };
    for (const auto& [bytes, lines] : cases) {
        EXPECT_EQ(splitTextLines(bytes), lines) << bytes.toStdString();
    }
}

TEST_F(TextFileTest, ReadsBackWhatWasWritten)
{
    const QStringList lines{QStringLiteral("Schnitt ½ – Profil"), QString(), QStringLiteral("Ende")};
    ASSERT_TRUE(writeTextLines(path("r.txt"), lines));
    const TextFileLines read = readTextLines(path("r.txt"));
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    EXPECT_EQ(read.lines, lines);

    put(path("dos.txt"), "Gr\x94\xE1" "e\nzwei");
    EXPECT_EQ(readTextLines(path("dos.txt"), CodePage::Oem850).lines,
              (QStringList{QStringLiteral("Größe"), QStringLiteral("zwei")}));
}

} // namespace
} // namespace belvanto
