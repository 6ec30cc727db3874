#include "store/ProjectFixture.h"
#include "store/forms/TNewProjectForm.h"
#include <QLineEdit>

using namespace belvanto;

namespace {
class NewProjectFormTest : public belvanto::testing::ProjectFixture {};
}

TEST_F(NewProjectFormTest, StartsWithPlaceholdersAndLimitsTheExcavation)
{
    TNewProjectForm form(session);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("New Project Control"));
    EXPECT_EQ(form.projectFileEdit()->text(), QStringLiteral("*.bvp"));
    EXPECT_EQ(form.termFileEdit()->text(), QStringLiteral("*.db"));
    EXPECT_EQ(form.excavationEdit()->maxLength(), 12);
    EXPECT_EQ(form.excavationEdit()->toolTip(), QStringLiteral("Obligatory default excavation name"));
    EXPECT_TRUE(form.request().termFile.isEmpty());
}

TEST_F(NewProjectFormTest, OkTestsTheNamesAndKeepsTheDialogOpenOnAFault)
{
    TNewProjectForm form(session);
    form.projectFileEdit()->setText(path(QStringLiteral("Dig.bvp")));
    ui.expectError(QStringLiteral("The excavation name must not be blank"), 14);
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);
    form.projectFileEdit()->setText(QStringLiteral("*.bvp"));
    form.excavationEdit()->setText(QStringLiteral("A"));
    ui.expectError(QStringLiteral("Illegal project file name - try again"));
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);

    form.projectFileEdit()->setText(QDir::toNativeSeparators(path(QStringLiteral("Dig.bvp"))));
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    ASSERT_TRUE(NewProject(session, form.request()));
    EXPECT_EQ(session.project().ProjectName, QStringLiteral("Dig"));
    EXPECT_EQ(session.project().CurrentExcavation, QStringLiteral("A"));
    EXPECT_TRUE(session.project().TermFilePath.isEmpty());
}

TEST_F(NewProjectFormTest, SearchButtonsFillTheEdits)
{
    TNewProjectForm form(session);
    ui.expectSaveFile().withTitle(QStringLiteral("Name of Project File")).answer(path(QStringLiteral("Found.bvp")));
    form.searchProjectFile();
    EXPECT_EQ(form.projectFileEdit()->text(), QDir::toNativeSeparators(path(QStringLiteral("Found.bvp"))));
    EXPECT_TRUE(form.request().acceptedBySearch);
    ui.expectSaveFile().withTitle(QStringLiteral("Enter name of Term File")).answer(path(QStringLiteral("Terms.db")));
    ui.expectConfirmation(QStringLiteral("Term file %1 does not exist.\r\nCreate file?")
                              .arg(QDir::toNativeSeparators(path(QStringLiteral("Terms.db")))),
                          Buttons::YesNo, 43)
        .answer(Answer::Yes);
    form.searchTermFile();
    EXPECT_EQ(form.request().termFile, path(QStringLiteral("Terms.db")));
    // Typing changes the name: the search's answer no longer counts.
    form.projectFileEdit()->setText(path(QStringLiteral("Typed.bvp")));
    EXPECT_FALSE(form.request().acceptedBySearch);
}
