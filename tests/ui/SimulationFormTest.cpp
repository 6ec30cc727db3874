#include "simulation/forms/TSimulationForm.h"
#include "store/ProjectFixture.h"
#include "ui/UiSupport.h"
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

class SimulationFormTest : public belvanto::testing::ProjectFixture {
protected:
    void TearDown() override { CloseProject(session, true); }
    static QTime midnight() { return QTime(0, 0); }
};

TEST_F(SimulationFormTest, StartsWithThePresets)
{
    TSimulationForm form(session, midnight);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Simulation Configuration"));
    const SimulationEntries presets;
    for (int f = 0; f < kSimFieldCount; ++f)
        EXPECT_EQ(form.edit(SimField(f))->text(), presets[SimField(f)]) << form.edit(SimField(f))->objectName().toStdString();
    EXPECT_EQ(form.edit(SimField::ProjectFile)->text(), QStringLiteral("*.bvp"));
    EXPECT_EQ(form.edit(SimField::StratCt)->objectName(), QStringLiteral("StratCtEdit"));
    EXPECT_EQ(form.edit(SimField::Random7)->objectName(), QStringLiteral("Random7Edit"));
    EXPECT_EQ(form.edit(SimField::Prefix)->maxLength(), 3);
    EXPECT_EQ(form.edit(SimField::UprightFactor)->maxLength(), 1);
    EXPECT_EQ(form.edit(SimField::Excavation)->maxLength(), 12);
    EXPECT_EQ(form.shuffleButton()->text(), QStringLiteral("Shuff&le"));
}

// Tab runs down the fields as they stand: the Search button beside its edit
// comes right after it, Shuffle after the last seed.
TEST_F(SimulationFormTest, TabRunsAsTheFieldsStand)
{
    TSimulationForm form(session, midnight);
    QStringList order;
    QWidget* w = form.edit(SimField::ProjectFile);
    do {
        if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form.edit(SimField::ProjectFile));
    ASSERT_GE(order.size(), 3);
    EXPECT_EQ(order.mid(0, 3), (QStringList{QStringLiteral("ProjectFileEditbox"), QStringLiteral("SearchButton"),
                                            QStringLiteral("ExcavationEdit")}));
    const qsizetype last = order.indexOf(QStringLiteral("Random7Edit"));
    ASSERT_GE(last, 0);
    EXPECT_EQ(order.value(last + 1), QStringLiteral("ShuffleButton"));
}

TEST_F(SimulationFormTest, ShuffleDrawsTheSeedsFromTheClock)
{
    TSimulationForm form(session, midnight);
    form.shuffleButton()->click();
    QStringList seeds;
    for (int i = 0; i < kSeedCount; ++i) seeds << form.edit(seedField(i))->text();
    EXPECT_EQ(seeds, (QStringList{"1", "1", "109749245", "-69627162", "808654879", "1", "-139254325"}));
}

TEST_F(SimulationFormTest, RefusedEntryKeepsTheDialogOpenWithTheFocusOnIt)
{
    TSimulationForm form(session, midnight);
    form.show();
    form.edit(SimField::ProjectFile)->setText(path(QStringLiteral("Sim.bvp")));
    form.edit(SimField::Excavation)->setText(QStringLiteral("Site"));
    form.edit(SimField::StratCt)->setText(QStringLiteral("5"));
    ui.expectError(QStringLiteral("Number in range 10..99999 expected."));
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.focusWidget(), form.edit(SimField::StratCt));

    form.edit(SimField::StratCt)->setText(QStringLiteral("20"));
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.settings().contexts, 20);
}

TEST_F(SimulationFormTest, AFileFromTheSearchIsNotAskedAboutAgain)
{
    const QString file = path(QStringLiteral("Old.bvp"));
    writeAll(file, "Project=Old\r\n");
    TSimulationForm form(session, midnight);
    ui.expectSaveFile().withTitle(QStringLiteral("Name of Project File")).answer(file);
    form.SearchButtonClick();
    EXPECT_EQ(form.edit(SimField::ProjectFile)->text(), QDir::toNativeSeparators(file));
    form.edit(SimField::Excavation)->setText(QStringLiteral("Site"));
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.settings().projectFile, file);
}

TEST_F(SimulationFormTest, TheCommandMakesTheProjectAndLeavesItOpen)
{
    onNextModal([this](QWidget* w) {
        auto* form = qobject_cast<TSimulationForm*>(w);
        ASSERT_NE(form, nullptr);
        form->edit(SimField::ProjectFile)->setText(path(QStringLiteral("Sim.bvp")));
        form->edit(SimField::Excavation)->setText(QStringLiteral("Site"));
        form->edit(SimField::StratCt)->setText(QStringLiteral("10"));
        form->accept();
    });
    ASSERT_TRUE(SimulateProject(session, nullptr, midnight));
    EXPECT_TRUE(session.project().isOpen());
    EXPECT_EQ(unitRows(session.units(), uf::DisplayColour).first(), QStringLiteral("Site:F01=7653621"));
    EXPECT_EQ(ui.statuses().last(), QStringLiteral("10 units simulated"));
}

TEST_F(SimulationFormTest, TheCommandWaitsForTheOpenProjectToClose)
{
    createProject();
    ui.expectWarning(QStringLiteral("Another project is still open, close project first."), 92);
    EXPECT_FALSE(SimulateProject(session, nullptr, midnight));
    EXPECT_EQ(session.project().ProjectName, QStringLiteral("P"));
}

} // namespace
