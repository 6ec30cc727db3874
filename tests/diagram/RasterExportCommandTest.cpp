// belvanto-cli export --jpeg and --pdf, read back by identify and pdfinfo.
#include "ReaderTools.h"
#include "cli/CliRunner.h"
#include "diagram/PrintPlan.h"
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

// A chain of contexts laid out by the layout command: one column, a tall
// image, so that larger print scales need several sheets.
class RasterExportCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E"}).code, 0);
        QStringList chain{"--yes", "chain", project()};
        for (int i = 1; i <= 60; ++i) chain << QStringLiteral("U%1").arg(i);
        ASSERT_EQ(runCliCaptured(chain).code, 0);
        const auto layout = runCliCaptured({"--yes", "layout", project()});
        ASSERT_EQ(layout.code, 0) << layout.err.toStdString();
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QStringList files() const { return QDir(dir.path()).entryList({QStringLiteral("*.jpg"), QStringLiteral("*.pdf")}); }

    QTemporaryDir dir;
};

TEST_F(RasterExportCommand, JpegInColourAndInBlackAndWhite)
{
    const DiagramDrawing drawing = storedDrawing(project());
    const QString size = QStringLiteral(" %1x%2").arg(drawing.geometry.width()).arg(drawing.geometry.height());
    struct Case {
        QStringList options;
        QString expected;
    };
    const Case cases[] = {
        {{}, QStringLiteral("sRGB 75") + size},
        {{"--bw"}, QStringLiteral("Gray 75") + size},
        {{"--quality", "40", "--labels", "excavation"}, QStringLiteral("sRGB 40")},
    };
    for (const Case& t : cases) {
        const QString jpg = file("d.jpg");
        const auto r = runCliCaptured(QStringList{"export", project(), "--jpeg", jpg} + t.options);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Harris diagram layout created on "))) << r.out.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("information: Diagram was exported successfully to file \n  ") +
                             QDir::toNativeSeparators(jpg) + QLatin1Char('\n'));
        const ToolRun id = runTool(QStringLiteral("identify"),
                                   {QStringLiteral("-format"), QStringLiteral("%[colorspace] %Q %wx%h"), jpg});
        ASSERT_EQ(id.exitCode, 0) << id.output.toStdString();
        EXPECT_TRUE(id.output.startsWith(t.expected)) << id.output.toStdString() << " for " << t.options.join(' ').toStdString();
    }
}

TEST_F(RasterExportCommand, PdfHasThePlannedSheets)
{
    const DiagramDrawing drawing = storedDrawing(project());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    for (const int scale : {1, 16, 32}) {
        const PrintPlan plan = PlanPrint(int(drawing.geometry.width()), int(drawing.geometry.height()), scale,
                                         printer.width(), printer.height(), drawing.geometry.box().BoxHeight);
        ASSERT_EQ(plan.problem, QString());
        if (scale > 1) {
            EXPECT_GT(plan.sheets(), 1) << scale;
        }
        const QString pdf = file("d.pdf");
        const auto r = runCliCaptured({"export", project(), "--pdf", pdf, "--scale", QString::number(scale)});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Sheets of paper: %1\n").arg(plan.sheets()))) << r.out.toStdString();
        const ToolRun info = runTool(QStringLiteral("pdfinfo"), {pdf});
        ASSERT_EQ(info.exitCode, 0) << info.output.toStdString();
        EXPECT_TRUE(info.output.contains(QRegularExpression(QStringLiteral("Pages: +%1\n").arg(plan.sheets()))))
            << info.output.toStdString();
    }
    EXPECT_EQ(files(), QStringList{QStringLiteral("d.pdf")});
}

TEST_F(RasterExportCommand, RefusalsWriteNothing)
{
    struct Case {
        QStringList args;
        int code;
        QString err;
    };
    const Case cases[] = {
        {{"--jpeg", file("x.jpg"), "--quality", "0"}, 1, QStringLiteral("error: Entry must be in the range 1..100\n")},
        {{"--jpeg", file("x.jpg"), "--quality", "fine"}, 1,
         QStringLiteral("error: Entry cannot be converted to an integer number.\n")},
        {{"--pdf", file("x.pdf"), "--scale", "33"}, 2, QStringLiteral("error: Print scaling factor must be in the range 1..32")},
        {{"--pdf", file("x.pdf"), "--scale", "32", "--sheets", "one"}, 1,
         QStringLiteral("error: The diagram needs ")},
        {{"--jpeg", file("x.jpg"), "--scale", "2"}, 2, QStringLiteral("error: --scale requires --pdf\n")},
    };
    for (const Case& t : cases) {
        const auto r = runCliCaptured(QStringList{"export", project()} + t.args);
        EXPECT_EQ(r.code, t.code) << t.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(t.err)) << r.err.toStdString();
    }
    EXPECT_EQ(files(), QStringList());
}

} // namespace
