// CSV import through the field concordance and CSV export: 100,000 units
// with 300,000 earlier/later relationships (each unit later than the next
// three), the size of a large excavation.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "core/TextFile.h"
#include "exchange/Concordance.h"
#include "exchange/Csv.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace belvanto {
namespace {

constexpr int kUnits = 100000;

QString writeSource(const QTemporaryDir& dir)
{
    QStringList lines{QStringLiteral("Unitname;Unit class;Description;First year;Later than")};
    lines.reserve(kUnits + 1);
    for (int i = 0; i < kUnits; ++i) {
        QStringList later;
        for (int k = 1; k <= 3 && i + k < kUnits; ++k) later.append(QString::number(i + k));
        lines.append(QStringLiteral("%1;context;\"fill of pit %1\";%2;\"%3\"").arg(i).arg(i % 2000).arg(later.join(u',')));
    }
    const QString path = dir.filePath(QStringLiteral("units.csv"));
    writeTextLines(path, lines);
    return path;
}

void CsvImport(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString source = writeSource(dir);
    StreamUi ui{stderr};
    FixedRegional regional;
    CsvOptions options;
    options.FirstRowNames = true;
    int run = 0;
    for (auto _ : state) {
        Session session(ui, regional);
        CsvSource csv(source, options, regional);
        Concordance c;
        c.targets = AutoAssign(csv.columns(), session.catalogue(), true);
        c.defaultExcavation = QStringLiteral("Site");
        if (!ImportIntoNewProject(session, dir.filePath(QStringLiteral("P%1.bvp").arg(run++)), csv, c))
            state.SkipWithError("import failed");
        state.counters["relations"] = session.relations().count();
        CloseProject(session, true);
    }
}
BENCHMARK(CsvImport)->Unit(benchmark::kMillisecond)->Iterations(1);

void CsvExport(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString source = writeSource(dir);
    StreamUi ui{stderr};
    FixedRegional regional;
    Session session(ui, regional);
    CsvOptions options;
    options.FirstRowNames = true;
    {
        CsvSource csv(source, options, regional);
        Concordance c;
        c.targets = AutoAssign(csv.columns(), session.catalogue(), true);
        c.defaultExcavation = QStringLiteral("Site");
        if (!ImportIntoNewProject(session, dir.filePath(QStringLiteral("P.bvp")), csv, c)) state.SkipWithError("import failed");
    }
    for (auto _ : state)
        if (!ExportCsv(session, dir.filePath(QStringLiteral("out.csv")), options)) state.SkipWithError("export failed");
    CloseProject(session, true);
}
BENCHMARK(CsvExport)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace belvanto
