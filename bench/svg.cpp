// SVG export of a stored layout of 10,000 contexts: 100 levels of 100 boxes,
// each joined straight down to the box below and sloping to the next column's
// box below (19,800 lines), in the stored layout tables. Text is measured
// with fixed numbers here; belvanto-cli's own timing, with the real font, is
// in README.md.
#include "diagram/DisplayList.h"
#include "diagram/LayoutSnapshot.h"
#include "diagram/export/SvgWriter.h"
#include "layout/LayoutFiles.h"
#include "store/Table.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

constexpr qint32 kColumns = 100;
constexpr qint32 kLevels = 100;

class FixedMetrics : public TextMetrics {
public:
    int width(const QString& text) const override { return 6 * int(text.size()) + 1; }
    int height(const QString&) const override { return 13; }
};

QString name(qint32 column, qint32 level)
{
    return QString::number(level * 1000 + column);
}

struct StoredLayout {
    QTemporaryDir dir;
    LayoutParameters parameters;

    StoredLayout()
    {
        CreateLayoutTables(dir.path(), QStringLiteral("B"));
        Table units, relations;
        units.open(dir.path(), QStringLiteral("B") + kUnitLayoutSuffix);
        relations.open(dir.path(), QStringLiteral("B") + kRelLayoutSuffix);
        BulkScope bulk;
        for (qint32 level = 1; level <= kLevels; ++level)
            for (qint32 column = 1; column <= kColumns; ++column) {
                units.insert();
                units.set(ul::Excavation, QStringLiteral("Site"));
                units.set(ul::Unitname, name(column, level));
                units.set(ul::XStart, column);
                units.set(ul::XStop, column);
                units.set(ul::YLevelStart, level);
                units.set(ul::YLevelStop, level);
                units.set(ul::NestCt, 0);
                units.set(ul::Colour, qint32((quint32(column) * 2654435761u + quint32(level)) & 0xFFFFFFu));
                units.set(ul::BoxStyle, (column + level) % 13);
                units.set(ul::Unitclass, kContextRecord);
                units.post();
                if (level == kLevels) continue;
                for (qint32 below : {column, column + 1}) {
                    if (below > kColumns) continue;
                    relations.insert();
                    relations.set(rl::Excavation1, QStringLiteral("Site"));
                    relations.set(rl::Unitname1, name(below, level + 1));
                    relations.set(rl::Excavation2, QStringLiteral("Site"));
                    relations.set(rl::Unitname2, name(column, level));
                    relations.set(rl::YLevel1, level);
                    relations.set(rl::YLevel2, level + 1);
                    relations.set(rl::XPos1, 2 * column);
                    relations.set(rl::XPos2, 2 * below);
                    relations.set(rl::YSubLevel, below == column ? 0 : 1);
                    relations.set(rl::NestCt2, 0);
                    relations.set(rl::Port1, below == column ? -1 : 1);
                    relations.set(rl::Port2, below == column ? 1 : -1);
                    relations.set(rl::RelationCat, QStringLiteral("<"));
                    relations.post();
                }
            }
        parameters.reset(kColumns, kLevels);
        for (qint32 level = 1; level < kLevels; ++level) parameters.TrackCount[std::size_t(level)] = 1;
    }

    LayoutSnapshot read() const
    {
        Table units, relations;
        units.open(dir.path(), QStringLiteral("B") + kUnitLayoutSuffix);
        relations.open(dir.path(), QStringLiteral("B") + kRelLayoutSuffix);
        return ReadLayoutSnapshot(units, relations, parameters);
    }
};

StoredLayout& stored()
{
    static StoredLayout layout;
    return layout;
}

void ReadStoredLayoutTables(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(stored().read());
}
BENCHMARK(ReadStoredLayoutTables)->Unit(benchmark::kMillisecond);

void BuildDisplayList(benchmark::State& state)
{
    const LayoutSnapshot layout = stored().read();
    for (auto _ : state) {
        state.PauseTiming();
        LayoutSnapshot copy = layout;
        state.ResumeTiming();
        benchmark::DoNotOptimize(BuildDiagram(std::move(copy), DrawState{}, FixedMetrics()));
    }
}
BENCHMARK(BuildDisplayList)->Unit(benchmark::kMillisecond);

void WriteSvgDocument(benchmark::State& state)
{
    const DiagramDrawing drawing = BuildDiagram(stored().read(), DrawState{}, FixedMetrics());
    qint64 bytes = 0;
    for (auto _ : state) bytes = SvgDocument(drawing, DiagramFont{}).size();
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(WriteSvgDocument)->Unit(benchmark::kMillisecond);

void WholeExport(benchmark::State& state)
{
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("d.svg"));
    for (auto _ : state) {
        const DiagramDrawing drawing = BuildDiagram(stored().read(), DrawState{}, FixedMetrics());
        benchmark::DoNotOptimize(WriteSvgFile(path, drawing, DiagramFont{}));
    }
}
BENCHMARK(WholeExport)->Unit(benchmark::kMillisecond);

} // namespace
