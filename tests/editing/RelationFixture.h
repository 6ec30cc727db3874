#pragma once
// A fresh project "P" with excavation "A" in a temporary directory, units
// made by name and class, and the relationship table read back as text.
#include "core/Regional.h"
#include "editing/AddRelationship.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace belvanto::testing_support {

class RelationFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(CreateProjectFiles(session, dir.filePath(QStringLiteral("P.bvp")), QStringLiteral("A"),
                                       termFile(), false));
    }
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }
    // A term file for the project, or "" for none.
    virtual QString termFile() const { return QString(); }

    static UnitKey u(const QString& name) { return {QStringLiteral("A"), name}; }

    void make(const QStringList& names, const QString& unitClass = kContext)
    {
        for (const QString& name : names) CreateUnit(session.units(), u(name), unitClass);
    }

    // "C1 < C2": stored silently, as an import would.
    AddResult add(const QString& relationship, int lvl = level::Silent, const QString& comment = QString())
    {
        const QStringList p = relationship.split(QLatin1Char(' '));
        return AddRelationship(session, u(p[0]), u(p[2]), p[1].front(), comment, lvl);
    }

    // Every row in key order: "A:C1 < A:C2 [comment] u".
    QStringList rows()
    {
        QStringList text;
        for (const auto& r : session.relations().query(QString(), {}, QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2")))
            text << QStringLiteral("%1:%2 %3 %4:%5 [%6] %7")
                        .arg(valueToString(r.values[rel::Excavation1]), valueToString(r.values[rel::Unitname1]),
                             valueToString(r.values[rel::RelationCat]), valueToString(r.values[rel::Excavation2]),
                             valueToString(r.values[rel::Unitname2]), valueToString(r.values[rel::RelationFull]),
                             valueToString(r.values[rel::RelationStatus]));
        return text;
    }

    ScriptedUi ui;
    FixedRegional regional;
    QTemporaryDir dir;
    Session session{ui, regional};
};

} // namespace belvanto::testing_support
