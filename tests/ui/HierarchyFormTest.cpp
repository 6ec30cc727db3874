#include "checks/forms/THierarchyConfigForm.h"
#include "ui/UiSupport.h"
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

// A click on the check box or on one of the radios.
enum class Click { Contexts, Ignore, Periods, Phases };

void click(THierarchyConfigForm& form, Click c)
{
    QAbstractButton* button = c == Click::Contexts ? static_cast<QAbstractButton*>(form.includeContextsCheck())
                              : c == Click::Ignore ? form.chronologyRadio(Chronology::Ignore)
                              : c == Click::Periods ? form.chronologyRadio(Chronology::Periods)
                                                    : form.chronologyRadio(Chronology::Phases);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

} // namespace

TEST(HierarchyConfigForm, CaptionControlsAndDefaults)
{
    THierarchyConfigForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Hierarchy configuration"));
    EXPECT_EQ(form.includeContextsCheck()->text(), QStringLiteral("Include contexts"));
    EXPECT_EQ(form.chronologyRadio(Chronology::Ignore)->text(), QStringLiteral("ignore phases and periods"));
    EXPECT_EQ(form.chronologyRadio(Chronology::Periods)->text(), QStringLiteral("include periods"));
    EXPECT_EQ(form.chronologyRadio(Chronology::Phases)->text(), QStringLiteral("include phases"));
    EXPECT_TRUE(form.options().includeContexts);
    EXPECT_EQ(form.options().chronology, Chronology::Ignore);
}

// Periods and phases are the contexts' own: choosing them, or clicking the
// check box while one is chosen, leaves "Include contexts" checked.
TEST(HierarchyConfigForm, PeriodsOrPhasesImplyIncludeContexts)
{
    struct Case {
        const char* name;
        std::vector<Click> clicks;
        bool includeContexts;
        Chronology chronology;
    };
    const Case cases[] = {
        {"contexts off", {Click::Contexts}, false, Chronology::Ignore},
        {"periods check contexts", {Click::Contexts, Click::Periods}, true, Chronology::Periods},
        {"phases check contexts", {Click::Contexts, Click::Phases}, true, Chronology::Phases},
        {"contexts stay with periods", {Click::Periods, Click::Contexts}, true, Chronology::Periods},
        {"contexts stay with phases", {Click::Phases, Click::Contexts, Click::Contexts}, true, Chronology::Phases},
        {"ignoring frees them", {Click::Phases, Click::Ignore, Click::Contexts}, false, Chronology::Ignore},
    };
    for (const Case& c : cases) {
        THierarchyConfigForm form;
        form.show();
        for (Click k : c.clicks) click(form, k);
        EXPECT_EQ(form.options().includeContexts, c.includeContexts) << c.name;
        EXPECT_EQ(form.options().chronology, c.chronology) << c.name;
    }
}

TEST(HierarchyConfigForm, OkGivesTheOptionsCancelNothingHelpItsTopic)
{
    onNextModal([](QWidget* modal) {
        auto* form = qobject_cast<THierarchyConfigForm*>(modal);
        ASSERT_TRUE(form);
        form->chronologyRadio(Chronology::Phases)->click();
        form->okButton()->click();
    });
    const auto chosen = AskHierarchyOptions(nullptr);
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(chosen->includeContexts);
    EXPECT_EQ(chosen->chronology, Chronology::Phases);

    onNextModal([](QWidget* modal) { static_cast<THierarchyConfigForm*>(modal)->cancelButton()->click(); });
    EXPECT_FALSE(AskHierarchyOptions(nullptr));

    belvanto::testing::RecordingHelp help;
    THierarchyConfigForm form;
    form.findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
    EXPECT_EQ(help.topics, QStringList{QStringLiteral("Hierarchy_list_toggle")});
}
