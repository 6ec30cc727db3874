// Not tests: each shows one window for a few seconds so that
// tools/screenshot.sh can take its picture. Skipped unless BELVANTO_SHOT
// names the window.
#include "core/Regional.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/forms/TFieldConfigForm.h"
#include "store/forms/TNewProjectForm.h"
#include "support/ScriptedUi.h"
#include "views/forms/TAboutForm.h"
#include "views/forms/TProtocolForm.h"
#include <QTimer>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

void showFor(QDialog& dialog, const char* name)
{
    if (qEnvironmentVariable("BELVANTO_SHOT") != QLatin1String(name)) GTEST_SKIP() << "for tools/screenshot.sh";
    QTimer::singleShot(6000, &dialog, &QDialog::accept);
    dialog.exec();
}

} // namespace

TEST(ScreenshotShow, Protocol)
{
    const QStringList lines{QStringLiteral("Check of the relationships:"), QString(),
                            QStringLiteral("Cycle 1: F004 > F012 > F019 > F004"),
                            QStringLiteral("Redundant relationship: F003 > F010 (via F005)"),
                            QStringLiteral("Unit F077 is not related to any other unit."), QString(),
                            QStringLiteral("3 problems found.")};
    ScriptedUi ui;
    TProtocolForm form(ReportCaption(true, QStringLiteral("check"), QStringLiteral("/data/Trench1/Site")), lines,
                       HelpTopic("Report_window"), ui);
    showFor(form, "protocol");
}

TEST(ScreenshotShow, FieldConfiguration)
{
    ScriptedUi ui;
    UnitFieldCatalogue catalogue;
    TFieldConfigForm form(catalogue, true, true, false, ui);
    showFor(form, "fields");
}

TEST(ScreenshotShow, About)
{
    TAboutForm form;
    showFor(form, "about");
}

TEST(ScreenshotShow, NewProject)
{
    ScriptedUi ui;
    FixedRegional regional;
    Session session(ui, regional);
    TNewProjectForm form(session);
    showFor(form, "newproject");
}
