#include "editing/UnitEntry.h"
#include "core/Format.h"
#include "core/Regional.h"
#include "core/TextCodec.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Session.h"
#include <set>

namespace belvanto {

namespace {

// regional: none for the locale-free forms.
std::optional<Value> convertText(const UnitFieldEntry& field, const QString& text, const Regional* regional,
                                 QString& message)
{
    if (text.isEmpty()) return Value();
    switch (field.Type) {
    case FieldType::String:
        if (text.size() > field.Size) {
            message = QStringLiteral("%1 must not exceed maximum length of %2").arg(field.Label).arg(field.Size);
            return std::nullopt;
        }
        if (!fitsCp1252(text)) {
            message = QStringLiteral("%1 contains characters that cannot be stored").arg(field.Label);
            return std::nullopt;
        }
        return Value(text);
    case FieldType::Integer:
        if (auto v = parseInt32(text)) return Value(*v);
        message = field.Label + QStringLiteral(" cannot be converted to an integer number.");
        return std::nullopt;
    case FieldType::Float:
        if (auto v = regional ? regional->parseFloat(text) : parseDouble(text)) return Value(*v);
        message = field.Label + QStringLiteral(" cannot be converted to a floating point number.");
        return std::nullopt;
    case FieldType::Date: {
        if (regional) {
            if (const auto d = regional->readDate(text)) return Value(*d);
            message = field.Label + QStringLiteral(" is no date (write %1)").arg(regional->shortDateFormat().toLower());
            return std::nullopt;
        }
        const QDate d = QDate::fromString(text, Qt::ISODate);
        if (d.isValid()) return Value(d);
        message = field.Label + QStringLiteral(" is no date (write yyyy-mm-dd)");
        return std::nullopt;
    }
    }
    return std::nullopt;
}

} // namespace

std::optional<Value> ConvertFieldText(const UnitFieldEntry& field, const QString& text, QString& message)
{
    return convertText(field, text, nullptr, message);
}

std::optional<Value> ConvertFieldText(const UnitFieldEntry& field, const QString& text, const Regional& regional,
                                      QString& message)
{
    return convertText(field, text, &regional, message);
}

std::optional<UnitFieldText> ParseFieldAssignment(const QString& word)
{
    const qsizetype eq = word.indexOf(QLatin1Char('='));
    if (eq < 0) return std::nullopt;
    return UnitFieldText{word.left(eq), word.mid(eq + 1)};
}

std::optional<RangeProblem> FirstRangeProblem(const std::function<std::optional<double>(int field)>& number)
{
    struct Triple {
        int min, max, center;
        const char* subject;
    };
    static const Triple kTriples[] = {{uf::XMinCoord, uf::XMaxCoord, uf::XAvgCoord, "X-Coordinate"},
                                      {uf::YMinCoord, uf::YMaxCoord, uf::YAvgCoord, "Y-Coordinate"},
                                      {uf::ZMinCoord, uf::ZMaxCoord, uf::ZAvgCoord, "Z-Coordinate"},
                                      {uf::MinYear, uf::MaxYear, uf::AvgYear, "Year"}};
    for (const Triple& t : kTriples)
        if (auto problem = CheckMinMaxCenter(number(t.min), number(t.max), number(t.center),
                                             QString::fromLatin1(t.subject)))
            return RangeProblem{*problem, t.min};
    return std::nullopt;
}

std::optional<int> SettableUnitField(const UnitFieldCatalogue& catalogue, const QString& name, bool classToo,
                                     QString& message)
{
    // The key comes from the command's units; work fields are no user data.
    const auto number = catalogue.FindField(name);
    const int lowest = classToo ? uf::Unitclass : uf::Unitclass + 1;
    if (!number || *number - 1 < lowest || catalogue[*number - 1].Internal) {
        message = QStringLiteral("Field %1 cannot be set here").arg(name);
        return std::nullopt;
    }
    return *number - 1;
}

namespace {

// The first min/max/center test that the coordinates and years among the
// values fail, with the unit form's message.
std::optional<QString> rangeProblem(const std::vector<std::pair<int, Value>>& values)
{
    // The last value given for a field counts, as it is the one stored.
    const auto problem = FirstRangeProblem([&](int pos) {
        std::optional<double> found;
        for (const auto& [p, v] : values)
            if (p == pos) found = doubleOf(v);
        return found;
    });
    if (!problem) return std::nullopt;
    return problem->message;
}

// The field values by position, or none after the first refusal was shown.
std::optional<std::vector<std::pair<int, Value>>> convertFields(Session& s, const std::vector<UnitFieldText>& fields)
{
    std::vector<std::pair<int, Value>> values;
    for (const UnitFieldText& f : fields) {
        // The class comes from the request.
        QString message;
        const auto pos = SettableUnitField(s.catalogue(), f.field, false, message);
        const auto value = pos ? ConvertFieldText(s.catalogue()[*pos], f.text, message) : std::nullopt;
        if (!value) {
            s.ui().error(message);
            return std::nullopt;
        }
        values.emplace_back(*pos, *value);
    }
    if (const auto problem = rangeProblem(values)) {
        s.ui().error(*problem);
        return std::nullopt;
    }
    return values;
}

bool keysAcceptable(Session& s, const std::vector<UnitKey>& keys)
{
    UserInterface& ui = s.ui();
    for (const UnitKey& key : keys) {
        if (!CheckExcavationName(ui, key.excavation)) return false;
        if (const QString problem = CheckUnitName(key.unitname); !problem.isEmpty()) {
            ui.error(problem);
            return false;
        }
    }
    std::set<UnitKey> seen;
    for (const UnitKey& key : keys) {
        if (UnitExists(s.units(), key) || !seen.insert(key).second) {
            ui.error(QStringLiteral("Unit %1 already exists").arg(key.text()));
            return false;
        }
    }
    return true;
}

} // namespace

bool EnterUnits(Session& session, const UnitEntryRequest& request)
{
    Q_ASSERT(UnitClassList().contains(request.unitClass));
    const auto values = convertFields(session, request.fields);
    if (!values || !keysAcceptable(session, request.keys)) return false;
    Table& units = session.units();
    BulkScope bulk;
    for (const UnitKey& key : request.keys) {
        units.insert();
        units.set(uf::Excavation, key.excavation);
        units.set(uf::Unitname, key.unitname);
        units.set(uf::Unitclass, request.unitClass);
        for (const auto& [pos, value] : *values) units.set(pos, value);
        units.post();
    }
    LeaveSingleExcavationIfMixed(session);
    return true;
}

void LeaveSingleExcavationIfMixed(Session& session)
{
    ProjectState& project = session.project();
    if (project.SingleExcavation && ExcavationList(session.units()).size() > 1) {
        session.ui().warning(QStringLiteral(
            "The project holds more than one excavation now; it is no single-excavation project any more."));
        project.SingleExcavation = false;
    }
}

} // namespace belvanto
