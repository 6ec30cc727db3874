#include "checks/Components.h"
#include "core/Protocol.h"
#include "core/UserInterface.h"
#include "layout/RelationGraph.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "store/UnitKey.h"
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

namespace belvanto {

namespace {

const QString kMissingContainerMessage = QStringLiteral("Unit table corrupt? Could not find ");
// Names the overwrite question lists before it only counts the rest.
constexpr int kListedFiles = 10;

// What the check needs of the open project, read once. Units are held in key
// order; a relationship's far end is a unit's index, or, for a key the unit
// table lacks, -1 - its index in missing.
struct Snapshot {
    std::vector<UnitKey> keys;
    std::vector<qint64> rowids;
    std::vector<char> isContext;
    std::vector<std::optional<qint32>> storedGroup;
    // Each unit's rows as first unit, in the key order of the second unit:
    // the rows that connect (every category but "part of") and the units
    // that contain it ("part of").
    std::vector<int> linkStart, links;
    std::vector<int> containerStart, containers;
    std::vector<UnitKey> missing;

    int size() const { return int(keys.size()); }
    const UnitKey& missingKey(int end) const { return missing[std::size_t(-end - 1)]; }
};

struct RawEnd {
    int first;
    int second;   // as in Snapshot
    // Where the second unit sorts among the units: 2i + 1 for unit i, 2i
    // for a missing key that sorts just before unit i.
    int rank;
};

void compress(int units, std::vector<RawEnd>& ends, const std::vector<UnitKey>& missing, std::vector<int>& start,
              std::vector<int>& targets)
{
    std::sort(ends.begin(), ends.end(), [&](const RawEnd& a, const RawEnd& b) {
        if (a.first != b.first) return a.first < b.first;
        if (a.rank != b.rank) return a.rank < b.rank;
        // Two missing keys between the same two units.
        return a.second < 0 && b.second < 0 && missing[std::size_t(-a.second - 1)] < missing[std::size_t(-b.second - 1)];
    });
    start.assign(std::size_t(units) + 1, 0);
    for (const RawEnd& e : ends) ++start[std::size_t(e.first) + 1];
    for (int i = 0; i < units; ++i) start[std::size_t(i) + 1] += start[std::size_t(i)];
    targets.clear();
    targets.reserve(ends.size());
    for (const RawEnd& e : ends) targets.push_back(e.second);
}

// Plain scans of both tables, past any filter or link, in no particular
// order: the snapshot sorts for itself.
Snapshot readSnapshot(Table& units, Table& relations)
{
    struct RawUnit {
        UnitKey key;
        qint64 rowid;
        bool context;
        std::optional<qint32> group;
    };
    std::vector<RawUnit> raw;
    raw.reserve(std::size_t(units.count()));
    units.scan(QString(), {}, QString(), [&](const Table::Row& row) {
        raw.push_back({{textAt(row, uf::Excavation), textAt(row, uf::Unitname)}, row.rowid,
                       textAt(row, uf::Unitclass) == kContext, intOf(row.values[uf::Group])});
    });
    std::sort(raw.begin(), raw.end(), [](const RawUnit& a, const RawUnit& b) { return a.key < b.key; });

    Snapshot s;
    const std::size_t n = raw.size();
    s.keys.reserve(n);
    s.rowids.reserve(n);
    s.isContext.reserve(n);
    s.storedGroup.reserve(n);
    std::unordered_map<UnitKey, int> index;
    index.reserve(n);
    for (RawUnit& u : raw) {
        index.emplace(u.key, s.size());
        s.rowids.push_back(u.rowid);
        s.isContext.push_back(u.context);
        s.storedGroup.push_back(u.group);
        s.keys.push_back(std::move(u.key));
    }
    raw.clear();
    raw.shrink_to_fit();

    std::vector<RawEnd> links, containers;
    // One plain scan of the rows: the order does not matter, and it reads
    // a million rows in a fraction of what the list's walk takes.
    relations.scan(QString(), {}, QString(), [&](const Table::Row& row) {
        const auto from = index.find({textAt(row, rel::Excavation1), textAt(row, rel::Unitname1)});
        // A row of a unit the table lacks is never walked.
        if (from == index.end()) return;
        UnitKey key{textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)};
        RawEnd end{from->second, 0, 0};
        if (const auto to = index.find(key); to != index.end()) {
            end.second = to->second;
            end.rank = 2 * to->second + 1;
        } else {
            end.second = -int(s.missing.size()) - 1;
            end.rank = 2 * int(std::lower_bound(s.keys.begin(), s.keys.end(), key) - s.keys.begin());
            s.missing.push_back(std::move(key));
        }
        const QString category = textAt(row, rel::RelationCat);
        (category == QString(category::PartOf) ? containers : links).push_back(end);
    });
    compress(s.size(), links, s.missing, s.linkStart, s.links);
    compress(s.size(), containers, s.missing, s.containerStart, s.containers);
    return s;
}

// Labels the component of start with label, depth first from a stack as the
// relationships are walked; a unit may be pushed more than once. Returns the
// number of units labelled.
int fillComponent(UserInterface& ui, const Snapshot& s, std::vector<qint32>& labels, int start, qint32 label,
                  std::vector<int>& stack)
{
    int count = 0;
    auto visit = [&](int u) {
        if (labels[std::size_t(u)] == label) return;
        labels[std::size_t(u)] = label;
        ++count;
        for (int e = s.linkStart[std::size_t(u)]; e < s.linkStart[std::size_t(u) + 1]; ++e) {
            const int to = s.links[std::size_t(e)];
            if (to < 0) ui.error(kMissingSecondUnitMessage + s.missingKey(to).text());
            else if (labels[std::size_t(to)] == 0) stack.push_back(to);
        }
    };
    visit(start);
    while (!stack.empty()) {
        const int u = stack.back();
        stack.pop_back();
        visit(u);
    }
    return count;
}

struct Labelling {
    std::vector<qint32> labels;
    int components = 0;   // k
    int singles = 0;      // j
    int nonContexts = 0;  // g
};

QString componentLine(int component, int size)
{
    return QStringLiteral("Component %1 consists of %2 connected contexts.").arg(component).arg(size);
}

Labelling labelComponents(UserInterface& ui, const Snapshot& s, Protocol& protocol, bool singleExcavation)
{
    Labelling r;
    r.labels.assign(std::size_t(s.size()), 0);
    const bool detailed = protocol.detailed();
    std::vector<int> stack;
    qint32 nextLabel = 2;
    int firstSize = 0;
    for (int u = 0; u < s.size(); ++u) {
        const std::size_t i = std::size_t(u);
        if (!s.isContext[i]) {
            ++r.nonContexts;
            continue;
        }
        if (r.labels[i] != 0) continue;
        if (s.linkStart[i] == s.linkStart[i + 1]) {
            ++r.singles;
            r.labels[i] = 1;
            if (detailed)
                protocol.add(QStringLiteral("Unconnected context ")
                             + UnitLabel(s.keys[i].excavation, s.keys[i].unitname, singleExcavation));
            continue;
        }
        // The first component's line waits for a second one: a project that
        // is one component gets no component line at all.
        if (detailed && r.components == 1) protocol.add(componentLine(1, firstSize));
        const int size = fillComponent(ui, s, r.labels, u, nextLabel++, stack);
        ++r.components;
        if (r.components == 1) firstSize = size;
        else if (detailed) protocol.add(componentLine(r.components, size));
    }
    if (!detailed) {
        if (r.components > 1)
            protocol.add(QStringLiteral("%1 components of connected contexts found.").arg(r.components));
        if (r.singles > 0) protocol.add(QStringLiteral("%1 unconnected single contexts found.").arg(r.singles));
    }
    if (r.components == 1 && r.singles == 0) protocol.add(QStringLiteral("All contexts are connected."));
    protocol.add(QString());
    return r;
}

// Writes the labels that differ from what the table holds, in one
// transaction. Filters and links must be off.
void writeGroups(Table& units, Snapshot& s, const std::vector<qint32>& labels)
{
    BulkScope bulk;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (s.storedGroup[i] == labels[i]) continue;
        if (!units.gotoRowid(s.rowids[i]))
            throw EngineError(QStringLiteral("Unit %1 vanished from the unit table").arg(s.keys[i].text()));
        units.edit();
        units.set(uf::Group, labels[i]);
        units.post();
        s.storedGroup[i] = labels[i];
    }
}

// The files of the component projects that exist already, as the overwrite
// question names them.
QStringList existingComponentFiles(const QString& dir, const QString& project, int components)
{
    QStringList names;
    for (int c = 1; c <= components; ++c) {
        const QString name = ComponentProjectName(project, c);
        for (const QString& file : {name + kProjectExtension, name + kUnitTableSuffix + QStringLiteral(".db"),
                                    name + kRelTableSuffix + QStringLiteral(".db")})
            if (QFileInfo::exists(QDir(dir).filePath(file))) names << file;
    }
    return names;
}

bool confirmOverwrite(UserInterface& ui, const QString& dir, const QStringList& files)
{
    QString text = QStringLiteral("Storing the components overwrites these files in %1:").arg(NativePath(dir));
    for (qsizetype i = 0; i < std::min<qsizetype>(files.size(), kListedFiles); ++i)
        text += QStringLiteral("\r\n") + files[i];
    if (files.size() > kListedFiles) text += QStringLiteral("\r\nand %1 more").arg(files.size() - kListedFiles);
    text += QStringLiteral("\r\nDo you really want to overwrite them?");
    return ui.confirmDestructive(text) == Answer::Yes;
}

// Carries label up the "part of" rows from every unit that has it, through
// a list that grows while it is read. A container the unit table lacks
// stops the propagation there. Units newly labelled join members.
void propagateToContainers(UserInterface& ui, const Snapshot& s, std::vector<qint32>& labels, qint32 label,
                           std::vector<int>& members)
{
    std::vector<int> work;
    auto containersOf = [&](int u) {
        for (int e = s.containerStart[std::size_t(u)]; e < s.containerStart[std::size_t(u) + 1]; ++e)
            work.push_back(s.containers[std::size_t(e)]);
    };
    for (int u : members)
        if (labels[std::size_t(u)] == label) containersOf(u);
    for (std::size_t w = 0; w < work.size(); ++w) {
        const int u = work[w];
        if (u < 0) {
            ui.error(kMissingContainerMessage + s.missingKey(u).text());
            return;
        }
        if (labels[std::size_t(u)] == label) continue;
        labels[std::size_t(u)] = label;
        members.push_back(u);
        containersOf(u);
    }
}

// Copies the members' records and their rows as first unit into the new
// project's tables. The unit table must be unfiltered and unlinked.
void copyComponent(Table& units, Table& relations, const Snapshot& s, const std::vector<int>& members,
                   qint32 label, const QString& dir, const QString& name)
{
    CreateUnitTable(dir, name + kUnitTableSuffix);
    CreateRelationTable(dir, name + kRelTableSuffix);
    Table unitCopy, relationCopy;
    unitCopy.open(dir, name + kUnitTableSuffix, true);
    relationCopy.open(dir, name + kRelTableSuffix, true);
    {
        BulkScope bulk;
        const int unitFields = int(units.fields().size());
        const int relationFields = int(relations.fields().size());
        for (int u : members) {
            const std::size_t i = std::size_t(u);
            if (!units.gotoRowid(s.rowids[i]))
                throw EngineError(QStringLiteral("Unit %1 vanished from the unit table").arg(s.keys[i].text()));
            unitCopy.insert();
            for (int f = 0; f < unitFields; ++f) unitCopy.set(f, f == uf::Group ? Value(label) : units.get(f));
            unitCopy.post();
            for (const Table::Row& row : RowsOfFirst(relations, s.keys[i])) {
                relationCopy.insert();
                for (int f = 0; f < relationFields; ++f) relationCopy.set(f, row.values[std::size_t(f)]);
                relationCopy.post();
            }
        }
    }
    unitCopy.close();
    relationCopy.close();
}

QString storedMessage(const QString& project, int components)
{
    QString text = QStringLiteral("%1 components stored in projects %2, %3")
                       .arg(components)
                       .arg(ComponentProjectName(project, 1), ComponentProjectName(project, 2));
    if (components >= 3) text += QStringLiteral(", etc.");
    return text;
}

// Stores component c (label c + 1) as project <P>_c beside the open project,
// for c = 1 .. components. False when nothing was stored because the user
// kept existing files, or when storing stopped on an error (shown).
bool storeComponents(Session& session, Snapshot& s, std::vector<qint32>& labels, int components, int nonContexts)
{
    UserInterface& ui = session.ui();
    const ProjectState& p = session.project();
    const QString dir = p.ProjectDirectory;
    if (const QStringList existing = existingComponentFiles(dir, p.ProjectName, components);
        !existing.isEmpty() && !confirmOverwrite(ui, dir, existing))
        return false;

    // Each unit once, under the label it had after the check; a unit the
    // propagation relabels joins its new component's list, and the stale
    // entry is skipped by its label.
    std::vector<std::vector<int>> members(static_cast<std::size_t>(components));
    for (int u = 0; u < s.size(); ++u)
        if (const qint32 l = labels[std::size_t(u)]; l >= 2) members[std::size_t(l - 2)].push_back(u);

    Table& units = session.units();
    Table& relations = session.relations();
    bool stored = true;
    {
        BusyCursor busy(ui);
        StatusScope status(ui);
        for (int c = 1; c <= components; ++c) {
            const qint32 label = c + 1;
            const QString name = ComponentProjectName(p.ProjectName, c);
            status.set(QStringLiteral("Storing component %1 of %2").arg(c).arg(components));
            std::vector<int>& list = members[std::size_t(c - 1)];
            if (nonContexts > 0) propagateToContainers(ui, s, labels, label, list);
            list.erase(std::remove_if(list.begin(), list.end(), [&](int u) { return labels[std::size_t(u)] != label; }),
                       list.end());
            std::sort(list.begin(), list.end());
            // Another program that has a project of this name open keeps it.
            const auto lock = LockProject(session, dir, name);
            if (!lock) {
                stored = false;
                break;
            }
            try {
                copyComponent(units, relations, s, list, label, dir, name);
            } catch (const EngineError& e) {
                ui.error(e.text());
                stored = false;
                break;
            }
            const QString path = QDir(dir).filePath(name + kProjectExtension);
            if (!WriteProjectFile(session, path, name, p.CurrentExcavation, false, p.SingleExcavation)) {
                stored = false;
                break;
            }
            session.recent().moveToTop(path);
            std::vector<int>().swap(list);
        }
        writeGroups(units, s, labels);
    }
    if (stored) ui.information(storedMessage(p.ProjectName, components));
    return stored;
}

} // namespace

QString ComponentProjectName(const QString& projectName, int component)
{
    return projectName + QLatin1Char('_') + QString::number(component);
}

bool ComponentCheck(Session& session, Protocol& protocol, ComponentCounts* counts)
{
    UserInterface& ui = session.ui();
    Table& units = session.units();
    Table& relations = session.relations();
    StatusScope status(ui);
    status.set(QStringLiteral("Testing connected components"));
    DisplaySuspended unitsQuiet(units);
    DisplaySuspended relationsQuiet(relations);
    // The lists keep their current records; the guards after these put the
    // filters and links back first.
    BookmarkRestore unitsStay(units);
    BookmarkRestore relationsStay(relations);
    FilterOff unitsUnfiltered(units);
    LinkOff unitsUnlinked(units);
    FilterOff relationsUnfiltered(relations);
    LinkOff relationsUnlinked(relations);

    Snapshot snapshot;
    Labelling labelling;
    {
        BusyCursor busy(ui);
        snapshot = readSnapshot(units, relations);
        labelling = labelComponents(ui, snapshot, protocol, session.project().SingleExcavation);
        writeGroups(units, snapshot, labelling.labels);
    }
    if (counts) *counts = {labelling.components, labelling.singles};
    bool goOn = true;
    if (labelling.components > 1) {
        const Answer answer = ui.message(
            MessageKind::Warning,
            QStringLiteral("%1 separate components detected.\r\nDo you want to store the components in separate projects?")
                .arg(labelling.components),
            Buttons::YesNoCancel);
        if (answer == Answer::Yes)
            storeComponents(session, snapshot, labelling.labels, labelling.components, labelling.nonContexts);
        goOn = answer == Answer::No;
    }
    return goOn;
}

} // namespace belvanto
