// The import and export commands without their windows: the import dialog's
// checks, the import by extension into a new project, the concordance
// dialog's OK and the export by extension.
#include "exchange/ImportCommand.h"
#include "exchange/ExchangeTestSupport.h"
#include "exchange/HarrisList.h"
#include "exchange/ImportSource.h"
#include "store/ProjectFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace belvanto {
namespace {

const QString kUnitFileDenied = QStringLiteral("Unit files of Belvanto projects can be opened directly. Import denied.");
const QString kIllegalImportFile = QStringLiteral("Illegal import file name or file not found - try again");
const QString kIllegalProjectFile = QStringLiteral("Illegal project file name - try again");
const QString kKeySeparatorPrompt = QStringLiteral("Enter separator between excavation and unit name:");
const QString kListSeparatorPrompt = QStringLiteral("Enter separator between unit entries in relationship lists:");

// A table of three units in CSV as the table export writes it: key column,
// description and the later-than lists.
const QByteArray kUnitsCsv = "Excavation_Unitname;Description;Later than\r\n"
                             "\"A:1\";\"pit fill\";\"A:2, A:3\"\r\n"
                             "\"A:2\";\"floor\";\"A:3\"\r\n"
                             "\"A:3\";\"wall\";\"\"\r\n";

class ImportCommand : public testing::ProjectFixture {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        writeBytes(path(name), bytes);
        return path(name);
    }

    ImportRequest request(const QString& file, const QString& project = QStringLiteral("New.bvp"),
                          const QString& excavation = QStringLiteral("A"))
    {
        ImportRequest r;
        r.importFile = file;
        r.projectFile = path(project);
        r.excavation = excavation;
        return r;
    }

    static CsvOptions withHeader()
    {
        CsvOptions o;
        o.FirstRowNames = true;
        return o;
    }

    // Steps as a user takes them: the given CSV options, and the automatic
    // concordance accepted with OK (the separators left as offered).
    ImportSteps acceptingSteps(std::optional<CsvOptions> options = withHeader())
    {
        ImportSteps steps;
        steps.csvOptions = [options] { return options; };
        steps.concordance = [this](Session& s, ImportSource& source, const QString& excavation) {
            ++concordanceShown;
            Concordance c;
            c.defaultExcavation = excavation;
            c.targets = AutoAssign(source.columns(), s.catalogue(), source.givesText());
            c.truncationConfirmed.assign(c.targets.size(), false);
            return AcceptConcordance(s, source, c).imported;
        };
        return steps;
    }

    void expectSeparators()
    {
        ui.expectInput().withPrompt(kKeySeparatorPrompt).withInitial(QStringLiteral(":")).answer(QStringLiteral(":"));
        ui.expectInput().withPrompt(kListSeparatorPrompt).withInitial(QStringLiteral(",")).answer(QStringLiteral(","));
    }

    // Every file of the folder, to show that nothing was left behind.
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    int concordanceShown = 0;
};

TEST_F(ImportCommand, RefusedWhileAProjectIsOpen)
{
    createProject();
    ui.expectWarning(QStringLiteral("Another project is still open, close project first."), 92);
    EXPECT_FALSE(BeginImport(session));
    EXPECT_TRUE(session.project().isOpen());
}

TEST_F(ImportCommand, BeginningResetsTheCatalogueAndMakesOneExcavation)
{
    session.catalogue().ResetFieldCatalogue(QStringLiteral("X"), QString(), QString());
    session.project().SingleExcavation = false;
    ASSERT_TRUE(BeginImport(session));
    EXPECT_TRUE(session.project().SingleExcavation);
    EXPECT_EQ(session.catalogue().FieldConfigurationStrings().TabView,
              UnitFieldCatalogue().FieldConfigurationStrings().TabView);
}

// The dialog's OK: each check in its order, with the message and the edit
// that gets the focus back.
TEST_F(ImportCommand, DialogChecksInOrderAndNamesTheFieldToCorrect)
{
    createProject(QStringLiteral("Old"));
    CloseProject(session, true);
    const QString csv = write(QStringLiteral("units.csv"), kUnitsCsv);
    const QString sheet = write(QStringLiteral("units.xls"), "x");
    const QString noExtension = write(QStringLiteral("units"), "x");
    struct Case {
        const char* what;
        ImportRequest request;
        std::function<void()> script;
        ImportFocus focus;
    };
    auto error = [this](const QString& text, const HelpTopic& help = {}) { return [this, text, help] { ui.expectError(text, help); }; };
    auto chosen = [](ImportRequest r) {
        r.importChosenBySearch = true;
        r.projectChosenBySearch = true;
        return r;
    };
    const Case cases[] = {
        {"a project's own unit table", request(path(QStringLiteral("Old_unit.db"))), error(kUnitFileDenied),
         ImportFocus::ImportFile},
        {"the unit table in any case", request(path(QStringLiteral("Old_UNIT.DB"))), error(kUnitFileDenied),
         ImportFocus::ImportFile},
        {"the placeholder", request(QStringLiteral("*.*")), error(kIllegalImportFile), ImportFocus::ImportFile},
        {"a missing file", request(path(QStringLiteral("gone.csv"))), error(kIllegalImportFile), ImportFocus::ImportFile},
        {"a folder", request(dir.path()), error(kIllegalImportFile), ImportFocus::ImportFile},
        {"a type that cannot be imported", request(sheet),
         [this] {
             ui.expectWarning(QStringLiteral("Files of type .xls cannot be imported.\r\n"
                                             "Belvanto imports .lst, .csv, .dbf, .db and .txt files."),
                              kImportHelpTopic);
         },
         ImportFocus::ImportFile},
        {"a file without extension", request(noExtension),
         [this] {
             ui.expectWarning(QStringLiteral("Files without an extension cannot be imported.\r\n"
                                             "Belvanto imports .lst, .csv, .dbf, .db and .txt files."),
                              kImportHelpTopic);
         },
         ImportFocus::ImportFile},
        {"the project placeholder", request(csv, QStringLiteral("*.bvp")), error(kIllegalProjectFile),
         ImportFocus::ProjectFile},
        {"a project in a missing folder", request(csv, QStringLiteral("none/New.bvp")), error(kIllegalProjectFile),
         ImportFocus::ProjectFile},
        {"an existing project not to be overwritten", request(csv, QStringLiteral("Old.bvp")),
         [this] {
             ui.expectConfirmation(QStringLiteral("File %1 already exists. Do you want to overwrite file?")
                                       .arg(QDir::toNativeSeparators(path(QStringLiteral("Old.bvp")))))
                 .answer(Answer::No);
         },
         ImportFocus::ProjectFile},
        {"a blank excavation", request(csv, QStringLiteral("New.bvp"), QString()),
         error(QStringLiteral("The excavation name must not be blank"), 14), ImportFocus::Excavation},
        // The project file is checked before the excavation.
        {"both wrong", request(csv, QStringLiteral("*.bvp"), QString()), error(kIllegalProjectFile),
         ImportFocus::ProjectFile},
        {"all fine", request(csv), [] {}, ImportFocus::None},
        {"names chosen with the search buttons", chosen(request(csv, QStringLiteral("Old.bvp"))), [] {},
         ImportFocus::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.script();
        EXPECT_EQ(ValidateImportRequest(session, c.request), c.focus);
        ui.verifyDone();
    }
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("Old.bvp"))));
}

TEST_F(ImportCommand, SearchButtonsAskWithTheirTitles)
{
    ui.expectOpenFile().withTitle(QStringLiteral("Name of File for import")).answer(path(QStringLiteral("a.lst")));
    EXPECT_EQ(SearchImportFile(session), path(QStringLiteral("a.lst")));
    ui.expectSaveFile().withTitle(QStringLiteral("Name of Target Project File")).cancel();
    EXPECT_FALSE(SearchTargetProjectFile(session));
}

TEST_F(ImportCommand, CsvGoesThroughItsOptionsAndTheConcordanceIntoANewProject)
{
    const QString csv = write(QStringLiteral("units.csv"), kUnitsCsv);
    ASSERT_TRUE(BeginImport(session));
    expectSeparators();
    EXPECT_EQ(RunImport(session, request(csv), acceptingSteps()), 3);
    EXPECT_EQ(concordanceShown, 1);
    ASSERT_TRUE(session.project().isOpen());
    EXPECT_EQ(session.project().ProjectFilePath, path(QStringLiteral("New.bvp")));
    EXPECT_TRUE(session.project().SingleExcavation);
    EXPECT_EQ(ui.statuses().last(), QStringLiteral("3 units imported"));
    EXPECT_EQ(unitRows(session.units(), uf::Description), (QStringList{"A:1=pit fill", "A:2=floor", "A:3=wall"}));
    EXPECT_EQ(RelationRowTexts(session.relations()),
              (QStringList{"A:1 > A:2", "A:1 > A:3", "A:2 < A:1", "A:2 > A:3", "A:3 < A:1", "A:3 < A:2"}));
}

// Whatever step gives up, the folder holds what it held before and no
// project is open or half-remembered.
TEST_F(ImportCommand, GivingUpAtAnyStepLeavesNoProject)
{
    const QString csv = write(QStringLiteral("units.csv"), kUnitsCsv);
    const QString broken = write(QStringLiteral("broken.csv"), "a;b\r\n1;2;3\r\n");
    const QString table = write(QStringLiteral("table.dbf"), "not a dBase file");
    struct Case {
        const char* what;
        QString file;
        ImportSteps steps;
        std::function<void()> script;
    };
    ImportSteps cancelledOptions = acceptingSteps(std::nullopt);
    ImportSteps cancelledConcordance = acceptingSteps();
    cancelledConcordance.concordance = [](Session&, ImportSource&, const QString&) { return false; };
    const Case cases[] = {
        {"options cancelled", csv, cancelledOptions, [] {}},
        {"a line with too many fields", broken, acceptingSteps(CsvOptions()),
         [&] { ui.expectError(QStringLiteral("%1: 2 fields expected, but 3 fields in line 2").arg(broken)); }},
        {"concordance cancelled", csv, cancelledConcordance, [] {}},
        {"separator input cancelled", csv, acceptingSteps(), [&] { ui.expectInput().withPrompt(kKeySeparatorPrompt).cancel(); }},
        {"an unreadable table", table, acceptingSteps(), [&] { ui.expectError(QDir::toNativeSeparators(table) + QStringLiteral(": not a dBase table (damaged header)")); }},
        {"a file of another type", write(QStringLiteral("x.xls"), "x"), acceptingSteps(),
         [&] {
             ui.expectWarning(QStringLiteral("Files of type .xls cannot be imported.\r\n"
                                             "Belvanto imports .lst, .csv, .dbf, .db and .txt files."),
                              kImportHelpTopic);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList before = files();
        ASSERT_TRUE(BeginImport(session));
        c.script();
        EXPECT_FALSE(RunImport(session, request(c.file), c.steps).has_value());
        ui.verifyDone();
        EXPECT_FALSE(session.project().isOpen());
        EXPECT_FALSE(session.project().SingleExcavation);
        EXPECT_TRUE(session.project().ProjectName.isEmpty());
        EXPECT_EQ(files(), before);
    }
}

TEST_F(ImportCommand, HarrisListIsImportedAsANewProject)
{
    const QString list = write(QStringLiteral("dig.LST"), "Stratigraphic Dataset Dig\r\n\r\n\r\n12      pit fill\r\n"
                                                          "above: 13\r\nbelow:\r\nequal to:\r\ncontemporary with:\r\n13\r\n");
    ASSERT_TRUE(BeginImport(session));
    ui.expectConfirmation(QStringLiteral("Convert ASCII to ANSI?\r\nClick yes, if %1 was created by the Kestrel Harris "
                                         "program.\r\nClick no, if %1 was created by ArchEd.")
                              .arg(list),
                          Buttons::YesNoCancel, kHarrisListHelpTopic)
        .answer(Answer::No);
    EXPECT_EQ(RunImport(session, request(list), acceptingSteps()), 2);
    EXPECT_EQ(concordanceShown, 0);
    ASSERT_TRUE(session.project().isOpen());
    EXPECT_TRUE(session.project().SingleExcavation);
    EXPECT_EQ(ui.statuses().last(), QStringLiteral("2 units imported"));
    EXPECT_EQ(unitRows(session.units(), uf::Description), (QStringList{"A:12=pit fill", "A:13="}));
}

// --- the concordance dialog's OK --------------------------------------------

class ConcordanceOkTest : public ImportCommand {
protected:
    void SetUp() override
    {
        createProject();
        csv = write(QStringLiteral("units.csv"), kUnitsCsv);
        source = ReadCsvHeader(ui, csv, withHeader(), regional);
        ASSERT_TRUE(source);
        c.defaultExcavation = QStringLiteral("A");
        c.targets = AutoAssign(source->columns(), session.catalogue(), true);
        c.truncationConfirmed.assign(c.targets.size(), false);
    }
    void TearDown() override { CloseProject(session, true); }

    QString csv;
    std::unique_ptr<CsvSource> source;
    Concordance c;
};

TEST_F(ConcordanceOkTest, ARepeatedTargetNamesItsSecondRow)
{
    c.targets[2] = ConcordanceTarget::toKey();
    ui.expectError(QStringLiteral("Excavation+unitname occurs twice."));
    const ConcordanceOk ok = AcceptConcordance(session, *source, c);
    EXPECT_FALSE(ok.imported);
    EXPECT_EQ(ok.row, 2);
    c.targets = {ConcordanceTarget(), ConcordanceTarget::toField(uf::Description), ConcordanceTarget()};
    ui.expectError(QStringLiteral("Unit name is a mandatory field."));
    EXPECT_EQ(AcceptConcordance(session, *source, c).row, -1);
    EXPECT_EQ(session.units().count(), 0);
}

TEST_F(ConcordanceOkTest, SeparatorsMustHaveOneOrTwoCharactersAndAreKept)
{
    const QString colon = QStringLiteral("The separator is a one or two character string (for example a colon)");
    ui.expectInput().withPrompt(kKeySeparatorPrompt).answer(QString());
    ui.expectError(colon);
    ui.expectInput().withPrompt(kKeySeparatorPrompt).withInitial(QStringLiteral(":")).answer(QStringLiteral(":::"));
    ui.expectError(colon);
    ui.expectInput().withPrompt(kKeySeparatorPrompt).answer(QStringLiteral("::"));
    ui.expectInput().withPrompt(kListSeparatorPrompt).answer(QString());
    ui.expectError(QStringLiteral("The separator is a one or two character string (for example a semicolon)"));
    ui.expectInput().withPrompt(kListSeparatorPrompt).cancel();
    EXPECT_FALSE(AcceptConcordance(session, *source, c).imported);
    ui.verifyDone();
    EXPECT_EQ(c.keySeparator, QStringLiteral("::"));
    EXPECT_EQ(session.units().count(), 0);
    // The next OK offers what was entered last.
    ui.expectInput().withInitial(QStringLiteral("::")).answer(QStringLiteral(":"));
    ui.expectInput().withInitial(QStringLiteral(",")).answer(QStringLiteral(","));
    EXPECT_TRUE(AcceptConcordance(session, *source, c).imported);
    EXPECT_EQ(session.units().count(), 3);
}

TEST_F(ConcordanceOkTest, ARecordThatFailsThePreCheckKeepsTheDialogOpenAndWritesNothing)
{
    source.reset();
    writeBytes(csv, QByteArray(kUnitsCsv).append("\"A:1\";\"again\";\"\"\r\n"));
    source = ReadCsvHeader(ui, csv, withHeader(), regional);
    ASSERT_TRUE(source);
    expectSeparators();
    ui.expectError(QStringLiteral("Unit name A:1 occurs twice."));
    const ConcordanceOk ok = AcceptConcordance(session, *source, c);
    EXPECT_FALSE(ok.imported);
    EXPECT_EQ(ok.row, -1);
    EXPECT_EQ(session.units().count(), 0);
    EXPECT_EQ(ui.busyDepth(), 0);
}

// --- export -----------------------------------------------------------------

class ExportCommand : public ImportCommand {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("Site"));
        session.project().SingleExcavation = true;
        addUnit(QStringLiteral("A"), QStringLiteral("12"));
        addUnit(QStringLiteral("A"), QStringLiteral("13"));
        addRelation({QStringLiteral("A"), QStringLiteral("12")}, {QStringLiteral("A"), QStringLiteral("13")},
                    QLatin1Char('>'));
    }
    void TearDown() override { CloseProject(session, true); }

    std::function<std::optional<CsvOptions>()> options(std::optional<CsvOptions> o = CsvOptions())
    {
        return [this, o] {
            ++optionsAsked;
            EXPECT_EQ(ui.busyDepth(), 0) << "the options are asked before the wait cursor";
            return o;
        };
    }
    int optionsAsked = 0;
};

TEST_F(ExportCommand, WritesEachFormatByItsExtensionWithTheRelationshipFilterOff)
{
    session.relations().setFilter(QStringLiteral("RelationCat = '<'"));
    ASSERT_TRUE(session.relations().filtered());
    struct Case {
        const char* file;
        QByteArray start;   // how the file begins
    };
    const Case cases[] = {
        {"out.lst", "            Stratigraphic Dataset Site\r\n\r\nName\r\n12\r\n            below: 13\r\n"},
        {"out.CSV", "\"12\";\"context\";\"13\";\"\"\r\n"},
        {"out.txt", "\"12\",\"context\",\"13\",\"\"\r\n"},
        {"out.dbf", QByteArray(1, '\x03')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_TRUE(ExportByExtension(session, path(QString::fromLatin1(c.file)), options()));
        const QByteArray written = readBytes(path(QString::fromLatin1(c.file)));
        EXPECT_TRUE(written.startsWith(c.start)) << written.left(80).toStdString();
        EXPECT_TRUE(session.relations().filtered());
        EXPECT_EQ(ui.busyDepth(), 0);
        EXPECT_EQ(ui.notices().last(),
                  QStringLiteral("2 units exported to %1.").arg(QDir::toNativeSeparators(path(QString::fromLatin1(c.file)))));
    }
    EXPECT_EQ(optionsAsked, 1);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("out.sch"))));
}

TEST_F(ExportCommand, AnotherExtensionOrCancelledOptionsWriteNothing)
{
    ui.expectWarning(QStringLiteral("Files of type .xls cannot be exported.\r\n"
                                    "Belvanto exports .lst, .dbf, .txt and .csv files."),
                     kExportHelpTopic);
    EXPECT_FALSE(ExportByExtension(session, path(QStringLiteral("out.xls")), options()));
    EXPECT_FALSE(ExportByExtension(session, path(QStringLiteral("out.csv")), options(std::nullopt)));
    EXPECT_EQ(optionsAsked, 1);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.xls"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.csv"))));
}

TEST_F(ExportCommand, SaveDialogRefusesReadOnlyFilesAndAsksAgain)
{
    const QString locked = path(QStringLiteral("locked.lst"));
    writeBytes(locked, "old");
    QFile::setPermissions(locked, QFileDevice::ReadOwner);
    if (QFileInfo(locked).isWritable()) GTEST_SKIP() << "running as a user who may write every file";
    ui.expectSaveFile().withTitle(QStringLiteral("Export Harris data base")).answer(locked);
    ui.expectError(QStringLiteral("File %1 is write-protected - choose another name.").arg(QDir::toNativeSeparators(locked)),
                   kExportHelpTopic);
    ui.expectSaveFile().withTitle(QStringLiteral("Export Harris data base")).answer(path(QStringLiteral("new.lst")));
    EXPECT_EQ(ChooseExportFile(session), path(QStringLiteral("new.lst")));
    ui.expectSaveFile().cancel();
    EXPECT_FALSE(ChooseExportFile(session));
}

} // namespace
} // namespace belvanto
