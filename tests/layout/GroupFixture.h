#pragma once
// Generated projects with nested groups, and the stored group layout read
// back, for the properties of the layout with groups.
//
//   const GroupProject p = GenerateGroupProject({2000, 5}, seed);
//   WriteGroupProject(session, dir.file("P.bvp"), p);     // open afterwards
//   ... lay out ...
//   const StoredLayout stored = ReadStoredLayout(dir.path(), "P");
//
// The contexts form a layered stratigraphy (every relationship runs from a
// layer to a layer above). Groups, nested up to four deep, take consecutive
// runs of a random topological order of the contexts, so the members of any
// group never form a cycle among themselves;
// equal and contemporary pairs lie on one layer inside one innermost group,
// next to each other in that order. A few backward relationships make
// neighbouring members of a group related both ways, which the layout
// without the strict option puts side by side.
// Periods are consecutive runs of top-level members in that order, the
// latest first, so that they agree with the stratigraphy and with the
// groups.
#include "layout/PlacementRun.h"
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace belvanto {
class Session;
}

namespace belvanto::testing_support {

struct GeneratedGroup {
    QString name;
    int parent = -1;   // index into GroupProject::groups, -1 at the top level
    int depth = 1;     // 1 at the top level
};

struct GeneratedContext {
    QString name;
    int group = -1;    // innermost group, -1 for none
    int layer = 0;     // 0 is the top layer
    int period = -1;   // index into GroupProject::periods, -1 without periods
};

// A relationship between two contexts as the user enters it: first code
// second with "<" (first earlier than second), "=" or "-".
struct GeneratedRelation {
    int first = -1;
    int second = -1;
    QChar code;
    // Against the order the groups were cut from: it makes two members of a
    // group related both ways.
    bool backward = false;
};

struct GroupProject {
    QString excavation = QStringLiteral("E");
    std::vector<GeneratedGroup> groups;
    std::vector<GeneratedContext> contexts;
    std::vector<GeneratedRelation> relations;
    QStringList periods;   // latest first; empty without periods

    // The group and the groups around it, innermost first.
    std::vector<int> enclosing(int group) const;
    // The names of the two members (contexts or groups) of one group, or of
    // the top level, that the backward relationships relate both ways.
    std::vector<std::pair<QString, QString>> membersRelatedBothWays() const;
};

struct GroupProjectOptions {
    int contexts = 2000;
    int periods = 0;   // 0: no Period values
    // At most this many pairs of members related both ways.
    int contradictions = 0;
};

// The same options and seed give the same project.
GroupProject GenerateGroupProject(const GroupProjectOptions& options, quint32 seed);

// Creates the project (single excavation) with the project's units, both
// rows of every relationship and one "part of" row per member; leaves it
// open in the session.
bool WriteGroupProject(Session& session, const QString& projectFile, const GroupProject& project);

// A project's stored layout: the records of both layout tables in key order
// (lines index `layout.units`), as text for exact comparisons, and the
// parameter file's bytes.
struct StoredLayout {
    PlacedLayout layout;
    QStringList unitRecords;
    QStringList lineRecords;
    QByteArray parameterBytes;
    bool parametersRead = false;
};

StoredLayout ReadStoredLayout(const QString& directory, const QString& projectName);

} // namespace belvanto::testing_support
