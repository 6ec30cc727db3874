#include "editing/forms/TConsecutiveForm.h"
#include "store/ProjectFixture.h"
#include "ui/UiSupport.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest/QTest>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

class ConsecutiveFormTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override { createProject(QStringLiteral("P"), QStringLiteral("Site")); }
    void TearDown() override { CloseProject(session, true); }

    QStringList names() { return unitRows(session.units(), uf::Unitclass); }
};

TEST_F(ConsecutiveFormTest, StartsOnTheCurrentExcavationWithContexts)
{
    TConsecutiveForm form(session);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Units with consecutive numbers"));
    EXPECT_EQ(form.ExcavationEdit->text(), QStringLiteral("Site"));
    EXPECT_FALSE(form.ExcavationEdit->isReadOnly());
    EXPECT_EQ(form.UnitClassBox->currentText(), QStringLiteral("context"));
    EXPECT_EQ(form.DigitsEdit->minimum(), 0);
    EXPECT_EQ(form.DigitsEdit->maximum(), 8);
    EXPECT_EQ(form.ChainCheck->text(), QStringLiteral("Create chain-like &relationships:"));
    EXPECT_FALSE(form.ChainCheck->isChecked());
}

TEST_F(ConsecutiveFormTest, SingleExcavationProjectsKeepTheExcavation)
{
    session.project().SingleExcavation = true;
    TConsecutiveForm form(session);
    EXPECT_TRUE(form.ExcavationEdit->isReadOnly());
}

TEST_F(ConsecutiveFormTest, EditsLetOnlyWhatMakesUnitNamesThrough)
{
    TConsecutiveForm form(session);
    QTest::keyClicks(form.FirstNumberEdit, QStringLiteral("0120x"));
    EXPECT_EQ(form.FirstNumberEdit->text(), QStringLiteral("120"));
    QTest::keyClicks(form.LastNumberEdit, QStringLiteral("123456789"));
    EXPECT_EQ(form.LastNumberEdit->text(), QStringLiteral("12345678"));
    QTest::keyClicks(form.PrefixEdit, QStringLiteral("S :=,T12"));
    EXPECT_EQ(form.PrefixEdit->text(), QStringLiteral("ST12"));
    EXPECT_EQ(ui.beeps(), 4);
    form.ModelUnitEdit->insert(QStringLiteral("a b"));   // pasted
    EXPECT_EQ(form.ModelUnitEdit->text(), QString());
}

TEST_F(ConsecutiveFormTest, RefusalKeepsTheDialogOpenWithTheFocusOnTheEdit)
{
    TConsecutiveForm form(session);
    form.show();
    form.FirstNumberEdit->setText(QStringLiteral("12"));
    form.LastNumberEdit->setText(QStringLiteral("8"));
    ui.expectError(QStringLiteral("First unit number must be lower than last"), 75);
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.focusWidget(), form.FirstNumberEdit);
    EXPECT_TRUE(names().isEmpty());
}

TEST_F(ConsecutiveFormTest, ConfirmedRunIsCreatedAndDeclinedRunIsNot)
{
    TConsecutiveForm form(session);
    form.FirstNumberEdit->setText(QStringLiteral("8"));
    form.LastNumberEdit->setText(QStringLiteral("12"));
    form.PrefixEdit->setText(QStringLiteral("S"));
    form.DigitsEdit->setValue(2);
    ui.expectConfirmation(QStringLiteral("Confirm creation of 5 units"), Buttons::YesNo, 75).answer(Answer::No);
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_TRUE(names().isEmpty());

    ui.expectConfirmation(QStringLiteral("Confirm creation of 5 units"), Buttons::YesNo, 75).answer(Answer::Yes);
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(names(), (QStringList{"Site:S08=context", "Site:S09=context", "Site:S10=context", "Site:S11=context",
                                    "Site:S12=context"}));
}

TEST_F(ConsecutiveFormTest, TheCommandChainsTheNewUnits)
{
    onNextModal([this](QWidget* w) {
        auto* form = qobject_cast<TConsecutiveForm*>(w);
        ASSERT_NE(form, nullptr);
        form->FirstNumberEdit->setText(QStringLiteral("1"));
        form->LastNumberEdit->setText(QStringLiteral("3"));
        form->ChainCheck->setChecked(true);
        ui.expectConfirmation(QStringLiteral("Confirm creation of 3 units"), Buttons::YesNo, 75).answer(Answer::Yes);
        form->accept();
    });
    ASSERT_TRUE(ConsecutiveNumbers(session, nullptr));
    EXPECT_EQ(relationRows(session.relations()),
              (QStringList{"Site:1>Site:2  u", "Site:2<Site:1  u", "Site:2>Site:3  u", "Site:3<Site:2  u"}));
}

} // namespace
