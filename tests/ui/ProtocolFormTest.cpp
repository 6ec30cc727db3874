#include "support/ScriptedUi.h"
#include "ui/TProtocolForm.h"
#include "ui/UiSupport.h"
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

const QStringList kLines{QStringLiteral("Cycle found:"), QStringLiteral("  A:1 > A:2 > A:1"),
                         QStringLiteral("Unit A:10 has no relationships"), QStringLiteral("cycle in A:12")};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Protocol {
    ScriptedUi ui;
    TProtocolForm form{ReportCaption(true, QStringLiteral("check"), QStringLiteral("/x/Site")), kLines,
                       HelpTopic("Report_window"), ui};
};

} // namespace

TEST(ProtocolForm, CaptionTitleDateAndLines)
{
    Protocol p;
    EXPECT_EQ(p.form.windowTitle(), QStringLiteral("Detailed check report for project /x/Site"));
    EXPECT_EQ(ReportCaption(false, QStringLiteral("date estimation"), QStringLiteral("/x/Site")),
              QStringLiteral("Summary date estimation report for project /x/Site"));
    QTextDocument* doc = p.form.report()->document();
    ASSERT_EQ(doc->blockCount(), 3 + kLines.size());
    const QTextBlock title = doc->firstBlock();
    EXPECT_EQ(title.text(), p.form.windowTitle());
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(title.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    const QTextBlock date = title.next();
    EXPECT_TRUE(date.text().startsWith(QStringLiteral("created on ")));
    EXPECT_EQ(date.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(date.next().text(), QString());
    EXPECT_EQ(date.next().next().text(), kLines[0]);
    EXPECT_EQ(p.form.report()->textCursor().position(), 0);
    EXPECT_EQ(p.form.action(QStringLiteral("SaveAs"))->text(), QStringLiteral("&Save as.."));
    EXPECT_EQ(p.form.action(QStringLiteral("SaveAs"))->statusTip(), QStringLiteral("Save the report as RTF or ANSI file"));
}

TEST(ProtocolForm, SaveRules)
{
    Protocol p;
    QTemporaryDir dir;
    ASSERT_TRUE(p.form.saveTo(dir.filePath(QStringLiteral("report"))));
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("report.rtf"))).startsWith("{\\rtf1"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("report"))));
    ASSERT_TRUE(p.form.saveTo(dir.filePath(QStringLiteral("report.txt"))));
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("report.txt"))).startsWith("Detailed check report for project /x/Site\r\n"));
    ASSERT_TRUE(p.form.saveTo(dir.filePath(QStringLiteral("report.RTF"))));
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("report.RTF"))).startsWith("Detailed check report"));
    // "report" again: report.rtf exists now, and the dialog did not ask about it.
    p.ui.expectConfirmation(QStringLiteral("File %1 already exists. Do you want to overwrite file?")
                                .arg(QDir::toNativeSeparators(dir.filePath(QStringLiteral("report.rtf")))))
        .answer(Answer::No);
    EXPECT_FALSE(p.form.saveTo(dir.filePath(QStringLiteral("report"))));
    // The command asks with the initial name "*.rtf" and no default suffix.
    p.ui.expectSaveFile().withFileName(QStringLiteral("*.rtf")).answer(dir.filePath(QStringLiteral("second")));
    p.form.action(QStringLiteral("SaveAs"))->trigger();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("second.rtf"))));
}

TEST(ProtocolForm, CopyWithoutSelectionCopiesEverything)
{
    Protocol p;
    QGuiApplication::clipboard()->clear();
    p.form.action(QStringLiteral("Copy"))->trigger();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(QStringLiteral("Detailed check report for project /x/Site")));
    EXPECT_TRUE(copied.contains(QStringLiteral("created on ")));
    EXPECT_TRUE(copied.endsWith(kLines.last()));
    // With a selection only that.
    QTextCursor c = p.form.report()->textCursor();
    c.setPosition(0);
    c.setPosition(8, QTextCursor::KeepAnchor);
    p.form.report()->setTextCursor(c);
    p.form.copyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Detailed"));
}

TEST(ProtocolForm, FindGoesDownwardAndSaysWhenNothingIsLeft)
{
    Protocol p;
    QTextEdit* text = p.form.report();
    ASSERT_TRUE(p.form.findNext(QStringLiteral("cycle"), false, false));
    EXPECT_EQ(text->textCursor().block().text(), QStringLiteral("Cycle found:"));
    // The next press continues after the match; match case skips "Cycle".
    ASSERT_TRUE(p.form.findNext(QStringLiteral("cycle"), false, true));
    EXPECT_EQ(text->textCursor().block().text(), QStringLiteral("cycle in A:12"));
    p.ui.expectWarning(QStringLiteral("Could not find cycle"));
    EXPECT_FALSE(p.form.findNext(QStringLiteral("cycle"), false, true));
    EXPECT_EQ(p.ui.beeps(), 1);
    EXPECT_EQ(text->textCursor().selectedText(), QStringLiteral("cycle"));
    // Whole words: "A:1" is no word of "A:10" or "A:12".
    QTextCursor below(text->document()->findBlockByNumber(5));
    text->setTextCursor(below);
    p.ui.expectWarning(QStringLiteral("Could not find A:1"));
    EXPECT_FALSE(p.form.findNext(QStringLiteral("A:1"), true, true));
    ASSERT_TRUE(p.form.findNext(QStringLiteral("A:1"), false, true));
    EXPECT_EQ(text->textCursor().block().text(), QStringLiteral("Unit A:10 has no relationships"));
}

TEST(ProtocolForm, FontChangesTheWholeDocumentAndKeepsTheTitleBold)
{
    Protocol p;
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(14);
    p.form.applyFont(font);
    QTextDocument* doc = p.form.report()->document();
    const QTextCharFormat title = doc->firstBlock().begin().fragment().charFormat();
    EXPECT_EQ(title.fontWeight(), QFont::Bold);
    EXPECT_EQ(title.fontPointSize(), 14);
    EXPECT_EQ(doc->lastBlock().begin().fragment().charFormat().fontPointSize(), 14);
    EXPECT_EQ(p.form.document().pointSize, 14);
    EXPECT_EQ(p.form.document().fontFamily, font.family());
}

// The date line and the report's lines follow the window's type; the title
// is bold either way, also after a change of font.
TEST(ProtocolForm, BoldTextMakesEveryLineBold)
{
    for (const bool boldText : {false, true}) {
        SCOPED_TRACE(boldText);
        ScriptedUi ui;
        TProtocolForm form(QStringLiteral("Pair"), kLines, HelpTopic("Test_Pair"), ui, nullptr, boldText);
        form.applyFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        const int expected = boldText ? QFont::Bold : QFont::Normal;
        QTextDocument* doc = form.report()->document();
        EXPECT_EQ(doc->firstBlock().begin().fragment().charFormat().fontWeight(), QFont::Bold);
        EXPECT_EQ(doc->firstBlock().next().begin().fragment().charFormat().fontWeight(), expected);
        for (QTextBlock block = doc->findBlockByNumber(3); block.isValid(); block = block.next())
            EXPECT_EQ(block.begin().fragment().charFormat().fontWeight(), expected) << qPrintable(block.text());
        EXPECT_EQ(form.document().bold, boldText);
    }
}

TEST(ProtocolForm, LargeProtocolsFillCompletely)
{
    QStringList lines;
    for (int i = 0; i < 50000; ++i) lines << QStringLiteral("Line %1: A:%1 > A:%2").arg(i).arg(i + 1);
    ScriptedUi ui;
    TProtocolForm form(QStringLiteral("Big"), lines, HelpTopic("Report_window"), ui);
    EXPECT_EQ(form.report()->document()->blockCount(), 50003);
    EXPECT_EQ(form.report()->document()->lastBlock().text(), lines.last());
}

TEST(ProtocolForm, EmptyReportOpensNoWindow)
{
    ScriptedUi ui;
    // A window would wait in exec() and the test would never end.
    ShowReport(nullptr, ui, {}, true, QStringLiteral("check"), QStringLiteral("Site"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ProtocolForm, HelpOpensTheCallersTopic)
{
    belvanto::testing::RecordingHelp help;
    Protocol p;
    p.form.action(QStringLiteral("Help"))->trigger();
    EXPECT_EQ(help.topics, QStringList{QStringLiteral("Report_window")});
}
