// Random sequences of unit operations (adding relationships, deleting,
// merging, splitting, combining, editing and renaming in the edit form),
// from fixed seeds: after every step
// each earlier/later row has its opposite row, each equal and contemporary
// class is closed, and no row names a missing unit or relates a unit to
// itself.
#include "editing/UnitOperations.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "editing/AddRelationship.h"
#include "editing/UnitEditor.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

using namespace belvanto;

namespace {

// The invariants, or the first row that breaks one.
QString firstBrokenInvariant(Session& session)
{
    std::set<UnitKey> units;
    for (const auto& r : session.units().query(QString(), {}))
        units.insert({textAt(r, uf::Excavation), textAt(r, uf::Unitname)});
    std::map<std::pair<UnitKey, UnitKey>, QChar> rows;
    for (const auto& r : session.relations().query(QString(), {}))
        rows.emplace(std::pair{UnitKey{textAt(r, rel::Excavation1), textAt(r, rel::Unitname1)}, SecondUnitOf(r)},
                     CategoryOf(r));
    auto codeOf = [&](const UnitKey& a, const UnitKey& b) {
        const auto it = rows.find({a, b});
        return it == rows.end() ? QChar() : it->second;
    };
    for (const auto& [pair, code] : rows) {
        const auto& [a, b] = pair;
        const QString row = QStringLiteral("%1 %2 %3").arg(a.text(), QString(code), b.text());
        if (a == b) return QStringLiteral("relates a unit to itself: ") + row;
        if (!units.contains(a) || !units.contains(b)) return QStringLiteral("names a missing unit: ") + row;
        if (code == category::PartOf) continue;
        if (codeOf(b, a) != OppositeCategory(code)) return QStringLiteral("lacks its opposite: ") + row;
        if (!IsClassCategory(code)) continue;
        for (auto it = rows.lower_bound({b, UnitKey{}}); it != rows.end() && it->first.first == b; ++it)
            if (it->second == code && it->first.second != a && codeOf(a, it->first.second) != code)
                return QStringLiteral("class not closed at %1 over ").arg(it->first.second.text()) + row;
    }
    return QString();
}

class UnitOperationSequences : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(sink);
        ui.setDefaultAnswer(Answer::Yes);
        ASSERT_TRUE(CreateProjectFiles(session, dir.filePath(QStringLiteral("P.bvp")), QStringLiteral("A"), QString(), false));
    }
    void TearDown() override
    {
        CloseProject(session, true);
        std::fclose(sink);
    }

    QTemporaryDir dir;
    FILE* sink = std::tmpfile();
    StreamUi ui{sink};
    FixedRegional regional;
    Session session{ui, regional};
};

TEST_P(UnitOperationSequences, InvariantsHoldAfterEveryOperation)
{
    std::mt19937 random(GetParam());
    auto draw = [&](std::size_t n) { return std::size_t(random() % n); };
    int created = 0;
    auto newName = [&] { return UnitKey{QStringLiteral("A"), QStringLiteral("U%1").arg(++created)}; };
    for (int i = 0; i < 8; ++i) CreateUnit(session.units(), newName(), kContext);
    for (int i = 0; i < 3; ++i) CreateUnit(session.units(), newName(), kGroup);

    const QString codes = QStringLiteral("<>=-p");
    for (int step = 0; step < 150; ++step) {
        std::vector<UnitKey> all;
        std::map<UnitKey, QString> classOf;
        for (const auto& r : session.units().query(QString(), {})) {
            const UnitKey key{textAt(r, uf::Excavation), textAt(r, uf::Unitname)};
            all.push_back(key);
            classOf[key] = textAt(r, uf::Unitclass);
        }
        if (all.size() < 4) {
            CreateUnit(session.units(), newName(), draw(3) ? kContext : kGroup);
            continue;
        }
        auto any = [&] { return all[draw(all.size())]; };
        QString operation;
        switch (draw(13)) {
        case 10: {
            // The edit form: a few entries removed and added, now and then a
            // class change, then saved.
            const UnitKey unit = any();
            operation = QStringLiteral("edit %1:").arg(unit.text());
            UnitEditor editor(session);
            if (!editor.open(unit.excavation, unit.unitname, {}, EditMode::Edit)) break;
            for (RelationList list : {RelationList::LaterThan, RelationList::EarlierThan, RelationList::Other})
                for (const EditorRelation& r : editor.relations(list))
                    if (draw(3) == 0) {
                        operation += QStringLiteral(" remove %1").arg(r.second.text());
                        editor.removeRelation(r.second);
                    }
            for (std::size_t n = draw(4); n > 0; --n) {
                const UnitKey other = any();
                const QChar code = codes[qsizetype(draw(std::size_t(codes.size())))];
                operation += QStringLiteral(" %1 %2").arg(QString(code), other.text());
                editor.storeRelation(other, code, QString());
            }
            if (draw(6) == 0) {
                editor.setText(uf::Unitclass, draw(2) ? kGroup : kContext);
                operation += QStringLiteral(" class ") + editor.text(uf::Unitclass);
            }
            editor.save();
            editor.close();
            break;
        }
        case 11: {
            const UnitKey unit = any();
            const UnitKey renamed = newName();
            operation = QStringLiteral("rename %1 to %2").arg(unit.text(), renamed.text());
            UnitEditor editor(session);
            if (!editor.open(unit.excavation, unit.unitname, {}, EditMode::Edit)) break;
            editor.setText(uf::Unitname, renamed.unitname);
            editor.save();
            editor.close();
            break;
        }
        case 9: {
            const std::vector<UnitKey> selection{any(), any()};
            const UnitKey container = newName();
            const QString cls = draw(2) ? kGroup : kWorkArea;
            operation = QStringLiteral("combine into %1 %2").arg(cls, container.text());
            CombineUnits(session, selection, container, cls);
            break;
        }
        case 5:
            operation = QStringLiteral("delete");
            DeleteUnits(session, {any(), any()});
            break;
        case 6:
        case 7: {
            const UnitKey target = any();
            std::vector<UnitKey> selection{target};
            for (const UnitKey& k : {any(), any()})
                if (classOf[k] == classOf[target] && k != target) selection.push_back(k);
            operation = QStringLiteral("merge into %1").arg(target.text());
            MergeUnits(session, selection);
            break;
        }
        case 8: {
            const UnitKey unit = any();
            operation = QStringLiteral("split %1").arg(unit.text());
            SplitUnit(session, unit, newName());
            break;
        }
        default: {
            const UnitKey a = any(), b = any();
            const QChar code = codes[qsizetype(draw(std::size_t(codes.size())))];
            operation = QStringLiteral("add %1 %2 %3").arg(a.text(), QString(code), b.text());
            AddRelationship(session, a, b, code, QString(), level::Silent);
        }
        }
        const QString broken = firstBrokenInvariant(session);
        ASSERT_TRUE(broken.isEmpty()) << "step " << step << ", " << operation.toStdString() << ": "
                                      << broken.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, UnitOperationSequences, ::testing::Values(1u, 7u, 42u, 2026u, 31337u));

} // namespace
