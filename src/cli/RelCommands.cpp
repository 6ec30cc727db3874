#include "cli/RelCommands.h"
#include "cli/CliContext.h"
#include "editing/AddRelationship.h"
#include "editing/Chain.h"
#include "editing/RemoveRelationships.h"
#include "store/Relations.h"
#include "store/UnitFields.h"
#include <algorithm>

namespace belvanto {

const char* const kRelCommandsUsage =
    "  rel add P.bvp REL... [--comment TEXT]\n"
    "                         add relationships; REL is A>B, A<B, A=B, A-B or\n"
    "                         the three words A p B (units as [EXC:]NAME)\n"
    "  rel delete P.bvp A B [--with [EXC:]NAME]...\n"
    "                         remove the relationship of A to B; an equal or\n"
    "                         contemporary class is split, B and the --with\n"
    "                         members leaving A's side\n"
    "  chain P.bvp NAME... [--excavation EXC]\n"
    "                         contexts from the latest to the earliest, each\n"
    "                         later than the next\n";

namespace {

const QString kOperators = QStringLiteral("<>=-");

// "[EXC:]NAME" as the user means it, when both parts are valid names.
std::optional<UnitKey> parseUnit(const QString& text, const QString& currentExcavation)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    UnitKey key = colon < 0 ? UnitKey{currentExcavation, text} : UnitKey{text.left(colon), text.mid(colon + 1)};
    if (!ExcavationNameProblem(key.excavation).isEmpty() || !CheckUnitName(key.unitname).isEmpty())
        return std::nullopt;
    return key;
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
            && (kOperators.contains(words[i + 1]) || words[i + 1] == QStringLiteral("p"))) {
            const auto a = parseUnit(words[i], exc);
            const auto b = parseUnit(words[i + 2], exc);
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
            const auto a = parseUnit(w.left(p), exc);
            const auto b = parseUnit(w.mid(p + 1), exc);
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

int relAdd(CliContext& c)
{
    const QString comment = c.option(QStringLiteral("--comment")).value_or(QString());
    if (c.args.size() < 2) return c.usage(QStringLiteral("rel add takes P.bvp and one or more relationships"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    QString message;
    const auto relationships = parseRelationships(p.session, c.args.mid(1), message);
    if (!relationships) return c.usage(message);
    int refused = 0;
    BulkScope bulk;
    for (const Relationship& r : *relationships)
        if (AddRelationship(p.session, r.first, r.second, r.code, comment, level::Everything) != AddResult::Stored)
            ++refused;
    return refused == 0 ? Ok : Failed;
}

int relDelete(CliContext& c)
{
    const QStringList with = c.options(QStringLiteral("--with"));
    if (c.args.size() != 3) return c.usage(QStringLiteral("rel delete takes P.bvp A B"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    const QString exc = s.project().CurrentExcavation;
    const auto first = parseUnit(c.args[1], exc);
    const auto second = parseUnit(c.args[2], exc);
    if (!first || !second) return c.usage(QStringLiteral("cannot read the units '%1' and '%2'").arg(c.args[1], c.args[2]));
    if (!FindRelationRow(s.relations(), *first, *second)) {
        s.ui().error(QStringLiteral("There is no relationship between %1 and %2.").arg(first->text(), second->text()));
        return Failed;
    }
    std::vector<UnitKey> moved;
    for (const QString& name : with) {
        const auto unit = parseUnit(name, exc);
        if (!unit) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(name));
        moved.push_back(*unit);
    }
    RelationListHooks hooks;
    // The reassignment dialog, answered by the command line.
    hooks.reassign = [&](const UnitKey& a, const UnitKey& b, QChar code, const std::vector<UnitKey>& members) {
        for (const UnitKey& m : moved)
            if (std::find(members.begin(), members.end(), m) == members.end()) {
                s.ui().error(QStringLiteral("%1 is no member of the class of %2.").arg(m.text(), a.text()));
                return false;
            }
        std::vector<UnitKey> left;
        for (const UnitKey& m : members)
            if (std::find(moved.begin(), moved.end(), m) == moved.end()) left.push_back(m);
        ApplyReassignment(s, a, b, code, left, moved);
        return true;
    };
    return RemoveRelationships(s, {{*first, *second}}, hooks) ? Ok : Failed;
}

} // namespace

int cmdRel(CliContext& c)
{
    const QString sub = c.args.isEmpty() ? QString() : c.args.takeFirst();
    if (sub == QStringLiteral("add")) return relAdd(c);
    if (sub == QStringLiteral("delete")) return relDelete(c);
    return c.usage(QStringLiteral("rel takes add or delete:\n") + QString::fromLatin1(kRelCommandsUsage));
}

int cmdChain(CliContext& c)
{
    const auto excavation = c.option(QStringLiteral("--excavation"));
    if (c.args.size() < 2) return c.usage(QStringLiteral("chain takes P.bvp and the names from top to bottom"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    const QStringList names = c.args.mid(1);
    const ChainResult r = EnterChain(p.session, excavation.value_or(p.session.project().CurrentExcavation), names);
    return r.close && r.relationshipsStored == int(names.size()) - 1 ? Ok : Failed;
}

} // namespace belvanto
