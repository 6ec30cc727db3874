#pragma once
// The group hierarchy: groups, their member groups and contexts, and with a
// chronology check the periods or phases above them, as a tree. Building it
// checks it (group cycles, contexts without a period, groups whose members
// differ in period). The main window shows the tree; the check run builds
// one of its own for the group layout.
#include "store/UnitKey.h"
#include <QString>
#include <vector>

namespace belvanto {

class Protocol;
class Session;

enum class HierarchyNodeKind { Group, Context, Period };

// Image indexes of the node kinds; the selected image is the next one.
inline constexpr int kGroupImage = 0;
inline constexpr int kContextImage = 2;
inline constexpr int kPeriodImage = 4;

// The help context of the messages shown outside a check run.
inline constexpr int kHierarchyHelpContext = 110;

struct HierarchyNode {
    HierarchyNodeKind kind = HierarchyNodeKind::Group;
    QString text;              // unit label, or the period's or phase's name
    int image = kGroupImage;
    int groupPosition = -1;    // groups: position in the group list (unit key order)
    UnitKey unit;              // groups and contexts: the unit the node stands for
    int parent = -1;           // -1: a root
    std::vector<int> children; // in display order
    int selectedImage() const { return image + 1; }
};

class HierarchyTree {
public:
    void clear();
    bool empty() const { return nodes_.empty(); }
    int size() const { return int(nodes_.size()); }
    const HierarchyNode& node(int index) const { return nodes_[std::size_t(index)]; }
    const std::vector<int>& roots() const { return roots_; }
    // Nodes in creation order, so that node(i) stays where it is.
    int add(HierarchyNodeKind kind, const QString& text, int parent, int groupPosition = -1, const UnitKey& unit = {});
    // Makes the node the last child of newParent (-1: the last root).
    void move(int index, int newParent);
    // Every sibling list, roots included, in code-point order of the texts;
    // equal texts keep their order.
    void sort();
    // The nodes as the expanded tree lists them, top to bottom.
    std::vector<int> displayOrder() const;
    // The node's place among its siblings.
    int row(int index) const;

private:
    std::vector<int>& siblingsOf(int parent) { return parent < 0 ? roots_ : nodes_[std::size_t(parent)].children; }
    const std::vector<int>& siblingsOf(int parent) const
    {
        return parent < 0 ? roots_ : nodes_[std::size_t(parent)].children;
    }
    std::vector<HierarchyNode> nodes_;
    std::vector<int> roots_;
};

enum class Chronology { Ignore = 0, Periods = 1, Phases = 2 };

struct HierarchyOptions {
    bool includeContexts = true;
    Chronology chronology = Chronology::Ignore;
};

// Hierarchy states kept in the session: no tree built (the next "Show group
// hierarchy" asks for the options), groups only, groups and contexts.
inline constexpr int kHierarchyNone = 0;
inline constexpr int kHierarchyGroups = 1;
inline constexpr int kHierarchyWithContexts = 2;

// The options a built tree was made with, from the session's state; the
// defaults while no tree is built.
HierarchyOptions CurrentHierarchyOptions(const Session& session);

// Builds the tree from the open project's units and "part of" rows. Findings
// go into the protocol when one is given (a check run), else into message
// boxes. With a chronology check, groups without a period (or phase) take
// their members' value in the unit table; those values stay even when the
// build fails. On success the session's hierarchy state follows the options;
// on failure the tree is empty and the state is "none".
bool BuildGroupHierarchy(Session& session, const HierarchyOptions& options, HierarchyTree& tree, Protocol* protocol);

// The first group without members met walking the displayed tree upwards
// from its last node, or "No empty group detected.".
QString CheckEmptyGroups(const HierarchyTree& tree);

} // namespace belvanto
