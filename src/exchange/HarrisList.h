#pragma once
// Harris lists in and out.
//
// In: the fixed five-line blocks that older Harris programs print, one unit
// line and four relation lines ("above:", "below:", "equal to:",
// "contemporary with:" followed by unit names separated by commas), and our
// own Extended Harris List (below), told apart by IsExtendedHarrisList. The
// whole file is read and checked before anything is written, so a refused
// list leaves the project as it was.
//
// Out: the Extended Harris List, whose blocks carry every relationship
// category and the unit's filled fields, one "label: value" line each. A
// block is a unit line without indentation ("12", or "A::12" when the
// project has several excavations) followed by indented lines: the relation
// lines "below:", "above:", "equal to:", "contemporary with:", "part of:",
// then "<field label>: <value>" for every filled field from the unit class to
// the find category. Values are written as the tables hold them, independent
// of the locale: integers as digits, floats as the shortest text that reads
// back the same ("12.5", "1e-05"), dates as yyyy-MM-dd. Every value is one
// line: a line break inside it (Description, Inclusions ...) becomes one
// blank, the one change a value undergoes in this format.
#include "core/TextCodec.h"
#include "store/Table.h"
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace belvanto {

class Session;
class Table;
class UnitFieldCatalogue;
class UserInterface;

inline constexpr int kHarrisListHelpTopic = 90;

// Excavations are empty where the list names units without one: they
// belong to the excavation the import is given.
struct HarrisListUnit {
    QString name;
    QString description;   // fixed blocks only
    QString excavation;
    // Extended lists: the unit's fields 0..33 as listed, null where the
    // block has no line.
    std::vector<Value> fields;
};

struct HarrisListRelation {
    QString unit;    // the block's unit
    QChar code;      // the category stored for unit
    QString other;
    QString unitExcavation;
    QString otherExcavation;
};

// A list as read: the units in the order of their blocks (a name met twice
// keeps its last block), the relationships in the order of the lines.
struct HarrisList {
    std::vector<HarrisListUnit> units;
    std::vector<HarrisListRelation> relations;
    bool extended = false;   // the units carry their fields
};

struct HarrisListRead {
    std::optional<HarrisList> list;
    QString error;   // the refusal, naming the file and the line, when list is empty
};

// Whether the list is an Extended Harris List rather than fixed blocks (the
// rule is described in HarrisList.cpp).
bool IsExtendedHarrisList(QByteArrayView bytes);

// Reads and checks a whole list held in memory. page is the code page of the
// bytes: OEM 850 for lists made by DOS programs. fileName is only named in
// refusals; descriptionSize is the longest description the unit table holds
// (fixed blocks; the fields of an Extended list are checked against the
// catalogue's sizes).
HarrisListRead ReadHarrisList(QByteArrayView bytes, CodePage page, const QString& fileName, int descriptionSize);

// "Convert ASCII to ANSI?..." with Yes, No, Cancel and Help: whether the list
// is OEM text, or none when the user cancels.
std::optional<bool> AskHarrisListOem(UserInterface& ui, const QString& fileName);

// Stores a checked list in the open project's tables, in one transaction:
// units without an excavation of their own in excavation; new units as
// contexts unless the list gives their class; fixed blocks set the
// Description of every listed unit, Extended blocks every field from the
// unit class to the find category (the class only when listed); then the
// relationships through AddRelationship without messages. A project that
// then holds units of several excavations is no longer a single-excavation
// project. Gives the number of units listed.
int StoreHarrisList(Session& session, const HarrisList& list, const QString& excavation);

// Reads the list file at path and stores it in the open project. oem none
// asks the user, except for an Extended list, which is always Windows-1252.
// Refusals are shown as errors; on success the status line says "<n> units
// imported". None when nothing was imported.
std::optional<int> ImportHarrisList(Session& session, const QString& path, const QString& excavation,
                                    std::optional<bool> oem = std::nullopt);

// The same into a new project made at projectFile, left open on success; a
// refused list makes no project.
std::optional<int> ImportHarrisListAsProject(Session& session, const QString& path, const QString& projectFile,
                                             const QString& excavation, bool singleExcavation,
                                             std::optional<bool> oem = std::nullopt);

// The lines of the Extended Harris List of the two tables, units in key
// order, without line ends.
QStringList ExtendedHarrisList(const Table& unitTable, const Table& relationTable,
                               const UnitFieldCatalogue& catalogue, bool singleExcavation,
                               const QString& projectName);

// Writes the open project's Extended Harris List to path (Windows-1252, CR LF
// after every line), replacing the file only when all of it could be
// written; false after an error message.
bool ExportHarrisList(Session& session, const QString& path);

} // namespace belvanto
