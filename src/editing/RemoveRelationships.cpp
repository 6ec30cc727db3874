#include "editing/RemoveRelationships.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Relations.h"
#include "store/Session.h"
#include <set>

namespace belvanto {

namespace {


// The code of the stored row, a null character when there is none.
QChar storedCode(const Table& relTable, const RelationRowKey& key)
{
    const auto row = FindRelationRow(relTable, key.first, key.second);
    return row ? CategoryOf(*row) : QChar();
}

// A class row whose class has members besides the two units cannot simply
// be deleted: the class would stay closed over the remaining rows and bring
// the deleted pair back at the next completion.
bool hasFurtherMembers(const Table& relTable, const RelationRowKey& key, QChar code)
{
    return IsClassCategory(code) && !OtherClassMembers(relTable, key.first, key.second, code).empty();
}

void deleteRowById(Table& relTable, qint64 rowid)
{
    if (relTable.gotoRowid(rowid)) relTable.del();
}

} // namespace

bool RemoveRelationships(Session& session, const std::vector<RelationRowKey>& selection, const RelationListHooks& hooks)
{
    UserInterface& ui = session.ui();
    Table& relTable = session.relations();
    if (relTable.count() == 0 || (selection.empty() && !relTable.hasRecord())) {
        ui.warning(QStringLiteral("No relationships entered in current project."));
        return false;
    }
    std::vector<RelationRowKey> keys = selection;
    if (keys.empty()) keys.push_back({FirstUnit(relTable), SecondUnit(relTable)});

    // The list stays on its row (when that survives) and gets its filter back
    // however the command ends.
    BookmarkRestore position(relTable);
    FilterOff unfiltered(relTable);
    auto partOfChanged = [&] {
        if (hooks.groupTreeShowing && hooks.rebuildGroupTree) hooks.rebuildGroupTree();
    };

    bool deleted = false;
    if (keys.size() == 1) {
        const RelationRowKey& key = keys.front();
        const QChar code = storedCode(relTable, key);
        if (hasFurtherMembers(relTable, key, code)) {
            const auto members = OtherClassMembers(relTable, key.first, key.second, code);
            deleted = hooks.reassign && hooks.reassign(key.first, key.second, code, members);
        } else if (ui.confirmDestructive(QStringLiteral("Do you really want to delete the relationship\r\nbetween %1 and %2?")
                                             .arg(key.first.text(), key.second.text()),
                                         HelpTopic(kDeleteRelationHelpTopic))
                   == Answer::Yes) {
            deleted = DeleteRelationPair(ui, relTable, key.first, key.second);
            // Rebuilt after the deletion, so that the tree shows what is stored.
            if (deleted && code == category::PartOf) partOfChanged();
        }
    } else {
        if (ui.confirmDestructive(QStringLiteral("Do you really want to delete %1 relationships?").arg(keys.size()),
                                  HelpTopic(kDeleteRelationHelpTopic))
            != Answer::Yes)
            return false;
        int skipped = 0;
        std::vector<std::pair<RelationRowKey, QChar>> collected;
        for (const RelationRowKey& key : keys) {
            const QChar code = storedCode(relTable, key);
            if (hasFurtherMembers(relTable, key, code)) ++skipped;
            else collected.emplace_back(key, code);
        }
        // Both rows of one pair may be selected: the first deletion takes
        // both, and the second must not report a missing row as corruption.
        std::set<RelationRowKey> gone;
        bool partOf = false;
        for (const auto& [key, code] : collected) {
            if (gone.contains(key)) continue;
            if (!DeleteRelationPair(ui, relTable, key.first, key.second)) continue;
            deleted = true;
            gone.insert(key);
            if (code == category::PartOf) partOf = true;
            else gone.insert({key.second, key.first});
        }
        if (partOf) partOfChanged();
        if (skipped > 0)
            ui.message(MessageKind::Warning,
                       QStringLiteral("Equal and contemporary relationships must be deleted individually\r\n"
                                      "%1 relationships not deleted.")
                           .arg(skipped),
                       Buttons::Ok, HelpTopic(kDeleteRelationHelpTopic));
    }
    relTable.refresh();
    return deleted;
}

void ApplyReassignment(Session& session, const UnitKey& first, const UnitKey& second, QChar code,
                       const std::vector<UnitKey>& left, const std::vector<UnitKey>& right)
{
    Table& relTable = session.relations();
    FilterOff unfiltered(relTable);
    LinkOff unlinked(relTable);
    if (code == category::PartOf) {
        for (const UnitKey& unit : right) {
            const auto old = FindRelationRow(relTable, unit, first);
            const bool wasPart = old && CategoryOf(*old) == category::PartOf;
            // The old row goes first: it would make the part-of rules refuse
            // a move from one group to another.
            if (wasPart) deleteRowById(relTable, old->rowid);
            if (AddRelationship(session, unit, second, category::PartOf, QString(), level::Errors) == AddResult::Stored
                || !wasPart)
                continue;
            InsertRelationRow(relTable, unit, first, category::PartOf, valueToString(old->values[rel::RelationFull]),
                              valueToString(old->values[rel::RelationStatus]));
        }
    } else {
        std::vector<UnitKey> leftGroup{first}, rightGroup{second};
        leftGroup.insert(leftGroup.end(), left.begin(), left.end());
        rightGroup.insert(rightGroup.end(), right.begin(), right.end());
        BulkScope bulk;
        for (const UnitKey& l : leftGroup)
            for (const UnitKey& r : rightGroup)
                for (const RelationRowKey& key : {RelationRowKey{l, r}, RelationRowKey{r, l}}) {
                    // Only rows of the class: a row of another code between
                    // two members would be a fault to show, not to erase.
                    const auto row = FindRelationRow(relTable, key.first, key.second);
                    if (row && CategoryOf(*row) == code)
                        deleteRowById(relTable, row->rowid);
                }
    }
    relTable.refresh();
}

QString ReassignCaption(QChar code)
{
    if (code == category::Contemporary) return QStringLiteral("Reassign contemporary relations");
    if (code == category::Equal) return QStringLiteral("Reassign equal relations");
    return QStringLiteral("Reassign part of relations");
}

QString ReassignHelpTopic(QChar code)
{
    return code == category::PartOf ? QStringLiteral("split_part_of_relationships") : QStringLiteral("Delete_relation");
}

} // namespace belvanto
