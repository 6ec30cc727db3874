#pragma once
// A small project written as text, for the tests of the pair test and the
// group-assignment test.
//
//   SmallProject p(true);                  // single excavation "E"
//   p.contexts({"101", "A1:2"});           // "A1:2" is excavation A1, unit 2
//   p.units({"G"}, kGroup);
//   p.relate({"101 > 200", "101 p G", "101 >! 150"});
//
// "101 > 200" stores both rows, as adding the relationship would, "101 p G"
// the one row of a part-of relationship; a trailing "!" stores only the row
// as written.
#include "core/Regional.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace belvanto::pair_testing {

inline UnitKey key(const QString& text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) return {QStringLiteral("E"), text};
    return {text.left(colon), text.mid(colon + 1)};
}

struct Message {
    MessageKind kind;
    QString text;
};

struct SmallProject {
    explicit SmallProject(bool singleExcavation)
    {
        EXPECT_TRUE(CreateProjectFiles(session, dir.filePath(QStringLiteral("P.bvp")), QStringLiteral("E"), QString(),
                                       singleExcavation));
    }
    ~SmallProject() { CloseProject(session, true); }

    void units(const QStringList& names, const QString& unitClass)
    {
        Table& t = session.units();
        BulkScope bulk;
        for (const QString& name : names) {
            const UnitKey k = key(name);
            t.insert();
            t.set(uf::Excavation, k.excavation);
            t.set(uf::Unitname, k.unitname);
            t.set(uf::Unitclass, unitClass);
            t.post();
        }
    }
    void contexts(const QStringList& names) { units(names, kContext); }

    void relate(const QStringList& relationships)
    {
        BulkScope bulk;
        for (const QString& text : relationships) {
            const QStringList p = text.split(QLatin1Char(' '));
            const QChar code = p[1].front();
            InsertRelationRow(session.relations(), key(p[0]), key(p[2]), code, QString(), status::Stored);
            if (code != category::PartOf && !p[1].endsWith(QLatin1Char('!')))
                InsertRelationRow(session.relations(), key(p[2]), key(p[0]), OppositeCategory(code), QString(),
                                  status::Stored);
        }
    }

    void expect(const std::vector<Message>& messages)
    {
        for (const Message& m : messages) ui.expect(m.kind, m.text);
    }

    // The units whose Selected holds a mark, with the mark: "101=X".
    QStringList marks()
    {
        QStringList text;
        for (const auto& row : session.units().query(QStringLiteral("Selected IS NOT NULL"), {}, kUnitKeyOrder))
            text << valueToString(row.values[uf::Unitname]) + QLatin1Char('=') + valueToString(row.values[uf::Selected]);
        return text;
    }

    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

} // namespace belvanto::pair_testing
