// The diagram window over a stored layout: its size, zoom, preferences,
// the information and report commands, and the display command.
#include "diagram/PrintPlan.h"
#include "diagram/StoredLayout.h"
#include "diagram/export/RasterImage.h"
#include "diagram/qt/DiagramPainter.h"
#include "diagram/forms/TDiagramForm.h"
#include "layout/LayoutCheckRun.h"
#include "store/ProjectFixture.h"
#include "ui/TProtocolForm.h"
#include "ui/Printer.h"
#include "ui/UiSupport.h"
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QAction>
#include <QScrollArea>
#include <QScrollBar>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

// A project of a chain of twelve contexts, laid out.
class DiagramFormTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("Site"));
        QString previous;
        for (int i = 1; i <= 12; ++i) {
            const QString name = QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0'));
            addUnit(QStringLiteral("A"), name);
            if (!previous.isEmpty()) addRelation({QStringLiteral("A"), previous}, {QStringLiteral("A"), name}, QLatin1Char('>'));
            previous = name;
        }
        RunOptions options;
        Protocol protocol;
        ASSERT_TRUE(RunLayoutAndCheck(session, options, RunCheckOptions(options), {}, protocol).layoutStored);
    }
    std::unique_ptr<TDiagramForm> open(const QStringList& report = {QStringLiteral("No cycles found.")})
    {
        auto layout = ReadStoredLayout(session, true);
        EXPECT_TRUE(layout);
        return std::make_unique<TDiagramForm>(session, std::move(*layout),
                                              DiagramWindowOptions{report, true, ColourDepth::Colours65536});
    }
};

TEST_F(DiagramFormTest, OpensAtTheImageSize)
{
    auto form = open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Harris diagram - Site"));
    EXPECT_EQ(form->size(), QSize(663, 506));
    const DiagramGeometry& g = form->drawing().geometry;
    EXPECT_EQ(form->DiagramImage->size(), QSize(int(g.width()), int(g.height())));
    EXPECT_EQ(form->drawing().units.size(), 12u);
    EXPECT_FALSE(form->drawState().blackWhite);
}

TEST_F(DiagramFormTest, ZoomChangesTheDisplayedSizeAndStopsAtItsLimits)
{
    auto form = open();
    form->show();
    const QSize actual = form->DiagramImage->size();
    form->ZoomIn();
    EXPECT_EQ(form->DiagramImage->size(), actual * 2);
    form->ZoomIn();
    ui.expect(MessageKind::Information, kZoomMaximumMessage, Buttons::Ok, HelpTopic(122));
    form->ZoomIn();
    ui.verifyDone();
    EXPECT_EQ(form->view().factor(), 4.0);
    // The middle stays where it was: the vertical bar sits at the middle.
    QScrollBar* v = form->DiagramScroll->verticalScrollBar();
    EXPECT_NEAR(v->value() + form->DiagramScroll->viewport()->height() / 2.0, form->DiagramImage->height() / 2.0, 2.0);
    ui.expect(MessageKind::Information,
              QStringLiteral("Original size:  %1 x %2 pixels\r\nCurrently displayed: %3 x %4 pixels")
                  .arg(actual.width())
                  .arg(actual.height())
                  .arg(actual.width() * 4)
                  .arg(actual.height() * 4),
              Buttons::Ok, HelpTopic(122));
    form->InfoAction->trigger();
    form->ZoomActualAction->trigger();
    EXPECT_EQ(form->DiagramImage->size(), actual);
    ui.expect(MessageKind::Information,
              QStringLiteral("Image size:  %1 x %2 pixels").arg(actual.width()).arg(actual.height()), Buttons::Ok,
              HelpTopic(122));
    form->ShowDiagramInfo();
}

TEST_F(DiagramFormTest, PreferencesRedrawAndAFontChangeKeepsTheZoomedSize)
{
    auto form = open();
    form->ZoomOut();
    const QSize zoomed = form->DiagramImage->size();
    DiagramFont larger;
    larger.points = 20;
    form->SetDiagramFont(larger);
    EXPECT_GT(form->view().imageWidth(), 2 * zoomed.width()) << "the image grew";
    EXPECT_EQ(form->DiagramImage->size(), zoomed) << "and is shown stretched to the zoomed size";
    form->ThematicAction->trigger();
    EXPECT_TRUE(form->drawState().thematic);
    form->SetColours(ColourDepth::BlackWhite);
    EXPECT_TRUE(form->drawState().blackWhite);
    form->SetBoxContents(BoxContents::ExcavationName);
    EXPECT_EQ(form->drawing().units.front().label.text.left(2), QStringLiteral("A:"));
}

// The window shows the image as the files hold it: at zoom 1 in full
// colour the pixels of the image the exports paint, at fewer colours only
// the colours of the depth's palette.
TEST_F(DiagramFormTest, TheCanvasShowsTheColoursOfTheChosenDepth)
{
    auto form = open();
    form->SetColours(ColourDepth::Colours16M);
    DiagramFont font;
    font.colour = 0x123456;   // labels in a colour no palette has
    form->SetDiagramFont(font);
    const auto shown = [&] { return form->DiagramImage->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage full = shown();
    EXPECT_EQ(full, RenderDiagram(form->drawing(), font));
    const auto inPalette = [](const QImage& image, ColourDepth depth) {
        const std::vector<quint32>& palette = RasterPalette(depth);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (std::find(palette.begin(), palette.end(), image.pixel(x, y) & 0xFFFFFF) == palette.end())
                    return false;
        return true;
    };
    EXPECT_FALSE(inPalette(full, ColourDepth::Colours16));
    for (const ColourDepth depth : {ColourDepth::Colours16, ColourDepth::Colours256}) {
        form->SetColours(depth);
        EXPECT_TRUE(inPalette(shown(), depth)) << int(depth);
    }
}

TEST_F(DiagramFormTest, TheReportShowsTheRunsProtocol)
{
    auto form = open({QStringLiteral("No cycles found."), QString(), QStringLiteral("0 redundant relationships found.")});
    QString caption;
    onNextModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        modal->close();
    });
    form->ReportAction->trigger();
    EXPECT_EQ(caption, QStringLiteral("Detailed check report for project Site"));
}

TEST_F(DiagramFormTest, DisplayCommandWithoutLayoutFilesTurnsItselfOff)
{
    Table::remove(dir.path(), QStringLiteral("Site_UnitLayout"));
    session.project().DiagramPresent = true;
    ui.expect(MessageKind::Warning, QStringLiteral("Layout files not found. Layout must be newly created."),
              Buttons::Ok, HelpTopic(120));
    DisplayHarrisDiagram(session, nullptr);
    ui.verifyDone();
    EXPECT_FALSE(session.project().DiagramPresent);
}

// The raster files of the window at its colour depth: a black-and-white
// bitmap of 1 bit per pixel, the JPEG after a quality the box refuses, the
// metafile.
TEST_F(DiagramFormTest, SaveAndExportTheImage)
{
    auto form = open();
    form->SetColours(ColourDepth::BlackWhite);
    const QString bmp = path(QStringLiteral("d.bmp"));
    ui.expectSaveFile().answer(bmp);
    form->SaveAction->trigger();
    const QByteArray bitmap = readAll(bmp);
    ASSERT_GT(bitmap.size(), 62);
    EXPECT_EQ(bitmap.left(2), QByteArray("BM"));
    EXPECT_EQ(quint8(bitmap[28]), 1) << "bits per pixel";

    const QString jpg = path(QStringLiteral("d.jpg"));
    ui.expectSaveFile().answer(jpg);
    ui.expectInput().answer(QStringLiteral("101"));
    ui.expectError(QStringLiteral("Entry must be in the range 1..100"), HelpTopic(146));
    ui.expectInput().answer(QStringLiteral("60"));
    form->JpegAction->trigger();
    EXPECT_EQ(readAll(jpg).left(2), QByteArray("\xFF\xD8"));
    // Cancel in the quality box writes nothing.
    const QString none = path(QStringLiteral("none.jpg"));
    ui.expectSaveFile().answer(none);
    ui.expectInput().cancel();
    form->JpegAction->trigger();
    EXPECT_FALSE(QFile::exists(none));

    const QString wmf = path(QStringLiteral("d.wmf"));
    ui.expectSaveFile().answer(wmf);
    form->MetafileAction->trigger();
    EXPECT_EQ(quint8(readAll(wmf)[0]), 1) << "an enhanced metafile's header record";
    ui.verifyDone();
}

// The page count pdfinfo reads, or -1.
int pdfPages(const QString& file)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {file});
    if (!info.waitForFinished(30000) || info.exitCode() != 0) return -1;
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(info.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Printing to a file: the scale factor box asked again after a refused
// value, the sheets question at a scale that needs several, one page per
// sheet in the file.
TEST_F(DiagramFormTest, PrintOnOneOrSeveralSheets)
{
    auto form = open();
    QPrinter& printer = applicationPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString one = path(QStringLiteral("one.pdf"));
    printer.setOutputFileName(one);
    PrintScaleFactor() = DefaultPrintScale;
    form->PrintAction->trigger();
    ASSERT_TRUE(QFile::exists(one));
    EXPECT_EQ(pdfPages(one), 1);

    ui.expectInput().answer(QStringLiteral("33"));
    ui.expect(MessageKind::Error, QStringLiteral("Print scaling factor must be in the range 1..32"), Buttons::Ok,
              HelpTopic(137));
    ui.expectInput().answer(QStringLiteral("32"));
    form->PrintScaleAction->trigger();
    EXPECT_EQ(PrintScaleFactor(), 32);
    const QString several = path(QStringLiteral("several.pdf"));
    printer.setOutputFileName(several);
    // A small sheet, so that the twelve boxes need several.
    const QPageLayout paper = printer.pageLayout();
    printer.setPageSize(QPageSize(QSizeF(60, 60), QPageSize::Millimeter));
    const PrintPlan plan = PlanPrint(int(form->drawing().geometry.width()), int(form->drawing().geometry.height()), 32,
                                     printer.width(), printer.height(), form->drawing().geometry.box().BoxHeight);
    ASSERT_TRUE(plan.problem.isEmpty()) << plan.problem.toStdString();
    ASSERT_GT(plan.sheets(), 1);
    // No prints nothing; Yes prints every sheet.
    ui.expectConfirmation(PrintSheetsQuestion(plan.sheets()), Buttons::YesNo, HelpTopic(137)).answer(Answer::No);
    form->PrintAction->trigger();
    EXPECT_FALSE(QFile::exists(several));
    ui.expectConfirmation(PrintSheetsQuestion(plan.sheets()), Buttons::YesNo, HelpTopic(137)).answer(Answer::Yes);
    form->PrintAction->trigger();
    ui.verifyDone();
    ASSERT_TRUE(QFile::exists(several));
    EXPECT_EQ(pdfPages(several), plan.sheets());
    PrintScaleFactor() = DefaultPrintScale;
    printer.setPageLayout(paper);
    printer.setOutputFileName(QString());
}

TEST_F(DiagramFormTest, ADiagramTooLargeForTheScreenIsRefused)
{
    // 800,000 levels: more pixels than a window can have.
    LayoutSnapshot layout;
    layout.parameters.reset(1, 800000);
    UnitRecord u;
    u.Excavation = QStringLiteral("A");
    u.Unitname = QStringLiteral("C01");
    u.XStart = u.XStop = 1;
    u.YLevelStart = u.YLevelStop = 800000;
    u.Unitclass = QStringLiteral("C");
    layout.units.push_back(u);
    const TDiagramForm measured(session, layout, {});
    const DiagramGeometry& g = measured.drawing().geometry;
    ASSERT_GT(g.height(), 16777215);
    ui.expectError(QStringLiteral("The Harris diagram of %1 x %2 pixels is too large to be shown. Choose a smaller "
                                  "font or lay out fewer units.")
                       .arg(g.width())
                       .arg(g.height()));
    OpenDiagramWindow(session, nullptr, layout, {});
    ui.verifyDone();
}

} // namespace
