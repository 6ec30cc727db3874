#pragma once
// A project "P" in a temporary directory for the component check: units and
// relationships written as short text, the Group labels and the stored
// component projects read back as text.
//
//   units("A B C");             contexts A, B, C of excavation E
//   units("G", kGroup);
//   relations("A<B D=E C-F");   both rows, as the relationship rules store them
//   relations("A<B!");          only the row as written
//   relations("A p G");         part of: one row
#include "checks/Components.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace belvanto::testing_support {

inline const QString kExcavation = QStringLiteral("E");

// A component project opened for reading in a session of its own, as the
// user opens it later.
class StoredProject {
public:
    StoredProject(const QString& projectFile) : session_(ui_, regional_)
    {
        opened_ = OpenProject(session_, projectFile, false, OpenMode::ReadOnly);
    }
    ~StoredProject() { CloseProject(session_, true); }
    bool opened() const { return opened_; }
    Session& session() { return session_; }

private:
    ScriptedUi ui_;
    FixedRegional regional_;
    Session session_;
    bool opened_ = false;
};

// What a stored component project holds.
struct StoredCase {
    const char* project;
    const char* labels;   // as groups() gives them
    QStringList rows;     // as rows() gives them
};

class ComponentsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(CreateProjectFiles(session, projectFile(QStringLiteral("P")), kExcavation, QString(),
                                       singleExcavation()));
    }
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }
    virtual bool singleExcavation() const { return true; }

    QString projectFile(const QString& name) const { return dir.filePath(name + QStringLiteral(".bvp")); }
    static UnitKey key(const QString& name) { return {kExcavation, name}; }

    // Blank-separated names.
    void units(const QString& names, const QString& unitClass = kContext)
    {
        BulkScope bulk;
        for (const QString& name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            Table& t = session.units();
            t.insert();
            t.set(uf::Excavation, kExcavation);
            t.set(uf::Unitname, name);
            t.set(uf::Unitclass, unitClass);
            t.set(uf::Description, QStringLiteral("about ") + name);
            t.post();
        }
    }

    // Blank-separated "A<B", "A>B", "A=B", "A-B" (both rows, "!" only the
    // first); "A p G" as three words.
    void relations(const QString& text, const QString& comment = QString())
    {
        BulkScope bulk;
        const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (i + 2 < words.size() && words[i + 1] == QStringLiteral("p")) {
                InsertRelationRow(session.relations(), key(words[i]), key(words[i + 2]), category::PartOf, comment,
                                  status::Stored);
                i += 2;
                continue;
            }
            QString w = words[i];
            const bool oneRow = w.endsWith(QLatin1Char('!'));
            if (oneRow) w.chop(1);
            const qsizetype at = w.indexOf(QRegularExpression(QStringLiteral("[<>=-]")));
            ASSERT_GT(at, 0) << w.toStdString();
            const QChar code = w[at];
            const UnitKey a = key(w.left(at)), b = key(w.mid(at + 1));
            InsertRelationRow(session.relations(), a, b, code, comment, status::Stored);
            if (!oneRow) InsertRelationRow(session.relations(), b, a, OppositeCategory(code), QString(), status::New);
        }
    }

    // Contexts, groups and relationships as above.
    void project(const char* contexts, const char* groupNames, const char* relationships)
    {
        units(QString::fromLatin1(contexts));
        units(QString::fromLatin1(groupNames), kGroup);
        relations(QString::fromLatin1(relationships));
    }

    // "A=2 B=2 C=1 G=0": every unit's Group in key order.
    static QString groups(const Table& unitTable)
    {
        QStringList text;
        for (const auto& r : unitTable.query(QString(), {}, kUnitKeyOrder))
            text << valueToString(r.values[uf::Unitname]) + QLatin1Char('=') + valueToString(r.values[uf::Group]);
        return text.join(QLatin1Char(' '));
    }
    QString groups() { return groups(session.units()); }

    // "E:A < E:B [comment] u": every row in key order.
    static QStringList rows(const Table& relationTable)
    {
        QStringList text;
        for (const auto& r : relationTable.query(QString(), {}, kRelationKeyOrder))
            text << QStringLiteral("%1:%2 %3 %4:%5 [%6] %7")
                        .arg(valueToString(r.values[rel::Excavation1]), valueToString(r.values[rel::Unitname1]),
                             valueToString(r.values[rel::RelationCat]), valueToString(r.values[rel::Excavation2]),
                             valueToString(r.values[rel::Unitname2]), valueToString(r.values[rel::RelationFull]),
                             valueToString(r.values[rel::RelationStatus]));
        return text;
    }

    // The question about storing the components, with its answer.
    void expectQuestion(int components, Answer answer)
    {
        ui.expect(MessageKind::Warning,
                  QStringLiteral("%1 separate components detected.\r\n"
                                 "Do you want to store the components in separate projects?")
                      .arg(components),
                  Buttons::YesNoCancel)
            .answer(answer);
    }

    bool check(ReportMode mode)
    {
        protocol.setMode(mode);
        protocol.clear();
        return ComponentCheck(session, protocol);
    }

    // Every file of the directory but the open project's own and its lock.
    QStringList otherFiles() const
    {
        QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        for (const char* own : {"P.bvp", "P_unit.db", "P_rel.db", "P.lock"}) files.removeAll(QString::fromLatin1(own));
        return files;
    }

    // Opens each stored project as the user would and compares its tables.
    void expectStored(std::initializer_list<StoredCase> cases)
    {
        for (const StoredCase& e : cases) {
            SCOPED_TRACE(e.project);
            StoredProject stored(projectFile(QString::fromLatin1(e.project)));
            ASSERT_TRUE(stored.opened());
            EXPECT_EQ(groups(stored.session().units()), QString::fromLatin1(e.labels));
            EXPECT_EQ(rows(stored.session().relations()), e.rows);
        }
    }

    static QByteArray readAll(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
    Protocol protocol;
};

} // namespace belvanto::testing_support
