#pragma once
// The field-concordance import: which source column feeds which unit field,
// the checks of that assignment and of every source record, and the import
// of units and relationship lists. The dialog and belvanto-cli both end in
// ImportWithConcordance.
#include "exchange/ImportSource.h"
#include "store/UnitFields.h"
#include <QChar>
#include <QString>
#include <vector>

namespace belvanto {

class Session;

struct ConcordanceTarget {
    enum class Kind { None, Field, Key, Relation };
    Kind kind = Kind::None;
    int field = -1;      // Field: catalogue position 0..33
    QChar category;      // Relation: the category code
    bool operator==(const ConcordanceTarget&) const = default;

    static ConcordanceTarget toField(int pos) { return {Kind::Field, pos, QChar()}; }
    static ConcordanceTarget toKey() { return {Kind::Key, -1, QChar()}; }
    static ConcordanceTarget toRelation(QChar code) { return {Kind::Relation, -1, code}; }
};

// "Excavation+unitname", a field's label, "Later than relationships", ...; "" for none.
QString TargetText(const ConcordanceTarget& target, const UnitFieldCatalogue& catalogue);

struct Concordance {
    std::vector<ConcordanceTarget> targets;   // one per source column
    QString defaultExcavation;
    QString keySeparator = QStringLiteral(":");
    QString listSeparator = QStringLiteral(",");
    // Per source column: the user accepted that its values are cut to the
    // target field's size ("Confirm field truncation."). Without it a value
    // longer than its field is refused, never cut silently.
    std::vector<bool> truncationConfirmed;
};

// The targets a column may take, in the order of the grid's menu: the
// compatible fields, then (string and memo columns) the key and the five
// relationship targets. textSource: the source gives every value as text.
std::vector<ConcordanceTarget> CompatibleTargets(const SourceColumn& column, const UnitFieldCatalogue& catalogue,
                                                 bool textSource);
// The automatic assignment of the grid's setup.
std::vector<ConcordanceTarget> AutoAssign(const std::vector<SourceColumn>& columns,
                                          const UnitFieldCatalogue& catalogue, bool textSource);

// The OK button's checks of the assignment, in order; "" when it passes.
inline const QString kKeySeparatorRefusal =
    QStringLiteral("The separator is a one or two character string (for example a colon)");
inline const QString kListSeparatorRefusal =
    QStringLiteral("The separator is a one or two character string (for example a semicolon)");

// `repeatedRow` gets the row of a repeated target the message names, which
// the grid selects; -1 for the other messages.
QString CheckConcordance(const Concordance& concordance, const UnitFieldCatalogue& catalogue,
                         int* repeatedRow = nullptr);

// Reads every record and checks keys, classes, every conversion into its
// field's type and every text against its field's size (unless its
// truncation was confirmed); "" when all pass. Nothing is written.
QString PreCheckImport(Session& session, ImportSource& source, const Concordance& concordance);

// Checks, then imports into the open project in one transaction; false
// after showing the first error (nothing written then).
bool ImportWithConcordance(Session& session, ImportSource& source, const Concordance& concordance);
// The same into a new project, which stays only when the import succeeds.
bool ImportIntoNewProject(Session& session, const QString& projectFile, ImportSource& source,
                          const Concordance& concordance);

} // namespace belvanto
