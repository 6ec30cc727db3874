#include "ProjectFixture.h"
#include "store/Terms.h"
#include <QFileInfo>

using namespace belvanto;
using belvanto::testing::ProjectFixture;

namespace {

const QByteArray kDefaultOptions = "TabView=***         *****       *  ** ****\r\n"
                                   "EditView=**********************************\r\n"
                                   "ClosedTerms=                                  \r\n";

QByteArray projectFile(const QByteArray& project, const QByteArray& extra = QByteArray())
{
    return "Project=" + project + "\r\nTermFile=\r\nExcavation=A\r\nSingleExcavation=False\r\n" + extra;
}

TEST_F(ProjectFixture, NewProjectWritesTheSevenLinesAndClosingRewritesThem)
{
    createProject();
    const QByteArray expected = projectFile("P", kDefaultOptions);
    EXPECT_EQ(readAll(path("P.bvp")), expected);
    EXPECT_TRUE(QFileInfo::exists(path("P_unit.db")));
    EXPECT_TRUE(QFileInfo::exists(path("P_rel.db")));
    EXPECT_EQ(ui.statuses().last(), QStringLiteral("0 units loaded"));

    CloseProject(session, true);
    EXPECT_EQ(readAll(path("P.bvp")), expected);
    EXPECT_FALSE(session.project().isOpen());
    EXPECT_EQ(session.recent().paths(), QStringList{path("P.bvp")});
}

// Two programs with projects in one folder never share the edit form's
// temporary tables, and neither Close nor Exit leaves them behind.
TEST_F(ProjectFixture, TemporaryTablesAreTheProgramsOwnAndGoWithEveryClose)
{
    createProject();
    CloseProject(session, true);
    for (const bool menuCommand : {true, false}) {
        ASSERT_TRUE(OpenProject(session, path("P.bvp")));
        ASSERT_TRUE(session.workFolder());
        const QDir work(session.workFolder()->path());
        EXPECT_NE(work.absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_TRUE(QFileInfo::exists(work.filePath("UnitEntry.db")));
        EXPECT_TRUE(QFileInfo::exists(work.filePath("RelEntry.db")));
        EXPECT_TRUE(QFileInfo::exists(path("P.lock")));
        CloseProject(session, menuCommand);
        EXPECT_FALSE(work.exists()) << menuCommand;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"P.bvp", "P_rel.db", "P_unit.db"}))
            << menuCommand;
    }
}

TEST_F(ProjectFixture, AReadOnlyOpenKeepsAMissingTermFilesLinkAndWritesNothing)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("terms"));
    const QString term = path("terms/T.db");
    ASSERT_TRUE(CreateProjectFiles(session, path("P.bvp"), "A", term, false));
    CloseProject(session, true);
    const QByteArray written = readAll(path("P.bvp"));
    ASSERT_TRUE(QDir(path("terms")).removeRecursively());

    const QString question = QStringLiteral("Term file T.db not found\r\nin directory %1.\r\nDo you want to load another term file?")
                                 .arg(QDir::toNativeSeparators(path("terms")));
    ui.expectConfirmation(question, Buttons::YesNo, 84).answer(Answer::No);
    ASSERT_TRUE(OpenProject(session, path("P.bvp"), false, OpenMode::ReadOnly));
    EXPECT_EQ(session.project().TermFilePath, term);
    EXPECT_FALSE(session.termsOpen());
    EXPECT_FALSE(session.workFolder());
    EXPECT_FALSE(QFileInfo::exists(path("P.lock")));
    CloseProject(session, true);
    ui.verifyDone();
    EXPECT_EQ(readAll(path("P.bvp")), written);

    // Opened for writing, No is the user's choice and drops the link.
    ui.expectConfirmation(question, Buttons::YesNo, 84).answer(Answer::No);
    ASSERT_TRUE(OpenProject(session, path("P.bvp")));
    EXPECT_EQ(session.project().TermFilePath, QString());
    CloseProject(session, true);
    EXPECT_FALSE(readAll(path("P.bvp")).contains("T.db"));
}

struct ReadCase {
    const char* title;
    QByteArray content;
    const char* error;   // with %1 for the path; "" = accepted
    bool single = false;
    bool diagram = false;
    const char* excavation = "A";
};

class ProjectFileReading : public ProjectFixture, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ProjectFileReading, FollowsTheReadingRules)
{
    const ReadCase& c = GetParam();
    const QString file = path(QStringLiteral("R.bvp"));
    writeAll(file, c.content);
    const QString error = QString::fromUtf8(c.error);
    if (!error.isEmpty()) ui.expectError(error.arg(file), 84);
    const bool ok = TestProjectFile(ui, file) && ReadProjectFile(session, file, false);
    EXPECT_EQ(ok, error.isEmpty());
    if (!ok) return;
    EXPECT_EQ(session.project().ProjectName, QStringLiteral("P"));
    EXPECT_EQ(session.project().SingleExcavation, c.single);
    EXPECT_EQ(session.project().DiagramPresent, c.diagram);
    EXPECT_EQ(session.project().CurrentExcavation, QString::fromUtf8(c.excavation));
    EXPECT_EQ(session.project().ProjectDirectory, dir.path());
}

QByteArray padded(int size)
{
    QByteArray content = projectFile("P");
    const QByteArray filler = "Comment=";
    content += filler + QByteArray(size - content.size() - filler.size() - 2, 'x') + "\r\n";
    return content;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectFileReading,
    ::testing::Values(
        ReadCase{"empty", QByteArray(), "Project file %1 is empty"},
        ReadCase{"exactly2000", padded(2000), ""},
        ReadCase{"bytes2001", padded(2001), "File %1 is too big"},
        ReadCase{"noTermFileKey", "Project=P\r\nExcavation=A\r\nSingleExcavation=False\r\n",
                 "File %1 has no project file format"},
        ReadCase{"emptyTermFileValue", projectFile("P"), ""},
        ReadCase{"lowerCaseKeys", "project=P\r\ntermfile=\r\nexcavation=B\r\nsingleexcavation=TRUE\r\n", "", true,
                 false, "B"},
        ReadCase{"trueInLowerCase", "Project=P\r\nTermFile=\r\nExcavation=A\r\nSingleExcavation=true\r\n", "", true},
        ReadCase{"blankBeforeTrue", "Project=P\r\nTermFile=\r\nExcavation=A\r\nSingleExcavation= TRUE\r\n", ""},
        ReadCase{"diagramPresentFalse", projectFile("P", "DiagramPresent=False\r\n"), "", false, true},
        ReadCase{"optionalKeyOnFirstLine", "DiagramPresent=True\r\n" + projectFile("P"), ""},
        ReadCase{"firstOccurrenceWins", projectFile("P", "Excavation=B\r\n"), ""},
        ReadCase{"bareLineFeeds", "Project=P\nTermFile=\nExcavation= A \nSingleExcavation=False", "", false, false,
                 " A "},
        ReadCase{"projectNameWithPath", projectFile("../P"), "File %1 has no project file format"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(ProjectFixture, OptionStringsKeepTheirTrailingBlanks)
{
    const QString file = path(QStringLiteral("R.bvp"));
    writeAll(file, projectFile("P", "TabView=*  \r\nClosedTerms=X*\r\n"));
    ASSERT_TRUE(ReadProjectFile(session, file, false));
    EXPECT_TRUE(session.catalogue()[uf::Excavation].TabView);
    EXPECT_FALSE(session.catalogue()[uf::Unitname].TabView);
    EXPECT_FALSE(session.catalogue()[uf::Unitclass].TabView);
    EXPECT_TRUE(session.catalogue()[uf::Location].TabView);   // beyond the string: default
    EXPECT_FALSE(session.catalogue()[uf::Excavation].ClosedTerms);
    EXPECT_TRUE(session.catalogue()[uf::Unitname].ClosedTerms);
}

TEST_F(ProjectFixture, OpenStopsAtTheFirstMissingTable)
{
    writeAll(path("Q.bvp"), projectFile("Q"));
    ui.expectError(QStringLiteral("Error: File %1 not found.\r\nProject cannot be opened.").arg(path("Q_unit.db")), 84);
    EXPECT_FALSE(OpenProject(session, path("Q.bvp")));
    EXPECT_FALSE(session.project().isOpen());

    CreateUnitTable(dir.path(), QStringLiteral("Q_unit"));
    ui.expectError(QStringLiteral("Error: File %1 not found.\r\nProject cannot be opened.").arg(path("Q_rel.db")), 84);
    session.recent().moveToTop(path("Q.bvp"));
    EXPECT_FALSE(OpenProject(session, path("Q.bvp"), true));
    EXPECT_TRUE(session.recent().paths().isEmpty());
}

TEST_F(ProjectFixture, SecondOpenIsRefusedWhileAProjectIsOpen)
{
    createProject();
    ui.expectWarning(QStringLiteral("Another project is still open, \r\nclose project %1 first.").arg(path("P.bvp")), 92);
    EXPECT_FALSE(OpenProject(session, path("P.bvp")));
    ui.expectWarning(QStringLiteral("Another project is still open, close project first."), 92);
    EXPECT_FALSE(BeginNewProject(session));
}

TEST_F(ProjectFixture, SingleExcavationTakesTheExcavationOfTheFirstUnitInKeyOrder)
{
    createProject();
    addUnit(QStringLiteral("M"), QStringLiteral("2"));
    addUnit(QStringLiteral("K"), QStringLiteral("9"));
    session.project().SingleExcavation = true;
    CloseProject(session, true);
    ASSERT_TRUE(OpenProject(session, path("P.bvp")));
    EXPECT_EQ(session.project().CurrentExcavation, QStringLiteral("K"));
    EXPECT_EQ(ui.statuses().last(), QStringLiteral("2 units loaded"));
}

TEST_F(ProjectFixture, NewProjectNameTestLeavesAnExistingProjectFileAlone)
{
    createProject();
    CloseProject(session, true);
    const QByteArray before = readAll(path("P.bvp"));
    const QByteArray unitsBefore = readAll(path("P_unit.db"));

    ASSERT_TRUE(BeginNewProject(session));
    NewProjectRequest request{path("P.bvp"), false, QStringLiteral("*.db"), QStringLiteral("B")};
    ui.expectConfirmation(QStringLiteral("File %1 already exists. Do you want to overwrite file?").arg(path("P.bvp")))
        .answer(Answer::No);
    EXPECT_EQ(ValidateNewProjectRequest(session, request), NewProjectFocus::ProjectFile);
    EXPECT_EQ(readAll(path("P.bvp")), before);

    // Yes to the file, then No to replacing its tables: nothing is lost.
    ui.expectConfirmation(QStringLiteral("File %1 already exists. Do you want to overwrite file?").arg(path("P.bvp")))
        .answer(Answer::Yes);
    ASSERT_EQ(ValidateNewProjectRequest(session, request), NewProjectFocus::None);
    ui.expectConfirmation(QStringLiteral("Database file P_unit already exists\r\nDo you really want to overwrite this file?"))
        .answer(Answer::No);
    EXPECT_FALSE(NewProject(session, request));
    EXPECT_EQ(readAll(path("P.bvp")), before);
    EXPECT_EQ(readAll(path("P_unit.db")), unitsBefore);
    EXPECT_FALSE(session.project().isOpen());
    EXPECT_TRUE(session.project().CurrentExcavation.isEmpty());
}

TEST_F(ProjectFixture, NewProjectRefusesNamesThatMakeNoUsableFile)
{
    for (const QString& name : {QStringLiteral("*.bvp"), QStringLiteral("a?b.bvp"), QStringLiteral("a|b.bvp"),
                                QStringLiteral("a\tb.bvp"), QStringLiteral("x:y.bvp")}) {
        ui.expectError(QStringLiteral("Illegal project file name - try again"));
        NewProjectRequest request{path(name), false, QStringLiteral("*.db"), QStringLiteral("A")};
        EXPECT_EQ(ValidateNewProjectRequest(session, request), NewProjectFocus::ProjectFile) << name.toStdString();
    }
    ui.expectError(QStringLiteral("The excavation name must not be blank"), 14);
    NewProjectRequest blank{path("N.bvp"), false, QStringLiteral("*.db"), QString()};
    EXPECT_EQ(ValidateNewProjectRequest(session, blank), NewProjectFocus::Excavation);
    EXPECT_FALSE(QFileInfo::exists(path("N.bvp")));
}

TEST_F(ProjectFixture, ClosingForgetsEveryProjectSetting)
{
    createProject();
    session.project().PhotoPath = QStringLiteral("/photos");
    session.project().Separator = QStringLiteral(";");
    CloseProject(session, false);
    EXPECT_NE(readAll(path("P.bvp")).indexOf("Photopath=/photos\r\nSeparator=;\r\n"), -1);
    ASSERT_TRUE(BeginNewProject(session));
    ASSERT_TRUE(NewProject(session, {path("Q.bvp"), false, QStringLiteral("*.db"), QStringLiteral("A")}));
    EXPECT_EQ(readAll(path("Q.bvp")), projectFile("Q", kDefaultOptions));
}

TEST_F(ProjectFixture, SaveCopyRefusesItsOwnNameAndAWrongExtension)
{
    createProject();
    ui.expectSaveFile().answer(path("P.bvp"));
    ui.expectError(QStringLiteral("Project file name %1 already in use - try again.").arg(path("P.bvp")), 91);
    ui.expectSaveFile().answer(path("copy.txt"));
    ui.expectError(QStringLiteral("Project file name %1 has no bvp extension - try again.").arg(path("copy.txt")), 91);
    ui.expectSaveFile().cancel();
    EXPECT_FALSE(SaveProjectCopy(session));
}

TEST_F(ProjectFixture, SaveCopyUnderTheSameNameElsewhereCopiesRowsButNoDiagram)
{
    createProject();
    addUnit(QStringLiteral("A"), QStringLiteral("1"));
    addUnit(QStringLiteral("A"), QStringLiteral("2"));
    addRelation({QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("A"), QStringLiteral("2")}, QLatin1Char('<'));
    session.project().DiagramPresent = true;
    session.units().setFilter(QStringLiteral("Unitname = '1'"));
    session.units().setFiltered(true);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("other")));
    const QString copy = path(QStringLiteral("other/P.bvp"));
    ui.expectSaveFile().answer(copy);
    ASSERT_TRUE(SaveProjectCopy(session));
    EXPECT_EQ(readAll(copy), projectFile("P", kDefaultOptions));
    EXPECT_EQ(unitRows(path("other/P_unit.db"), uf::Unitclass),
              (QStringList{"A:1=context", "A:2=context"}));
    EXPECT_EQ(relationRows(path("other/P_rel.db")), relationRows(session.relations()));
    EXPECT_TRUE(session.units().filtered());
    EXPECT_EQ(session.units().count(), 1);
    EXPECT_EQ(session.recent().paths().first(), copy);
}

TEST_F(ProjectFixture, SaveCopyAsksBeforeReplacingAnotherProjectsTables)
{
    createProject();
    CreateUnitTable(dir.path(), QStringLiteral("C_unit"));
    const QByteArray before = readAll(path("C_unit.db"));
    ui.expectSaveFile().answer(path("C.bvp"));
    ui.expectConfirmation(QStringLiteral("Database file C_unit already exists\r\nDo you really want to overwrite this file?"))
        .answer(Answer::No);
    EXPECT_FALSE(SaveProjectCopy(session));
    EXPECT_EQ(readAll(path("C_unit.db")), before);
    EXPECT_FALSE(QFileInfo::exists(path("C.bvp")));
}

class AddProjectTest : public ProjectFixture {
protected:
    const UnitKey D{QStringLiteral("A"), QStringLiteral("D")};
    const UnitKey X1{QStringLiteral("A"), QStringLiteral("X1")};
    const UnitKey X2{QStringLiteral("A"), QStringLiteral("X2")};

    // The other project O: D (described "theirs") = X2, and a unit B:9.
    void makeOther()
    {
        createProject(QStringLiteral("O"));
        addUnit(D.excavation, D.unitname);
        session.units().edit();
        session.units().set(uf::Description, QStringLiteral("theirs"));
        session.units().post();
        addUnit(X2.excavation, X2.unitname);
        addUnit(QStringLiteral("B"), QStringLiteral("9"));
        addRelation(D, X2, QLatin1Char('='));
        CloseProject(session, true);
    }

    void makeOpenProject(bool shareD)
    {
        createProject(QStringLiteral("P"));
        if (shareD) {
            addUnit(D.excavation, D.unitname);
            session.units().edit();
            session.units().set(uf::Description, QStringLiteral("ours"));
            session.units().post();
        }
        addUnit(X1.excavation, X1.unitname);
        if (shareD) addRelation(D, X1, QLatin1Char('='), QStringLiteral("c"));
    }
};

TEST_F(AddProjectTest, DisjointUnitsMergeWithoutAQuestion)
{
    makeOther();
    makeOpenProject(false);
    session.project().SingleExcavation = true;
    ui.expectConfirmation(QStringLiteral("Do you want to backup current project before adding another project?"),
                          Buttons::YesNoCancel, 89)
        .answer(Answer::No);
    ui.expectOpenFile().withTitle(QStringLiteral("Name of Belvanto project file for adding")).answer(path("O.bvp"));
    ASSERT_TRUE(AddProject(session));
    EXPECT_EQ(unitRows(session.units(), uf::Description),
              (QStringList{"A:D=theirs", "A:X1=", "A:X2=", "B:9="}));
    EXPECT_EQ(relationRows(session.relations()), (QStringList{"A:D=A:X2  u", "A:X2=A:D  u"}));
    EXPECT_FALSE(session.project().SingleExcavation);
}

TEST_F(AddProjectTest, CancelAtTheDuplicateListLeavesEveryFileUnchanged)
{
    makeOther();
    makeOpenProject(true);
    const QByteArray units = readAll(path("P_unit.db")), rels = readAll(path("P_rel.db"));
    const QByteArray otherUnits = readAll(path("O_unit.db"));
    ui.expectConfirmation(QStringLiteral("Do you want to backup current project before adding another project?"),
                          Buttons::YesNoCancel, 89)
        .answer(Answer::No);
    ui.expectOpenFile().answer(path("O.bvp"));
    ui.expectList().withTitle(QStringLiteral("Units defined in both projects")).withItems({"A:D"}).cancel();
    EXPECT_FALSE(AddProject(session));
    EXPECT_EQ(readAll(path("P_unit.db")), units);
    EXPECT_EQ(readAll(path("P_rel.db")), rels);
    EXPECT_EQ(readAll(path("O_unit.db")), otherUnits);
}

TEST_F(AddProjectTest, SharedUnitsSupersedeAndEqualClassesAreCompleted)
{
    makeOther();
    makeOpenProject(true);
    ui.expectConfirmation(QStringLiteral("Do you want to backup current project before adding another project?"),
                          Buttons::YesNoCancel, 89)
        .answer(Answer::No);
    ui.expectOpenFile().answer(path("O.bvp"));
    ui.expectList().withItems({"A:D"}).answer(true);
    ASSERT_TRUE(AddProject(session));
    EXPECT_EQ(unitRows(session.units(), uf::Description).first(), QStringLiteral("A:D=theirs"));
    EXPECT_EQ(relationRows(session.relations()),
              (QStringList{"A:D=A:X1 c u", "A:D=A:X2  u", "A:X1=A:D  u", "A:X1=A:X2  t", "A:X2=A:D  u",
                           "A:X2=A:X1  t"}));
}

TEST_F(AddProjectTest, AMergeStopsWhenTheWantedBackupWasNotWritten)
{
    makeOther();
    makeOpenProject(false);
    const QByteArray units = readAll(path("P_unit.db"));
    ui.expectConfirmation(QStringLiteral("Do you want to backup current project before adding another project?"),
                          Buttons::YesNoCancel, 89)
        .answer(Answer::Yes);
    ui.expectSaveFile().cancel();
    EXPECT_FALSE(AddProject(session));
    EXPECT_EQ(readAll(path("P_unit.db")), units);
}

TEST_F(AddProjectTest, AProjectCannotBeAddedToItself)
{
    makeOpenProject(false);
    ui.expectConfirmation(QStringLiteral("Do you want to backup current project before adding another project?"),
                          Buttons::YesNoCancel, 89)
        .answer(Answer::No);
    ui.expectOpenFile().answer(path("P.bvp"));
    ui.expectError(QStringLiteral("Project file with name %1 already open.\r\nA project cannot be added to itself.")
                       .arg(path("P.bvp")),
                   89);
    EXPECT_FALSE(AddProject(session));
}

TEST_F(ProjectFixture, DeleteRemovesEveryProjectFileButTheTermFile)
{
    const QString terms = path("Terms.db");
    ASSERT_TRUE(CreateProjectFiles(session, path("P.bvp"), QStringLiteral("A"), terms, false));
    EXPECT_TRUE(session.termsOpen());
    addUnit(QStringLiteral("A"), QStringLiteral("1"));
    addUnit(QStringLiteral("A"), QStringLiteral("2"));
    session.units().setFilter(QStringLiteral("Unitname = '1'"));
    session.units().setFiltered(true);
    CreateUnitTable(dir.path(), QStringLiteral("P_UnitLayout"));
    writeAll(path("P_LayoutCtrl.bin"), QByteArray(4, '\0'));
    ui.expectConfirmation(
          QStringLiteral("Project P consists of 2 units.\r\nDo you really want to delete the project and all its data files?"),
          Buttons::YesNo, 150)
        .answer(Answer::Yes);
    ASSERT_TRUE(DeleteProject(session));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Terms.db"});
    EXPECT_FALSE(session.project().isOpen());
    EXPECT_TRUE(session.recent().paths().isEmpty());
}

TEST_F(ProjectFixture, PackNeedsExclusivelyOpenedTables)
{
    createProject();
    addUnit(QStringLiteral("A"), QStringLiteral("1"));
    PackTables(session);   // open exclusively: no message
    CloseProject(session, true);
    ui.expectError(QStringLiteral("Table must be opened to pack"));
    PackTables(session);
}

} // namespace

namespace {

// Every value goes through close and open unchanged, whichever code page
// the file ends up in.
TEST_F(ProjectFixture, ValuesSurviveTheProjectFileInEitherEncoding)
{
    struct Case {
        QString project, excavation, photoPath;
        bool utf8;   // the file needs UTF-8
    };
    const std::vector<Case> cases{
        // Windows text whose bytes also happen to be valid UTF-8.
        {QStringLiteral("\u00C3\u00A9"), QStringLiteral("Grabung \u00D6\u00B0"), QString(), false},
        {QStringLiteral("Plain"), QStringLiteral("\u20AC Ost"), QStringLiteral("/fotos/\u00FC"), false},
        // A value that code page cannot hold.
        {QStringLiteral("Gora"), QStringLiteral("\u0413\u043E\u0440\u0430"), QStringLiteral("/\u65E5\u672C"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.project.toStdString());
        createProject(c.project, c.excavation);
        session.project().PhotoPath = c.photoPath;
        CloseProject(session, true);
        const QByteArray bytes = readAll(path(c.project + QStringLiteral(".bvp")));
        EXPECT_EQ(bytes.startsWith("\xEF\xBB\xBF"), c.utf8);
        ASSERT_TRUE(OpenProject(session, path(c.project + QStringLiteral(".bvp"))));
        EXPECT_EQ(session.project().ProjectName, c.project);
        EXPECT_EQ(session.project().CurrentExcavation, c.excavation);
        EXPECT_EQ(session.project().PhotoPath, c.photoPath);
        CloseProject(session, true);
    }
}

TEST_F(ProjectFixture, ProjectNamesMayHoldDotsButNoPath)
{
    createProject(QStringLiteral("v1..2"));
    CloseProject(session, true);
    ASSERT_TRUE(OpenProject(session, path("v1..2.bvp")));
    EXPECT_EQ(session.project().ProjectName, QStringLiteral("v1..2"));
    CloseProject(session, true);

    for (const char* name : {"..", "a/b", "a\\b", "a:b"}) {
        writeAll(path("R.bvp"), projectFile(name));
        ui.expectError(QStringLiteral("File %1 has no project file format").arg(path("R.bvp")), 84);
        EXPECT_FALSE(ReadProjectFile(session, path("R.bvp"), false)) << name;
    }
}

TEST_F(ProjectFixture, TermFilePathsAreReadWholeAndRelativeToTheProject)
{
    const QString sub = path(QStringLiteral("terms"));
    ASSERT_TRUE(QDir().mkpath(sub));
    writeAll(path("R.bvp"), projectFile("P").replace("TermFile=", "TermFile=terms/T.db"));
    // Read from another current folder: the project's folder counts.
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::rootPath());
    const bool read = ReadProjectFile(session, path("R.bvp"), false);
    QDir::setCurrent(before);
    ASSERT_TRUE(read);
    EXPECT_EQ(session.project().TermFilePath, path("terms/T.db"));

    const QByteArray longPath = "/" + QByteArray(300, 'd') + "/T.db";
    writeAll(path("R.bvp"), projectFile("P").replace("TermFile=", "TermFile=" + longPath));
    ASSERT_TRUE(ReadProjectFile(session, path("R.bvp"), false));
    EXPECT_EQ(session.project().TermFilePath, QString::fromLatin1(longPath));
}

TEST_F(ProjectFixture, AValueWithALineBreakIsNeverWritten)
{
    createProject();
    const QByteArray before = readAll(path("P.bvp"));
    session.project().DrawingPath = QStringLiteral("/x\r\nTabView=-");
    ui.expectError(
        QStringLiteral("Project file %1: the value of Drawingpath contains a control character").arg(path("P.bvp")),
        84);
    EXPECT_FALSE(WriteProjectFile(session, path("P.bvp"), QStringLiteral("P"), QStringLiteral("A"), false, false));
    EXPECT_EQ(readAll(path("P.bvp")), before);
}

} // namespace

namespace {

// Fields are addressed by position: a table whose columns another program
// dropped, moved or retyped must not open, or values land in other fields.
TEST_F(ProjectFixture, ForeignOrDamagedTablesAreRefusedOnOpen)
{
    struct Case {
        const char* what;
        const char* table;
        std::function<void(std::vector<FieldDef>&)> change;
        const char* problem;
    };
    const std::vector<Case> cases{
        {"dropped", "_unit", [](auto& f) { f.erase(f.begin() + uf::Colour); }, "is not a unit table: it has 42 fields, 43 expected."},
        {"moved", "_unit", [](auto& f) { std::swap(f[uf::Period], f[uf::AvgYear]); },
         "is not a unit table: field 28 is Period, AvgYear expected."},
        {"retyped", "_rel", [](auto& f) { f[rel::RelationFull].type = FieldType::Integer; },
         "is not a relationship table: field RelationFull is integer, text of 20 characters expected."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString project = QString::fromLatin1(c.what);
        createProject(project);
        CloseProject(session, true);
        const QString table = project + QString::fromLatin1(c.table);
        auto fields = table.endsWith(QStringLiteral("_unit")) ? UnitTableFields() : RelationTableFields();
        c.change(fields);
        Table::remove(dir.path(), table);
        Table::create(dir.path(), table, fields, IndexDef{QString(), {fields[0].name, fields[1].name}});
        ui.expectError(QStringLiteral("File %1 %2\r\nProject cannot be opened.")
                           .arg(QDir::toNativeSeparators(path(table + QStringLiteral(".db"))), QString::fromLatin1(c.problem)),
                       84);
        EXPECT_FALSE(OpenProject(session, path(project + QStringLiteral(".bvp"))));
        EXPECT_FALSE(session.project().isOpen());
        EXPECT_FALSE(session.units().isOpen());
        ui.verifyDone();
    }
}

} // namespace
