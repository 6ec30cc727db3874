// The table engine on 100,000 unit-like records: the bulk passes a command
// makes (insert, walks in two orders, edit-and-post of every record, delete
// loop), keyed look-ups and filtered counts, and the latency of one
// write-through post.
#include "store/Table.h"
#include <QFile>
#include <sqlite3.h>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace belvanto;

namespace {

constexpr int kRecords = 100000;
const QStringList kExcavations = {"Area1", "Area2", "Area3", "Area4", "Area5"};
const QStringList kPeriods = {"", "Neolithic", "Bronze Age", "Iron Age", "Roman", "Migration", "Medieval",
                              "Early modern", "Modern", "Hallstatt", "Latene", ""};

std::vector<FieldDef> unitFields()
{
    std::vector<FieldDef> f = {{"Excavation", FieldType::String, 12, true},
                               {"Unitname", FieldType::String, 8, true},
                               {"Unitclass", FieldType::String, 10},
                               {"Period", FieldType::String, 20},
                               {"Phase", FieldType::String, 20},
                               {"Description", FieldType::String, 80},
                               {"Xmin", FieldType::Float},
                               {"Xmax", FieldType::Float},
                               {"Ymin", FieldType::Float},
                               {"Ymax", FieldType::Float},
                               {"Zmin", FieldType::Float},
                               {"Zmax", FieldType::Float},
                               {"FirstYear", FieldType::Integer},
                               {"LastYear", FieldType::Integer},
                               {"AvgYear", FieldType::Integer},
                               {"X", FieldType::Integer},
                               {"Y", FieldType::Integer},
                               {"Group", FieldType::String, 20},
                               {"Show", FieldType::String, 1},
                               {"Selected", FieldType::String, 1},
                               {"Excavated", FieldType::Date}};
    return f;
}

const IndexDef kKey{QString(), {"Excavation", "Unitname"}};

struct Lcg {
    quint32 seed = 932216981;
    quint32 next(quint32 n) { seed = seed * 134775813u + 1u; return quint32((quint64(seed) * n) >> 32); }
};

QString unitName(int i)
{
    return QStringLiteral("U%1").arg(i / kExcavations.size(), 5, 10, QLatin1Char('0'));
}

// The values of the benchmark's records, handed to set(field, value) and
// ended by post(), whichever way they are written.
template <class Set, class Post>
void makeUnits(Set set, Post post)
{
    Lcg r;
    for (int i = 0; i < kRecords; ++i) {
        set(0, kExcavations[i % kExcavations.size()]);
        set(1, unitName(i));
        const quint32 c = r.next(100);
        set(2, QString(c < 90 ? "context" : c < 98 ? "group" : "work area"));
        set(3, kPeriods[int(r.next(quint32(kPeriods.size())))]);
        set(5, QStringLiteral("Layer of brown silt with charcoal, number %1").arg(i));
        const double x = r.next(10000) / 10.0, y = r.next(10000) / 10.0;
        set(6, x);
        set(7, x + 1.5);
        set(8, y);
        set(9, y + 2.25);
        set(10, -r.next(500) / 100.0);
        set(11, r.next(500) / 100.0);
        const qint32 year = qint32(r.next(3000)) - 1500;
        set(12, year);
        set(13, year + 50);
        post();
    }
}

void fillUnits(Table& t)
{
    BulkScope bulk;
    makeUnits([&](int field, const Value& v) {
        if (field == 0) t.insert();
        t.set(field, v);
    }, [&] { t.post(); });
}

// One table of 100,000 records, built once and copied for passes that change it.
struct Data {
    QTemporaryDir dir;
    QString master;

    Data()
    {
        master = dir.filePath("master.db");
        Table::createFile(master, unitFields(), kKey, {{"ByPeriod", {"Period"}}});
        Table t;
        t.openFile(master);
        fillUnits(t);
    }

    QString copy(const QString& name) const
    {
        const QString path = dir.filePath(name + ".db");
        Table::removeFile(path);
        QFile::copy(master, path);
        return path;
    }
};

Data& data()
{
    static Data d;
    return d;
}

// Inserts the records into a fresh table per iteration with fill(table).
template <class Fill>
void insertPass(benchmark::State& state, const char* name, Fill fill)
{
    const QString path = data().dir.filePath(name);
    for (auto _ : state) {
        state.PauseTiming();
        Table::createFile(path, unitFields(), kKey, {{"ByPeriod", {"Period"}}});
        Table t;
        t.openFile(path);
        state.ResumeTiming();
        fill(t);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_BulkInsert(benchmark::State& state)
{
    insertPass(state, "insert.db", fillUnits);
}
BENCHMARK(BM_BulkInsert)->Unit(benchmark::kMillisecond);

void BM_WriterInsert(benchmark::State& state)
{
    insertPass(state, "writer.db", [](Table& t) {
        TableWriter w(t);
        makeUnits([&](int field, const Value& v) { w.set(field, v); }, [&] { w.insert(); });
    });
}
BENCHMARK(BM_WriterInsert)->Unit(benchmark::kMillisecond);

void BM_WriterAppend(benchmark::State& state)
{
    insertPass(state, "append.db", [](Table& t) {
        TableWriter w(t);
        makeUnits([&](int field, const Value& v) { w.set(field, v); }, [&] { w.append(); });
    });
}
BENCHMARK(BM_WriterAppend)->Unit(benchmark::kMillisecond);

// The limit: SQLite alone, the same records into the same table (its
// primary and secondary index) through one prepared statement in one
// transaction, texts converted to UTF-8 as the engine does.
void BM_RawSqliteInsert(benchmark::State& state)
{
    const QString path = data().dir.filePath("raw.db");
    const auto fields = unitFields();
    QStringList names, marks;
    for (const FieldDef& f : fields) {
        names << '"' + f.name + '"';
        marks << "?";
    }
    const QByteArray sql = QStringLiteral("INSERT INTO data(%1) VALUES(%2)").arg(names.join(','), marks.join(',')).toUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        Table::createFile(path, fields, kKey, {{"ByPeriod", {"Period"}}});
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-16000", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
        makeUnits(
            [&](int field, const Value& v) {
                if (const auto* text = std::get_if<QString>(&v)) {
                    const QByteArray utf8 = text->toUtf8();
                    if (utf8.isEmpty()) sqlite3_bind_null(insert, field + 1);
                    else sqlite3_bind_text(insert, field + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                } else if (const auto* i = std::get_if<qint32>(&v)) {
                    sqlite3_bind_int(insert, field + 1, *i);
                } else if (const auto* d = std::get_if<double>(&v)) {
                    sqlite3_bind_double(insert, field + 1, *d);
                }
            },
            [&] {
                if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError(sqlite3_errmsg(db));
                sqlite3_reset(insert);
                sqlite3_clear_bindings(insert);
            });
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_RawSqliteInsert)->Unit(benchmark::kMillisecond);

void walk(benchmark::State& state, const QString& index)
{
    Table t;
    t.openFile(data().master);
    qint64 sum = 0;
    for (auto _ : state) {
        t.setActiveIndex(index);   // the pass includes ordering the view
        for (t.first(); !t.eof(); t.next()) sum += t.str(1).size() + t.str(3).size();
        t.setActiveIndex(index.isEmpty() ? "ByPeriod" : "");
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_IteratePrimary(benchmark::State& state)
{
    walk(state, "");
}
BENCHMARK(BM_IteratePrimary)->Unit(benchmark::kMillisecond);

void BM_IterateSecondary(benchmark::State& state)
{
    walk(state, "ByPeriod");
}
BENCHMARK(BM_IterateSecondary)->Unit(benchmark::kMillisecond);

// Key values of a random stored record.
std::vector<Value> randomKey(Lcg& r)
{
    const int i = int(r.next(kRecords));
    return {kExcavations[i % kExcavations.size()], unitName(i)};
}

void BM_LocateByKey(benchmark::State& state)
{
    Table t;
    t.openFile(data().master);
    Lcg r;
    for (auto _ : state) {
        if (!t.locate("Excavation;Unitname", randomKey(r))) state.SkipWithError("not found");
        benchmark::DoNotOptimize(t.recNo());
    }
}
BENCHMARK(BM_LocateByKey)->Unit(benchmark::kMicrosecond);

void BM_QueryByKey(benchmark::State& state)
{
    Table t;
    t.openFile(data().master);
    Lcg r;
    for (auto _ : state) {
        auto rows = t.query("Excavation IS ? AND Unitname IS ?", randomKey(r));
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_QueryByKey)->Unit(benchmark::kMicrosecond);

void BM_FilteredCount(benchmark::State& state)
{
    Table t;
    t.openFile(data().master);
    int n = 0;
    for (auto _ : state) {
        t.setFilter("Unitclass = 'context' and (Period > 'M' or Period <= '')");
        n = t.count();
        t.setFilter("");
    }
    state.counters["matching"] = n;
}
BENCHMARK(BM_FilteredCount)->Unit(benchmark::kMillisecond);

void BM_EditAndPostAll(benchmark::State& state)
{
    const QString path = data().copy("edit");
    Table t;
    t.openFile(path);
    qint32 round = 0;
    for (auto _ : state) {
        ++round;
        BulkScope bulk;
        qint32 i = 0;
        for (t.first(); !t.eof(); t.next()) {
            t.edit();
            t.set(15, i++);
            t.set(19, round % 2 ? "X" : "");
            t.post();
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_EditAndPostAll)->Unit(benchmark::kMillisecond);

void BM_WriterUpdateAll(benchmark::State& state)
{
    const QString path = data().copy("update");
    Table t;
    t.openFile(path);
    std::vector<qint64> rowids;
    for (const auto& row : t.query("", {})) rowids.push_back(row.rowid);
    qint32 round = 0;
    for (auto _ : state) {
        ++round;
        TableWriter w(t);
        qint32 i = 0;
        for (qint64 rowid : rowids) {
            w.set(15, i++);
            w.set(19, round % 2 ? "X" : "");
            w.update(rowid);
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_WriterUpdateAll)->Unit(benchmark::kMillisecond);

void BM_DeleteElseNextHalf(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = data().copy("delete");
        auto t = std::make_unique<Table>();
        t->openFile(path);
        state.ResumeTiming();
        {
            BulkScope bulk;
            int k = 0;
            t->first();
            while (!t->eof()) {
                if (k++ % 2 == 0) t->del();
                else t->next();
            }
        }
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DeleteElseNextHalf)->Unit(benchmark::kMillisecond);

void BM_WriterRemoveHalf(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = data().copy("remove");
        auto t = std::make_unique<Table>();
        t->openFile(path);
        std::vector<qint64> rowids;
        for (const auto& row : t->query("", {}, "Excavation, Unitname")) rowids.push_back(row.rowid);
        state.ResumeTiming();
        {
            TableWriter w(*t);
            for (std::size_t k = 0; k < rowids.size(); k += 2) w.remove(rowids[k]);
        }
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords / 2);
}
BENCHMARK(BM_WriterRemoveHalf)->Unit(benchmark::kMillisecond);

void BM_WriteThroughPost(benchmark::State& state)
{
    const QString path = data().copy("latency");
    Table t;
    t.openFile(path);
    t.first();
    qint32 i = 0;
    for (auto _ : state) {
        t.edit();
        t.set(16, i++);
        t.post();   // on disk when it returns
    }
}
BENCHMARK(BM_WriteThroughPost)->Unit(benchmark::kMillisecond);

} // namespace
