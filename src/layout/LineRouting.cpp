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
    explicit BoxIndex(const std::vector<RoutedBox>& boxes) : boxes_(boxes)
    {
        index_.reserve(boxes.size());
        for (std::size_t i = 0; i < boxes.size(); ++i) index_.emplace(boxes[i].key, i);
    }
    const RoutedBox* find(const UnitKey& key) const
    {
        const auto it = index_.find(key);
        return it == index_.end() ? nullptr : &boxes_[it->second];
    }

private:
    const std::vector<RoutedBox>& boxes_;
    std::unordered_map<UnitKey, std::size_t> index_;
};

bool lineEnds(UserInterface& ui, const BoxIndex& boxes, std::vector<RoutedLine>& lines)
{
    auto notFound = [&](const UnitKey& key) {
        ui.error(QStringLiteral("Error: Not found  ") + key.text());
        return false;
    };
    // By unit 1 (the table's order), then by unit 2.
    for (RoutedLine& line : lines) {
        const RoutedBox* lower = boxes.find(line.first);
        if (!lower) return notFound(line.first);
        if (line.category == category::Earlier) {
            line.YLevel2 = lower->YLevelStart;
            line.XPos2 = lower->XStart + lower->XStop;
            line.Port1 = 0;
            line.Port2 = 0;
        } else if (line.category == category::Equal) {
            line.YLevel1 = lower->YLevelStart;
        }
    }
    std::vector<std::size_t> bySecond(lines.size());
    std::iota(bySecond.begin(), bySecond.end(), std::size_t(0));
    std::stable_sort(bySecond.begin(), bySecond.end(), [&](std::size_t a, std::size_t b) {
        if (const auto c = lines[a].second <=> lines[b].second; c != 0) return c < 0;
        return lines[a].first < lines[b].first;
    });
    for (std::size_t i : bySecond) {
        RoutedLine& line = lines[i];
        const RoutedBox* upper = boxes.find(line.second);
        if (!upper) return notFound(line.second);
        if (line.category == category::Earlier) {
            line.YLevel1 = upper->YLevelStop;
            line.XPos1 = upper->XStart + upper->XStop;
            line.NestCt2 = upper->NestCt;
        } else if (line.category == category::Equal) {
            const qint32 a = boxes.find(line.first)->XStart;
            line.XPos1 = std::min(a, upper->XStart);
            line.XPos2 = std::max(a, upper->XStart);
        }
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

void ports(const std::vector<RoutedBox>& boxes, std::vector<RoutedLine>& lines)
{
    // Lines of each box by end, in table order.
    std::unordered_map<UnitKey, std::vector<std::size_t>> up, down;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].category != category::Earlier) continue;
        up[lines[i].first].push_back(i);
        down[lines[i].second].push_back(i);
    }
    for (const RoutedBox& box : boxes) {
        if (box.FatherCt > 1) {
            const auto it = up.find(box.key);
            if (it != up.end()) spreadPorts(lines, it->second, true);
        }
        if (box.SonCt > 1) {
            const auto it = down.find(box.key);
            if (it != down.end()) spreadPorts(lines, it->second, false);
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
    const BoxIndex index(boxes);
    if (!lineEnds(ui, index, lines)) return false;
    ports(boxes, lines);
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
