#pragma once
// A project "P" in a temporary directory for the table exports: units with
// every field type, non-Latin Windows-1252 text, a 255-character
// interpretation, and a relationship list long enough for a memo. Also runs
// the outside readers (python3-dbf, GDAL, Python's csv module).
#include "core/Regional.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace belvanto::testing_support {

inline const QString kExcavation = QStringLiteral("E");
// Letters of Windows-1252 beyond Latin-1 and beside it.
inline const QString kNonLatin = QStringLiteral("Grubenfüllung „Œuvre“ – 5 € žŠ");
inline const QString kLongText = QString(254, QLatin1Char('x')) + QStringLiteral("!");

// The output of an outside program, or a reason to skip.
struct ToolRun {
    bool available = false;
    bool ok = false;
    QString output;
};

inline ToolRun runTool(const QString& program, const QStringList& args)
{
    ToolRun run;
    if (QStandardPaths::findExecutable(program).isEmpty()) return run;
    run.available = true;
    QProcess p;
    p.start(program, args);
    run.ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    run.output = QString::fromUtf8(p.readAllStandardOutput());
    if (!run.ok) run.output += QString::fromUtf8(p.readAllStandardError());
    return run;
}

// Debian's own Python, where python3-dbf is installed, before any other.
inline QString python()
{
    const QString system = QStringLiteral("/usr/bin/python3");
    return QFileInfo::exists(system) ? system : QStringLiteral("python3");
}

inline bool pythonHas(const char* module)
{
    const ToolRun r = runTool(python(), {QStringLiteral("-c"),
                                                          QStringLiteral("import %1").arg(QLatin1String(module))});
    return r.available && r.ok;
}

class ExportFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(CreateProjectFiles(session, dir.filePath(QStringLiteral("P.bvp")), kExcavation, QString(),
                                       singleExcavation()));
    }
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }
    virtual bool singleExcavation() const { return false; }
    QString file(const QString& name) const { return dir.filePath(name); }

    void unit(const QString& name, const std::vector<std::pair<int, Value>>& values, const QString& excavation = kExcavation)
    {
        Table& t = session.units();
        t.insert();
        t.set(uf::Excavation, excavation);
        t.set(uf::Unitname, name);
        t.set(uf::Unitclass, kContext);
        for (const auto& [field, v] : values) t.set(field, v);
        t.post();
    }
    void setField(const QString& name, int field, const Value& v)
    {
        BulkScope bulk;
        Table& t = session.units();
        ASSERT_TRUE(t.locate(QStringLiteral("Excavation;Unitname"), {kExcavation, name}));
        t.edit();
        t.set(field, v);
        t.post();
    }
    void relation(const QString& a, QChar code, const QString& b)
    {
        InsertRelationRow(session.relations(), {kExcavation, a}, {kExcavation, b}, code, QString(), status::Stored);
    }

    // 12: every field type; 13: negative numbers; U01..U40 plain contexts,
    // all earlier than 12 (a list of 40 × "E:U01, " needs a memo); 13 equal
    // to 12; 12 part of G.
    void fillProject()
    {
        BulkScope bulk;
        unit(QStringLiteral("12"), {{uf::XMinCoord, 12.5}, {uf::ZMaxCoord, 101.12345678},
                                    {uf::Description, kNonLatin}, {uf::Interpretation, kLongText},
                                    {uf::MinYear, qint32(1200)}, {uf::ExcavationDate, QDate(2003, 2, 1)},
                                    {uf::ExcavationMethod, QStringLiteral("spade")}, {uf::Period, QStringLiteral("II")}});
        unit(QStringLiteral("13"), {{uf::XMinCoord, -0.25}, {uf::MinYear, qint32(-2147483647)},
                                    {uf::Description, QStringLiteral("  leading blanks")}});
        unit(QStringLiteral("G"), {{uf::Unitclass, kGroup}});
        for (int i = 1; i <= 40; ++i) {
            const QString name = QStringLiteral("U%1").arg(i, 2, 10, QLatin1Char('0'));
            unit(name, {});
            relation(QStringLiteral("12"), category::Later, name);
            relation(name, category::Earlier, QStringLiteral("12"));
        }
        relation(QStringLiteral("12"), category::Equal, QStringLiteral("13"));
        relation(QStringLiteral("13"), category::Equal, QStringLiteral("12"));
        relation(QStringLiteral("12"), category::PartOf, QStringLiteral("G"));
    }
    static QString laterList()
    {
        QStringList names;
        for (int i = 1; i <= 40; ++i) names << QStringLiteral("E:U%1").arg(i, 2, 10, QLatin1Char('0'));
        return names.join(QStringLiteral(", "));
    }

    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

} // namespace belvanto::testing_support
