#include "diagram/Thematic.h"
#include "core/Regional.h"
#include "core/Rounding.h"
#include "core/UserInterface.h"
#include "store/LayoutFileNames.h"
#include "store/Session.h"
#include "store/Terms.h"
#include "store/UnitFields.h"
#include <QHash>
#include <algorithm>
#include <cmath>

namespace belvanto {

namespace {

constexpr int kNoEntriesHelp = 60;

BoxLook presetLook(const TermRecord& term)
{
    BoxLook look;
    if (term.Colour) look.fill = quint32(*term.Colour);
    if (term.Style) look.style = ValidBoxStyle(term.Style);
    return look;
}

// The value of a unit as the ranges compare it; none for an empty one.
std::optional<double> numberOf(const Value& v)
{
    if (const auto* d = std::get_if<QDate>(&v)) return double(d->toJulianDay());
    return doubleOf(v);
}

bool integral(FieldType type)
{
    return type == FieldType::Integer || type == FieldType::Date;
}

// Calls visit(rowid, key, value) for every unit, whatever the filter.
template <typename Visit>
void eachUnit(Session& session, int pos, Visit visit)
{
    Table& units = session.units();
    units.scan(QString(), {}, QString(), [&](Table::Row& row) {
        visit(row.rowid,
              UnitKey{textAt(row, uf::Excavation), textAt(row, uf::Unitname)},
              row.values[std::size_t(pos)]);
    });
}

void reserve(ThematicAssignment& a, std::size_t entries, std::size_t units)
{
    a.counts.assign(entries, 0);
    a.rowids.reserve(units);
    a.keys.reserve(units);
    a.looks.reserve(units);
}

void add(ThematicAssignment& a, qint64 rowid, UnitKey&& key, const BoxLook& look)
{
    a.rowids.push_back(rowid);
    a.keys.push_back(std::move(key));
    a.looks.push_back(look);
}

} // namespace

ThematicField ThematicFieldAt(const Session& session, int pos)
{
    const UnitFieldEntry& entry = session.catalogue()[pos];
    return ThematicField{pos, entry.Type, entry.Label};
}

TermStyles CollectTermStyles(Session& session, const ThematicField& field)
{
    const DistinctValues distinct = DistinctFieldValues(session.units(), field.pos + 1, false);
    TermStyles terms;
    terms.entries = distinct.values;
    if (distinct.hasEmpty) terms.entries << kBlankEntry;
    terms.looks.assign(std::size_t(terms.entries.size()), BoxLook{});
    if (!session.termsOpen()) return terms;
    // The term file names its fields by their labels.
    for (const TermRecord& term : TermsOf(session, field.label)) {
        const qsizetype i = distinct.values.indexOf(term.Term);
        if (i >= 0) terms.looks[std::size_t(i)] = presetLook(term);
    }
    return terms;
}

QString RangeValueText(FieldType type, double value, const Regional* regional)
{
    switch (type) {
    case FieldType::Integer: return QString::number(qint64(std::llround(value)));
    case FieldType::Date: {
        const QDate date = QDate::fromJulianDay(std::llround(value));
        return regional ? regional->formatDate(date) : date.toString(Qt::ISODate);
    }
    case FieldType::Float:
    case FieldType::String: break;
    }
    QString text = QString::number(value, 'g', 15);
    if (regional) text.replace(QLatin1Char('.'), regional->decimalSeparator());
    return text;
}

std::optional<double> RangeValueOf(FieldType type, const QString& text, const Regional* regional)
{
    const QString t = text.trimmed();
    bool ok = false;
    switch (type) {
    case FieldType::Integer: {
        const qint64 n = t.toLongLong(&ok);
        return ok ? std::optional<double>(double(n)) : std::nullopt;
    }
    case FieldType::Date: {
        QDate d = QDate::fromString(t, Qt::ISODate);
        if (!d.isValid() && regional) d = regional->parseDate(t).value_or(QDate());
        return d.isValid() ? std::optional<double>(double(d.toJulianDay())) : std::nullopt;
    }
    case FieldType::Float:
    case FieldType::String: break;
    }
    if (regional) {
        const auto d = regional->parseFloat(t);
        return d && std::isfinite(*d) ? d : std::nullopt;
    }
    const double d = t.toDouble(&ok);
    return ok && std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

std::vector<ThematicRange> InitialRanges(FieldType type, double min, double max, bool hasBlank, int rows)
{
    rows = std::max(rows, 1);
    const double upper = integral(type) ? max + 1 : max + (max - min) * 0.001;
    double step = (upper - min) / rows;
    // Rounded up, unless only a trace of a fraction is left.
    if (integral(type)) step = std::trunc(step + 0.9999);
    std::vector<ThematicRange> ranges;
    if (hasBlank) ranges.push_back(ThematicRange{true, 0, 0, BoxLook{}, 0});
    for (int k = 0; k < rows; ++k) ranges.push_back(ThematicRange{false, min + k * step, min + (k + 1) * step, {}, 0});
    return ranges;
}

std::vector<RangeText> RangeTexts(FieldType type, const std::vector<ThematicRange>& ranges,
                                  const Regional* regional)
{
    std::vector<RangeText> rows;
    rows.reserve(ranges.size());
    for (const ThematicRange& r : ranges) {
        if (r.blank) rows.push_back(RangeText{true, kBlankEntry, kBlankEntry, r.look});
        else
            rows.push_back(RangeText{false, RangeValueText(type, r.min, regional), RangeValueText(type, r.max, regional),
                                     r.look});
    }
    return rows;
}

RangeCheck CheckRanges(FieldType type, const std::vector<RangeText>& rows, const Regional* regional)
{
    RangeCheck check;
    check.ranges.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RangeText& row = rows[i];
        ThematicRange range{row.blank, 0, 0, row.look, 0};
        if (!row.blank) {
            const auto min = RangeValueOf(type, row.min, regional), max = RangeValueOf(type, row.max, regional);
            if (!min || !max) {
                const QString kind = type == FieldType::Integer ? QStringLiteral("integer numbers")
                                     : type == FieldType::Date  ? QStringLiteral("dates")
                                                                : QStringLiteral("floating point numbers");
                check.problem = RangeProblem{QStringLiteral("Range values cannot be converted to %1").arg(kind), int(i)};
                return check;
            }
            range.min = *min;
            range.max = *max;
        }
        check.ranges.push_back(range);
    }
    const ThematicRange* previous = nullptr;
    for (std::size_t i = 0; i < check.ranges.size(); ++i) {
        const ThematicRange& r = check.ranges[i];
        if (r.blank) continue;
        if (r.min >= r.max) {
            check.problem = RangeProblem{QStringLiteral("Min. value larger or equal than max. value"), int(i)};
            return check;
        }
        if (previous && r.min < previous->max) {
            check.problem = RangeProblem{QStringLiteral("Max. value of previous range larger than min. value"), int(i)};
            return check;
        }
        previous = &r;
    }
    return check;
}

QStringList RangeLegendTexts(FieldType type, const std::vector<ThematicRange>& ranges, const Regional* regional)
{
    QStringList texts;
    for (const ThematicRange& r : ranges)
        texts << (r.blank ? kBlankEntry
                          : RangeValueText(type, r.min, regional) + QStringLiteral(" - ")
                                + RangeValueText(type, r.max, regional));
    return texts;
}

ThematicAssignment AssignTermStyles(Session& session, const ThematicField& field, const TermStyles& terms)
{
    ThematicAssignment a;
    reserve(a, std::size_t(terms.entries.size()), std::size_t(session.units().count()));
    QHash<QString, std::size_t> entryOf;
    for (qsizetype i = terms.entries.size() - 1; i >= 0; --i) entryOf.insert(terms.entries[i], std::size_t(i));
    eachUnit(session, field.pos, [&](qint64 rowid, UnitKey&& key, const Value& v) {
        const QString value = valueIsEmpty(v) ? kBlankEntry : valueToString(v);
        // A value missing from the list takes the first entry's style.
        const std::size_t entry = entryOf.value(value, 0);
        if (entry < a.counts.size()) ++a.counts[entry];
        add(a, rowid, std::move(key), entry < terms.looks.size() ? terms.looks[entry] : BoxLook{});
    });
    return a;
}

ThematicAssignment AssignRangeStyles(Session& session, const ThematicField& field,
                                     const std::vector<ThematicRange>& ranges)
{
    ThematicAssignment a;
    reserve(a, ranges.size(), std::size_t(session.units().count()));
    const auto blankRow = std::find_if(ranges.begin(), ranges.end(), [](const ThematicRange& r) { return r.blank; });
    eachUnit(session, field.pos, [&](qint64 rowid, UnitKey&& key, const Value& v) {
        auto row = ranges.end();
        if (const auto n = numberOf(v))
            row = std::find_if(ranges.begin(), ranges.end(),
                               [n](const ThematicRange& r) { return !r.blank && r.min <= *n && *n < r.max; });
        else
            row = blankRow;
        if (row == ranges.end()) {
            ++a.notInRange;
            add(a, rowid, std::move(key), BoxLook{});
            return;
        }
        ++a.counts[std::size_t(row - ranges.begin())];
        add(a, rowid, std::move(key), row->look);
    });
    return a;
}

void WarnNotInRange(UserInterface& ui, const ThematicAssignment& assignment)
{
    if (assignment.notInRange > 0)
        ui.warning(QStringLiteral("%1 units not in any range").arg(assignment.notInRange), kThematicHelp);
}

qint64 WriteThematicStyles(Session& session, const ThematicAssignment& a, ThematicMode mode)
{
    const bool colour = mode != ThematicMode::StyleOnly, style = mode != ThematicMode::ColourOnly;
    BusyCursor busy(session.ui());
    const ProjectState& p = session.project();
    const QString layoutName = UnitLayoutTableName(p.ProjectName);
    Table layout;
    if (Table::exists(p.ProjectDirectory, layoutName)) layout.open(p.ProjectDirectory, layoutName);
    // The layout's records by unit, read before the first write.
    QHash<UnitKey, qint64> layoutRow;
    if (layout.isOpen())
        layout.scan(QString(), {}, QString(), [&](Table::Row& row) {
            layoutRow.insert(UnitKey{textAt(row, ul::Excavation), textAt(row, ul::Unitname)}, row.rowid);
        });

    qint64 layoutWritten = 0;
    BulkScope bulk;
    {
        DisplaySuspended suspended(session.units());
        TableWriter units(session.units());
        for (std::size_t i = 0; i < a.rowids.size(); ++i) {
            if (colour) units.set(uf::ThematicColour, qint32(a.looks[i].fill));
            if (style) units.set(uf::ThematicStyle, qint32(a.looks[i].style));
            units.update(a.rowids[i]);
        }
    }
    if (layout.isOpen()) {
        TableWriter writer(layout);
        for (std::size_t i = 0; i < a.keys.size(); ++i) {
            const auto it = layoutRow.constFind(a.keys[i]);
            if (it == layoutRow.constEnd()) continue;
            if (colour) writer.set(ul::ThemColour, qint32(a.looks[i].fill));
            if (style) writer.set(ul::ThemBoxStyle, qint32(a.looks[i].style));
            writer.update(*it);
            ++layoutWritten;
        }
    }
    return layoutWritten;
}

namespace {

bool nothingToColour(Session& session)
{
    if (session.units().count() > 0) return false;
    session.ui().warning(QStringLiteral("Sorry, thematic colouring of nothing does not make any sense."));
    return true;
}

} // namespace

std::optional<int> ChooseThematicField(Session& session)
{
    WholeTable whole(session.units());
    if (nothingToColour(session)) return std::nullopt;
    QStringList labels;
    std::vector<int> positions;
    for (int i = 0; i < kUnitFieldCount; ++i) {
        const UnitFieldEntry& f = session.catalogue()[i];
        if (f.Internal) continue;
        labels << f.Label;
        positions.push_back(i);
    }
    const auto chosen = session.ui().selectString(QStringLiteral("Select field"), QStringLiteral("Field:"), labels,
                                                  QStringLiteral("Thematic_styles"));
    if (!chosen || *chosen < 0 || std::size_t(*chosen) >= positions.size()) return std::nullopt;
    return positions[std::size_t(*chosen)];
}

std::optional<ThematicStart> StartThematic(Session& session, int pos, int rangeRows)
{
    UserInterface& ui = session.ui();
    WholeTable whole(session.units());
    if (nothingToColour(session)) return std::nullopt;
    ThematicStart start;
    start.field = ThematicFieldAt(session, pos);
    if (start.field.type == FieldType::String) {
        start.terms = CollectTermStyles(session, start.field);
        if (start.terms.entries.isEmpty() || start.terms.entries == QStringList{kBlankEntry}) {
            ui.warning(QStringLiteral("Field %1 does not contain any entries").arg(start.field.label), kNoEntriesHelp);
            return std::nullopt;
        }
        return start;
    }
    const auto range = FieldValueRange(ui, session.catalogue(), session.units(), pos + 1);
    if (!range) return std::nullopt;
    const double min = numberOf(range->min).value_or(0), max = numberOf(range->max).value_or(0);
    if (min == max) {
        ui.warning(QStringLiteral("Field %1 does contain only one value.").arg(start.field.label), kThematicHelp);
        return std::nullopt;
    }
    start.ranges = InitialRanges(start.field.type, min, max, range->hasEmpty, rangeRows);
    return start;
}

LegendDrawing BuildLegend(const QStringList& texts, const std::vector<BoxLook>& looks, const DiagramFont& font,
                          const TextMetrics& metrics)
{
    LegendDrawing legend;
    for (const QString& text : texts) {
        const int w = LabelWidth(metrics, font.italic, text);
        legend.labelWidths.push_back(w);
        legend.textWidth = std::max(legend.textWidth, w);
        legend.textHeight = std::max(legend.textHeight, metrics.height(text));
    }
    const int W = legend.textWidth, H = legend.textHeight;
    const int n = int(texts.size());
    legend.width = 2 * (W + 5) + 24;
    legend.height = (2 * n + 1) * H;
    BoxGeometry& box = legend.box;
    box.BoxWidth = W;
    box.BoxHeight = H;
    box.BoxHalfWidth = W / 2 + box.MarginX;
    box.BoxHalfHeight = H / 2 + box.MarginY;
    for (int k = 0; k < n; ++k) {
        const qint64 cy = 2 * H + 2 + 2 * qint64(H) * k;
        UnitItem item;
        item.rect = Rect{12, cy - (H + 2), 2 * qint64(W) + 22, cy + H + 2};
        item.look = std::size_t(k) < looks.size() ? looks[std::size_t(k)] : BoxLook{};
        item.look.style = ValidBoxStyle(item.look.style);
        if (item.look.style == 6) item.cornerEllipse = box.BoxHalfHeight;
        if (item.look.style == 7) item.cornerEllipse = int(roundHalfEven(1.5 * box.BoxHalfHeight));
        item.label.text = texts[k];
        item.label.x = 17 + (W - legend.labelWidths[std::size_t(k)]) / 2;
        item.label.top = item.rect.top + box.MarginY;
        item.label.baseline = item.rect.top + H - box.MarginY;
        legend.entries.push_back(std::move(item));
    }
    return legend;
}

std::optional<int> LegendEntryAt(const LegendDrawing& legend, int x, int y)
{
    for (int k = int(legend.entries.size()) - 1; k >= 0; --k) {
        const Rect& r = legend.entries[std::size_t(k)].rect;
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) return k;
    }
    return std::nullopt;
}

} // namespace belvanto
