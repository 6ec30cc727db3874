#pragma once
// A project in a temporary directory, with a scripted user interface.
#include "core/Regional.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace belvanto::testing {

class ProjectFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};

    QString path(const QString& name) const { return dir.filePath(name); }

    // Creates and opens <name>.bvp with the default excavation "A".
    void createProject(const QString& name = QStringLiteral("P"), const QString& excavation = QStringLiteral("A"))
    {
        ASSERT_TRUE(CreateProjectFiles(session, path(name + QStringLiteral(".bvp")), excavation, QString(), false));
    }

    void addUnit(const QString& excavation, const QString& name, const QString& unitClass = kContext)
    {
        Table& units = session.units();
        units.insert();
        units.set(uf::Excavation, excavation);
        units.set(uf::Unitname, name);
        units.set(uf::Unitclass, unitClass);
        units.post();
    }

    // Both rows of a relationship the way the relationship rules store them.
    void addRelation(const UnitKey& a, const UnitKey& b, QChar code, const QString& comment = QString())
    {
        InsertRelationRow(session.relations(), a, b, code, comment, status::Stored);
        if (code != QLatin1Char('p'))
            InsertRelationRow(session.relations(), b, a, OppositeCategory(code), QString(), status::Stored);
    }

    static QByteArray readAll(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void writeAll(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // The rows of a relationship table as "A:1<A:2 comment status", key order.
    static QStringList relationRows(const Table& t)
    {
        QStringList rows;
        for (const auto& row : t.query(QString(), {}, QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2"))) {
            auto v = [&](int i) { return valueToString(row.values[i]); };
            rows << v(rel::Excavation1) + QLatin1Char(':') + v(rel::Unitname1) + v(rel::RelationCat)
                        + v(rel::Excavation2) + QLatin1Char(':') + v(rel::Unitname2) + QLatin1Char(' ')
                        + v(rel::RelationFull) + QLatin1Char(' ') + v(rel::RelationStatus);
        }
        return rows;
    }
    static QStringList relationRows(const QString& file)
    {
        Table t;
        t.openFile(file);
        return relationRows(t);
    }

    // "A:1=<value of field>" for every unit in key order.
    static QStringList unitRows(const Table& t, int field)
    {
        QStringList rows;
        for (const auto& row : t.query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            rows << valueToString(row.values[uf::Excavation]) + QLatin1Char(':') + valueToString(row.values[uf::Unitname])
                        + QLatin1Char('=') + valueToString(row.values[field]);
        return rows;
    }
    static QStringList unitRows(const QString& file, int field)
    {
        Table t;
        t.openFile(file);
        return unitRows(t, field);
    }
};

} // namespace belvanto::testing
