// The two windows of the period and phase order check: the "Sorted list"
// dialog in which the user orders the periods the stratigraphy left open,
// and the relation count window that shows why a check failed.
#include "checks/ComponentsFixture.h"
#include "checks/PeriodCheck.h"
#include "checks/forms/TRelationCountForm.h"
#include "checks/forms/TSortedListForm.h"
#include "layout/RelationGraph.h"
#include "ui/UiSupport.h"
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::onNextModal;
using belvanto::testing::RecordingHelp;

namespace {

// "A* B C*": the periods in position order, "*" for an ambiguous one.
PeriodList periodList(const QString& text)
{
    PeriodList list;
    for (QString word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        Period p;
        p.ambiguous = word.endsWith(QLatin1Char('*'));
        if (p.ambiguous) word.chop(1);
        p.name = word;
        p.position = int(list.size()) + 1;
        list.push_back(p);
    }
    return list;
}

QString names(const QListWidget* list)
{
    QStringList words;
    for (int row = 0; row < list->count(); ++row) words << list->item(row)->text();
    return words.join(u' ');
}

} // namespace

TEST(SortedListForm, CaptionLabelButtonsAndHelp)
{
    TSortedListForm form(periodList(QStringLiteral("Römisch* FrühMA* Neuzeit")), QStringLiteral("Phase"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Sorted list"));
    EXPECT_EQ(form.label()->text(), QStringLiteral("Sequence of Phases"));
    EXPECT_EQ(names(form.list()), QStringLiteral("Römisch FrühMA Neuzeit"));
    EXPECT_EQ(form.okButton()->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.cancelButton()->text(), QStringLiteral("&Cancel"));
    RecordingHelp help;
    form.findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
    EXPECT_EQ(help.topics, QStringList{QStringLiteral("Check_phases")});
}

// An ambiguous name swaps with its neighbour, ambiguous or not, and stays
// selected; everything else beeps and leaves the order.
TEST(SortedListForm, MovesOnlyAmbiguousNamesWithinTheList)
{
    enum Button { Up, Down };
    struct Case {
        const char* name;
        const char* periods;
        int row;
        std::vector<Button> clicks;
        const char* order;
        std::vector<int> indices;
        int beeps;
    };
    const Case cases[] = {
        {"down twice, past an ordered period", "A* B* C", 0, {Down, Down}, "B C A", {1, 2, 0}, 0},
        {"up past an ordered period", "C A* B*", 1, {Up}, "A C B", {1, 0, 2}, 0},
        {"up and back down", "A* B* C", 1, {Up, Down}, "A B C", {0, 1, 2}, 0},
        {"top row up", "A* B* C", 0, {Up}, "A B C", {0, 1, 2}, 1},
        {"bottom row down", "C A* B*", 2, {Down}, "C A B", {0, 1, 2}, 1},
        {"ordered period up", "A* B* C", 2, {Up}, "A B C", {0, 1, 2}, 1},
        {"ordered period down", "C A* B*", 0, {Down}, "C A B", {0, 1, 2}, 1},
        {"to the bottom, then beyond", "A* B*", 0, {Down, Down}, "B A", {1, 0}, 1},
    };
    for (const Case& c : cases) {
        int beeps = 0;
        TSortedListForm form(periodList(QString::fromUtf8(c.periods)), QStringLiteral("Period"), nullptr,
                             [&beeps] { ++beeps; });
        form.show();
        form.list()->setCurrentRow(c.row);
        for (Button b : c.clicks) QTest::mouseClick(b == Up ? form.upButton() : form.downButton(), Qt::LeftButton);
        EXPECT_EQ(names(form.list()), QString::fromUtf8(c.order)) << c.name;
        EXPECT_EQ(form.order(), c.indices) << c.name;
        EXPECT_EQ(beeps, c.beeps) << c.name;
    }
}

TEST(SortedListForm, ChooserGivesTheOrderOnOkNothingOnCancel)
{
    const PeriodList periods = periodList(QStringLiteral("A* B* C"));
    onNextModal([](QWidget* modal) {
        auto* form = qobject_cast<TSortedListForm*>(modal);
        ASSERT_TRUE(form);
        EXPECT_EQ(form->label()->text(), QStringLiteral("Sequence of Periods"));
        form->list()->setCurrentRow(1);
        form->UpButtonClick();
        form->okButton()->click();
    });
    const auto order = SortedListChooser(nullptr, QStringLiteral("Period"))(periods);
    ASSERT_TRUE(order);
    EXPECT_EQ(*order, (std::vector<int>{1, 0, 2}));

    onNextModal([](QWidget* modal) {
        auto* form = qobject_cast<TSortedListForm*>(modal);
        ASSERT_TRUE(form);
        form->DownButtonClick();
        form->cancelButton()->click();
    });
    EXPECT_FALSE(SortedListChooser(nullptr, QStringLiteral("Period"))(periods));
}

namespace {

class RelationCountForm : public belvanto::testing_support::ComponentsFixture {
protected:
    // "101:II 102:I": contexts of excavation E with their value of field.
    void contexts(const QString& text, int field)
    {
        BulkScope bulk;
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList parts = word.split(QLatin1Char(':'));
            session.units().insert();
            session.units().set(uf::Excavation, belvanto::testing_support::kExcavation);
            session.units().set(uf::Unitname, parts[0]);
            session.units().set(uf::Unitclass, kContext);
            session.units().set(field, parts[1]);
            session.units().post();
        }
    }

    // The check as the run calls it; it must send the user to the window.
    void failedCheck(const QString& units, const QString& rows, int field)
    {
        contexts(units, field);
        relations(rows);
        RelationGraph graph;
        Protocol cycles(ReportMode::Summary);
        ASSERT_TRUE(RunCycleCheck(session, graph, cycles).ok());
        PeriodList periods;
        ASSERT_EQ(PeriodCheck(session, field, protocol, false, periods, {}, &graph), kPeriodCheckShowRelations);
    }

    QString perTablePath() const { return PeriodRelationTablePath(session.project().ProjectDirectory); }

    // "II I 1 1" per row.
    static QStringList rowTexts(const QTableWidget* grid)
    {
        QStringList rows;
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->columnCount(); ++c) cells << grid->item(r, c)->text();
            rows << cells.join(u' ');
        }
        return rows;
    }

    // Per row: "Y" yellow, "G" light green, "W" white, one letter per cell.
    static QStringList colours(const QTableWidget* grid)
    {
        QStringList rows;
        for (int r = 0; r < grid->rowCount(); ++r) {
            QString row;
            for (int c = 0; c < grid->columnCount(); ++c) {
                const QColor colour = grid->item(r, c)->background().color();
                row += colour == QColor(255, 255, 0) ? u'Y' : colour == QColor(0xC0, 0xFF, 0xC0) ? u'G'
                     : colour == QColor(Qt::white)   ? u'W'
                                                     : u'?';
            }
            rows << row;
        }
        return rows;
    }

    static QStringList headers(const QTableWidget* grid)
    {
        QStringList texts;
        for (int c = 0; c < grid->columnCount(); ++c) texts << grid->horizontalHeaderItem(c)->text();
        return texts;
    }

    static void click(QTableWidget* grid, int row, int column)
    {
        const QRect rect = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

} // namespace

// Period II later than I by one relationship and earlier by another, and
// III later than II: the pair stated both ways is yellow.
TEST_F(RelationCountForm, ContradictionRowIsYellowAndShowsItsRelationships)
{
    failedCheck(QStringLiteral("101:II 102:I 103:I 104:II 105:III"), QStringLiteral("101>102 103>104 105>101"),
                uf::Period);
    TRelationCountForm form(session, uf::Period);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Cycle in relations of periods"));
    EXPECT_EQ(form.countTitle()->text(), QStringLiteral("Check period relation count list:"));
    EXPECT_EQ(form.relationTitle()->text(), QStringLiteral("Corresponding list of relations:"));
    EXPECT_EQ(headers(form.countGrid()), (QStringList{"Period1", "Period2", "> count", "< count"}));
    EXPECT_EQ(headers(form.relationGrid()),
              (QStringList{"Excavation1", "Unitname1", "Relation", "Excavation2", "Unitname2"}));
    EXPECT_EQ(form.cancelButton()->text(), QStringLiteral("&Cancel"));
    EXPECT_EQ(form.helpButton()->text(), QStringLiteral("&Help"));
    EXPECT_FALSE(form.findChild<QPushButton*>(QStringLiteral("OKButton")));

    EXPECT_EQ(rowTexts(form.countGrid()), (QStringList{"II I 1 1", "III II 1 0"}));
    EXPECT_EQ(colours(form.countGrid()), (QStringList{"YYYY", "WWWW"}));
    // Opened on the first row, with both directions.
    EXPECT_EQ(form.countGrid()->currentRow(), 0);
    EXPECT_EQ(rowTexts(form.relationGrid()), (QStringList{"E 101 > E 102", "E 104 < E 103"}));

    struct Case {
        int row, column;
        QStringList relations;
    };
    const Case cases[] = {
        {0, 2, {"E 101 > E 102"}},
        {0, 3, {"E 104 < E 103"}},
        {0, 1, {"E 101 > E 102", "E 104 < E 103"}},
        {1, 2, {"E 105 > E 101"}},
        {1, 3, {}},
        {1, 0, {"E 105 > E 101"}},
    };
    for (const Case& c : cases) {
        click(form.countGrid(), c.row, c.column);
        EXPECT_EQ(rowTexts(form.relationGrid()), c.relations) << c.row << ',' << c.column;
        EXPECT_EQ(form.relationGrid()->rowCount(), c.relations.size()) << c.row << ',' << c.column;
    }
    // Looking only.
    EXPECT_EQ(form.countGrid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(form.relationGrid()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

// After a cycle the later period of each row that leaves the cycle's
// candidates is green in the first column, the earlier one in the second.
TEST_F(RelationCountForm, CycleCellsAreGreen)
{
    failedCheck(QStringLiteral("101:I 102:I 103:II 104:II 105:III 106:III"),
                QStringLiteral("103>105 103>106 106>101 102>104"), uf::Phase);
    TRelationCountForm form(session, uf::Phase);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Cycle in relations of phases"));
    EXPECT_EQ(form.countTitle()->text(), QStringLiteral("Check phase relation count list:"));
    EXPECT_EQ(headers(form.countGrid()), (QStringList{"Phase1", "Phase2", "> count", "< count"}));
    EXPECT_EQ(rowTexts(form.countGrid()), (QStringList{"I II 1 0", "II III 2 0", "III I 1 0"}));
    EXPECT_EQ(colours(form.countGrid()), (QStringList{"WGWW", "GWWW", "WGWW"}));
    EXPECT_EQ(rowTexts(form.relationGrid()), QStringList{"E 102 > E 104"});
}

// The next check run writes the table anew, which fails while it is open.
TEST_F(RelationCountForm, ModalWindowWithHelpHoldsTheTableUntilItCloses)
{
    failedCheck(QStringLiteral("101:II 102:I 103:I 104:II"), QStringLiteral("101>102 103>104"), uf::Period);
    RecordingHelp help;
    bool seen = false;
    onNextModal([&](QWidget* modal) {
        auto* form = qobject_cast<TRelationCountForm*>(modal);
        ASSERT_TRUE(form);
        seen = true;
        EXPECT_TRUE(Table::isOpenAnywhere(perTablePath()));
        form->helpButton()->click();
        // A shortcut needs the window active, which a busy machine may
        // take a moment to make it.
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form));
        QTest::keyClick(form, Qt::Key_F1);
        form->cancelButton()->click();
    });
    ShowPeriodRelationCounts(session, uf::Period, nullptr);
    EXPECT_TRUE(seen);
    EXPECT_EQ(help.topics, QStringList(2, QStringLiteral("Phase_relation_count_list")));
    EXPECT_TRUE(BrowserHelp(QStringLiteral(BELVANTO_HELP_DIR))
                    .pagePath(HelpTopic(kRelationCountHelpTopic))
                    .endsWith(QStringLiteral("/Phase_relation_count_list.html")));
    EXPECT_FALSE(Table::isOpenAnywhere(perTablePath()));
    RelationGraph graph;
    Protocol cycles(ReportMode::Summary);
    ASSERT_TRUE(RunCycleCheck(session, graph, cycles).ok());
    PeriodList periods;
    EXPECT_EQ(PeriodCheck(session, uf::Period, protocol, false, periods, {}, &graph), kPeriodCheckShowRelations);
}
