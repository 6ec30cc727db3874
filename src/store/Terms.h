#pragma once
// The term file: controlled vocabularies for the descriptive unit fields and
// the relationship comment. A project links to one term file by path; several
// projects may share it, so the file is never owned or deleted by a project.
//
// Every routine reads and writes the session's term table by field position,
// not by name: a term file passes validation on its types and sizes alone.
#include "store/Table.h"
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace belvanto {

class Session;
class UnitFieldCatalogue;

struct TermFieldEntry {
    QString Name;
    FieldType Type = FieldType::String;
    int Size = 0;
    QString Label;
};

inline constexpr int kTermFieldCount = 11;

// 0-based positions of the term table's fields.
namespace tf {
enum : int {
    TermField = 0, Term, Abbreviation, Description, Colour, Style, MinYear, MaxYear, AvgYear,
    RelationCat, OppositeRel
};
}

inline const QString kRelationshipComment = QStringLiteral("Relationship comment");
inline const QString kTermEntryFileName = QStringLiteral("TermEntry.db");
inline const QString kNoTermFileMessage = QStringLiteral("No term file available for current project.");
inline constexpr int kTermFileHelpTopic = 43;
inline constexpr int kTermEntryHelpTopic = 56;
inline constexpr int kTermDeleteHelpTopic = 59;
inline constexpr int kTermCopyHelpTopic = 135;

const std::array<TermFieldEntry, kTermFieldCount>& TermFieldCatalogue();
std::vector<FieldDef> TermTableFields();
IndexDef TermPrimaryIndex();   // TermField;Term

// Labels of the string unit fields that may carry terms, in catalogue order,
// then "Relationship comment".
QStringList TargetFieldList(const UnitFieldCatalogue& catalogue);
// 0-based unit field position of a target field; none for "Relationship
// comment" and for labels that name no target field.
std::optional<int> TargetUnitField(const UnitFieldCatalogue& catalogue, const QString& targetField);
// The unit field's size, 20 for "Relationship comment", never more than the
// term column holds (30); unknown target fields get 30.
int MaxTermLength(const UnitFieldCatalogue& catalogue, const QString& targetField);

// Both replace an existing table; Table throws "busy" for a table open in
// this process.
void CreateTermTable(const QString& directory, const QString& tableName);
void CreateTermTableFile(const QString& path);

// The first problem of an existing file as the text shown to the user, or
// none when it is a usable term table. Never throws.
std::optional<QString> TermFileProblem(const QString& path);
// Shows the problem (warning, OK, help 43) and clears the project's term
// link; true when the file is usable.
bool ValidateTermFile(Session& session, const QString& path);

// Opens the linked term file in the session's term table. Without a link it
// shows warningIfNone (when given) and returns false. Engine errors throw.
bool OpenTermTable(Session& session, const QString& warningIfNone = QString());
void CloseTermTable(Session& session);

// The Configure menu command "&Create or load term file...".
enum class TermLinkResult { NotLinked, ShowTermList };
TermLinkResult LinkTermFile(Session& session);
// Run while a project opens (and after a new project's tables exist): asks
// for another file when the linked one is missing, validates the file and
// opens it. True when a term file is linked and open afterwards.
bool CheckTermFileOnOpen(Session& session);
// Before a new project's tables are created: an existing file is validated,
// a missing one is created empty. True when the link stands.
bool PrepareNewProjectTermFile(Session& session);
bool RemoveTermLink(Session& session);
// True when a copy was written.
bool SaveTermFileCopy(Session& session);

// The one-row table of the term entry dialog, beside the term file.
QString TermEntryTablePath(const QString& termFilePath);
QString EnsureTermEntryTable(Session& session);   // its path; "" without a link

struct TermRecord {
    QString TermField, Term, Abbreviation, Description;
    std::optional<qint32> Colour, Style, MinYear, MaxYear, AvgYear;
    QString RelationCat, OppositeRel;
    bool operator==(const TermRecord&) const = default;
};
TermRecord TermRecordFromRow(const std::vector<Value>& values);
TermRecord CurrentTermRecord(const Table& termTable);
// Sets the eleven fields of the record in the edit buffer, by position.
void WriteTermRecord(Table& termTable, const TermRecord& record);

// Look-ups; each answers "nothing" while no term table is open.
std::vector<TermRecord> TermsOf(Session& session, const QString& targetField);   // by term
std::optional<TermRecord> FindTerm(Session& session, const QString& targetField, const QString& term);
std::optional<QString> ExpandAbbreviation(Session& session, const QString& targetField, const QString& text);
bool IsTerm(Session& session, const QString& targetField, const QString& value);
// Whether the terms-only rule applies to a unit field now: a term table is
// open, the field is a string field and its "Terms only" option is on.
bool TermsOnlyActive(Session& session, int unitFieldPos);
// OppositeRel of ("Relationship comment", comment); "" without term file,
// term or comment.
QString TermOppositeComment(Session& session, const QString& comment);

// The term entry dialog's save, without the dialog.
enum class TermControl { None, TargetField, Term, Abbreviation, MinYear, RelationCat, OppositeRel };
struct TermSaveResult {
    bool ok = false;
    QString message;                   // the message shown; "" on success
    TermControl focus = TermControl::None;
    TermRecord record;                 // the values after clearing: what was (or would be) stored
};
// original: the term being changed, none for a new term. Shows the first
// failing check and stores nothing then.
TermSaveResult SaveTerm(Session& session, TermRecord edited, const std::optional<TermRecord>& original);

// Deletes the current record of the session's term table, asking first when
// the term is in use: by units for a unit field's target, by relationship
// comments for "Relationship comment". True when deleted.
bool DeleteTerm(Session& session);

} // namespace belvanto
