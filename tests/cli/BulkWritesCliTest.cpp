// The whole-table writers give the files that writing record by record
// through the cursor gave: simulated projects (fixed seeds) simulated, laid
// out and exported both ways, every table compared row by row and the
// parameter file and the SVG byte by byte.
#include "CliRunner.h"
#include "store/Table.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

struct ThroughCursor {
    explicit ThroughCursor(bool on) { TableWriter::setThroughCursor(on); }
    ~ThroughCursor() { TableWriter::setThroughCursor(false); }
};

void run(const QStringList& args)
{
    const auto r = runCliCaptured(args);
    ASSERT_EQ(r.code, 0) << args.join(' ').toStdString() << "\n" << r.err.toStdString();
}

// Every record with its rowid, in rowid order; the coordinate jitter of a
// simulation comes from the clock and is left out where asked.
std::vector<Table::Row> records(const QString& path, bool withoutCoordinates = false)
{
    Table t;
    t.openFile(path);
    auto rows = t.query(QString(), {}, QStringLiteral("rowid"), Table::Unreadable::KeepText);
    if (withoutCoordinates)
        for (const char* name : {"XAvgCoord", "YAvgCoord", "ZAvgCoord"})
            if (const int f = t.fieldIndex(QString::fromLatin1(name)); f >= 0)
                for (auto& row : rows) row.values[std::size_t(f)] = Value{};
    return rows;
}

QByteArray bytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// Compares every table, parameter file and SVG of two folders; returns how
// many files were compared.
int compareFolders(const QString& bulk, const QString& cursor, bool withoutCoordinates)
{
    const QStringList names = QDir(bulk).entryList({"*.db", "*.bin", "*.svg"}, QDir::Files, QDir::Name);
    EXPECT_EQ(names, QDir(cursor).entryList({"*.db", "*.bin", "*.svg"}, QDir::Files, QDir::Name));
    for (const QString& name : names) {
        const QString a = bulk + '/' + name, b = cursor + '/' + name;
        if (!name.endsWith(".db")) {
            EXPECT_TRUE(bytes(a) == bytes(b)) << name.toStdString();
            continue;
        }
        const auto x = records(a, withoutCoordinates), y = records(b, withoutCoordinates);
        EXPECT_EQ(x.size(), y.size()) << name.toStdString();
        for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
            if (x[i].rowid == y[i].rowid && x[i].values == y[i].values) continue;
            ADD_FAILURE() << name.toStdString() << ": record " << i + 1 << " differs (rowid " << x[i].rowid << " and "
                          << y[i].rowid << ")";
            break;
        }
    }
    return int(names.size());
}

struct Case {
    const char* name;
    QStringList simulate;                // options of simulate
    std::vector<QStringList> layouts;    // options of each layout run, in turn
};

TEST(BulkWrites, SameFilesAsRecordByRecord)
{
    const std::vector<Case> cases = {
        {"defaults", {"--contexts", "500"}, {{}}},
        {"contemporary blocks, several periods", {"--contexts", "400", "--contemporary", "30", "--periods", "3"}, {{}}},
        // Marked first, then deleted: the marks of the first run are stale
        // in the second.
        {"redundant marked, then deleted", {"--contexts", "300", "--seeds", "1,2,3,4,5,6,7"},
         {{"--keep-redundant"}, {"--keep-redundant", "--no-periods"}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QString simBulk = root.filePath("sim-bulk"), simCursor = root.filePath("sim-cursor");
        const QString bulk = root.filePath("bulk"), cursor = root.filePath("cursor");
        for (const QString& d : {simBulk, simCursor, bulk, cursor}) ASSERT_TRUE(QDir().mkpath(d));

        for (const bool through : {false, true}) {
            ThroughCursor mode(through);
            run(QStringList{"simulate", (through ? simCursor : simBulk) + "/P.bvp"} + c.simulate);
        }
        EXPECT_EQ(compareFolders(simBulk, simCursor, true), 2);

        // The same project, jitter and all, laid out both ways.
        run({"copy", simBulk + "/P.bvp", bulk + "/P.bvp"});
        run({"copy", simBulk + "/P.bvp", cursor + "/P.bvp"});
        for (const bool through : {false, true}) {
            ThroughCursor mode(through);
            const QString project = (through ? cursor : bulk) + "/P.bvp";
            for (const QStringList& options : c.layouts) run(QStringList{"layout", project} + options);
            run({"export", project, "--svg", (through ? cursor : bulk) + "/P.svg"});
        }
        EXPECT_GE(compareFolders(bulk, cursor, false), 6);
    }
}

} // namespace
