#pragma once
// The small commands of the main window that work on the open tables: find
// unit and count. The window asks and shows; these decide.
#include <QString>
#include <optional>

namespace belvanto {

class Table;
class HierarchyTree;

inline const QString kFindUnitTitle = QStringLiteral("Search unit");
inline constexpr int kCountHelpTopic = 94;

QString FindUnitPrompt(bool singleExcavation);

// Moves the unit table's cursor to the unit the text names and returns true;
// the cursor stays where it was when no unit matches. Leading colons are
// dropped. Without a colon the text is a unit name: the first unit of that
// exact name, else the first whose name starts with the text, ignoring case.
// With a colon it is "excavation:name": that exact key, else the first unit
// of the excavation (ignoring case) whose name starts with the name part.
// "First" follows the list: its order and its filter.
bool FindUnit(Table& units, const QString& text);
// The same search in the group hierarchy: the node, in the order the
// expanded tree lists them, of the unit the text names (a period or phase
// node by its name, as a unit name); -1 when none matches.
int FindTreeNode(const HierarchyTree& tree, const QString& text);
// The status line's note after a search that found nothing (besides the beep).
QString FindUnitFailedNotice(const QString& text);

// The text of the "Co&unt" box; shown is given only while a filter is on.
QString CountMessage(const QString& projectName, int all, std::optional<int> shown);

// Total physical memory and memory load, as the About box shows them.
struct MemoryFigures {
    qint64 totalKB = 0;
    int loadPercent = 0;
    bool operator==(const MemoryFigures&) const = default;
};
// From the text of /proc/meminfo; nothing when MemTotal is missing.
std::optional<MemoryFigures> ParseMemInfo(const QString& text);

} // namespace belvanto
