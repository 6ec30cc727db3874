#include "store/Terms.h"
#include "core/Regional.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace belvanto;

namespace {

const QString kUnitType = QStringLiteral("Unit type");
const QString kTermEntryMessage =
    QStringLiteral("TermEntry.db is the name of a temporary table, and cannot be used as term file name");

TermRecord term(const QString& field, const QString& text, const QString& abbreviation = QString())
{
    TermRecord r;
    r.TermField = field;
    r.Term = text;
    r.Abbreviation = abbreviation;
    return r;
}

void put(Table& table, const TermRecord& r)
{
    table.insert();
    WriteTermRecord(table, r);
    table.post();
}

std::vector<TermRecord> allTerms(const Table& table)
{
    std::vector<TermRecord> terms;
    for (const auto& row : table.query(QString(), {}, QStringLiteral("TermField, Term")))
        terms.push_back(TermRecordFromRow(row.values));
    return terms;
}

class TermFileFixture : public testing::Test {
protected:
    QString path(const QString& name) const { return QDir::toNativeSeparators(dir.filePath(name)); }

    // Creates an empty term file, links it and opens it.
    QString linkNew(const QString& name = QStringLiteral("terms.db"))
    {
        const QString p = path(name);
        CreateTermTableFile(p);
        session.project().TermFilePath = p;
        EXPECT_TRUE(OpenTermTable(session));
        return p;
    }

    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

// --- layout -------------------------------------------------------------

TEST(TermCatalogue, TargetFieldsAreTheStringUnitFieldsThenTheRelationshipComment)
{
    const UnitFieldCatalogue catalogue;
    EXPECT_EQ(TargetFieldList(catalogue),
              (QStringList{"Excavation", "Location", "Unit type", "Colour", "Description", "Inclusions",
                           "Visibility of boundaries", "Excavation method", "Conditions", "Formation process",
                           "Drawings", "Photos", "Samples", "Interpretation", "Period", "Source of dating", "Phase",
                           "Excavator", "Find Category", "Relationship comment"}));
}

TEST(TermCatalogue, MaxTermLengthFollowsTheUnitFieldWithinTheTermColumn)
{
    const UnitFieldCatalogue catalogue;
    const std::pair<const char*, int> cases[] = {
        {"Excavation", 12}, {"Period", 8}, {"Unit type", 25}, {"Relationship comment", 20},
        {"Formation process", 30}, {"Description", 30}, {"Photos", 30},
        {"Unit name", 30},   // no target field
    };
    for (const auto& [field, length] : cases)
        EXPECT_EQ(MaxTermLength(catalogue, QString::fromUtf8(field)), length) << field;
}

TEST_F(TermFileFixture, CreatedTableIsAValidTermFileKeyedByTargetFieldAndTerm)
{
    CreateTermTable(dir.path(), QStringLiteral("vocab"));
    const QString p = Table::pathOf(dir.path(), QStringLiteral("vocab"));
    EXPECT_EQ(TermFileProblem(p), std::nullopt);
    Table t;
    t.openFile(p);
    EXPECT_EQ(t.primaryIndex().fields, (QStringList{"TermField", "Term"}));
    put(t, term(kUnitType, QStringLiteral("pit")));
    t.insert();
    t.set(tf::TermField, kUnitType);
    t.set(tf::Term, QStringLiteral("pit"));
    EXPECT_THROW(t.post(), EngineError);
    t.cancel();
}

// --- validation ---------------------------------------------------------

using FileMaker = std::function<void(const QString& path)>;

FileMaker tableWith(std::function<void(std::vector<FieldDef>&)> change)
{
    return [change](const QString& p) {
        std::vector<FieldDef> defs = TermTableFields();
        change(defs);
        Table::createFile(p, defs, IndexDef{QString(), {defs[0].name, defs[1].name}});
    };
}

FileMaker bytes(const QByteArray& content)
{
    return [content](const QString& p) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    };
}

void sqliteWithoutData(const QString& p)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(p.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE other (TermField TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

struct ValidationCase {
    const char* name;
    const char* fileName;
    FileMaker make;          // nothing: the file does not exist
    const char* message;     // "" = accepted; %1 = the file's path
};

void PrintTo(const ValidationCase& c, std::ostream* os) { *os << c.name; }

class TermFileValidation : public TermFileFixture, public testing::WithParamInterface<ValidationCase> {};

TEST_P(TermFileValidation, WarnsWithTopic43AndDropsTheLink)
{
    const ValidationCase& c = GetParam();
    const QString p = path(QString::fromUtf8(c.fileName));
    if (c.make) c.make(p);
    session.project().TermFilePath = p;
    const QString expected = QString::fromUtf8(c.message).replace(QStringLiteral("%1"), p);
    if (!expected.isEmpty()) ui.expectWarning(expected, 43);

    EXPECT_EQ(ValidateTermFile(session, p), expected.isEmpty());
    EXPECT_EQ(session.project().TermFilePath, expected.isEmpty() ? p : QString());
    ui.verifyDone();
}

const QByteArray kGarbage = QByteArray("PARADOX\x02\x00 not ours", sizeof("PARADOX\x02\x00 not ours") - 1).repeated(100);
const FileMaker kValidTable = tableWith([](std::vector<FieldDef>&) {});

INSTANTIATE_TEST_SUITE_P(
    Terms, TermFileValidation,
    testing::Values(
        ValidationCase{"Valid", "terms.db", kValidTable, ""},
        ValidationCase{"TwelveFields", "terms.db",
                       tableWith([](auto& d) { d.push_back({"Extra", FieldType::Integer, 0, false}); }), ""},
        ValidationCase{"OtherColumnNames", "terms.db",
                       tableWith([](auto& d) { for (auto& f : d) f.name = "X" + f.name; }), ""},
        ValidationCase{"NoExtension", "terms", kValidTable, ""},
        ValidationCase{"TenFields", "terms.db", tableWith([](auto& d) { d.pop_back(); }),
                       "Term file with 11 fields expected."},
        ValidationCase{"TargetFieldSize", "terms.db", tableWith([](auto& d) { d[0].size = 12; }),
                       "Field size mismatch in term table field Target field"},
        ValidationCase{"LastFieldSize", "terms.db", tableWith([](auto& d) { d[10].size = 30; }),
                       "Field size mismatch in term table field Opposite Relation"},
        ValidationCase{"ColourType", "terms.db",
                       tableWith([](auto& d) { d[4].type = FieldType::String; d[4].size = 10; }),
                       "Type mismatch in term table field Display colour"},
        ValidationCase{"YearAsFloat", "terms.db", tableWith([](auto& d) { d[8].type = FieldType::Float; }),
                       "Type mismatch in term table field Mean year"},
        ValidationCase{"FirstProblemWins", "terms.db",
                       tableWith([](auto& d) { d[1].size = 31; d[5].type = FieldType::Date; }),
                       "Field size mismatch in term table field Term"},
        ValidationCase{"TermEntryName", "TermEntry.db", kValidTable,
                       "TermEntry.db is the name of a temporary table, and cannot be used as term file name"},
        ValidationCase{"TermEntryAnyCase", "termentry.DB", kValidTable,
                       "TermEntry.db is the name of a temporary table, and cannot be used as term file name"},
        ValidationCase{"TermEntryMissing", "TERMENTRY.db", nullptr,
                       "TermEntry.db is the name of a temporary table, and cannot be used as term file name"},
        ValidationCase{"Garbage", "terms.db", bytes(kGarbage),
                       "File %1 is not a term table."},
        ValidationCase{"ZeroBytes", "terms.db", bytes(QByteArray()), "File %1 is not a term table."},
        ValidationCase{"SqliteWithoutData", "terms.db", sqliteWithoutData, "File %1 is not a term table."},
        ValidationCase{"Missing", "terms.db", nullptr, "Term file %1 not found."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TermFileFixture, ValidationLeavesAForeignFileUntouched)
{
    const QString p = path(QStringLiteral("old.db"));
    const QByteArray content = QByteArray("\x00\x08\x02\x00garbage", sizeof("\x00\x08\x02\x00garbage") - 1).repeated(64);
    bytes(content)(p);
    ui.expectWarning(QStringLiteral("File ") + p + QStringLiteral(" is not a term table."), 43);
    EXPECT_FALSE(ValidateTermFile(session, p));
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), content);
}

// --- linking ------------------------------------------------------------

TEST_F(TermFileFixture, LinkCreatesAMissingFileAndAsksForTheList)
{
    session.project().ProjectDirectory = dir.path();
    int notified = 0;
    session.onStateChanged = [&] { ++notified; };
    const QString p = path(QStringLiteral("new.db"));
    ui.expectSaveFile().withTitle(QStringLiteral("Enter term file name")).answer(p);

    EXPECT_EQ(LinkTermFile(session), TermLinkResult::ShowTermList);
    EXPECT_EQ(session.project().TermFilePath, p);
    EXPECT_TRUE(session.termsOpen());
    EXPECT_EQ(TermFileProblem(p), std::nullopt);
    EXPECT_GE(notified, 1);

    ui.expectInformation(QStringLiteral("Remove link to existing term file before creating a new link."), 43);
    EXPECT_EQ(LinkTermFile(session), TermLinkResult::NotLinked);
    EXPECT_EQ(session.project().TermFilePath, p);
}

TEST_F(TermFileFixture, LinkRefusesAForeignFileAndATermEntryName)
{
    const QString foreign = path(QStringLiteral("foreign.db"));
    bytes("this is no database, just text")(foreign);
    ui.expectSaveFile().answer(foreign);
    ui.expectWarning(QStringLiteral("File ") + foreign + QStringLiteral(" is not a term table."), 43);
    EXPECT_EQ(LinkTermFile(session), TermLinkResult::NotLinked);
    EXPECT_TRUE(session.project().TermFilePath.isEmpty());
    EXPECT_FALSE(session.termsOpen());

    // Not even created: the entry dialog's table would be the term file itself.
    const QString entry = path(QStringLiteral("termEntry.db"));
    ui.expectSaveFile().answer(entry);
    ui.expectWarning(kTermEntryMessage, 43);
    EXPECT_EQ(LinkTermFile(session), TermLinkResult::NotLinked);
    EXPECT_FALSE(QFileInfo::exists(entry));

    ui.expectSaveFile().cancel();
    EXPECT_EQ(LinkTermFile(session), TermLinkResult::NotLinked);
}

TEST_F(TermFileFixture, RemovingTheLinkAsksAndKeepsTheFile)
{
    const QString p = linkNew();
    const QString question = QStringLiteral("Do you really want to remove the link to the term file terms.db?");
    ui.expectConfirmation(question, Buttons::YesNo, 43).answer(Answer::No);
    EXPECT_FALSE(RemoveTermLink(session));
    EXPECT_TRUE(session.termsOpen());

    ui.expectConfirmation(question, Buttons::YesNo, 43).answer(Answer::Yes);
    EXPECT_TRUE(RemoveTermLink(session));
    EXPECT_TRUE(session.project().TermFilePath.isEmpty());
    EXPECT_FALSE(session.termsOpen());
    EXPECT_TRUE(QFileInfo::exists(p));
}

// --- link check on project open -------------------------------------------

enum class Chosen { NotAsked, Cancel, ValidFile, ForeignFile };

struct OpenCheckCase {
    const char* name;
    bool linkedFileExists;
    Answer answer;        // to "not found" (when the file is missing)
    Chosen chosen;
    bool linked;
};

void PrintTo(const OpenCheckCase& c, std::ostream* os) { *os << c.name; }

class TermLinkCheckOnOpen : public TermFileFixture, public testing::WithParamInterface<OpenCheckCase> {};

TEST_P(TermLinkCheckOnOpen, EndsLinkedAndOpenOrWithoutLink)
{
    const OpenCheckCase& c = GetParam();
    const QString old = path(QStringLiteral("old/gone.db"));
    const QString valid = path(QStringLiteral("valid.db"));
    const QString foreign = path(QStringLiteral("foreign.db"));
    CreateTermTableFile(valid);
    bytes("not a table")(foreign);
    QString expectedLink;

    if (c.linkedFileExists) {
        // A file found at open is validated like a chosen one.
        session.project().TermFilePath = c.chosen == Chosen::ForeignFile ? foreign : valid;
        expectedLink = session.project().TermFilePath;
    } else {
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("old")));
        session.project().TermFilePath = old;
        ui.expectConfirmation(QStringLiteral("Term file gone.db not found\r\nin directory ") + path("old")
                                  + QStringLiteral(".\r\nDo you want to load another term file?"),
                              Buttons::YesNo, 84)
            .answer(c.answer);
        if (c.chosen != Chosen::NotAsked) {
            auto& dialog = ui.expectOpenFile().withTitle(QStringLiteral("Open term file")).withFileName("gone.db");
            if (c.chosen == Chosen::Cancel) dialog.cancel();
            else dialog.answer(c.chosen == Chosen::ValidFile ? valid : foreign);
        }
        expectedLink = c.chosen == Chosen::ValidFile ? valid : foreign;
    }
    if (c.chosen == Chosen::ForeignFile)
        ui.expectWarning(QStringLiteral("File ") + foreign + QStringLiteral(" is not a term table."), 43);

    EXPECT_EQ(CheckTermFileOnOpen(session), c.linked);
    EXPECT_EQ(session.project().TermFilePath, c.linked ? expectedLink : QString());
    EXPECT_EQ(session.termsOpen(), c.linked);
    ui.verifyDone();
}

INSTANTIATE_TEST_SUITE_P(
    Terms, TermLinkCheckOnOpen,
    testing::Values(OpenCheckCase{"NoRemovesTheLink", false, Answer::No, Chosen::NotAsked, false},
                    OpenCheckCase{"CancelRemovesTheLink", false, Answer::Yes, Chosen::Cancel, false},
                    OpenCheckCase{"ChosenFileIsLinked", false, Answer::Yes, Chosen::ValidFile, true},
                    OpenCheckCase{"ChosenForeignFileIsRefused", false, Answer::Yes, Chosen::ForeignFile, false},
                    OpenCheckCase{"FoundFileIsOpened", true, Answer::Ok, Chosen::NotAsked, true},
                    OpenCheckCase{"FoundForeignFileIsRefused", true, Answer::Ok, Chosen::ForeignFile, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TermFileFixture, NewProjectCreatesAMissingTermFileAndChecksAnExistingOne)
{
    const QString fresh = path(QStringLiteral("fresh.db"));
    session.project().TermFilePath = fresh;
    EXPECT_TRUE(PrepareNewProjectTermFile(session));
    EXPECT_EQ(TermFileProblem(fresh), std::nullopt);

    const QString foreign = path(QStringLiteral("foreign.db"));
    bytes("plain text")(foreign);
    session.project().TermFilePath = foreign;
    ui.expectWarning(QStringLiteral("File ") + foreign + QStringLiteral(" is not a term table."), 43);
    EXPECT_FALSE(PrepareNewProjectTermFile(session));
    EXPECT_TRUE(session.project().TermFilePath.isEmpty());
}

// --- look-ups -----------------------------------------------------------

class TermLookups : public TermFileFixture {
protected:
    void SetUp() override
    {
        linkNew();
        put(session.terms(), term(kUnitType, QStringLiteral("pit"), QStringLiteral("p")));
        put(session.terms(), term(kUnitType, QStringLiteral("Wall"), QStringLiteral("w")));
        put(session.terms(), term(QStringLiteral("Location"), QStringLiteral("pier"), QStringLiteral("p")));
        TermRecord cuts = term(kRelationshipComment, QStringLiteral("cuts"));
        cuts.RelationCat = QStringLiteral(">");
        cuts.OppositeRel = QStringLiteral("cut by");
        put(session.terms(), cuts);
    }
};

TEST_F(TermLookups, AnswerWithinOneTargetField)
{
    EXPECT_EQ(ExpandAbbreviation(session, kUnitType, QStringLiteral("p")), QStringLiteral("pit"));
    EXPECT_EQ(ExpandAbbreviation(session, QStringLiteral("Location"), QStringLiteral("p")), QStringLiteral("pier"));
    EXPECT_EQ(ExpandAbbreviation(session, kUnitType, QStringLiteral("P")), std::nullopt);
    EXPECT_EQ(ExpandAbbreviation(session, kUnitType, QString()), std::nullopt);
    EXPECT_EQ(ExpandAbbreviation(session, QStringLiteral("Period"), QStringLiteral("p")), std::nullopt);

    EXPECT_TRUE(IsTerm(session, kUnitType, QStringLiteral("pit")));
    EXPECT_FALSE(IsTerm(session, kUnitType, QStringLiteral("pier")));
    EXPECT_FALSE(IsTerm(session, kUnitType, QStringLiteral("Pit")));
    EXPECT_FALSE(IsTerm(session, kUnitType, QString()));

    QStringList names;
    for (const TermRecord& t : TermsOf(session, kUnitType)) names << t.Term;
    EXPECT_EQ(names, (QStringList{"Wall", "pit"}));   // code-point order

    EXPECT_EQ(TermOppositeComment(session, QStringLiteral("cuts")), QStringLiteral("cut by"));
    EXPECT_EQ(TermOppositeComment(session, QStringLiteral("cut by")), QString());
    EXPECT_EQ(TermOppositeComment(session, QString()), QString());
}

TEST_F(TermLookups, AnswerNothingWithoutAnOpenTermFile)
{
    CloseTermTable(session);
    session.project().TermFilePath.clear();
    EXPECT_EQ(ExpandAbbreviation(session, kUnitType, QStringLiteral("p")), std::nullopt);
    EXPECT_FALSE(IsTerm(session, kUnitType, QStringLiteral("pit")));
    EXPECT_TRUE(TermsOf(session, kUnitType).empty());
    EXPECT_EQ(TermOppositeComment(session, QStringLiteral("cuts")), QString());

    session.catalogue()[uf::Unittype].ClosedTerms = true;
    EXPECT_FALSE(TermsOnlyActive(session, uf::Unittype));
    ui.expectWarning(QStringLiteral("No term file available for current project."));
    EXPECT_FALSE(OpenTermTable(session, kNoTermFileMessage));
}

TEST_F(TermLookups, TermsOnlyRuleAppliesToStringFieldsWithTheOption)
{
    session.catalogue()[uf::Unittype].ClosedTerms = true;
    session.catalogue()[uf::AvgYear].ClosedTerms = true;
    EXPECT_TRUE(TermsOnlyActive(session, uf::Unittype));
    EXPECT_FALSE(TermsOnlyActive(session, uf::Location));
    EXPECT_FALSE(TermsOnlyActive(session, uf::AvgYear));
}

// --- saving a term ------------------------------------------------------

class TermSaving : public TermFileFixture {
protected:
    void SetUp() override { linkNew(); }

    TermSaveResult save(const TermRecord& edited, const std::optional<TermRecord>& original = std::nullopt)
    {
        return SaveTerm(session, edited, original);
    }
    std::optional<TermRecord> stored(const QString& field, const QString& text)
    {
        return FindTerm(session, field, text);
    }
};

struct SaveMessageCase {
    const char* name;
    TermRecord edited;
    const char* message;
    TermControl focus;
};

void PrintTo(const SaveMessageCase& c, std::ostream* os) { *os << c.name; }

TermRecord with(TermRecord r, std::function<void(TermRecord&)> change)
{
    change(r);
    return r;
}

class TermSaveMessages : public TermSaving, public testing::WithParamInterface<SaveMessageCase> {};

TEST_P(TermSaveMessages, ShowsTheFirstProblemAndStoresNothing)
{
    put(session.terms(), term(kUnitType, QStringLiteral("pit"), QStringLiteral("p")));
    const auto before = allTerms(session.terms());
    const SaveMessageCase& c = GetParam();
    ui.expectError(QString::fromUtf8(c.message), 56);

    const TermSaveResult result = save(c.edited);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QString::fromUtf8(c.message));
    EXPECT_EQ(result.focus, c.focus);
    EXPECT_EQ(allTerms(session.terms()), before);
    ui.verifyDone();
}

const TermRecord kComment = term(kRelationshipComment, QStringLiteral("seals"));

INSTANTIATE_TEST_SUITE_P(
    Terms, TermSaveMessages,
    testing::Values(
        SaveMessageCase{"EmptyTerm", term(kUnitType, QString()), "Term must be entered!", TermControl::Term},
        SaveMessageCase{"EmptyTermBeforeCategory",
                        with(term(kRelationshipComment, QString()), [](auto& r) { r.OppositeRel = "x"; }),
                        "Term must be entered!", TermControl::Term},
        SaveMessageCase{"OppositeWithoutCategory", with(kComment, [](auto& r) { r.OppositeRel = "sealed by"; }),
                        "Relation category must be entered, if opposite term is present!", TermControl::RelationCat},
        SaveMessageCase{"YearsOutOfOrder",
                        with(term("Period", "Roman"), [](auto& r) { r.MinYear = 400; r.MaxYear = -50; }),
                        "Min. of Year is greater than Max.", TermControl::MinYear},
        SaveMessageCase{"CenterBeforeFirst",
                        with(term("Phase", "II"), [](auto& r) { r.MinYear = 100; r.AvgYear = 90; }),
                        "Min. of Year is greater than Center", TermControl::MinYear},
        SaveMessageCase{"AbbreviationTaken", term(kUnitType, "posthole", "p"),
                        "Abbreviation p already defined for field Unit type.", TermControl::Abbreviation},
        SaveMessageCase{"TermTaken", term(kUnitType, "pit"), "Term pit already defined for field Unit type.",
                        TermControl::Term},
        SaveMessageCase{"AbbreviationBeforeTerm", term(kUnitType, "pit", "p"),
                        "Term pit already defined for field Unit type.", TermControl::Term}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TermSaving, ExcavationTermsFollowTheExcavationNameRule)
{
    ui.expectError(QStringLiteral("The excavation name must not contain a colon."), 14);
    const TermSaveResult result = save(term(QStringLiteral("Excavation"), QStringLiteral("A:B")));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.focus, TermControl::Term);
    EXPECT_TRUE(allTerms(session.terms()).empty());

    EXPECT_TRUE(save(term(QStringLiteral("Excavation"), QStringLiteral("A=B, C"))).ok);
}

TEST_F(TermSaving, OppositeTermIsCreatedOrUpdated)
{
    TermRecord above = term(kRelationshipComment, QStringLiteral("above"));
    above.RelationCat = QStringLiteral(">");
    above.OppositeRel = QStringLiteral("below");
    ASSERT_TRUE(save(above).ok);
    auto below = stored(kRelationshipComment, QStringLiteral("below"));
    ASSERT_TRUE(below);
    EXPECT_EQ(below->RelationCat, QStringLiteral("<"));
    EXPECT_EQ(below->OppositeRel, QStringLiteral("above"));

    // An existing opposite keeps its other values.
    TermRecord fills = term(kRelationshipComment, QStringLiteral("fills"), QStringLiteral("f"));
    fills.Description = QStringLiteral("deposit inside a cut");
    ASSERT_TRUE(save(fills).ok);
    TermRecord filled = term(kRelationshipComment, QStringLiteral("filled by"));
    filled.RelationCat = QStringLiteral("<");
    filled.OppositeRel = QStringLiteral("fills");
    ASSERT_TRUE(save(filled).ok);
    const auto updated = stored(kRelationshipComment, QStringLiteral("fills"));
    ASSERT_TRUE(updated);
    EXPECT_EQ(updated->RelationCat, QStringLiteral(">"));
    EXPECT_EQ(updated->OppositeRel, QStringLiteral("filled by"));
    EXPECT_EQ(updated->Description, QStringLiteral("deposit inside a cut"));
    EXPECT_EQ(updated->Abbreviation, QStringLiteral("f"));

    // Other categories are copied; a term that is its own opposite adds nothing.
    TermRecord abuts = term(kRelationshipComment, QStringLiteral("abuts"));
    abuts.RelationCat = QStringLiteral("-");
    abuts.OppositeRel = QStringLiteral("abuts");
    ASSERT_TRUE(save(abuts).ok);
    EXPECT_EQ(stored(kRelationshipComment, QStringLiteral("abuts"))->RelationCat, QStringLiteral("-"));
    EXPECT_EQ(allTerms(session.terms()).size(), 5u);
}

TEST_F(TermSaving, ValuesThatDoNotBelongToTheTargetFieldAreCleared)
{
    TermRecord roman = term(QStringLiteral("Period"), QStringLiteral("Roman"));
    roman.MinYear = -50;
    roman.MaxYear = 400;
    roman.AvgYear = 175;
    ASSERT_TRUE(save(roman).ok);
    EXPECT_EQ(stored(QStringLiteral("Period"), QStringLiteral("Roman"))->AvgYear, 175);

    TermRecord moved = roman;
    moved.TermField = QStringLiteral("Location");
    moved.RelationCat = QStringLiteral(">");
    moved.OppositeRel = QStringLiteral("under");
    const TermSaveResult result = save(moved, roman);
    ASSERT_TRUE(result.ok);
    const auto location = stored(QStringLiteral("Location"), QStringLiteral("Roman"));
    ASSERT_TRUE(location);
    EXPECT_EQ(location->MinYear, std::nullopt);
    EXPECT_EQ(location->MaxYear, std::nullopt);
    EXPECT_EQ(location->AvgYear, std::nullopt);
    EXPECT_TRUE(location->RelationCat.isEmpty());
    EXPECT_TRUE(location->OppositeRel.isEmpty());
    EXPECT_EQ(result.record, *location);
    // The old row is gone and no opposite was made.
    EXPECT_EQ(allTerms(session.terms()).size(), 1u);
}

TEST_F(TermSaving, ChangingKeepsTheRowCountAndAllowsItsOwnValues)
{
    TermRecord pit = term(kUnitType, QStringLiteral("pit"), QStringLiteral("p"));
    ASSERT_TRUE(save(pit).ok);
    TermRecord described = pit;
    described.Description = QStringLiteral("a cut feature");
    ASSERT_TRUE(save(described, pit).ok);
    TermRecord renamed = described;
    renamed.Term = QStringLiteral("pit, large");
    ASSERT_TRUE(save(renamed, described).ok);
    const auto all = allTerms(session.terms());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all.front(), renamed);
}

TEST_F(TermSaving, AbbreviationIsTestedWhenOnlyTheTargetFieldChanges)
{
    put(session.terms(), term(kUnitType, QStringLiteral("pit"), QStringLiteral("p")));
    const TermRecord pier = term(QStringLiteral("Location"), QStringLiteral("pier"), QStringLiteral("p"));
    put(session.terms(), pier);
    TermRecord moved = pier;
    moved.TermField = kUnitType;

    ui.expectError(QStringLiteral("Abbreviation p already defined for field Unit type."), 56);
    EXPECT_FALSE(save(moved, pier).ok);
    EXPECT_EQ(ExpandAbbreviation(session, kUnitType, QStringLiteral("p")), QStringLiteral("pit"));
    EXPECT_TRUE(stored(QStringLiteral("Location"), QStringLiteral("pier")).has_value());
}

TEST_F(TermSaving, AnAbbreviationSharedInAnOldFileDoesNotBlockOtherChanges)
{
    const TermRecord pit = term(kUnitType, QStringLiteral("pit"), QStringLiteral("p"));
    put(session.terms(), pit);
    put(session.terms(), term(kUnitType, QStringLiteral("posthole"), QStringLiteral("p")));
    TermRecord described = pit;
    described.Description = QStringLiteral("a cut feature");
    EXPECT_TRUE(save(described, pit).ok);
}

TEST_F(TermSaving, TermsLongerThanTheTargetFieldAreCut)
{
    const TermSaveResult result = save(term(QStringLiteral("Period"), QStringLiteral("Carolingian")));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.record.Term, QStringLiteral("Caroling"));
    EXPECT_TRUE(stored(QStringLiteral("Period"), QStringLiteral("Caroling")).has_value());
}

// --- deleting a term ----------------------------------------------------

struct DeleteCase {
    const char* name;
    const char* field;
    const char* text;
    std::optional<Answer> answer;   // none: deleted without a question
    bool deleted;
};

void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.name; }

class TermDeletion : public TermFileFixture, public testing::WithParamInterface<DeleteCase> {
protected:
    void SetUp() override
    {
        linkNew();
        CreateUnitTable(dir.path(), QStringLiteral("p_unit"));
        session.units().open(dir.path(), QStringLiteral("p_unit"));
        Table& units = session.units();
        units.insert();
        units.set(uf::Excavation, QStringLiteral("A"));
        units.set(uf::Unitname, QStringLiteral("1"));
        units.set(uf::Unittype, QStringLiteral("pit"));
        units.post();
        CreateRelationTable(dir.path(), QStringLiteral("p_rel"));
        session.relations().open(dir.path(), QStringLiteral("p_rel"));
        InsertRelationRow(session.relations(), {"A", "1"}, {"A", "2"}, QLatin1Char('>'), QStringLiteral("cuts"),
                          QStringLiteral("u"));
        for (const char* t : {"pit", "wall"}) put(session.terms(), term(kUnitType, t));
        for (const char* t : {"cuts", "abuts"}) put(session.terms(), term(kRelationshipComment, t));
    }
};

TEST_P(TermDeletion, AsksOnlyForTermsInUse)
{
    const DeleteCase& c = GetParam();
    ASSERT_TRUE(session.terms().locate(QStringLiteral("TermField;Term"), {QString::fromUtf8(c.field), QString::fromUtf8(c.text)}));
    if (c.answer)
        ui.expectConfirmation(QStringLiteral("Do you really want to delete term ") + QString::fromUtf8(c.text) + QLatin1Char('?'), Buttons::YesNo, 59)
            .answer(*c.answer);
    EXPECT_EQ(DeleteTerm(session), c.deleted);
    EXPECT_EQ(IsTerm(session, QString::fromUtf8(c.field), QString::fromUtf8(c.text)), !c.deleted);
    EXPECT_EQ(allTerms(session.terms()).size(), c.deleted ? 3u : 4u);
    ui.verifyDone();
}

INSTANTIATE_TEST_SUITE_P(
    Terms, TermDeletion,
    testing::Values(DeleteCase{"UnusedUnitTerm", "Unit type", "wall", std::nullopt, true},
                    DeleteCase{"UsedUnitTermKept", "Unit type", "pit", Answer::No, false},
                    DeleteCase{"UsedUnitTermDeleted", "Unit type", "pit", Answer::Yes, true},
                    DeleteCase{"UsedComment", "Relationship comment", "cuts", Answer::Yes, true},
                    DeleteCase{"UnusedComment", "Relationship comment", "abuts", std::nullopt, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TermFileFixture, DeletingFromAnEmptyTermTableIsRefused)
{
    linkNew();
    ui.expectWarning(QStringLiteral("Term table is empty. Deletion not possible."));
    EXPECT_FALSE(DeleteTerm(session));
}

// --- copy ---------------------------------------------------------------

TEST_F(TermFileFixture, CopyRefusesNamesInUseAndCopiesEveryTerm)
{
    const QString linked = linkNew(QStringLiteral("Terms.db"));
    TermRecord roman = term(QStringLiteral("Period"), QStringLiteral("Roman"), QStringLiteral("r"));
    roman.MinYear = -50;
    roman.Colour = 255;
    put(session.terms(), roman);
    put(session.terms(), term(kUnitType, QStringLiteral("pit")));
    session.terms().setFilter(QStringLiteral("TermField = 'Period'"));

    CreateUnitTable(dir.path(), QStringLiteral("p_unit"));
    session.units().open(dir.path(), QStringLiteral("p_unit"), true);
    const QString unitTable = Table::pathOf(dir.path(), QStringLiteral("p_unit"));
    const QString upperCase = path(QStringLiteral("TERMS.DB"));
    const QString entry = path(QStringLiteral("sub/termentry.db"));
    const QString copy = path(QStringLiteral("copy.db"));
    const auto inUse = [](const QString& p) {
        return QStringLiteral("Term file name ") + p + QStringLiteral(" already in use - try again.");
    };

    ui.expectSaveFile().withTitle(QStringLiteral("File name of term file copy")).answer(upperCase);
    ui.expectWarning(inUse(upperCase), 135);
    ui.expectSaveFile().answer(unitTable);
    ui.expectWarning(inUse(QDir::toNativeSeparators(unitTable)), 135);
    ui.expectSaveFile().answer(entry);
    ui.expectWarning(kTermEntryMessage, 135);
    ui.expectSaveFile().answer(copy);
    EXPECT_TRUE(SaveTermFileCopy(session));
    ui.verifyDone();

    EXPECT_TRUE(session.units().isOpen());
    EXPECT_EQ(session.project().TermFilePath, linked);
    Table copied;
    copied.openFile(copy);
    EXPECT_EQ(allTerms(copied), allTerms(session.terms()));
    EXPECT_EQ(allTerms(copied).size(), 2u);

    ui.expectSaveFile().cancel();
    EXPECT_FALSE(SaveTermFileCopy(session));
}

} // namespace
