// Cutting the diagram image into printed sheets, and the print scale entry.
#include "diagram/PrintPlan.h"
#include "support/ScriptedUi.h"
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

struct SheetCase {
    const char* what;
    int W0, H0, scale, PW, PH, boxHeight;
    int sheets;
    bool oneSheet;
};

class PrintSheets : public ::testing::TestWithParam<SheetCase> {};

TEST_P(PrintSheets, CountsTheTilesThatCoverTheImage)
{
    const SheetCase& t = GetParam();
    const PrintPlan plan = PlanPrint(t.W0, t.H0, t.scale, t.PW, t.PH, t.boxHeight);
    ASSERT_EQ(plan.problem, QString());
    EXPECT_EQ(plan.sheets(), t.sheets);
    EXPECT_EQ(plan.oneSheet, t.oneSheet);

    // Every image pixel lands on exactly one page, inside the page, below
    // the header, at the print scale.
    std::vector<int> covered(size_t(t.W0) * size_t(t.H0), 0);
    for (const PrintTile& tile : plan.tiles) {
        const PixelRect& s = tile.source;
        ASSERT_LT(s.left, s.right) << t.what;
        ASSERT_LT(s.top, s.bottom) << t.what;
        for (int y = s.top; y < s.bottom; ++y)
            for (int x = s.left; x < s.right; ++x) ++covered[size_t(y) * size_t(t.W0) + size_t(x)];
        EXPECT_EQ(tile.target.left, 0);
        EXPECT_EQ(tile.target.top, plan.headerHeight);
        EXPECT_EQ(tile.target.right, (s.right - s.left) * t.scale);
        EXPECT_EQ(tile.target.bottom - tile.target.top, (s.bottom - s.top) * t.scale);
        EXPECT_LE(tile.target.right, t.PW) << t.what;
        EXPECT_LE(tile.target.bottom, t.PH) << t.what;
    }
    EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), qsizetype(covered.size())) << t.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintSheets,
    ::testing::Values(
        SheetCase{"fits a large page", 1000, 700, 2, 4800, 6600, 20, 1, true},
        SheetCase{"the four-sheet page", 1000, 700, 2, 1500, 1300, 20, 4, false},
        SheetCase{"exactly the page", 750, 650, 2, 1500, 1300, 20, 1, true},
        SheetCase{"one pixel wider than the page", 751, 650, 2, 1500, 1300, 20, 4, false},
        // 750 columns and 610 rows per tile: two whole columns, no third.
        SheetCase{"twice the tile width", 1500, 610, 2, 1500, 1300, 20, 2, false},
        SheetCase{"one pixel more than two tiles", 1501, 610, 2, 1500, 1300, 20, 3, false},
        SheetCase{"the header pushes a second row", 751, 640, 2, 1500, 1300, 20, 4, false},
        SheetCase{"scale 1, no header", 30, 25, 1, 10, 10, 0, 9, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(PrintPlanTiles, GoColumnByColumnFromTheTopLeft)
{
    const PrintPlan plan = PlanPrint(1000, 700, 2, 1500, 1300, 20);
    ASSERT_EQ(plan.sheets(), 4);
    EXPECT_EQ(plan.headerHeight, 80);
    const std::vector<PrintTile> expected{
        {{0, 0, 750, 610}, {0, 80, 1500, 1300}},
        {{0, 610, 750, 700}, {0, 80, 1500, 260}},
        {{750, 0, 1000, 610}, {0, 80, 500, 1300}},
        {{750, 610, 1000, 700}, {0, 80, 500, 260}},
    };
    EXPECT_EQ(plan.tiles, expected);
}

TEST(PrintPlanTiles, OneSheetTakesTheWholeImageWithoutHeader)
{
    const PrintPlan plan = PlanPrint(1000, 700, 2, 4800, 6600, 20);
    ASSERT_EQ(plan.sheets(), 1);
    EXPECT_EQ(plan.headerHeight, 0);
    EXPECT_EQ(plan.tiles.front(), (PrintTile{{0, 0, 1000, 700}, {0, 0, 2000, 1400}}));
}

struct RefusedCase {
    const char* what;
    int scale, PW, PH, boxHeight;
    const char* problem;
};

TEST(PrintPlanTiles, RefusesPagesWithoutRoomForATile)
{
    const char* const tooSmall = "The page is too small to print the diagram at scale %1: choose a smaller print "
                                 "scaling factor or a larger paper format";
    const RefusedCase cases[] = {
        {"header fills the page", 2, 1500, 1300, 325, tooSmall},
        {"header taller than the page", 2, 1500, 1300, 400, tooSmall},
        {"scale wider than the page", 32, 20, 5000, 1, tooSmall},
        {"scale 0", 0, 1500, 1300, 20, "Print scaling factor must be in the range 1..32"},
        {"scale 33", 33, 150000, 130000, 20, "Print scaling factor must be in the range 1..32"},
    };
    for (const RefusedCase& t : cases) {
        const PrintPlan plan = PlanPrint(1000, 700, t.scale, t.PW, t.PH, t.boxHeight);
        QString problem = QString::fromUtf8(t.problem);
        if (problem.contains(QStringLiteral("%1"))) problem = problem.arg(t.scale);
        EXPECT_EQ(plan.problem, problem) << t.what;
        EXPECT_TRUE(plan.tiles.empty()) << t.what;
    }
}

TEST(PrintPlanTexts, HeaderAndQuestion)
{
    EXPECT_EQ(PrintPageHeader(QStringLiteral("Hill fort"), 3), QStringLiteral("Belvanto project - Hill fort - p.3"));
    EXPECT_EQ(PrintSheetsQuestion(4), QStringLiteral("Printing will create 4 sheets of paper. Continue?"));
}

TEST(PrintScaleEntry, AcceptsOneToThirtyTwoAndExplainsTheRest)
{
    FixedRegional regional;
    struct Case {
        const char* text;
        std::optional<int> value;
        const char* message;
        bool beep;
    };
    const Case cases[] = {
        {"1", 1, nullptr, false},
        {" 32 ", 32, nullptr, false},
        {"0", std::nullopt, "Print scaling factor must be in the range 1..32", false},
        {"33", std::nullopt, "Print scaling factor must be in the range 1..32", false},
        {"-3", std::nullopt, "Being negative does not solve any problems.", false},
        {"two", std::nullopt, "Print scaling factor cannot be converted to an integer number.", true},
        {"2.5", std::nullopt, "Print scaling factor cannot be converted to an integer number.", true},
    };
    for (const Case& t : cases) {
        ScriptedUi ui;
        if (t.message) {
            const bool range = QString::fromUtf8(t.message).contains(QStringLiteral("range"));
            ui.expect(MessageKind::Error, QString::fromUtf8(t.message), Buttons::Ok,
                      range ? HelpTopic(137) : HelpTopic());
        }
        EXPECT_EQ(CheckPrintScale(ui, regional, QString::fromUtf8(t.text)), t.value) << t.text;
        EXPECT_EQ(ui.beeps() > 0, t.beep) << t.text;
        ui.verifyDone();
    }
}

} // namespace
