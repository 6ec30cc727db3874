#include "layout/forms/LayoutCommands.h"
#include "store/ProjectFixture.h"
#include "ui/TProtocolForm.h"
#include "ui/UiSupport.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

// The main window with the command, over a project of three contexts: 1
// above 2 above 3, and 1 above 3 besides, which the run finds redundant.
class LayoutCommandTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("Site"));
        for (const char* name : {"1", "2", "3"}) addUnit(QStringLiteral("A"), QString::fromLatin1(name));
        addRelation(key("1"), key("2"), QLatin1Char('>'));
        addRelation(key("2"), key("3"), QLatin1Char('>'));
        addRelation(key("1"), key("3"), QLatin1Char('>'));
        const QString projectFile = session.project().ProjectFilePath;
        CloseProject(session, true);
        form = std::make_unique<TMainForm>(session);
        LayoutRunWindows windows;
        windows.diagram = [this](Session&, QWidget*, const QStringList& lines, bool detailed, ColourDepth) {
            diagramProtocol = lines;
            diagramDetailed = detailed;
            diagramShown = true;
        };
        RegisterLayoutCommands(form->commands(), windows);
        // Stands in for the diagram window, so that its command shows
        // whether the window follows the stored layout.
        form->commands().add(QStringLiteral("DiagramDisplay"), [](Session&, QWidget*) {});
        ASSERT_TRUE(form->openProject(projectFile));
    }
    void TearDown() override
    {
        form.reset();
        ui.verifyDone();
    }
    static UnitKey key(const char* name) { return {QStringLiteral("A"), QString::fromLatin1(name)}; }

    // Answers the options dialog: adjust, then OK; then reads the protocol
    // window when one is to come.
    void answerDialog(std::function<void(TLayoutCheckForm&)> adjust, bool protocolWindow = true)
    {
        onNextModal([this, adjust = std::move(adjust), protocolWindow](QWidget* modal) {
            auto* dialog = qobject_cast<TLayoutCheckForm*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            dialogSeen = true;
            adjust(*dialog);
            dialog->OKButton->click();
            if (!protocolWindow) return;
            // The protocol window comes next, if the run has anything to say.
            onNextModal([this](QWidget* next) {
                if (auto* window = qobject_cast<TProtocolForm*>(next)) {
                    protocolCaption = window->windowTitle();
                    protocol = window->document().lines;
                }
                next->close();
            });
        });
    }
    void run() { form->command(QStringLiteral("DiagramLayout"))->trigger(); }

    std::unique_ptr<TMainForm> form;
    bool dialogSeen = false;
    QString protocolCaption;
    bool diagramShown = false;
    bool diagramDetailed = false;
    QStringList diagramProtocol;
    QStringList protocol;
};

TEST_F(LayoutCommandTest, AnEmptyUnitTableIsRefused)
{
    session.units().empty();
    ui.expectWarning(kCheckingNothingText);
    run();
    ui.verifyDone();
}

// A filter that hides every unit is removed first: the run sees them all.
TEST_F(LayoutCommandTest, TheUnitFilterGoesFirst)
{
    session.units().setFilter(QStringLiteral("Unitname = 'none'"));
    onNextModal([this](QWidget* modal) {
        dialogSeen = qobject_cast<TLayoutCheckForm*>(modal) != nullptr;
        modal->close();
    });
    run();
    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(session.units().filtered());
    EXPECT_EQ(form->unitList()->model()->rowCount(), 3);
}

// The layout is stored: the diagram window opens with the run's protocol,
// and the diagram can be shown again later.
TEST_F(LayoutCommandTest, AStoredLayoutOpensTheDiagramWindow)
{
    QAction* display = form->command(QStringLiteral("DiagramDisplay"));
    EXPECT_FALSE(display->isEnabled());
    answerDialog([](TLayoutCheckForm&) {}, false);
    run();
    ui.verifyDone();
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(diagramShown);
    EXPECT_TRUE(diagramDetailed);
    EXPECT_EQ(diagramProtocol.value(0), QStringLiteral("No cycles found.")) << diagramProtocol.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(protocolCaption.isEmpty()) << "no protocol window beside the diagram";
    EXPECT_TRUE(session.project().DiagramPresent);
    EXPECT_TRUE(display->isEnabled());
    // The redundant relationship went, and the list shows it.
    EXPECT_EQ(relationRows(session.relations()).size(), 4);
    EXPECT_EQ(form->relationList()->model()->rowCount(), 4);
}

// "Check only" with the short summary: the protocol window, no diagram.
TEST_F(LayoutCommandTest, CheckOnlyEndsInTheProtocolWindow)
{
    session.project().DiagramPresent = true;
    answerDialog([](TLayoutCheckForm& dialog) {
        dialog.modeRadio(false)->click();
        dialog.ConnectedCheck->click();
        dialog.reportRadio(ReportMode::Summary)->click();
    });
    run();
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(protocolCaption, QStringLiteral("Summary check report for project Site"));
    EXPECT_FALSE(protocol.isEmpty());
    EXPECT_FALSE(session.project().DiagramPresent);
    EXPECT_FALSE(form->command(QStringLiteral("DiagramDisplay"))->isEnabled());
}

TEST_F(LayoutCommandTest, CancelRunsNothing)
{
    onNextModal([](QWidget* modal) { modal->close(); });
    run();
    EXPECT_EQ(relationRows(session.relations()).size(), 6);
    EXPECT_TRUE(ui.messages().empty());
}

} // namespace
