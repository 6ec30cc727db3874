#include "checks/forms/CheckCommands.h"
#include "checks/forms/THierarchyConfigForm.h"
#include "checks/forms/TProjectionForm.h"
#include "checks/forms/TRelationCountForm.h"
#include "checks/forms/TSortedListForm.h"
#include "diagram/forms/DiagramCommands.h"
#include "diagram/forms/ThematicCommands.h"
#include "diagram/StoredLayout.h"
#include "diagram/forms/TDiagramForm.h"
#include "editing/forms/EditingCommands.h"
#include "editing/forms/ImageLinkCommands.h"
#include "exchange/forms/ExchangeCommands.h"
#include "layout/forms/LayoutCommands.h"
#include "simulation/forms/SimulationCommands.h"
#include "store/Session.h"
#include "store/Settings.h"
#include "store/forms/StoreCommands.h"
#include "ui/Help.h"
#include "ui/QtUserInterface.h"
#include "ui/SingleInstance.h"
#include "ui/SystemRegional.h"
#include "views/forms/TMainForm.h"
#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    using namespace belvanto;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Belvanto"));
    QApplication::setOrganizationName(QStringLiteral("Belvanto"));

    // Before any window: a second start only brings the first one forward;
    // its own argument is not passed on.
    SingleInstance instance;
    if (!instance.start()) return 0;

    QtUserInterface ui;
    SystemRegional regional;
    Session session(ui, regional);
    BrowserHelp help;
    setHelpService(&help);

    TMainForm window(session);
    help.setMainWindow(&window);
    window.setHierarchyOptionsDialog(AskHierarchyOptions);
    // The window hosts the commands; each subsystem's Register... makes its
    // menu items and tool buttons work.
    RegisterStoreCommands(window.commands());
    RegisterEditingCommands(window.commands());
    RegisterImageLinkCommands(window.commands());
    RegisterSimulationCommands(window.commands());
    RegisterExchangeCommands(window.commands());
    RegisterCheckCommands(window.commands());
    RegisterDiagramCommands(window.commands());
    RegisterThematicCommands(window.commands());
    // The run opens the diagram window over the layout it stored.
    auto openDiagram = [](Session& session, QWidget* parent, const QStringList& protocol, bool detailed,
                          ColourDepth colours) {
        auto layout = ReadStoredLayout(session, true);
        if (layout) OpenDiagramWindow(session, parent, std::move(*layout), {protocol, detailed, colours});
    };
    RegisterLayoutCommands(window.commands(), {AskProjection, SortedListChooser, ShowPeriodRelationCounts, openDiagram});
    const QString settingsPath = SettingsFilePath(QApplication::applicationDirPath(),
                                                  QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    if (const auto settings = ReadSettings(settingsPath)) window.applySettings(*settings);
    window.setSettingsPath(settingsPath);
    QObject::connect(&instance, &SingleInstance::activated, &window, &TMainForm::bringToFront);
    window.show();

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) window.openProject(arguments.at(1));
    const int result = QApplication::exec();
    setHelpService(nullptr);
    return result;
}
