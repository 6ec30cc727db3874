#include "editing/ConsecutiveNumbers.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QRegularExpression>

namespace belvanto {

namespace {

// What the number edits let through: at most eight digits, no leading zero.
std::optional<qint64> numberOf(const QString& text)
{
    static const QRegularExpression kNumber(QStringLiteral("^[1-9][0-9]{0,7}$"));
    if (!kNumber.match(text).hasMatch()) return std::nullopt;
    return text.toLongLong();
}

std::optional<std::vector<Value>> unitRecord(const Table& units, const UnitKey& key)
{
    const auto rows = units.query(QStringLiteral("Excavation IS ? AND Unitname IS ?"), {key.excavation, key.unitname});
    if (rows.empty()) return std::nullopt;
    return rows.front().values;
}

} // namespace

QString ConsecutiveUnitName(const ConsecutiveRequest& request, qint64 number)
{
    return request.prefix.trimmed() + QStringLiteral("%1").arg(number, request.digits, 10, QLatin1Char('0'));
}

ConsecutiveFocus ValidateConsecutive(Session& session, const ConsecutiveRequest& r)
{
    UserInterface& ui = session.ui();
    auto refuse = [&](ConsecutiveFocus focus, const QString& text) {
        ui.message(MessageKind::Error, text, Buttons::Ok, HelpTopic(kConsecutiveHelpTopic));
        return focus;
    };
    if (!CheckExcavationName(ui, r.excavation)) return ConsecutiveFocus::Excavation;
    const auto first = numberOf(r.first);
    if (!first) return refuse(ConsecutiveFocus::First, QStringLiteral("Number of first unit must be entered"));
    const auto last = numberOf(r.last);
    if (!last) return refuse(ConsecutiveFocus::Last, QStringLiteral("Number of last unit must be entered"));
    if (*last < *first) return refuse(ConsecutiveFocus::First, QStringLiteral("First unit number must be lower than last"));
    if (r.digits > kMaxNumberDigits)
        return refuse(ConsecutiveFocus::Digits,
                      QStringLiteral("Number of digits must be less or equal to %1").arg(kMaxNumberDigits));
    const int lastLength = int(r.last.size());
    if (r.digits > 0 && lastLength > r.digits)
        return refuse(ConsecutiveFocus::Digits, QStringLiteral("Length of last number exceeds number of digits"));
    const QString prefix = r.prefix.trimmed();
    if (prefix.size() + (r.digits > 0 ? r.digits : lastLength) > kMaxNumberDigits)
        return refuse(ConsecutiveFocus::Prefix,
                      QStringLiteral("Length of prefix combined with number of digits exceeds maximum of %1 characters")
                          .arg(kMaxNumberDigits));
    // The prefix edit refuses these characters as they are typed; a pasted
    // one would still make every name of the run unusable in the
    // "excavation:name" notation.
    if (const QString problem = CheckUnitName(ConsecutiveUnitName(r, *last)); !problem.isEmpty()) {
        ui.message(MessageKind::Error, problem, Buttons::Ok, HelpTopic(kUnitNameHelpTopic));
        return ConsecutiveFocus::Prefix;
    }
    if (r.chain && r.unitClass != kContext)
        return refuse(ConsecutiveFocus::UnitClass, QStringLiteral("Only units of class context may be chained"));
    if (!r.model.isEmpty()) {
        const auto modelClass = UnitClassOf(session.units(), UnitKey{r.excavation, r.model});
        if (!modelClass) return refuse(ConsecutiveFocus::Model, QStringLiteral("Model unit %1 not defined.").arg(r.model));
        if (*modelClass != r.unitClass)
            return refuse(ConsecutiveFocus::Model, QStringLiteral("Model unit class is %1,\r\nbut chain unit class is %2.")
                                                       .arg(*modelClass, r.unitClass));
    }
    return ConsecutiveFocus::None;
}

void CreateUnitFromModel(Table& units, const UnitKey& key, const QString& unitClass, const std::vector<Value>& model)
{
    if (model.empty()) {
        CreateUnit(units, key, unitClass);
        return;
    }
    units.insert();
    for (int i = 0; i < int(model.size()); ++i) units.set(i, model[std::size_t(i)]);
    units.set(uf::Excavation, key.excavation);
    units.set(uf::Unitname, key.unitname);
    units.set(uf::Unitclass, unitClass);
    units.post();
}

std::optional<ConsecutiveOutcome> CreateConsecutiveUnits(Session& session, const ConsecutiveRequest& r)
{
    UserInterface& ui = session.ui();
    const qint64 first = r.first.toLongLong();
    const qint64 last = r.last.toLongLong();
    if (ui.confirm(QStringLiteral("Confirm creation of %1 units").arg(last - first + 1), Buttons::YesNo,
                   HelpTopic(kConsecutiveHelpTopic))
        != Answer::Yes)
        return std::nullopt;

    Table& units = session.units();
    std::vector<Value> model;
    if (!r.model.isEmpty()) model = unitRecord(units, UnitKey{r.excavation, r.model}).value_or(std::vector<Value>());

    ConsecutiveOutcome outcome;
    {
        BusyCursor busy(ui);
        ProgressScope progress(ui);
        DisplaySuspended quietUnits(units);
        DisplaySuspended quietRelations(session.relations());
        BulkScope bulk;
        UnitClassCache classes(units);
        UnitKey previous;
        const qint64 count = last - first + 1;
        for (qint64 number = first; number <= last; ++number) {
            // A run may be millions long: the status line says how far it got.
            if ((number - first) % kConsecutiveProgressStep == 0
                && !progress.step(QStringLiteral("Creating unit %1 of %2").arg(number - first + 1).arg(count),
                                  number - first, count)) {
                outcome.stopped = true;
                break;
            }
            const UnitKey key{r.excavation, ConsecutiveUnitName(r, number)};
            if (UnitExists(units, key)) {
                ++outcome.existing;
            } else {
                CreateUnitFromModel(units, key, r.unitClass, model);
                ++outcome.created;
            }
            if (r.chain && number > first)
                AddRelationship(session, units, session.relations(), previous, key, category::Later, QString(),
                                level::Silent, &classes);
            previous = key;
        }
    }
    if (outcome.stopped)
        ui.message(MessageKind::Information,
                   QStringLiteral("Stopped: %1 units created, %2 already defined.")
                       .arg(outcome.created)
                       .arg(outcome.existing),
                   Buttons::Ok, HelpTopic(kConsecutiveHelpTopic));
    else if (outcome.existing > 0)
        ui.message(MessageKind::Warning,
                   QStringLiteral("%1 units were already defined, not superseded").arg(outcome.existing), Buttons::Ok,
                   HelpTopic(kConsecutiveHelpTopic));
    return outcome;
}

} // namespace belvanto
