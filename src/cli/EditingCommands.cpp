#include "cli/EditingCommands.h"
#include "cli/CliCommand.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/Chain.h"
#include "editing/RemoveRelationships.h"
#include "editing/UnitEntry.h"
#include "store/Relations.h"
#include "store/Terms.h"
#include "store/UnitFields.h"
#include <algorithm>

namespace belvanto {

namespace {

// The categories that can stand between two unit names in one word.
const QString kOperators = QString(category::Earlier) + category::Later + category::Equal + category::Contemporary;

struct UnitAddOptions {
    QString unitClass = kContext;
    std::vector<UnitFieldText> fields;
};

int unitAdd(CliContext& c, const UnitAddOptions& o)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    UnitEntryRequest request;
    for (const QString& name : c.args.mid(1)) request.keys.push_back(UnitFromWord(name, p.session.project().CurrentExcavation));
    request.unitClass = o.unitClass;
    request.fields = o.fields;
    return EnterUnits(p.session, request) ? Ok : Failed;
}

struct Relationship {
    UnitKey first, second;
    QChar code;
};

// Reads the relationships of "rel add"; the message names a word it cannot read.
std::optional<std::vector<Relationship>> parseRelationships(Session& s, const QStringList& words, QString& message)
{
    const QString exc = s.project().CurrentExcavation;
    std::vector<Relationship> result;
    for (qsizetype i = 0; i < words.size(); ++i) {
        // Three words: A p B, A > B, ...
        if (i + 2 < words.size() && words[i + 1].size() == 1
            && (kOperators.contains(words[i + 1]) || words[i + 1] == category::PartOf)) {
            const auto a = ParseUnitWord(words[i], exc);
            const auto b = ParseUnitWord(words[i + 2], exc);
            if (!a || !b) {
                message = QStringLiteral("cannot read the units of '%1 %2 %3'").arg(words[i], words[i + 1], words[i + 2]);
                return std::nullopt;
            }
            result.push_back({*a, *b, words[i + 1].front()});
            i += 2;
            continue;
        }
        // One word. Unit names may hold "-", "<" and ">", so every split into
        // two valid units is a reading; existing units decide between several.
        const QString& w = words[i];
        std::vector<Relationship> readings;
        for (qsizetype p = 1; p + 1 < w.size(); ++p) {
            if (!kOperators.contains(w[p])) continue;
            const auto a = ParseUnitWord(w.left(p), exc);
            const auto b = ParseUnitWord(w.mid(p + 1), exc);
            if (a && b) readings.push_back({*a, *b, w[p]});
        }
        if (readings.size() > 1) {
            std::erase_if(readings, [&](const Relationship& r) {
                return !UnitExists(s.units(), r.first) || !UnitExists(s.units(), r.second);
            });
        }
        if (readings.size() != 1) {
            message = readings.empty()
                ? QStringLiteral("cannot read the relationship '%1': write A>B, A<B, A=B, A-B or A p B").arg(w)
                : QStringLiteral("the relationship '%1' can be read in more than one way: write it as three words, "
                                 "such as A > B")
                      .arg(w);
            return std::nullopt;
        }
        result.push_back(readings.front());
    }
    return result;
}

int relAdd(CliContext& c, const QString& comment)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    QString message;
    const auto relationships = parseRelationships(p.session, c.args.mid(1), message);
    if (!relationships) return c.usage(message);
    // The table would cut a longer comment without a word.
    if (comment.size() > rel::kCommentSize) {
        p.session.ui().error(
            QStringLiteral("%1 must not exceed maximum length of %2").arg(kRelationshipComment).arg(rel::kCommentSize));
        return Failed;
    }
    int refused = 0;
    BulkScope bulk;
    for (const Relationship& r : *relationships) {
        // A mistyped name is the likely cause here, not a damaged table.
        bool known = true;
        for (const UnitKey& unit : {r.first, r.second})
            if (known && !UnitExists(p.session.units(), unit)) {
                p.session.ui().error(
                    QStringLiteral("Unit %1 does not exist.\r\nNew relationship is not stored.").arg(unit.text()));
                known = false;
            }
        if (!known || AddRelationship(p.session, r.first, r.second, r.code, comment, level::Everything) != AddResult::Stored)
            ++refused;
    }
    return refused == 0 ? Ok : Failed;
}

int relDelete(CliContext& c, const QStringList& with)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    const QString exc = s.project().CurrentExcavation;
    const auto first = ParseUnitWord(c.args[1], exc);
    const auto second = ParseUnitWord(c.args[2], exc);
    if (!first || !second) return c.usage(QStringLiteral("cannot read the units '%1' and '%2'").arg(c.args[1], c.args[2]));
    if (!FindRelationRow(s.relations(), *first, *second)) {
        s.ui().error(QStringLiteral("There is no relationship between %1 and %2.").arg(first->text(), second->text()));
        return Failed;
    }
    std::vector<UnitKey> moved;
    for (const QString& name : with) {
        const auto unit = ParseUnitWord(name, exc);
        if (!unit) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(name));
        moved.push_back(*unit);
    }
    RelationListHooks hooks;
    // The reassignment dialog, answered by the command line. The split
    // deletes rows like the single deletion, so it asks as that does.
    hooks.reassign = [&](const UnitKey& a, const UnitKey& b, QChar code, const std::vector<UnitKey>& members) {
        for (const UnitKey& m : moved)
            if (std::find(members.begin(), members.end(), m) == members.end()) {
                s.ui().error(QStringLiteral("%1 is no member of the class of %2.").arg(m.text(), a.text()));
                return false;
            }
        std::vector<UnitKey> left;
        for (const UnitKey& m : members)
            if (std::find(moved.begin(), moved.end(), m) == moved.end()) left.push_back(m);
        auto side = [](const UnitKey& unit, const std::vector<UnitKey>& others) {
            QStringList names{unit.text()};
            for (const UnitKey& m : others) names << m.text();
            return names.join(QStringLiteral(", "));
        };
        if (s.ui().confirm(QStringLiteral("Do you really want to split the %1 class\r\ninto %2\r\nand %3?")
                               .arg(code == category::Equal ? QStringLiteral("equal") : QStringLiteral("contemporary"),
                                    side(a, left), side(b, moved)),
                           Buttons::YesNo, HelpTopic(kDeleteRelationHelpTopic))
            != Answer::Yes)
            return false;
        ApplyReassignment(s, a, b, code, left, moved);
        return true;
    };
    return RemoveRelationships(s, {{*first, *second}}, hooks) ? Ok : Failed;
}

int chain(CliContext& c, const std::optional<QString>& excavation)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    const QStringList names = c.args.mid(1);
    const ChainResult r = EnterChain(p.session, excavation.value_or(p.session.project().CurrentExcavation), names);
    // One name gives no relationship: the chain is refused, not done.
    return r.close && names.size() > 1 && r.relationshipsStored == int(names.size()) - 1 ? Ok : Failed;
}

const char* const kProjectFile = "the project file";

} // namespace

void RegisterEditingCommands(CLI::App& program, CliContext& c)
{
    auto unitOptions = std::make_shared<UnitAddOptions>();
    CLI::App* command = AddCommand(*AddCommandGroup(program, "unit", "unit commands"), c, "add", "add units",
                                   [&c, unitOptions] { return unitAdd(c, *unitOptions); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "NAME", "the units to add, as [EXC:]NAME; without EXC: in the project's excavation", 1, -1);
    AddChoice(command, "--class", QStringLiteral("unit class"), UnitClassList(), "the class of the units (default: context)",
              unitOptions->unitClass);
    AddValueOption(
        command, "--set", "FIELD=VALUE", "a field value of every unit, such as Period=Roman or AvgYear=-120",
        [unitOptions](const QString& text) {
            const auto assignment = ParseFieldAssignment(text);
            if (!assignment) RefuseValue(QStringLiteral("--set takes FIELD=VALUE, such as Period=Roman"));
            unitOptions->fields.push_back(*assignment);
        },
        true);

    CLI::App* rel = AddCommandGroup(program, "rel", "relationship commands");
    auto comment = std::make_shared<std::optional<QString>>();
    command = AddCommand(*rel, c, "add", "add relationships through the relationship rules",
                         [&c, comment] { return relAdd(c, comment->value_or(QString())); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "REL",
             "A>B, A<B, A=B, A-B, or the three words A p B (part of; also A > B and so on); units as [EXC:]NAME", 1, -1);
    AddText(command, "--comment", "TEXT", "the comment of every relationship", *comment);

    auto with = std::make_shared<QStringList>();
    command = AddCommand(*rel, c, "delete", "remove a relationship; an equal or contemporary class is split",
                         [&c, with] { return relDelete(c, *with); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "A", "the first unit, as [EXC:]NAME");
    AddWords(command, c, "B", "the second unit, as [EXC:]NAME");
    AddValueOption(
        command, "--with", "[EXC:]NAME", "a member of the class that leaves A's side with B",
        [with](const QString& unit) { *with << unit; }, true);

    auto excavation = std::make_shared<std::optional<QString>>();
    command = AddCommand(program, c, "chain", "contexts from the latest to the earliest, each later than the next",
                         [&c, excavation] { return chain(c, *excavation); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "NAME", "the unit names from the top down; missing units are created on Yes", 1, -1);
    AddText(command, "--excavation", "EXC", "the excavation of the names (default: the project's)", *excavation);
}

} // namespace belvanto
