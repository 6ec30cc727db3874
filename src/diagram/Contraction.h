#pragma once
// Contraction of groups: the marked groups drawn as single boxes, their
// members hidden, and the group layout made again for what is left. It all
// happens in memory: the project's layout tables and parameter file are
// only read, so restoring the details is showing the stored layout again.
#include "checks/GroupHierarchy.h"
#include "diagram/LayoutSnapshot.h"
#include "layout/GroupLayout.h"
#include <QStringList>
#include <optional>
#include <unordered_map>

namespace belvanto {

class Protocol;
class Session;

inline const QString kNothingMarkedMessage = QStringLiteral("Right-click groups first to select them for contraction!");
inline constexpr int kNothingMarkedHelp = 139;
inline const QString kContractedCaption = QStringLiteral("Contracted Harris diagram - ");

// The first marked name that is not a group of the layout, as a sentence;
// nothing when all are.
std::optional<QString> CheckMarkedGroups(const std::vector<UnitRecord>& units, const QStringList& marked);

// The tree with every marked group standing as a single context and its
// members left out; hiddenIn maps each left-out context to the marked group
// that now stands for it. A marked group inside another marked group is
// hidden like any member.
HierarchyTree ContractTree(const HierarchyTree& tree, const QStringList& marked,
                           std::unordered_map<UnitKey, UnitKey>& hiddenIn);

// The relationships as the contracted groups take them over: a hidden unit's
// rows move to its group; rows inside one group go; an "=" that now joins a
// group is contemporaneity. Key order, each row once.
std::vector<GraphRelation> ContractRelations(const std::vector<GraphRelation>& relations,
                                             const std::unordered_map<UnitKey, UnitKey>& hiddenIn);

// The periods of the full layout with their first levels as levels of its
// top level, read from the level keys of the project's unit layout table:
// per period after the first, the first record on its level whose key has
// no "*". False (after the message, the list emptied) when one is missing.
bool TopLevelPeriodStarts(Session& session, UserInterface& ui, PeriodList& periods);

// The placed layout as the drawing reads it.
LayoutSnapshot SnapshotOfPlacedLayout(const PlacedLayout& layout);

// The diagram with the marked groups contracted, or nothing after a message
// (nothing marked) or a failed layout (its reasons in the protocol).
std::optional<LayoutSnapshot> ContractGroups(Session& session, const LayoutSnapshot& full, const QStringList& marked,
                                             Protocol& protocol);

} // namespace belvanto
