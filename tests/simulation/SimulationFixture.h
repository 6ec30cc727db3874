#pragma once
// A simulated project in a temporary directory, generated without the
// dialog, and its tables read back as text.
#include "core/Regional.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace belvanto::testing_support {

class SimulationFixture : public ::testing::Test {
protected:
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }

    // The dialog's defaults with a project file in the temporary directory.
    SimulationSettings settings(int contexts = 500, const QString& name = QStringLiteral("Sim"))
    {
        SimulationSettings s;
        s.projectFile = dir.filePath(name + QStringLiteral(".bvp"));
        s.excavation = QStringLiteral("Site");
        s.contexts = contexts;
        return s;
    }

    // Creates the project and fills it; the project stays open.
    void generate(const SimulationSettings& s, quint32 jitter = 1, RelationPath path = RelationPath::Direct)
    {
        ASSERT_TRUE(CreateProjectFiles(session, s.projectFile, s.excavation, QString(), false));
        GenerateSimulation(session, s, jitter, path);
    }

    // "F001=<value>" for every unit in key order.
    QStringList column(int field)
    {
        QStringList text;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            text << valueToString(r.values[uf::Unitname]) + QLatin1Char('=') + valueToString(r.values[field]);
        return text;
    }

    // Every unit record, all fields but the ones listed, one line each.
    QStringList unitRecords(const std::vector<int>& except = {})
    {
        QStringList text;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname"))) {
            QStringList fields;
            for (int i = 0; i < kUnitFieldCount; ++i)
                if (std::find(except.begin(), except.end(), i) == except.end())
                    fields << valueToString(r.values[std::size_t(i)]);
            text << fields.join(QLatin1Char('|'));
        }
        return text;
    }

    // Every relationship row in key order: "F01 > F02 [comment] u".
    QStringList relationRows()
    {
        QStringList text;
        const QString order = QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2");
        for (const auto& r : session.relations().query(QString(), {}, order)) {
            auto v = [&](int i) { return valueToString(r.values[std::size_t(i)]); };
            text << v(rel::Unitname1) + QLatin1Char(' ') + v(rel::RelationCat) + QLatin1Char(' ') + v(rel::Unitname2)
                        + QStringLiteral(" [") + v(rel::RelationFull) + QStringLiteral("] ") + v(rel::RelationStatus);
        }
        return text;
    }

    ScriptedUi ui;
    FixedRegional regional;
    QTemporaryDir dir;
    Session session{ui, regional};
};

} // namespace belvanto::testing_support
