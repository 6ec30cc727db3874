#include "layout/LineRouting.h"
#include "store/UnitKey.h"
#include "core/UserInterface.h"
#include "layout/LayoutOrder.h"
#include "store/Relations.h"
#include "store/Table.h"
#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <unordered_map>

namespace belvanto {

namespace {

// Marks a line whose ends were exchanged while its track is chosen.
const QChar kSwapped = QLatin1Char('!');

class BoxIndex {
public:
    explicit BoxIndex(const std::vector<RoutedBox>& boxes)
    {
        index_.reserve(boxes.size());
        for (std::size_t i = 0; i < boxes.size(); ++i) index_.emplace(boxes[i].key, std::ptrdiff_t(i));
    }
    // The box's position in the boxes; -1 if there is none.
    std::ptrdiff_t position(const UnitKey& key) const
    {
        const auto it = index_.find(key);
        return it == index_.end() ? -1 : it->second;
    }

private:
    std::unordered_map<UnitKey, std::ptrdiff_t> index_;
};

// The boxes at the two ends of every line, by position: the keys are looked
// up once.
struct LineBoxes {
    std::vector<std::ptrdiff_t> lower, upper;   // unit 1, unit 2
};

bool lineEnds(UserInterface& ui, const BoxIndex& index, const std::vector<RoutedBox>& boxes,
              std::vector<RoutedLine>& lines, LineBoxes& ends)
{
    auto notFound = [&](const UnitKey& key) {
        ui.error(QStringLiteral("Error: Not found  ") + key.text());
        return false;
    };
    ends.lower.assign(lines.size(), -1);
    ends.upper.assign(lines.size(), -1);
    // By unit 1 (the table's order), then by unit 2.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        RoutedLine& line = lines[i];
        ends.lower[i] = index.position(line.first);
        if (ends.lower[i] < 0) return notFound(line.first);
        const RoutedBox& lower = boxes[std::size_t(ends.lower[i])];
        if (line.category == category::Earlier) {
            line.YLevel2 = lower.YLevelStart;
            line.XPos2 = lower.XStart + lower.XStop;
            line.Port1 = 0;
            line.Port2 = 0;
        } else if (line.category == category::Equal) {
            line.YLevel1 = lower.YLevelStart;
        }
    }
    bool allFound = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ends.upper[i] = index.position(lines[i].second);
        allFound = allFound && ends.upper[i] >= 0;
    }
    auto upperEnd = [&](std::size_t i) {
        RoutedLine& line = lines[i];
        const RoutedBox& upper = boxes[std::size_t(ends.upper[i])];
        if (line.category == category::Earlier) {
            line.YLevel1 = upper.YLevelStop;
            line.XPos1 = upper.XStart + upper.XStop;
            line.NestCt2 = upper.NestCt;
        } else if (line.category == category::Equal) {
            const qint32 a = boxes[std::size_t(ends.lower[i])].XStart;
            line.XPos1 = std::min(a, upper.XStart);
            line.XPos2 = std::max(a, upper.XStart);
        }
    };
    // Each line's upper end depends on that line alone: the order matters
    // only for which missing unit is reported, and for the lines done before.
    if (allFound) {
        for (std::size_t i = 0; i < lines.size(); ++i) upperEnd(i);
        return true;
    }
    std::vector<std::size_t> bySecond(lines.size());
    std::iota(bySecond.begin(), bySecond.end(), std::size_t(0));
    std::stable_sort(bySecond.begin(), bySecond.end(), [&](std::size_t a, std::size_t b) {
        if (const auto c = lines[a].second <=> lines[b].second; c != 0) return c < 0;
        return lines[a].first < lines[b].first;
    });
    for (std::size_t i : bySecond) {
        if (ends.upper[i] < 0) return notFound(lines[i].second);
        upperEnd(i);
    }
    return true;
}

// Ranks the lines of one box edge by the position of their other ends (ties
// in table order) and spreads them so that the first vertical line sits at
// port 0.
void spreadPorts(std::vector<RoutedLine>& lines, std::vector<std::size_t>& edge, bool upward)
{
    auto other = [&](std::size_t i) { return upward ? *lines[i].XPos1 : *lines[i].XPos2; };
    std::stable_sort(edge.begin(), edge.end(), [&](std::size_t a, std::size_t b) { return other(a) < other(b); });
    const qint64 n = qint64(edge.size());
    qint64 left = 0, vertical = 0;
    for (std::size_t i : edge) {
        const qint32 x1 = *lines[i].XPos1, x2 = *lines[i].XPos2;
        if (x1 == x2) ++vertical;
        else if (upward ? x1 < x2 : x1 > x2) ++left;
    }
    for (qint64 k = 0; k < n; ++k) {
        const qint32 port = qint32(vertical == 0 ? 2 * k - (n - 1) : 2 * k - 2 * left);
        (upward ? lines[edge[std::size_t(k)]].Port2 : lines[edge[std::size_t(k)]].Port1) = port;
    }
}

// The earlier/later lines of each box by one end, in table order: the lines
// of box b are lines[at[start[b]] .. at[start[b + 1]]).
struct LinesByBox {
    std::vector<std::size_t> start, at;

    LinesByBox(const std::vector<RoutedLine>& lines, const std::vector<std::ptrdiff_t>& box, std::size_t boxes)
        : start(boxes + 1, 0)
    {
        auto counted = [&](std::size_t i) { return lines[i].category == category::Earlier && box[i] >= 0; };
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (counted(i)) ++start[std::size_t(box[i]) + 1];
        for (std::size_t b = 0; b < boxes; ++b) start[b + 1] += start[b];
        at.resize(start[boxes]);
        std::vector<std::size_t> next(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (counted(i)) at[next[std::size_t(box[i])]++] = i;
    }
    void copy(std::size_t b, std::vector<std::size_t>& edge) const
    {
        edge.assign(at.begin() + std::ptrdiff_t(start[b]), at.begin() + std::ptrdiff_t(start[b + 1]));
    }
};

void ports(const std::vector<RoutedBox>& boxes, std::vector<RoutedLine>& lines, const LineBoxes& ends)
{
    const LinesByBox up(lines, ends.lower, boxes.size()), down(lines, ends.upper, boxes.size());
    std::vector<std::size_t> edge;
    for (std::size_t b = 0; b < boxes.size(); ++b) {
        if (boxes[b].FatherCt > 1) {
            up.copy(b, edge);
            if (!edge.empty()) spreadPorts(lines, edge, true);
        }
        if (boxes[b].SonCt > 1) {
            down.copy(b, edge);
            if (!edge.empty()) spreadPorts(lines, edge, false);
        }
    }
}

struct Track {
    qint32 end = -1;
    qint32 port = 0;
    bool swapped = false;
};

// Tracks of the sloping lines, gap by gap. The lines are normalised so that
// XPos1 is the left end: a line whose lower end lies left has its ends
// exchanged and is marked "!", the others carry XPos2 negated, which also
// makes them sort before the "!" lines that start at the same place.
void tracks(std::vector<RoutedLine>& lines, qint32 levels, std::vector<qint32>& trackCount)
{
    std::vector<std::size_t> sloping;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        RoutedLine& line = lines[i];
        if (line.category != category::Earlier || *line.XPos1 == *line.XPos2) continue;
        if (std::abs(*line.XPos2) < std::abs(*line.XPos1)) {
            std::swap(line.XPos1, line.XPos2);
            line.category = kSwapped;
        } else {
            line.XPos2 = -*line.XPos2;
        }
        sloping.push_back(i);
    }
    std::stable_sort(sloping.begin(), sloping.end(), [&](std::size_t a, std::size_t b) {
        const RoutedLine& x = lines[a];
        const RoutedLine& y = lines[b];
        if (*x.YLevel2 != *y.YLevel2) return *x.YLevel2 < *y.YLevel2;
        if (*x.XPos1 != *y.XPos1) return *x.XPos1 < *y.XPos1;
        return *x.XPos2 < *y.XPos2;
    });

    auto setCount = [&](qint32 gap, qint32 count) {
        if (gap >= 1 && gap <= levels) trackCount[std::size_t(gap)] = count;
    };
    std::vector<Track> gapTracks;
    // Lower ends recorded in the gap: (column, port) -> lowest track.
    std::unordered_map<qint64, qint32> occupied;
    auto occupancyKey = [](qint64 column, qint32 port) { return (column << 32) ^ qint64(quint32(port)); };
    std::optional<qint32> gapLevel;
    for (std::size_t i : sloping) {
        RoutedLine& line = lines[i];
        const bool swapped = line.category == kSwapped;
        const qint32 x1 = *line.XPos1;
        const qint32 right = std::abs(*line.XPos2);
        std::size_t chosen = 0;
        if (gapLevel != *line.YLevel2) {
            gapLevel = *line.YLevel2;
            gapTracks.assign(1, Track{});
            setCount(*gapLevel - 1, 1);
            occupied.clear();
        } else {
            const qint32 reference = swapped ? *line.Port2 : *line.Port1;
            const qint32 startEnd = swapped ? x1 : right;
            const qint32 startPort = swapped ? reference : *line.Port2;
            std::size_t start = 0;
            for (std::size_t t = 0; t < gapTracks.size(); ++t)
                if (gapTracks[t].swapped && gapTracks[t].end == startEnd && gapTracks[t].port == startPort) {
                    start = t;
                    break;
                }
            chosen = gapTracks.size();
            for (std::size_t t = start; t < gapTracks.size(); ++t)
                if (gapTracks[t].end < x1 || (gapTracks[t].end == x1 && gapTracks[t].port < reference)) {
                    chosen = t;
                    break;
                }
            if (chosen == gapTracks.size()) {
                gapTracks.push_back(Track{});
                setCount(*gapLevel - 1, qint32(gapTracks.size()));
            }
        }
        Track& track = gapTracks[chosen];
        track.end = right;
        track.port = swapped ? *line.Port1 : *line.Port2;
        track.swapped = swapped;

        const qint32 upperEnd = swapped ? *line.XPos2 : *line.XPos1;
        const auto found = occupied.find(occupancyKey((std::abs(qint64(upperEnd)) + 1) / 2, *line.Port1));
        if (found != occupied.end() && found->second < qint32(chosen)) line.Port1 = *line.Port1 + 1;
        if (!swapped) {
            const qint64 column = (qint64(right) + 1) / 2;
            auto [it, inserted] = occupied.try_emplace(occupancyKey(column, *line.Port2), qint32(chosen));
            if (!inserted) it->second = std::min(it->second, qint32(chosen));
        }
        line.YSubLevel = qint32(chosen) + 1;
    }
    for (std::size_t i : sloping) {
        RoutedLine& line = lines[i];
        if (line.category == kSwapped) {
            std::swap(line.XPos1, line.XPos2);
            line.category = category::Earlier;
        } else {
            line.XPos2 = -*line.XPos2;
        }
    }
}

} // namespace

bool RouteLineRecords(UserInterface& ui, const std::vector<RoutedBox>& boxes, std::vector<RoutedLine>& lines,
                      qint32 levels, std::vector<qint32>& trackCount)
{
    trackCount.assign(std::size_t(std::max(levels, 0)) + 1, 0);
    LineBoxes ends;
    if (!lineEnds(ui, BoxIndex(boxes), boxes, lines, ends)) return false;
    ports(boxes, lines, ends);
    tracks(lines, levels, trackCount);
    return true;
}

bool RouteLines(UserInterface& ui, Table& unitLayout, Table& relLayout, LayoutParameters& parameters)
{
    ui.status(kRoutingStatus);
    FilterOff unitsUnfiltered(unitLayout);
    LinkOff unitsUnlinked(unitLayout);
    FilterOff linesUnfiltered(relLayout);
    LinkOff linesUnlinked(relLayout);

    std::vector<RoutedBox> boxes;
    for (const auto& row : unitLayout.query(QString(), {}, kUnitKeyOrder)) {
        const auto& v = row.values;
        boxes.push_back({{valueToString(v[ul::Excavation]), valueToString(v[ul::Unitname])},
                         intOrZero(v[ul::XStart]), intOrZero(v[ul::XStop]), intOrZero(v[ul::YLevelStart]),
                         intOrZero(v[ul::YLevelStop]), intOrZero(v[ul::NestCt]), intOrZero(v[ul::SonCt]),
                         intOrZero(v[ul::FatherCt])});
    }
    const auto rows = relLayout.query(QString(), {}, kRelationKeyOrder);
    std::vector<RoutedLine> lines;
    lines.reserve(rows.size());
    for (const auto& row : rows) {
        const auto& v = row.values;
        const QString category = valueToString(v[rl::RelationCat]);
        RoutedLine line;
        line.first = {valueToString(v[rl::Excavation1]), valueToString(v[rl::Unitname1])};
        line.second = {valueToString(v[rl::Excavation2]), valueToString(v[rl::Unitname2])};
        line.category = category.isEmpty() ? QChar() : category.front();
        line.YSubLevel = intOf(v[rl::YSubLevel]);
        line.YLevel1 = intOf(v[rl::YLevel1]);
        line.YLevel2 = intOf(v[rl::YLevel2]);
        line.XPos1 = intOf(v[rl::XPos1]);
        line.XPos2 = intOf(v[rl::XPos2]);
        line.NestCt2 = intOf(v[rl::NestCt2]);
        line.Port1 = intOf(v[rl::Port1]);
        line.Port2 = intOf(v[rl::Port2]);
        line.rowid = row.rowid;
        lines.push_back(line);
    }
    const std::vector<RoutedLine> before = lines;
    const bool ok = RouteLineRecords(ui, boxes, lines, parameters.levels, parameters.TrackCount);

    TableWriter writer(relLayout);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == before[i]) continue;
        SetRoutedFields(writer, lines[i]);
        writer.update(lines[i].rowid);
    }
    return ok;
}

void AddPeriodTracks(LayoutParameters& parameters)
{
    if (parameters.TrackCount.size() < std::size_t(parameters.levels) + 1)
        parameters.TrackCount.resize(std::size_t(parameters.levels) + 1, 0);
    for (std::size_t i = 1; i < parameters.periods.size(); ++i) {
        const qint32 gap = parameters.periods[i].position - 1;
        if (gap >= 1 && gap <= parameters.levels) ++parameters.TrackCount[std::size_t(gap)];
    }
}

} // namespace belvanto
