#include "store/UnitFields.h"
#include "store/UnitKey.h"
#include "core/TextCodec.h"
#include "core/UserInterface.h"
#include <QDate>
#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

namespace belvanto {

namespace {

struct DefaultField {
    const char* name;
    const char* label;
    FieldType type;
    int size;
    bool listView;
    bool tableReport;
};

constexpr FieldType S = FieldType::String, I = FieldType::Integer, F = FieldType::Float, D = FieldType::Date;

// The catalogue in its fixed order; fields 35 to 43 are internal.
constexpr DefaultField kDefaults[kUnitFieldCount] = {
    {"Excavation", "Excavation", S, 12, true, false},
    {"Unitname", "Unit name", S, 8, true, true},
    {"Unitclass", "Unit class", S, 9, true, false},
    {"XMinCoord", "Minimum X-Coordinate", F, 0, false, false},
    {"YMinCoord", "Minimum Y-Coordinate", F, 0, false, false},
    {"ZMinCoord", "Minimum Z-Coordinate", F, 0, false, false},
    {"XMaxCoord", "Maximum X-Coordinate", F, 0, false, false},
    {"YMaxCoord", "Maximum Y-Coordinate", F, 0, false, false},
    {"ZMaxCoord", "Maximum Z-Coordinate", F, 0, false, false},
    {"XAvgCoord", "X-Coordinate of center", F, 0, false, false},
    {"YAvgCoord", "Y-Coordinate of center", F, 0, false, false},
    {"ZAvgCoord", "Z-Coordinate of center", F, 0, false, false},
    {"Location", "Location", S, 20, true, false},
    {"Unittype", "Unit type", S, 25, true, true},
    {"Colour", "Colour", S, 20, true, false},
    {"Description", "Description", S, 255, true, true},
    {"Inclusions", "Inclusions", S, 100, true, false},
    {"Visibility", "Visibility of boundaries", S, 20, false, false},
    {"ExcavationMethod", "Excavation method", S, 20, false, false},
    {"Conditions", "Conditions", S, 20, false, false},
    {"Formation", "Formation process", S, 30, false, false},
    {"Drawings", "Drawings", S, 40, false, false},
    {"Photos", "Photos", S, 40, false, false},
    {"Samples", "Samples", S, 40, false, false},
    {"Interpretation", "Interpretation", S, 255, true, false},
    {"MinYear", "First year", I, 0, false, false},
    {"MaxYear", "Last year", I, 0, false, false},
    {"AvgYear", "Center year", I, 0, true, false},
    {"Period", "Period", S, 8, true, true},
    {"DateSource", "Source of dating", S, 25, false, false},
    {"Phase", "Phase", S, 8, true, false},
    {"ExcavationDate", "Excavation date", D, 0, true, false},
    {"Excavator", "Excavator", S, 25, true, false},
    {"FindCat", "Find Category", S, 25, true, false},
    {"X", "", I, 0, false, false},
    {"Y", "", I, 0, false, false},
    {"Group", "", I, 0, false, false},
    {"DisplayColour", "", I, 0, false, false},
    {"DispStyle", "", I, 0, false, false},
    {"Show", "", S, 1, false, false},
    {"Selected", "", S, 1, false, false},
    {"ThematicColour", "", I, 0, false, false},
    {"ThematicStyle", "", I, 0, false, false},
};

void applyOption(std::array<UnitFieldEntry, kUnitFieldCount>& fields, const QString& option,
                 bool UnitFieldEntry::*flag)
{
    const int n = std::min<int>(option.size(), kUnitFieldCount);
    for (int i = 0; i < n; ++i)
        fields[i].*flag = option[i] == QLatin1Char('*');
}

QString optionString(const std::array<UnitFieldEntry, kUnitFieldCount>& fields, bool UnitFieldEntry::*flag)
{
    QString s;
    for (int i = 0; i < kOptionFieldCount; ++i)
        s += fields[i].*flag ? QLatin1Char('*') : QLatin1Char(' ');
    return s;
}

} // namespace

UnitFieldCatalogue::UnitFieldCatalogue()
{
    ResetFieldCatalogue(QString(), QString(), QString());
}

void UnitFieldCatalogue::ResetFieldCatalogue(const QString& tabView, const QString& editView,
                                             const QString& closedTerms)
{
    for (int i = 0; i < kUnitFieldCount; ++i) {
        const DefaultField& d = kDefaults[i];
        UnitFieldEntry f;
        f.Name = QString::fromLatin1(d.name);
        f.Label = QString::fromLatin1(d.label);
        f.Type = d.type;
        f.Size = d.size;
        f.Internal = i >= kOptionFieldCount;
        f.TabView = d.listView;
        f.TableReport = d.tableReport;
        fields_[i] = f;
    }
    applyOption(fields_, tabView, &UnitFieldEntry::TabView);
    applyOption(fields_, editView, &UnitFieldEntry::EditView);
    applyOption(fields_, closedTerms, &UnitFieldEntry::ClosedTerms);
}

UnitFieldCatalogue::OptionStrings UnitFieldCatalogue::FieldConfigurationStrings() const
{
    return {optionString(fields_, &UnitFieldEntry::TabView), optionString(fields_, &UnitFieldEntry::EditView),
            optionString(fields_, &UnitFieldEntry::ClosedTerms)};
}

std::optional<int> UnitFieldCatalogue::FindField(const QString& name) const
{
    for (int i = 0; i < kUnitFieldCount; ++i)
        if (fields_[i].Name == name) return i + 1;
    return std::nullopt;
}

std::vector<FieldDef> UnitFieldCatalogue::tableFields() const
{
    std::vector<FieldDef> defs;
    for (const auto& f : fields_) defs.push_back({f.Name, f.Type, f.Size, false});
    return defs;
}

QStringList UnitClassList()
{
    return {kContext, kGroup, kWorkArea};
}

std::vector<FieldDef> UnitTableFields()
{
    // The names, types and sizes never change with a project's options.
    static const UnitFieldCatalogue defaults;
    return defaults.tableFields();
}

void CreateUnitTable(const QString& directory, const QString& tableName)
{
    Table::create(directory, tableName, UnitTableFields(),
                  IndexDef{QString(), {QStringLiteral("Excavation"), QStringLiteral("Unitname")}});
}

bool HasControlCharacter(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() < 32 || c.unicode() == 127) return true;
    return false;
}

QString ExcavationNameProblem(const QString& name)
{
    // Each failing test replaces the message of an earlier one.
    QString message;
    if (name.contains(QLatin1Char(':'))) message = QStringLiteral("The excavation name must not contain a colon.");
    // Tabs and line breaks would break the project file, lists and exports.
    if (HasControlCharacter(name))
        message = QStringLiteral("The excavation name must not contain a control character.");
    // The project file and the exchange formats hold names in Windows-1252.
    else if (!fitsCp1252(name))
        message = QStringLiteral("The excavation name contains characters that cannot be stored.");
    if (name.isEmpty()) message = QStringLiteral("The excavation name must not be blank");
    const int size = kDefaults[uf::Excavation].size;
    if (name.size() > size)
        message = QStringLiteral("The excavation name must not exceed maximum length of ") + QString::number(size);
    return message;
}

bool CheckExcavationName(UserInterface& ui, const QString& name)
{
    const QString message = ExcavationNameProblem(name);
    if (message.isEmpty()) return true;
    ui.message(MessageKind::Error, message, Buttons::Ok, HelpTopic(14));
    return false;
}

QString CheckUnitName(const QString& name)
{
    static const std::pair<QChar, const char*> kRefused[] = {
        {QLatin1Char(':'), "a colon."}, {QLatin1Char(' '), "a blank."},
        {QLatin1Char('='), "an equal sign."}, {QLatin1Char(','), "a comma."}};
    QString message;
    for (const auto& [c, reason] : kRefused) {
        if (name.contains(c)) {
            message = QStringLiteral("The unit name must not contain ") + QString::fromLatin1(reason);
            break;
        }
    }
    if (message.isEmpty() && HasControlCharacter(name))
        message = QStringLiteral("The unit name must not contain a control character.");
    if (message.isEmpty() && !fitsCp1252(name))
        message = QStringLiteral("The unit name contains characters that cannot be stored.");
    if (name.isEmpty()) message = QStringLiteral("The unit name must not be blank");
    const int size = kDefaults[uf::Unitname].size;
    if (name.size() > size)
        message = QStringLiteral("The unit name must not exceed maximum length of ") + QString::number(size);
    return message;
}

std::optional<QString> CheckMinMaxCenter(std::optional<double> min, std::optional<double> max,
                                         std::optional<double> center, const QString& subject)
{
    if (int(min.has_value()) + int(max.has_value()) + int(center.has_value()) < 2) return std::nullopt;
    if (min && max && *max < *min) return QStringLiteral("Min. of %1 is greater than Max.").arg(subject);
    if (min && center && *center < *min) return QStringLiteral("Min. of %1 is greater than Center").arg(subject);
    if (center && max && *max < *center) return QStringLiteral("Center of %1 is greater than Max.").arg(subject);
    return std::nullopt;
}

QString UnitLabel(const QString& excavation, const QString& unitname, bool singleExcavation)
{
    return singleExcavation ? unitname : excavation + QLatin1Char(':') + unitname;
}

QString UnitLabel(const Table& table, bool singleExcavation)
{
    if (!table.hasRecord()) return QString();
    return UnitLabel(table.str(u"Excavation"), table.str(u"Unitname"), singleExcavation);
}

QStringList ExcavationList(Table& unitTable)
{
    // Key order, whatever index orders the table's view; keyed SQL does not
    // move the cursor or touch the filter.
    QStringList list;
    const auto rows = unitTable.query(QString(), {}, kUnitKeyOrder);
    const int col = unitTable.fieldIndexOrThrow(u"Excavation");
    for (const auto& row : rows) {
        const QString name = valueToString(row.values[col]);
        if (list.isEmpty() || list.last() != name) list.append(name);
    }
    return list;
}

namespace {

// Orders values as the field's type orders them, so that "10" follows "9".
struct TypedLess {
    FieldType type;
    bool operator()(const Value& a, const Value& b) const
    {
        switch (type) {
        case FieldType::Integer: return std::get<qint32>(a) < std::get<qint32>(b);
        case FieldType::Float: return std::get<double>(a) < std::get<double>(b);
        case FieldType::Date: return std::get<QDate>(a) < std::get<QDate>(b);
        case FieldType::String: break;
        }
        return QString::compare(std::get<QString>(a), std::get<QString>(b), Qt::CaseSensitive) < 0;
    }
};

} // namespace

DistinctValues DistinctFieldValues(Table& unitTable, int fieldNumber, bool workAreasOnly)
{
    const int pos = fieldNumber - 1;
    const FieldDef& def = unitTable.fields().at(pos);
    std::set<Value, TypedLess> seen{TypedLess{def.type}};
    DistinctValues result;
    const QString where = workAreasOnly ? QStringLiteral("Unitclass = ?") : QString();
    std::vector<Value> params;
    if (workAreasOnly) params.push_back(kWorkArea);
    for (const auto& row : unitTable.query(where, params)) {
        const Value& v = row.values[pos];
        if (valueIsEmpty(v)) result.hasEmpty = true;
        else seen.insert(v);
    }
    for (const Value& v : seen) result.values.append(valueToString(v));
    return result;
}

void ClearSelectedMarks(Table& unitTable)
{
    const int col = unitTable.fieldIndexOrThrow(u"Selected");
    const bool suspend = !unitTable.displaySuspended();
    if (suspend) unitTable.suspendDisplay();
    struct Resume {
        Table& t; bool on;
        ~Resume() { if (on) t.resumeDisplay(); }
    } resume{unitTable, suspend};
    BulkScope bulk;
    FilterOff unfiltered(unitTable);
    LinkOff unlinked(unitTable);
    BookmarkRestore position(unitTable);
    for (const auto& row : unitTable.query(QStringLiteral("Selected IS NOT NULL"), {})) {
        if (!unitTable.gotoRowid(row.rowid)) continue;
        unitTable.edit();
        unitTable.set(col, Value());
        unitTable.post();
    }
}

std::optional<ValueRange> FieldValueRange(UserInterface& ui, const UnitFieldCatalogue& catalogue,
                                          Table& unitTable, int fieldNumber)
{
    BusyCursor busy(ui);
    DisplaySuspended suspended(unitTable);
    const int pos = fieldNumber - 1;
    const TypedLess less{unitTable.fields().at(pos).type};
    std::optional<ValueRange> range;
    bool hasEmpty = false;
    for (const auto& row : unitTable.query(QString(), {})) {
        const Value& v = row.values[pos];
        if (valueIsEmpty(v)) { hasEmpty = true; continue; }
        if (!range) range = ValueRange{v, v, false};
        else {
            if (less(v, range->min)) range->min = v;
            if (less(range->max, v)) range->max = v;
        }
    }
    if (!range) {
        ui.message(MessageKind::Warning,
                   QStringLiteral("Field %1 does not contain any entries").arg(catalogue[pos].Label), Buttons::Ok);
        return std::nullopt;
    }
    range->hasEmpty = hasEmpty;
    return range;
}

std::vector<UnitKey> UnitKeysOfRows(const Table& unitTable, const std::vector<qint64>& rowids)
{
    if (rowids.empty()) return {};
    QStringList ids;
    ids.reserve(qsizetype(rowids.size()));
    for (qint64 id : rowids) ids << QString::number(id);
    std::unordered_map<qint64, UnitKey> keyOfRow;
    for (const auto& row : unitTable.query(QStringLiteral("rowid IN (%1)").arg(ids.join(QLatin1Char(','))), {}))
        keyOfRow.emplace(row.rowid, UnitKey{valueToString(row.values[uf::Excavation]),
                                            valueToString(row.values[uf::Unitname])});
    std::vector<UnitKey> keys;
    keys.reserve(rowids.size());
    for (qint64 id : rowids)
        if (const auto it = keyOfRow.find(id); it != keyOfRow.end()) keys.push_back(it->second);
    return keys;
}

} // namespace belvanto
