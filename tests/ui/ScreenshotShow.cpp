// Not tests: each shows one window for a few seconds so that
// tools/screenshot.sh can take its picture. Skipped unless BELVANTO_SHOT
// names the window.
#include "checks/PairTest.h"
#include "checks/PeriodCheck.h"
#include "checks/forms/THierarchyConfigForm.h"
#include "checks/forms/TProjectionForm.h"
#include "checks/forms/TRelationCountForm.h"
#include "checks/forms/TSortedListForm.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "editing/forms/TChainForm.h"
#include "editing/forms/TConsecutiveForm.h"
#include "diagram/export/JpegWriter.h"
#include "editing/forms/TImageLinkForm.h"
#include "editing/forms/TImageListForm.h"
#include "editing/forms/TReassignForm.h"
#include "editing/forms/TSelectRelationForm.h"
#include "editing/forms/TUnitEditForm.h"
#include "exchange/ImportSource.h"
#include "exchange/forms/TCSVExportForm.h"
#include "exchange/forms/TImportFieldsForm.h"
#include "exchange/forms/TImportFileForm.h"
#include "diagram/StoredLayout.h"
#include "diagram/forms/TDiagramForm.h"
#include "diagram/forms/TThemRangeForm.h"
#include "diagram/forms/TThematicForm.h"
#include "layout/LayoutCheckRun.h"
#include "layout/RelationGraph.h"
#include "simulation/Simulation.h"
#include "layout/forms/TLayoutCheckForm.h"
#include "editing/forms/TRelationshipForm.h"
#include "simulation/forms/TSimulationForm.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/forms/TFieldConfigForm.h"
#include "store/forms/TNewProjectForm.h"
#include "support/ScriptedUi.h"
#include "ui/QtUserInterface.h"
#include "ui/TProtocolForm.h"
#include "views/forms/TAboutForm.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QContextMenuEvent>
#include <QTableWidget>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>
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

namespace {

// A small open project for the dialogs that need one.
struct ShotProject {
    explicit ShotProject(bool withContexts = true, bool singleExcavation = false)
    {
        CreateProjectFiles(session, file(), QStringLiteral("Trench1"), QString(), singleExcavation);
        if (!withContexts) return;
        // Accented names, as excavations in Central Europe have them.
        for (const QString& name : {QStringLiteral("F001"), QStringLiteral("F002"), QStringLiteral("\u0160\u00E1ra\u00DF4"),
                                    QStringLiteral("\u00C6r\u00F85")}) {
            session.units().insert();
            session.units().set(uf::Excavation, QStringLiteral("Trench1"));
            session.units().set(uf::Unitname, name);
            session.units().set(uf::Unitclass, kContext);
            session.units().post();
        }
    }
    ~ShotProject() { CloseProject(session, true); }
    void addUnit(const QString& name, const QString& unitClass, const QString& period = QString())
    {
        session.units().insert();
        session.units().set(uf::Excavation, QStringLiteral("Trench1"));
        session.units().set(uf::Unitname, name);
        session.units().set(uf::Unitclass, unitClass);
        session.units().set(uf::Period, period);
        session.units().post();
    }
    QString file() const { return dir.filePath(QStringLiteral("Site.bvp")); }
    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

} // namespace

TEST(ScreenshotShow, Relationship)
{
    ShotProject p;
    TRelationshipForm::AddSetup setup;
    setup.first = {QStringLiteral("Trench1"), QStringLiteral("F001")};
    setup.storeNext = [](const RelationshipEntry&) { return true; };
    TRelationshipForm form(p.session, setup);
    // The state after one Next: the count shown.
    QTimer::singleShot(500, &form, [&form] {
        form.categoryEdit()->setText(QStringLiteral(">"));
        form.secondUnitEdit()->setText(QStringLiteral("F002"));
        form.nextButton()->click();
    });
    showFor(form, "relationship");
}

// Period names in three scripts, some styled; years 1 ... 9 for the ranges.
void addThematicValues(ShotProject& p)
{
    const QStringList periods{QStringLiteral("R\u00F6misch"), QStringLiteral("\u1F19\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC"),
                              QStringLiteral("\u0421\u0440\u0435\u0434\u043D\u0435\u0432\u0435\u043A\u043E\u0432\u044C\u0435"),
                              QStringLiteral("Fr\u00FChmittelalter")};
    for (int i = 1; i <= 9; ++i) {
        p.addUnit(QStringLiteral("T%1").arg(i), kContext, periods[i % periods.size()]);
        p.session.units().edit();
        p.session.units().set(uf::MinYear, qint32(i * 10));
        p.session.units().post();
    }
}

TEST(ScreenshotShow, Thematic)
{
    ShotProject p;
    addThematicValues(p);
    auto start = StartThematic(p.session, uf::Period);
    ASSERT_TRUE(start);
    TThematicForm form(p.session, std::move(*start));
    form.setLook(0, BoxLook{0x8080FF, 0});
    form.setLook(1, BoxLook{0x80FF80, 1});
    form.setLook(2, BoxLook{0xFF8080, 6});
    form.setLook(3, BoxLook{0x80FFFF, 9});
    form.ThematicImage->select(1);
    showFor(form, "thematic");
}

TEST(ScreenshotShow, ThematicRanges)
{
    ShotProject p;
    addThematicValues(p);
    auto start = StartThematic(p.session, uf::MinYear);
    ASSERT_TRUE(start);
    TThemRangeForm form(p.session, std::move(*start));
    form.setLook(1, BoxLook{0x8080FF, 2});
    form.setLook(2, BoxLook{0x80FF80, 0});
    if (qEnvironmentVariable("BELVANTO_SHOT") == QLatin1String("themrangelegend")) {
        form.LegendRadio->setChecked(true);
        showFor(form, "themrangelegend");
        return;
    }
    form.calculate();
    showFor(form, "themrange");
}

TEST(ScreenshotShow, Chain)
{
    ShotProject p;
    TChainForm form(p.session);
    form.grid()->item(0, TChainGrid::kNameColumn)->setText(QStringLiteral("F001"));
    form.grid()->item(1, TChainGrid::kNameColumn)->setText(QStringLiteral("F009"));
    showFor(form, "chain");
}

TEST(ScreenshotShow, Simulation)
{
    ShotProject p;
    TSimulationForm form(p.session, [] { return QTime(0, 0); });
    showFor(form, "simulation");
}

TEST(ScreenshotShow, LayoutCheck)
{
    ScriptedUi ui;
    RunOptions options;
    SetRunOption(options, RunControl::Periods, true);
    SetRunOption(options, RunControl::Groups, true);
    options.colours = ColourDepth::Colours65536;
    TLayoutCheckForm form(options, ui, [] { return QTime(12, 34, 56, 789); });
    showFor(form, "layoutcheck");
}

TEST(ScreenshotShow, RelationshipComment)
{
    ShotProject p;
    const UnitKey a{QStringLiteral("Trench1"), QStringLiteral("F001")};
    const UnitKey b{QStringLiteral("Trench1"), QStringLiteral("\u0160\u00E1ra\u00DF4")};
    InsertRelationRow(p.session.relations(), a, b, category::Later, QStringLiteral("Pfostengrube \u00FCber Grube"),
                      status::Stored);
    p.session.relations().first();
    TRelationshipForm form(p.session, p.session.relations());
    showFor(form, "comment");
}

TEST(ScreenshotShow, Consecutive)
{
    ShotProject p;
    TConsecutiveForm form(p.session);
    showFor(form, "consecutive");
}

// A long run of consecutive numbers, with the progress dialog's Cancel.
TEST(ScreenshotShow, Progress)
{
    if (qEnvironmentVariable("BELVANTO_SHOT") != QLatin1String("progress")) GTEST_SKIP() << "for tools/screenshot.sh";
    ShotProject p;
    TConsecutiveForm form(p.session);
    form.show();
    QtUserInterface ui;
    ui.setMainWindow(&form);
    QElapsedTimer timer;
    timer.start();
    for (qint64 done = 0; timer.elapsed() < 6000; done += 1000) {
        ui.progress(QStringLiteral("Creating unit %1 of 2500000").arg(done + 1), done, 2500000);
        QThread::msleep(20);
    }
    ui.progressEnd();
}

TEST(ScreenshotShow, Reassign)
{
    ShotProject p;
    const UnitKey a{QStringLiteral("Trench1"), QStringLiteral("F001")};
    const UnitKey b{QStringLiteral("Trench1"), QStringLiteral("F002")};
    TReassignForm form(p.session, a, b, category::Equal,
                       {{QStringLiteral("Trench1"), QStringLiteral("\u0160\u00E1ra\u00DF4")},
                        {QStringLiteral("Trench1"), QStringLiteral("\u00C6r\u00F85")}});
    showFor(form, "reassign");
}

TEST(ScreenshotShow, SelectRelation)
{
    TSelectRelationForm form(true);
    showFor(form, "selectrelation");
}

TEST(ScreenshotShow, HierarchyConfiguration)
{
    THierarchyConfigForm form;
    showFor(form, "hierarchyconfig");
}

// The main window with the group hierarchy of a project with nested groups,
// periods and accented names.
TEST(ScreenshotShow, Hierarchy)
{
    if (qEnvironmentVariable("BELVANTO_SHOT") != QLatin1String("hierarchy")) GTEST_SKIP() << "for tools/screenshot.sh";
    ShotProject p(false, true);
    Session& session = p.session;
    const QString trench = QStringLiteral("Trench1");
    auto unit = [&](const QString& name, const QString& unitClass, const QString& period = QString()) {
        p.addUnit(name, unitClass, period);
    };
    auto partOf = [&](const QString& member, const QString& group) {
        InsertRelationRow(session.relations(), {trench, member}, {trench, group}, category::PartOf, QString(), status::Stored);
    };
    const QString roman = QStringLiteral("R\u00f6misch");
    const QString medieval = QStringLiteral("Fr\u00fchMA");
    for (const QString& group : {QStringLiteral("Geh\u00f6ft"), QStringLiteral("Haus"), QStringLiteral("Raum\u00c41"),
                                 QStringLiteral("Raum\u00c42"), QStringLiteral("Hof"), QStringLiteral("\u0160acht")})
        unit(group, kGroup);
    const std::pair<const char*, const char*> contexts[] = {
        {"F001", "Raum\u00c41"}, {"F002", "Raum\u00c41"}, {"F003", "Raum\u00c42"}, {"F004", "Haus"},
        {"F005", "Hof"},          {"F006", "Hof"},          {"F010", "\u0160acht"}, {"F011", "\u0160acht"}};
    for (const auto& [name, group] : contexts) {
        const QString g = QString::fromUtf8(group);
        unit(QString::fromLatin1(name), kContext, g == QStringLiteral("\u0160acht") ? medieval : roman);
        partOf(QString::fromLatin1(name), g);
    }
    unit(QStringLiteral("\u0160\u00e1ra\u00df4"), kContext, roman);
    unit(QStringLiteral("\u00c6r\u00f85"), kContext, medieval);
    unit(QStringLiteral("\u00e9tage"), kContext, roman);
    partOf(QStringLiteral("\u00e9tage"), QStringLiteral("Haus"));
    for (const char* group : {"Raum\u00c41", "Raum\u00c42"}) partOf(QString::fromUtf8(group), QStringLiteral("Haus"));
    partOf(QStringLiteral("Haus"), QStringLiteral("Geh\u00f6ft"));
    partOf(QStringLiteral("Hof"), QStringLiteral("Geh\u00f6ft"));
    InsertRelationRow(session.relations(), {trench, QStringLiteral("F001")}, {trench, QStringLiteral("F002")},
                      category::Later, QString(), status::Stored);
    InsertRelationRow(session.relations(), {trench, QStringLiteral("F002")}, {trench, QStringLiteral("F001")},
                      category::Earlier, QString(), status::Stored);
    CloseProject(session, true);

    TMainForm form(session);
    form.setHierarchyOptionsDialog([](QWidget*) { return HierarchyOptions{true, Chronology::Periods}; });
    ASSERT_TRUE(form.openProject(p.file()));
    form.show();
    form.command(QStringLiteral("ConfigureShowHierarchy"))->trigger();
    QTimer::singleShot(6000, &form, &QWidget::close);
    while (form.isVisible()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The path window of a context pair, through accented names.
TEST(ScreenshotShow, Pair)
{
    if (qEnvironmentVariable("BELVANTO_SHOT") != QLatin1String("pair")) GTEST_SKIP() << "for tools/screenshot.sh";
    ShotProject p;
    const UnitKey f001{QStringLiteral("Trench1"), QStringLiteral("F001")};
    const UnitKey f002{QStringLiteral("Trench1"), QStringLiteral("F002")};
    const UnitKey sara{QStringLiteral("Trench1"), QStringLiteral("\u0160\u00E1ra\u00DF4")};
    const UnitKey aero{QStringLiteral("Trench1"), QStringLiteral("\u00C6r\u00F85")};
    auto relate = [&](const UnitKey& a, const UnitKey& b, QChar code) {
        InsertRelationRow(p.session.relations(), a, b, code, QString(), status::Stored);
        InsertRelationRow(p.session.relations(), b, a, OppositeCategory(code), QString(), status::Stored);
    };
    relate(f001, sara, category::Later);
    relate(sara, aero, category::Equal);
    relate(aero, f002, category::Later);
    const auto lines = TestContextPair(p.session, {f002, f001});
    ASSERT_TRUE(lines);
    TProtocolForm form(kPairWindowCaption, *lines, HelpTopic(kPairWindowHelp), p.ui, nullptr, true);
    showFor(form, "pair");
}

// Thirty contexts along a north-east diagonal, sloping down to the east, in
// four display colours and two thematic ones.
TEST(ScreenshotShow, Projection)
{
    ScriptedUi ui;
    FixedRegional regional;
    const qint32 colours[] = {0x0000FF, 0x00C000, 0xFF0000, 0x00C0FF};
    std::vector<ProjectionPoint> points;
    for (int i = 0; i < 30; ++i) {
        const double wobble = ((i * 7) % 5 - 2) * 0.4;
        points.push_back({1200.0 + 0.8 * i + wobble, 3400.0 + 0.5 * i - wobble, 112.5 - 0.12 * i + (i % 3) * 0.2,
                          colours[i % 4], i < 15 ? 0x808080 : 0x0080FF});
    }
    TProjectionForm form(AnalyseProjection(std::move(points)), ui, regional);
    showFor(form, "projection");
}

// The order of periods the stratigraphy left open, with accented names.
TEST(ScreenshotShow, SortedList)
{
    PeriodList periods;
    for (const auto& [name, ambiguous] : {std::pair{QStringLiteral("Neuzeit"), false},
                                          std::pair{QStringLiteral("Fr\u00fchMA"), true},
                                          std::pair{QStringLiteral("R\u00f6misch"), true},
                                          std::pair{QStringLiteral("Lat\u00e8ne"), false}})
        periods.push_back({name, 1, qint32(periods.size()) + 1, ambiguous});
    TSortedListForm form(periods, QStringLiteral("Period"));
    form.list()->setCurrentRow(1);
    showFor(form, "sortedlist");
}

// The relation counts after a period check that found Römisch later and
// earlier than FrühMA.
TEST(ScreenshotShow, RelationCount)
{
    if (qEnvironmentVariable("BELVANTO_SHOT") != QLatin1String("relationcount")) GTEST_SKIP() << "for tools/screenshot.sh";
    ShotProject p(false);
    Session& session = p.session;
    const QString trench = QStringLiteral("Trench1");
    const std::pair<QString, QString> contexts[] = {
        {QStringLiteral("F001"), QStringLiteral("R\u00f6misch")}, {QStringLiteral("F002"), QStringLiteral("Fr\u00fchMA")},
        {QStringLiteral("F003"), QStringLiteral("Neuzeit")},
        {QStringLiteral("\u0160\u00e1ra\u00df4"), QStringLiteral("R\u00f6misch")},
        {QStringLiteral("\u00c6r\u00f85"), QStringLiteral("Fr\u00fchMA")}};
    for (const auto& [name, period] : contexts) p.addUnit(name, kContext, period);
    auto later = [&](const QString& a, const QString& b) {
        InsertRelationRow(session.relations(), {trench, a}, {trench, b}, category::Later, QString(), status::Stored);
        InsertRelationRow(session.relations(), {trench, b}, {trench, a}, category::Earlier, QString(), status::Stored);
    };
    later(QStringLiteral("F002"), QStringLiteral("F001"));
    later(QStringLiteral("\u0160\u00e1ra\u00df4"), QStringLiteral("\u00c6r\u00f85"));
    later(QStringLiteral("F003"), QStringLiteral("F002"));
    RelationGraph graph;
    Protocol protocol(ReportMode::Summary);
    ASSERT_TRUE(RunCycleCheck(session, graph, protocol).ok());
    PeriodList periods;
    ASSERT_EQ(PeriodCheck(session, uf::Period, protocol, false, periods, {}, &graph), kPeriodCheckShowRelations);
    TRelationCountForm form(session, uf::Period);
    showFor(form, "relationcount");
}

// The diagram window over a simulated project in period bands, with
// contexts in groups and accented names: at zoom 1, zoomed in, zoomed out
// twice, and in black and white.
TEST(ScreenshotShow, Diagram)
{
    const QString shot = qEnvironmentVariable("BELVANTO_SHOT");
    if (!shot.startsWith(QLatin1String("diagram"))) GTEST_SKIP() << "for tools/screenshot.sh";
    ShotProject p(false);
    Session& session = p.session;
    SimulationSettings settings;
    settings.projectFile = p.file();
    settings.excavation = QStringLiteral("Trench1");
    settings.contexts = 80;
    GenerateSimulation(session, settings, 1);
    const QString trench = QStringLiteral("Trench1");
    for (const QString& group : {QStringLiteral("Geh\u00f6ft"), QStringLiteral("\u0160acht")}) {
        p.addUnit(group, kGroup);
        for (int i = group.startsWith(QLatin1Char('G')) ? 1 : 5; i <= (group.startsWith(QLatin1Char('G')) ? 4 : 8); ++i)
            InsertRelationRow(session.relations(), {trench, QStringLiteral("F%1").arg(i, 2, 10, QLatin1Char('0'))},
                              {trench, group}, category::PartOf, QString(), status::Stored);
    }
    RunOptions options = PresetRunOptions(session);
    Protocol protocol;
    ASSERT_TRUE(RunLayoutAndCheck(session, options, RunCheckOptions(options), {}, protocol).layoutStored)
        << protocol.lines().join(QLatin1Char('\n')).toStdString();
    auto layout = ReadStoredLayout(session, true);
    ASSERT_TRUE(layout);
    TDiagramForm form(session, std::move(*layout), {protocol.lines(), true, ColourDepth::Colours65536});
    form.show();
    if (shot == QLatin1String("diagramzoomin")) form.ZoomIn();
    if (shot == QLatin1String("diagramzoomout")) {
        form.ZoomOut();
        form.ZoomOut();
    }
    if (shot == QLatin1String("diagrambw")) form.SetColours(ColourDepth::BlackWhite);
    // The groups contracted: each one box, the members' lines ending there.
    if (shot == QLatin1String("diagramcontracted")) {
        form.SelectAllTopLevelGroups();
        form.ContractMarkedGroups();
        QTimer::singleShot(500, &form, [&form] {
            form.DiagramScroll->verticalScrollBar()->setValue(form.DiagramScroll->verticalScrollBar()->maximum());
        });
    }
    // The box popup over F01 (in "Gehöft"), and its information dialog.
    auto pointOf = [&form](const QString& name) {
        for (const UnitItem& item : form.drawing().units)
            if (item.record->Unitname == name) {
                const DiagramGeometry& g = form.drawing().geometry;
                return form.view().toDisplayed(QPointF(g.ColumnX(item.record->XStart) + 4, g.LevelY(item.record->YLevelStart) + 4));
            }
        return QPointF();
    };
    if (shot == QLatin1String("diagrampopup") || shot == QLatin1String("diagraminfo"))
        QTimer::singleShot(500, &form, [&form, &shot, pointOf] {
            const QPointF at = pointOf(QStringLiteral("F01"));
            form.DiagramScroll->ensureVisible(int(at.x()), int(at.y()), 200, 150);
            if (shot == QLatin1String("diagraminfo")) {
                form.ShowUnitInformation(at);
                return;
            }
            if (form.PrepareBoxPopup(at)) form.BoxClickPopupMenu->popup(form.DiagramImage->mapToGlobal(at.toPoint()));
        });
    // The groups with their accented names lie at the bottom.
    if (shot == QLatin1String("diagramgroups"))
        QTimer::singleShot(500, &form, [&form] {
            form.DiagramScroll->verticalScrollBar()->setValue(form.DiagramScroll->verticalScrollBar()->maximum());
        });
    QTimer::singleShot(6000, &form, &QDialog::accept);
    form.exec();
}

// The unit edit form: a new unit; a described unit in Greek and Cyrillic
// with its coordinates, dating and colour; the relationships of a unit
// being split.
TEST(ScreenshotShow, UnitEdit)
{
    const QString shot = qEnvironmentVariable("BELVANTO_SHOT");
    if (shot != QLatin1String("unitedit-new") && shot != QLatin1String("unitedit-edit")
        && shot != QLatin1String("unitedit-split"))
        GTEST_SKIP() << "for tools/screenshot.sh";
    ShotProject p;
    const UnitKey f001{QStringLiteral("Trench1"), QStringLiteral("F001")};
    Table& units = p.session.units();
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {f001.excavation, f001.unitname}));
    units.edit();
    const std::pair<int, Value> values[] = {
        {uf::XMinCoord, 1203.25}, {uf::XAvgCoord, 1204.5}, {uf::XMaxCoord, 1206.0},
        {uf::YMinCoord, 3401.1},  {uf::YAvgCoord, 3402.0}, {uf::YMaxCoord, 3403.75},
        {uf::ZMinCoord, 112.42},  {uf::ZMaxCoord, 112.9},
        {uf::Location, QStringLiteral("\u0393\u03bf\u03cd\u03c1\u03bd\u03b1 \u0392 / \u042f\u043c\u0430 3")},
        {uf::Unittype, QStringLiteral("pit fill")},
        {uf::Colour, QStringLiteral("dark greyish brown")},
        {uf::Description,
         QStringLiteral("Dark greyish brown silty clay with charcoal flecks and sherds of coarse ware; "
                        "\u03ba\u03b5\u03c1\u03b1\u03bc\u03b9\u03ba\u03ae \u03bc\u03b5 \u03ba\u03ac\u03c1\u03b2\u03bf\u03c5\u03bd\u03bf, "
                        "\u0441\u043b\u043e\u0439 \u0441 \u0443\u0433\u043b\u0451\u043c \u0438 \u043a\u0435\u0440\u0430\u043c\u0438\u043a\u043e\u0439. "
                        "Sharp lower boundary, cut into the natural gravel on the south side.")},
        {uf::Inclusions, QStringLiteral("charcoal, burnt daub, animal bone")},
        {uf::Visibility, QStringLiteral("clear")},
        {uf::ExcavationMethod, QStringLiteral("trowel")},
        {uf::Drawings, QStringLiteral("12; 13;14")},
        {uf::Interpretation, QStringLiteral("Backfill of a storage pit, dumped in one event.")},
        {uf::MinYear, qint32(-50)}, {uf::MaxYear, qint32(120)}, {uf::AvgYear, qint32(40)},
        {uf::Period, QStringLiteral("R\u00f6misch")}, {uf::Phase, QStringLiteral("II b")},
        {uf::ExcavationDate, QDate(2024, 7, 18)}, {uf::Excavator, QStringLiteral("\u0160. Nov\u00e1kov\u00e1")},
        {uf::DisplayColour, qint32(0x80D0F0)}, {uf::DispStyle, qint32(6)}};
    for (const auto& [field, value] : values) units.set(field, value);
    units.post();
    auto relate = [&](const QString& second, QChar code, const QString& comment) {
        const UnitKey other{QStringLiteral("Trench1"), second};
        InsertRelationRow(p.session.relations(), f001, other, code, comment, status::Stored);
        if (code != category::PartOf)
            InsertRelationRow(p.session.relations(), other, f001, OppositeCategory(code), QString(), status::Stored);
    };
    relate(QStringLiteral("F002"), category::Later, QStringLiteral("cuts"));
    relate(QStringLiteral("\u0160\u00E1ra\u00DF4"), category::Earlier, QStringLiteral("\u0441\u0435\u0440\u0435\u0437\u0430\u0435\u0442\u0441\u044f"));
    relate(QStringLiteral("\u00C6r\u00F85"), category::Equal, QString());

    const EditMode mode = shot == QLatin1String("unitedit-new")    ? EditMode::New
                          : shot == QLatin1String("unitedit-edit") ? EditMode::Edit
                                                                   : EditMode::Split;
    UnitEditor editor(p.session);
    ASSERT_TRUE(editor.open(f001.excavation, mode == EditMode::New ? QString() : f001.unitname, {}, mode));
    TUnitEditForm form(p.session, editor);
    if (mode == EditMode::Split) form.Pages->setCurrentIndex(1);
    showFor(form, shot.toLatin1().constData());
}

// Photos and drawings of a unit: a real picture in the list window, and the
// settings dialog of the links.
TEST(ScreenshotShow, ImageList)
{
    ShotProject p(false);
    const QString folder = p.dir.filePath(QStringLiteral("photos"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // A section drawing of sorts: layers, a pit and a scale bar.
    QImage picture(900, 600, QImage::Format_RGB32);
    picture.fill(QColor(196, 170, 128));
    QPainter painter(&picture);
    const QColor layers[] = {QColor(120, 90, 60), QColor(160, 130, 90), QColor(90, 70, 50), QColor(180, 160, 120)};
    for (int i = 0; i < 4; ++i) painter.fillRect(0, 120 + i * 110, 900, 110, layers[i]);
    painter.setBrush(QColor(60, 45, 30));
    painter.drawEllipse(QPoint(450, 300), 160, 90);
    painter.fillRect(40, 540, 200, 20, Qt::white);
    painter.fillRect(40, 540, 100, 20, Qt::black);
    painter.end();
    // Through the program's own JPEG path, as photos come from cameras.
    RasterImage jpeg(picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) jpeg.pixel(x, y) = picture.pixel(x, y) & 0xFFFFFF;
    ASSERT_FALSE(WriteJpegFile(folder + QStringLiteral("/P12.JPG"), jpeg, 85, false));
    QFile tif(folder + QStringLiteral("/P13.tif"));
    ASSERT_TRUE(tif.open(QIODevice::WriteOnly));
    TImageListForm form(p.ui, ImageKind::Photo, QStringLiteral("\u03A3\u03BA\u03AC\u03BC\u03BC\u03B13"), folder,
                        {QStringLiteral("P12"), QStringLiteral("P13"), QStringLiteral("P14")});
    showFor(form, "imagelist");
}

TEST(ScreenshotShow, ImageLinks)
{
    ShotProject p(false);
    p.session.project().PhotoPath = QStringLiteral("/data/Trench1/photos");
    p.session.project().PhotoPrefix = QStringLiteral("P");
    TImageLinkForm form(p.session);
    showFor(form, "imagelinks");
}

// The import's dialogs: the file dialog, the CSV options and the field
// concordance of a wide CSV file with accented, Greek and Cyrillic column
// names and one name too long for its column.
TEST(ScreenshotShow, Import)
{
    const QString shot = qEnvironmentVariable("BELVANTO_SHOT");
    if (!shot.startsWith(QLatin1String("import")) && !shot.startsWith(QLatin1String("csv")))
        GTEST_SKIP() << "for tools/screenshot.sh";
    ScriptedUi ui;
    FixedRegional regional;
    Session session(ui, regional);
    if (shot == QLatin1String("importfile")) {
        TImportFileForm form(session);
        form.ImportFileEditbox->setText(QStringLiteral("/data/Grabung \u00d6sterreich/Befunde_2024.csv"));
        form.ExcavationEdit->setText(QStringLiteral("Tr\u00e4nke1"));
        showFor(form, "importfile");
        return;
    }
    if (shot == QLatin1String("csvexport") || shot == QLatin1String("csvimport")) {
        TCSVExportForm form(shot == QLatin1String("csvexport") ? kCsvExportCaption : kCsvImportCaption, ui);
        showFor(form, shot.toLatin1().constData());
        return;
    }
    // Column names as a dBase file in UTF-8 or one of our own tables gives them.
    struct ShotSource : ImportSource {
        std::vector<SourceColumn> cols;
        QString filePath() const override { return QStringLiteral("wide.dbf"); }
        const std::vector<SourceColumn>& columns() const override { return cols; }
        void rewind() override {}
        bool next(std::vector<Value>&) override { return false; }
        int position() const override { return 0; }
    } source;
    const SourceColumn columns[] = {
        {QStringLiteral("EXC_UNIT"), SourceType::String, 21},
        {QStringLiteral("DESCRIPT"), SourceType::String, 255},
        {QStringLiteral("LATER"), SourceType::String, 40},
        {QStringLiteral("MinYear"), SourceType::Integer, 0},
        {QStringLiteral("H\u00f6he \u00fcber NN"), SourceType::Float, 0},
        {QStringLiteral("\u03a0\u03b5\u03c1\u03af\u03bf\u03b4\u03bf\u03c2"), SourceType::String, 20},
        {QStringLiteral("\u041e\u043f\u0438\u0441\u0430\u043d\u0438\u0435"), SourceType::Memo, 0},
        {QStringLiteral("Bemerkung zur Fundlage und Erhaltung"), SourceType::String, 80},
        {QStringLiteral("Datum"), SourceType::Date, 0},
        {QStringLiteral("Gepr\u00fcft"), SourceType::Unknown, 0},
    };
    source.cols.assign(std::begin(columns), std::end(columns));
    if (shot == QLatin1String("importfieldslong"))
        for (int i = 1; i <= 30; ++i)
            source.cols.push_back({QStringLiteral("Spalte%1").arg(i), SourceType::String, 10});
    TImportFieldsForm form(session, source, QStringLiteral("A"));
    if (shot == QLatin1String("importfieldsmenu"))
        QTimer::singleShot(800, &form, [&form] {
            QTableWidget* grid = form.FieldAssignGrid;
            grid->setCurrentCell(1, TImportFieldsForm::TargetColumn);
            QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), grid->mapToGlobal(QPoint()));
            QApplication::sendEvent(grid, &key);
        });
    showFor(form, shot.toLatin1().constData());
}
