#include "core/ProtocolFile.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;

TEST(ProtocolSaveTarget, FileNameRules)
{
    struct Case {
        const char* chosen;
        const char* path;
        bool rich;
    } cases[] = {
        {"/tmp/report", "/tmp/report.rtf", true},
        {"/tmp/report.rtf", "/tmp/report.rtf", true},
        {"/tmp/report.txt", "/tmp/report.txt", false},
        {"/tmp/report.RTF", "/tmp/report.RTF", false},
        {"/tmp/notes.rtf.txt", "/tmp/notes.rtf.txt", true},
        {"/tmp/report.", "/tmp/report.", false},
        // Dots in directories do not count.
        {"/home/a.b/v1.5/report", "/home/a.b/v1.5/report.rtf", true},
        {"/home/x.rtf/report.txt", "/home/x.rtf/report.txt", false},
    };
    for (const Case& c : cases) {
        const ProtocolSaveTarget t = ProtocolSaveTargetFor(QString::fromLatin1(c.chosen));
        EXPECT_EQ(t.path, QString::fromLatin1(c.path)) << c.chosen;
        EXPECT_EQ(t.richText, c.rich) << c.chosen;
    }
}

namespace {

ProtocolDocument sample()
{
    ProtocolDocument d;
    d.title = QStringLiteral("Detailed check report for project /x/Site");
    d.dateLine = QStringLiteral("created on 01.02.2024 10:00");
    d.lines = {QStringLiteral("Cycle: A:1 > A:2 {x} \\ y"), QStringLiteral("Fundstück äö"), QString(),
               QStringLiteral("Ω and ✓")};
    d.fontFamily = QStringLiteral("Courier New");
    d.pointSize = 11;
    return d;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ProtocolRtf, TitleBoldAndCentredThenDateThenLines)
{
    const QByteArray rtf = ProtocolRtf(sample());
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}}"));
    EXPECT_TRUE(rtf.contains("\\pard\\qc\\f0\\fs22\\b Detailed check report for project /x/Site\\b0\\par"));
    EXPECT_TRUE(rtf.contains("\\pard\\qc\\f0\\fs22 created on 01.02.2024 10:00\\par"));
    EXPECT_TRUE(rtf.contains("\\pard\\ql\\f0\\fs22\\par\r\nCycle: A:1 > A:2 \\{x\\} \\\\ y\\par"));
    EXPECT_TRUE(rtf.contains("Fundst\\'fcck \\'e4\\'f6\\par"));
    EXPECT_TRUE(rtf.contains("\\u937?"));          // Ω, not in Windows-1252
    EXPECT_TRUE(rtf.contains("\\u10003?"));        // ✓
    EXPECT_TRUE(rtf.trimmed().endsWith('}'));
    // Every brace is balanced, so readers take the whole document.
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') { ++i; continue; }
        if (rtf[i] == '{') ++depth;
        if (rtf[i] == '}') --depth;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
}

TEST(ProtocolRtf, BoldDocumentKeepsBoldAfterTheTitle)
{
    ProtocolDocument d = sample();
    d.bold = true;
    const QByteArray rtf = ProtocolRtf(d);
    EXPECT_TRUE(rtf.contains("\\b0\\par\r\n\\pard\\qc\\f0\\fs22\\b created on 01.02.2024 10:00\\par"));
    // Nothing after the title switches bold off again.
    EXPECT_EQ(rtf.count("\\b0"), 1);
}

TEST(ProtocolFile, PlainTextIsWindows1252WithCrLf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.txt"));
    ASSERT_TRUE(SaveProtocol(sample(), {path, false}));
    EXPECT_EQ(readAll(path), QByteArray("Detailed check report for project /x/Site\r\ncreated on 01.02.2024 10:00\r\n\r\n"
                                        "Cycle: A:1 > A:2 {x} \\ y\r\nFundst\xfc" "ck \xe4\xf6\r\n\r\n? and ?\r\n"));
}

TEST(ProtocolFile, RichTextFileHoldsTheRtf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.rtf"));
    ASSERT_TRUE(SaveProtocol(sample(), {path, true}));
    EXPECT_EQ(readAll(path), ProtocolRtf(sample()));
    EXPECT_FALSE(SaveProtocol(sample(), {dir.filePath(QStringLiteral("no/such/dir/r.rtf")), true}));
}
