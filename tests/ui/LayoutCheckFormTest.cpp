#include "layout/forms/TLayoutCheckForm.h"
#include "store/ProjectFixture.h"
#include "ui/UiSupport.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace belvanto;
using belvanto::testing::RecordingHelp;
using C = RunControl;

namespace {

QTime lunchTime()
{
    return QTime(12, 34, 56, 789);
}

class LayoutCheckForm : public ::testing::Test {
protected:
    ScriptedUi ui;
    TLayoutCheckForm form{RunOptions(), ui, lunchTime};

    void TearDown() override { ui.verifyDone(); }
    void showActive()
    {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    // The checked boxes by name, in the order of the controls.
    QStringList checked() const
    {
        QStringList names;
        for (int c = 0; c < kRunControlCount; ++c)
            if (QCheckBox* box = form.check(C(c)); box && box->isChecked()) names << box->objectName();
        return names;
    }
    // Leaves the focused field by Tab, as the user does, and lets its check run.
    void tabAway(QWidget* field)
    {
        QTest::keyClick(field, Qt::Key_Tab);
        QTest::qWait(20);
    }
};

TEST_F(LayoutCheckForm, CaptionsAndDefaults)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Select checking operations and layout properties"));
    const std::pair<QCheckBox*, const char*> captions[] = {
        {form.CoordinatesPresentCheck, "Check that &all center coordinates for contexts are present"},
        {form.YoungerAboveOlderCheck, "Check that later contexts are &below earlier ones by at most"},
        {form.ContemporaryZCheck, "Check that contemporary contexts d&iffer in height by at most"},
        {form.EqualZCheck, "Check that e&qual contexts differ in height by at most"},
        {form.CoordsHorizCheck, "&Use coordinates to determine horizontal context sequence"},
        {form.CheckAboveYear, "Check that later/earlier relationships and center years &match"},
        {form.CheckContempYear, "Check that dates of contemporary contexts &differ by at most"},
        {form.CheckEqualYear, "Check that dates of &equal contexts differ by at most"},
        {form.ConnectedCheck, "Check for co&nnected components"},
        {form.CycleCheck, "Check for c&ycles"},
        {form.RedundantDelete, "Delete &redundant relationships"},
        {form.PeriodCheck, "Check that &periods do not overlap"},
        {form.PhaseCheck, "Chec&k that phases do not overlap"},
        {form.ShowGroupsCheck, "Show &groups"},
        {form.StrictGroupCheck, "Check stric&t group chronology"},
    };
    for (const auto& [box, caption] : captions) EXPECT_EQ(box->text(), QString::fromLatin1(caption));
    EXPECT_EQ(form.CoordsHorizNote->text(), QStringLiteral("(show projection of context coordinates)"));
    EXPECT_EQ(form.CycleNote->text(), QStringLiteral("(necessary for Harris diagram layout)"));
    EXPECT_EQ(form.RandomBox->title(), QStringLiteral("Random number generator seed"));
    EXPECT_EQ(form.ShuffleButton->text(), QStringLiteral("Shuffle"));
    EXPECT_EQ(form.ReportSelection->title(), QStringLiteral(" Report selection "));
    EXPECT_EQ(form.PixelResolution->title(), QStringLiteral("Number of colours"));
    EXPECT_EQ(form.reportRadio(ReportMode::Summary)->text(), QStringLiteral("Short summary only"));
    EXPECT_EQ(form.modeRadio(false)->text(), QStringLiteral("Check only"));
    EXPECT_EQ(form.coloursRadio(ColourDepth::BlackWhite)->text(), QStringLiteral("2 black/white"));
    EXPECT_EQ(form.coloursRadio(ColourDepth::Colours16M)->text(), QStringLiteral("16 million"));
    EXPECT_EQ(form.ContempYearEdit->maxLength(), 5);
    EXPECT_EQ(form.EqualYearEdit->maxLength(), 5);
    EXPECT_EQ(form.RandomEdit->maxLength(), 10);

    EXPECT_EQ(checked(), (QStringList{"CycleCheck", "RedundantDelete"}));
    EXPECT_TRUE(form.modeRadio(true)->isChecked());
    EXPECT_TRUE(form.reportRadio(ReportMode::Detailed)->isChecked());
    EXPECT_TRUE(form.coloursRadio(ColourDepth::BlackWhite)->isChecked());
    EXPECT_EQ(form.RandomEdit->text(), QStringLiteral("932216981"));
}

TEST_F(LayoutCheckForm, HelpButtonAndF1OpenTheTopic)
{
    RecordingHelp help;
    showActive();
    form.HelpButton->click();
    QTest::keyClick(&form, Qt::Key_F1);
    EXPECT_EQ(help.topics, (QStringList{"Layout_and_check_dialogue", "Layout_and_check_dialogue"}));
}

// Clicks follow the rules between the controls; the widgets show what they
// made of the options, radio buttons included.
TEST_F(LayoutCheckForm, ClicksCascadeThroughTheControls)
{
    form.StrictGroupCheck->click();
    form.PeriodCheck->click();
    EXPECT_EQ(checked(), (QStringList{"CycleCheck", "RedundantDelete", "PeriodCheck", "ShowGroupsCheck",
                                      "StrictGroupCheck"}));
    // "Check only" cannot stand beside the groups.
    form.modeRadio(false)->click();
    EXPECT_TRUE(form.modeRadio(true)->isChecked());
    EXPECT_FALSE(form.modeRadio(false)->isChecked());

    form.PhaseCheck->click();
    EXPECT_FALSE(form.PeriodCheck->isChecked());
    // The coordinate order replaces the groups, and their strictness goes.
    form.CoordsHorizCheck->click();
    EXPECT_EQ(checked(), (QStringList{"CoordsHorizCheck", "CycleCheck", "RedundantDelete", "PhaseCheck"}));

    form.CycleCheck->click();
    EXPECT_EQ(checked(), (QStringList{"CoordsHorizCheck"}));
    EXPECT_TRUE(form.modeRadio(false)->isChecked());
    form.modeRadio(true)->click();
    EXPECT_EQ(checked(), (QStringList{"CoordsHorizCheck", "CycleCheck"}));

    form.reportRadio(ReportMode::Summary)->click();
    form.coloursRadio(ColourDepth::Colours256)->click();
    RunOptions expected;
    SetRunOption(expected, C::DeleteRedundant, false);
    SetRunOption(expected, C::CoordinateOrder, true);
    expected.report = ReportMode::Summary;
    expected.colours = ColourDepth::Colours256;
    EXPECT_EQ(form.options(), expected);
}

class LayoutCheckPresets : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override { createProject(); }
    void TearDown() override { CloseProject(session, true); }
    void addUnit(const QString& name, const QString& unitClass, const QString& phase, int colour)
    {
        Table& units = session.units();
        units.insert();
        units.set(uf::Excavation, QStringLiteral("A"));
        units.set(uf::Unitname, name);
        units.set(uf::Unitclass, unitClass);
        units.set(uf::Phase, phase);
        units.set(uf::DisplayColour, colour);
        units.post();
    }
};

// Every unit has a phase but one lacks a period; there is a group and a
// coloured unit.
TEST_F(LayoutCheckPresets, TheProjectsPresetsAreShown)
{
    addUnit(QStringLiteral("1"), kContext, QStringLiteral("II"), 16777215);
    addUnit(QStringLiteral("G"), kGroup, QStringLiteral("I"), 255);
    TLayoutCheckForm form(PresetRunOptions(session), ui, lunchTime);
    EXPECT_TRUE(form.ShowGroupsCheck->isChecked());
    EXPECT_TRUE(form.PhaseCheck->isChecked());
    EXPECT_FALSE(form.PeriodCheck->isChecked());
    EXPECT_TRUE(form.CycleCheck->isChecked());
    EXPECT_TRUE(form.coloursRadio(ColourDepth::Colours65536)->isChecked());
}

// Leaving an edit checks its text; a failing one keeps the focus, a valid
// number checks its box and empty text unchecks it.
TEST_F(LayoutCheckForm, EditsAreCheckedOnLeaving)
{
    struct Case {
        const char* name;
        QLineEdit* edit;
        const char* text;
        const char* error;   // nullptr: accepted
        bool beep;
        bool checkedAfter;
    };
    const Case cases[] = {
        {"height not a number", form.ZDifferAboveEdit, "1,5",
         "Coordinate unit value cannot be converted to a floating point number.", true, false},
        {"height negative", form.ZDifferEqualEdit, "-0.5", "Being negative does not solve any problems.", false, false},
        {"year not an integer", form.ContempYearEdit, "1.5", "Year value cannot be converted to an integer number.",
         true, false},
        {"year negative", form.EqualYearEdit, "-10", "Being negative does not solve any problems.", false, false},
        {"seed not a number", form.RandomEdit, "seed", "Random seed cannot be converted to an integer number.", true,
         false},
        {"height valid", form.ZDifferContemporaryEdit, " 0.25 ", nullptr, false, true},
        {"year valid", form.EqualYearEdit, "50", nullptr, false, true},
        {"year emptied", form.EqualYearEdit, "  ", nullptr, false, false},
        {"negative seed", form.RandomEdit, "-34087340", nullptr, false, false},
    };
    showActive();
    for (const Case& c : cases) {
        c.edit->setFocus();
        c.edit->setText(QString::fromLatin1(c.text));
        const int beeps = ui.beeps();
        if (c.error) ui.expectError(QString::fromLatin1(c.error));
        tabAway(c.edit);
        ui.verifyDone();
        EXPECT_EQ(ui.beeps() - beeps, c.beep ? 1 : 0) << c.name;
        if (c.error) {
            EXPECT_TRUE(c.edit->hasFocus()) << c.name;
            if (c.beep) {
                EXPECT_EQ(ui.events().value(ui.events().size() - 2), QStringLiteral("beep")) << c.name;
            }
            // A valid text, for the next case's move to leave it quietly.
            c.edit->setText(c.edit == form.RandomEdit ? QStringLiteral("1") : QString());
            continue;
        }
        EXPECT_FALSE(c.edit->hasFocus()) << c.name;
        for (C control : {C::LaterBelow, C::ContemporaryHeight, C::EqualHeight, C::ContemporaryYears, C::EqualYears})
            if (form.edit(control) == c.edit) {
                EXPECT_EQ(form.check(control)->isChecked(), c.checkedAfter) << c.name;
            }
    }
    EXPECT_EQ(form.options().seed, QStringLiteral("-34087340"));
    EXPECT_EQ(form.options().contemporaryHeight, QStringLiteral(" 0.25 "));
}

TEST_F(LayoutCheckForm, ABoxWantsItsValueAndUncheckingClearsIt)
{
    showActive();
    form.CheckContempYear->setFocus();
    QTest::mouseClick(form.CheckContempYear, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_TRUE(form.CheckContempYear->isChecked());
    EXPECT_TRUE(form.ContempYearEdit->hasFocus());

    form.ContempYearEdit->setText(QStringLiteral("20"));
    QTest::mouseClick(form.CheckContempYear, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_FALSE(form.CheckContempYear->isChecked());
    EXPECT_TRUE(form.ContempYearEdit->text().isEmpty());
    EXPECT_TRUE(form.options().contemporaryYears.isEmpty());
    // A box with its value keeps the focus.
    form.ZDifferAboveEdit->setText(QStringLiteral("0.1"));
    QTest::mouseClick(form.YoungerAboveOlderCheck, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_TRUE(form.YoungerAboveOlderCheck->isChecked());
    EXPECT_TRUE(form.YoungerAboveOlderCheck->hasFocus());
}

// The way to Cancel is not a way out of a field.
TEST_F(LayoutCheckForm, CancelSkipsTheCheck)
{
    showActive();
    belvanto::testing::ExpectCancelSkipsTheCheck(form, form.ZDifferAboveEdit, QStringLiteral("deep"), form.CancelButton, ui);
}

// OK checks every field again, the rows top to bottom, then the seed; a
// value that was never left still counts.
TEST_F(LayoutCheckForm, OkChecksEveryFieldAgain)
{
    showActive();
    form.ZDifferEqualEdit->setText(QStringLiteral("x"));
    form.EqualYearEdit->setText(QStringLiteral("-1"));
    form.RandomEdit->setText(QString());
    struct Step {
        QLineEdit* failing;
        const char* error;
        const char* fix;
    };
    const Step steps[] = {
        {form.ZDifferEqualEdit, "Coordinate unit value cannot be converted to a floating point number.", "0.5"},
        {form.EqualYearEdit, "Being negative does not solve any problems.", "25"},
        {form.RandomEdit, "Random seed cannot be converted to an integer number.", nullptr},
    };
    for (const Step& step : steps) {
        ui.expectError(QString::fromLatin1(step.error));
        form.OKButton->click();
        QTest::qWait(20);
        ui.verifyDone();
        EXPECT_TRUE(form.isVisible()) << step.error;
        EXPECT_TRUE(step.failing->hasFocus()) << step.error;
        if (step.fix) step.failing->setText(QString::fromLatin1(step.fix));
    }

    form.ShuffleButtonClick();
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    RunOptions expected;
    SetRunOption(expected, C::EqualHeight, true);
    SetRunOption(expected, C::EqualYears, true);
    expected.equalHeight = QStringLiteral("0.5");
    expected.equalYears = QStringLiteral("25");
    expected.seed = QStringLiteral("-34087340");
    EXPECT_EQ(form.options(), expected);
}

TEST_F(LayoutCheckForm, ShuffleTakesTheSeedFromTheClock)
{
    form.ShuffleButton->click();
    EXPECT_EQ(form.RandomEdit->text(), QStringLiteral("-34087340"));
    EXPECT_EQ(form.options().seed, QStringLiteral("-34087340"));
}

// Tab runs through the controls as they stand, top to bottom and left to
// right.
TEST_F(LayoutCheckForm, TabFollowsTheVisualOrder)
{
    QStringList order;
    QWidget* w = form.CoordinatesPresentCheck;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form.CoordinatesPresentCheck);
    const QStringList expected{
        "CoordinatesPresentCheck", "YoungerAboveOlderCheck", "ZDifferAboveEdit", "ContemporaryZCheck",
        "ZDifferContemporaryEdit", "EqualZCheck", "ZDifferEqualEdit", "CoordsHorizCheck", "CheckAboveYear",
        "CheckContempYear", "ContempYearEdit", "CheckEqualYear", "EqualYearEdit", "ConnectedCheck", "CycleCheck",
        "RedundantDelete", "PeriodCheck", "PhaseCheck", "ShowGroupsCheck", "StrictGroupCheck", "RandomEdit",
        "ShuffleButton", "DetailedRadio", "SummaryRadio", "LayoutRadio", "CheckOnlyRadio", "Colours2Radio",
        "Colours16Radio", "Colours256Radio", "Colours65536Radio", "Colours16MRadio", "OKButton", "CancelButton",
        "HelpButton"};
    EXPECT_EQ(order, expected);
}

} // namespace
