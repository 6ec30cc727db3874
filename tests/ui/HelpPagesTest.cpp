// Every window's F1 opens a page of its own, not the contents page that
// stands in for missing ones.
#include "checks/forms/THierarchyConfigForm.h"
#include "checks/forms/TProjectionForm.h"
#include "checks/forms/TSortedListForm.h"
#include "editing/forms/TChainForm.h"
#include "editing/forms/TConsecutiveForm.h"
#include "editing/forms/TReassignForm.h"
#include "editing/forms/TRelationshipForm.h"
#include "editing/forms/TSelectRelationForm.h"
#include "exchange/Csv.h"
#include "exchange/forms/TCSVExportForm.h"
#include "exchange/forms/TImportFieldsForm.h"
#include "exchange/forms/TImportFileForm.h"
#include "simulation/forms/TSimulationForm.h"
#include "store/ProjectFixture.h"
#include "store/forms/TFieldConfigForm.h"
#include "store/forms/TNewProjectForm.h"
#include "ui/Help.h"
#include "ui/HelpTopics.h"
#include "ui/TProtocolForm.h"
#include "ui/UiSupport.h"
#include "views/forms/TAboutForm.h"
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

using namespace belvanto;

namespace {

class HelpPages : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        addUnit(QStringLiteral("A"), QStringLiteral("1"));
        addUnit(QStringLiteral("A"), QStringLiteral("2"));
    }
    void TearDown() override { CloseProject(session, true); }

    // The page F1 opens in a shown, active dialog.
    QString pageOfF1(QDialog& dialog)
    {
        belvanto::testing::RecordingHelp help;
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_F1);
        dialog.hide();
        if (help.topics.size() != 1) return QStringLiteral("(%1 topics)").arg(help.topics.size());
        const QString topic = help.topics.front();
        bool number = false;
        const int n = topic.toInt(&number);
        return QFileInfo(browser.pagePath(number ? HelpTopic(n) : HelpTopic(topic))).fileName();
    }

    BrowserHelp browser{QStringLiteral(BELVANTO_HELP_DIR)};
};

} // namespace

TEST_F(HelpPages, EveryDialogOpensItsOwnPage)
{
    TRelationshipForm::AddSetup setup;
    setup.first = {QStringLiteral("A"), QStringLiteral("1")};
    setup.storeNext = [](const RelationshipEntry&) { return true; };
    addRelation({QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("A"), QStringLiteral("2")}, QLatin1Char('<'));
    session.relations().first();
    writeAll(path(QStringLiteral("c.csv")), "Unitname\r\n1\r\n");
    const auto csvSource = ReadCsvHeader(ui, path(QStringLiteral("c.csv")), CsvOptions(), regional);
    ASSERT_TRUE(csvSource);
    const UnitKey a1{QStringLiteral("A"), QStringLiteral("1")};
    const UnitKey a2{QStringLiteral("A"), QStringLiteral("2")};

    struct Case {
        const char* page;
        std::function<std::unique_ptr<QDialog>()> make;
    };
    const Case cases[] = {
        {"New_relationship.html", [&] { return std::make_unique<TRelationshipForm>(session, setup); }},
        {"Change_relationship_comment.html",
         [&] { return std::make_unique<TRelationshipForm>(session, session.relations()); }},
        {"Create_chainlike_relationships.html", [&] { return std::make_unique<TChainForm>(session); }},
        {"Units_with_consecutive_numbers.html", [&] { return std::make_unique<TConsecutiveForm>(session); }},
        {"Simulating_test_data.html",
         [&] { return std::make_unique<TSimulationForm>(session, [] { return QTime(0, 0); }); }},
        {"Select_relation.html", [] { return std::make_unique<TSelectRelationForm>(true); }},
        {"Delete_relation.html",
         [&] { return std::make_unique<TReassignForm>(session, a1, a2, QLatin1Char('='), std::vector<UnitKey>{}); }},
        {"split_part_of_relationships.html",
         [&] { return std::make_unique<TReassignForm>(session, a1, a2, QLatin1Char('p'), std::vector<UnitKey>{}); }},
        {"New_project.html", [&] { return std::make_unique<TNewProjectForm>(session); }},
        {"Import_stratigraphic_data.html", [&] { return std::make_unique<TImportFileForm>(session); }},
        {"Import__CSV_options.html", [&] { return std::make_unique<TCSVExportForm>(kCsvImportCaption, ui); }},
        {"Field_concordance.html",
         [&] { return std::make_unique<TImportFieldsForm>(session, *csvSource, QStringLiteral("A")); }},
        {"Configure_Fields.html",
         [&] { return std::make_unique<TFieldConfigForm>(session.catalogue(), false, false, false, ui); }},
        {"Hierarchy_list_toggle.html", [] { return std::make_unique<THierarchyConfigForm>(); }},
        {"Show_projection.html",
         [&] {
             const auto at = [](double x, double y) { return ProjectionPoint{x, y, 0.0, {}, {}}; };
             return std::make_unique<TProjectionForm>(
                 AnalyseProjection({at(0, 0), at(1, 1), at(2, 2), at(3, 3), at(4, 4)}), ui, regional);
         }},
        {"Check_phases.html",
         [] { return std::make_unique<TSortedListForm>(PeriodList{{QStringLiteral("I"), 1, 1, true}}, QStringLiteral("Period")); }},
        {"Report_window.html",
         [&] {
             return std::make_unique<TProtocolForm>(QStringLiteral("Report"), QStringList{QStringLiteral("line")},
                                                    HelpTopic("Report_window"), ui);
         }},
        {"Test_Pair.html",
         [&] {
             return std::make_unique<TProtocolForm>(QStringLiteral("Pair"), QStringList{QStringLiteral("line")},
                                                    HelpTopic("Test_Pair"), ui, nullptr, true);
         }},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QDialog> dialog = c.make();
        EXPECT_EQ(pageOfF1(*dialog), QString::fromLatin1(c.page)) << c.page;
    }
}

TEST(AboutBox, LinkOpensTheHelpOrIsNotShown)
{
    {
        TAboutForm about;
        EXPECT_TRUE(about.findChild<QLabel*>(QStringLiteral("WebLink"))->isHidden());
    }
    belvanto::testing::RecordingHelp help;
    TAboutForm about;
    auto* link = about.findChild<QLabel*>(QStringLiteral("WebLink"));
    EXPECT_FALSE(link->isHidden());
    Q_EMIT link->linkActivated(QStringLiteral("Contents"));
    EXPECT_EQ(help.topics, QStringList{kHelpContents});
}
