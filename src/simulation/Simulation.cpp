#include "simulation/Simulation.h"
#include "core/Random.h"
#include "core/Rounding.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>

namespace belvanto {

namespace {

// In RGB notation, as the colours are usually written.
constexpr quint32 kColoursRgb[] = {0xE9BA98, 0xF5C874, 0xF9E471, 0xFFFF80, 0xD7FD8E, 0x8AFB6F, 0x71F9C6, 0x72F8F4,
                                   0x71D7F9, 0xBFBFFF, 0xE6BFFF, 0xFFBFFE, 0xFEA9C7, 0xD3B4BC, 0xC0C0C0};
constexpr int kColourCount = int(std::size(kColoursRgb));

// The streams, numbered as the dialog's seeds.
enum Stream : int { StartCell, Direction, Size, BlockStart, BlockSize, YearStep, HalfLength, Jitter, kStreams };

// One generator shared by all streams: each stream's seed is loaded before
// and stored back after every draw, so no stream sees another's draws.
class Streams {
public:
    Streams(const std::array<qint32, kSeedCount>& seeds, quint32 jitter)
    {
        for (int i = 0; i < kSeedCount; ++i) seeds_[std::size_t(i)] = quint32(seeds[std::size_t(i)]);
        seeds_[Jitter] = jitter;
    }
    int draw(Stream s, int n)
    {
        gen_.setSeed(seeds_[s]);
        const quint32 v = gen_.nextInt(quint32(n));
        seeds_[s] = gen_.seed();
        return int(v);
    }
    double fraction(Stream s)
    {
        gen_.setSeed(seeds_[s]);
        const double v = gen_.nextReal();
        seeds_[s] = gen_.seed();
        return v;
    }

private:
    RandomGenerator gen_;
    std::array<quint32, kStreams> seeds_{};
};

// Nearest integer of num / den (den > 0), halves to even, exactly.
qint64 divideHalfEven(qint64 num, qint64 den)
{
    if (num < 0) return -divideHalfEven(-num, den);
    qint64 q = num / den;
    const qint64 twice = 2 * (num % den);
    if (twice > den || (twice == den && (q & 1))) ++q;
    return q;
}

// What a context's record gets; the last setting wins.
struct Attributes {
    double x = 0, y = 0, z = 0;
    qint32 colour = 0, avgYear = 0, minYear = 0, maxYear = 0;
    int period = 0;
};

class Generator {
public:
    Generator(Session& session, const SimulationSettings& s, quint32 jitterSeed, RelationPath path)
        : session_(session), s_(s), path_(path), streams_(s.seeds, jitterSeed), n_(s.contexts),
          rows_(s.horizontal), cols_(s.vertical), top_(std::size_t(rows_ * cols_) + 1, 0),
          height_(top_.size(), 0), cell_(std::size_t(n_) + 1), remaining_(cell_.size()), half_(cell_.size()),
          attributes_(cell_.size())
    {
        keys_.reserve(std::size_t(n_) + 1);
        keys_.push_back(UnitKey{});
        for (int k = 1; k <= n_; ++k) keys_.push_back(UnitKey{s.excavation, ContextName(s.prefix, k, n_)});
        colourSpan_ = std::max<qint64>(1, roundHalfEven(double(n_) / 15.0));
        written_.reserve(std::size_t(n_) * 12);   // about ten rows a context
    }

    void run()
    {
        Table& units = session_.units();
        Table& rels = session_.relations();
        FilterOff unitsUnfiltered(units), relsUnfiltered(rels);
        DisplaySuspended unitsQuiet(units), relsQuiet(rels);
        BusyCursor busy(session_.ui());
        BulkScope bulk;

        std::vector<qint64> records(std::size_t(n_) + 1, 0);
        {
            TableWriter writer(units);
            for (int k = 1; k <= n_; ++k) {
                writer.set(uf::Excavation, keys_[std::size_t(k)].excavation);
                writer.set(uf::Unitname, keys_[std::size_t(k)].unitname);
                writer.set(uf::Unitclass, kContext);
                records[std::size_t(k)] = writer.insert();
            }
        }
        // Through the gate the relationship rules read the tables as they
        // go; the rows of our own go straight in.
        if (path_ != RelationPath::Gate) relations_ = std::make_unique<TableWriter>(rels);

        std::vector<int> increments(static_cast<std::size_t>(n_));
        for (int& d : increments) d = streams_.draw(YearStep, 1000);
        years_ = SimulatedCenterYears(increments, s_.firstYear, s_.lastYear);

        period_ = s_.periods > 0 ? 1 : 0;
        const int periodSpan = s_.periods > 0 ? n_ / s_.periods : 0;
        for (int k = 1; k <= n_;) {
            const int e = depositBlock(k);
            k = e + 1;
            if (qint64(period_) * periodSpan < k && period_ < s_.periods) ++period_;
        }

        relations_.reset();
        TableWriter writer(units);
        for (int k = 1; k <= n_; ++k) writeAttributes(writer, records[std::size_t(k)], attributes_[std::size_t(k)]);
    }

private:
    // Contexts k .. e (returned) are deposited together; a contemporary block
    // has more than one.
    int depositBlock(int k)
    {
        int e = k;
        if (s_.contemporary > 0 && streams_.draw(BlockStart, s_.meanContemporary * n_) < s_.contemporary) {
            const int m = std::min(2 + streams_.draw(BlockSize, 2 * s_.meanContemporary), n_ - k + 1);
            e = k + m - 1;
            for (int i = k; i <= e; ++i)
                for (int j = k; j <= e; ++j)
                    if (i != j) writeRow(i, j, category::Contemporary, status::Simulated);
        }
        blockFirst_ = k;
        blockLast_ = e;
        for (int u = k; u <= e; ++u) {
            const int cubes = 1 + streams_.draw(Size, s_.maxCubes());
            half_[std::size_t(u)] = cubes / 2 + 1;
            remaining_[std::size_t(u)] = cubes;
            cell_[std::size_t(u)] = 1 + streams_.draw(StartCell, rows_ * cols_);
            deposit(u, 1, cell_[std::size_t(u)]);
        }
        for (bool spreading = true; spreading;) {
            spreading = false;
            for (int u = k; u <= e; ++u) {
                if (remaining_[std::size_t(u)] <= 0) continue;
                spreading = true;
                spread(u);
            }
        }
        return e;
    }

    void deposit(int u, int h, int cell)
    {
        const int below = top_[std::size_t(cell)];
        if (below != 0 && below != u) laterThan(u, below);
        top_[std::size_t(cell)] = u;
        height_[std::size_t(cell)] += h;
    }

    // One cube of u slides down to a lower neighbour or stays on top. A
    // neighbour is a candidate when it is lower, the cubes left can fill it
    // up to the current level and it is not another heap of the same block.
    void spread(int u)
    {
        const int c = cell_[std::size_t(u)];
        const int row = (c - 1) / cols_ + 1, col = (c - 1) % cols_ + 1;
        const int level = height_[std::size_t(c)];
        const int r = remaining_[std::size_t(u)];
        const int neighbours[4] = {row > 1 ? c - cols_ : 0, row < rows_ ? c + cols_ : 0, col > 1 ? c - 1 : 0,
                                   col < cols_ ? c + 1 : 0};
        int weights[5];
        int sum = 0;
        for (int i = 0; i < 4; ++i) {
            weights[i] = 0;
            const int nb = neighbours[i];
            if (nb != 0) {
                const int t = top_[std::size_t(nb)];
                const int h = height_[std::size_t(nb)];
                const bool otherHeapOfBlock = t >= blockFirst_ && t <= blockLast_ && t != top_[std::size_t(c)];
                if (!otherHeapOfBlock && h < level && h + r >= level) weights[i] = level - h;
            }
            sum += weights[i];
        }
        weights[4] = s_.upright;
        sum += weights[4];

        const int x = streams_.draw(Direction, sum);
        int choice = 0;
        for (int cumulative = weights[0]; cumulative <= x; cumulative += weights[++choice]) {}
        const int target = choice == 4 ? c : neighbours[choice];
        const int step = choice == 4 ? 1 : level - height_[std::size_t(target)];

        deposit(u, step, target);
        cell_[std::size_t(u)] = target;
        const int half = half_[std::size_t(u)];
        if (r >= half && half >= r - step) setAttributes(u, step);
        remaining_[std::size_t(u)] = r - step;
    }

    void setAttributes(int u, int step)
    {
        const int c = cell_[std::size_t(u)];
        const int row = (c - 1) / cols_ + 1, col = (c - 1) % cols_ + 1;
        const int h = height_[std::size_t(c)];
        Attributes& a = attributes_[std::size_t(u)];
        const double f1 = streams_.fraction(Jitter);
        const double f2 = streams_.fraction(Jitter);
        const double f3 = streams_.fraction(Jitter);
        // A cell is 10 coordinate units wide, a cube layer 1 unit high.
        a.x = std::trunc((f1 + row) * 10000.0) / 1000.0;
        a.y = std::trunc((f2 + col) * 10000.0) / 1000.0;
        a.z = std::trunc((f3 + (h - step / 2)) * 1000.0) / 1000.0;
        const qint64 colour = std::min<qint64>(kColourCount - 1, u / colourSpan_);
        a.colour = SimulationColour(int(colour));
        // The whole block shares its first context's year.
        const qint32 year = years_[std::size_t(blockFirst_ - 1)];
        const int halfLength = streams_.draw(HalfLength, s_.interval);
        a.avgYear = year;
        a.minYear = year - halfLength;
        a.maxYear = year + halfLength;
        a.period = period_;
    }

    void laterThan(int u, int below)
    {
        if (path_ == RelationPath::Gate) {
            if (!classes_) classes_ = std::make_unique<UnitClassCache>(session_.units());
            AddRelationship(session_, session_.units(), session_.relations(), keys_[std::size_t(u)],
                            keys_[std::size_t(below)], category::Later, QString(), level::Silent, classes_.get());
            return;
        }
        // All units exist and are contexts, so the gate could refuse only a
        // pair that already has a row; the set knows every row written.
        if (written_.contains(pairOf(u, below))) return;
        writeRow(u, below, category::Later, status::Stored);
        writeRow(below, u, category::Earlier, status::Stored);
    }

    void writeRow(int a, int b, QChar code, const QString& status)
    {
        written_.insert(pairOf(a, b));
        if (relations_) InsertRelationRow(*relations_, keys_[std::size_t(a)], keys_[std::size_t(b)], code, QString(), status);
        else InsertRelationRow(session_.relations(), keys_[std::size_t(a)], keys_[std::size_t(b)], code, QString(), status);
    }

    static quint64 pairOf(int a, int b) { return (quint64(quint32(a)) << 32) | quint32(b); }

    void writeAttributes(TableWriter& units, qint64 record, const Attributes& a)
    {
        units.set(uf::XAvgCoord, a.x);
        units.set(uf::YAvgCoord, a.y);
        units.set(uf::ZAvgCoord, a.z);
        units.set(uf::DisplayColour, a.colour);
        units.set(uf::AvgYear, a.avgYear);
        units.set(uf::MinYear, a.minYear);
        units.set(uf::MaxYear, a.maxYear);
        if (a.period > 0) units.set(uf::Period, SimulationPeriodName(a.period));
        units.update(record);
    }

    Session& session_;
    const SimulationSettings& s_;
    RelationPath path_;
    Streams streams_;
    int n_, rows_, cols_;
    std::vector<UnitKey> keys_;              // by context number; [0] unused
    std::vector<int> top_, height_;          // by cell number; [0] unused
    std::vector<int> cell_, remaining_, half_;
    std::vector<Attributes> attributes_;
    std::vector<qint32> years_;
    std::unordered_set<quint64> written_;    // ordered pairs with a row
    std::unique_ptr<UnitClassCache> classes_;
    std::unique_ptr<TableWriter> relations_;   // the rows of our own, unless through the gate
    qint64 colourSpan_ = 1;
    int period_ = 0;
    int blockFirst_ = 0, blockLast_ = 0;
};

} // namespace

qint32 SimulationColour(int index)
{
    const quint32 rgb = kColoursRgb[std::clamp(index, 0, kColourCount - 1)];
    const quint32 red = rgb >> 16, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    return qint32(red | (green << 8) | (blue << 16));
}

QString SimulationPeriodName(int counter)
{
    return QStringLiteral("Period%1").arg(counter, 2, 10, QLatin1Char(' '));
}

std::vector<qint32> SimulatedCenterYears(const std::vector<int>& increments, int firstYear, int lastYear)
{
    qint64 total = 0;
    for (int d : increments) total += d;
    // Only all-zero draws leave no sum to share out; then the years are
    // spread evenly instead of dividing by zero.
    const bool even = total == 0;
    if (even) total = qint64(increments.size());
    // s(k) reaches 10^8 and the span 12,010 years: the product needs 64 bits.
    const qint64 span = qint64(lastYear) - firstYear;
    std::vector<qint32> years;
    years.reserve(increments.size());
    qint64 sum = 0;
    for (int d : increments) {
        sum += even ? 1 : d;
        years.push_back(qint32(firstYear + divideHalfEven(sum * span, total)));
    }
    return years;
}

void GenerateSimulation(Session& session, const SimulationSettings& settings, quint32 jitterSeed, RelationPath path)
{
    Generator(session, settings, jitterSeed, path).run();
}

bool BeginSimulation(Session& session)
{
    return BeginNewProject(session);
}

bool RunSimulation(Session& session, const SimulationSettings& settings, const TimeOfDay& clock)
{
    const auto jitter = quint32(clock().msecsSinceStartOfDay());
    auto fill = [&] {
        GenerateSimulation(session, settings, jitter);
        return true;
    };
    if (!CreateProjectFiles(session, settings.projectFile, settings.excavation, QString(), false, fill)) return false;
    session.ui().status(QString::number(settings.contexts) + QStringLiteral(" units simulated"));
    return true;
}

} // namespace belvanto
