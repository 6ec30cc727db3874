#include "exchange/Concordance.h"

#include "core/Format.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitKey.h"

#include <QSet>

namespace belvanto {

namespace {

const QString kKeyTarget = QStringLiteral("Excavation+unitname");

struct RelationTargetName {
    QChar code;
    const char* target;
    const char* shortName;   // the dBase export's column
};
constexpr RelationTargetName kRelationTargets[] = {
    {u'>', "Later than relationships", "LATER"},
    {u'<', "Earlier than relationships", "EARLIER"},
    {u'=', "Equal relationships", "EQUAL"},
    {u'-', "Contemporary relationships", "CONTEMP"},
    {u'p', "Part of relationships", "PART_OF"},
};

// The dBase export's names for the fields whose names are longer than dBase allows.
struct ShortName {
    int field;
    const char* name;
};
constexpr ShortName kShortFieldNames[] = {
    {uf::ExcavationMethod, "EXCMETHOD"},
    {uf::ExcavationDate, "EXCDATE"},
    {uf::Interpretation, "INTERPRET"},
    {uf::Description, "DESCRIPT"},
};

bool isText(SourceType t) { return t == SourceType::String || t == SourceType::Memo; }

bool compatible(SourceType source, FieldType target, bool textSource)
{
    if (source == SourceType::Unknown) return false;
    switch (target) {
    case FieldType::String: return textSource || isText(source);
    case FieldType::Integer: return source == SourceType::Integer;
    case FieldType::Float: return source == SourceType::Float || source == SourceType::Integer;
    case FieldType::Date: return source == SourceType::Date;
    }
    return false;
}

} // namespace

QString TargetText(const ConcordanceTarget& target, const UnitFieldCatalogue& catalogue)
{
    switch (target.kind) {
    case ConcordanceTarget::Kind::None: return QString();
    case ConcordanceTarget::Kind::Field: return catalogue[target.field].Label;
    case ConcordanceTarget::Kind::Key: return kKeyTarget;
    case ConcordanceTarget::Kind::Relation:
        for (const auto& r : kRelationTargets)
            if (r.code == target.category) return QString::fromLatin1(r.target);
    }
    return QString();
}

std::vector<ConcordanceTarget> CompatibleTargets(const SourceColumn& column, const UnitFieldCatalogue& catalogue,
                                                 bool textSource)
{
    std::vector<ConcordanceTarget> targets;
    for (int f = 0; f < kOptionFieldCount; ++f)
        if (compatible(column.type, catalogue[f].Type, textSource)) targets.push_back(ConcordanceTarget::toField(f));
    if (isText(column.type) || (textSource && column.type != SourceType::Unknown)) {
        targets.push_back(ConcordanceTarget::toKey());
        for (const auto& r : kRelationTargets) targets.push_back(ConcordanceTarget::toRelation(r.code));
    }
    return targets;
}

std::vector<ConcordanceTarget> AutoAssign(const std::vector<SourceColumn>& columns,
                                          const UnitFieldCatalogue& catalogue, bool textSource)
{
    std::vector<ConcordanceTarget> targets;
    for (const SourceColumn& column : columns) {
        const QString& name = column.name;
        ConcordanceTarget target;
        const bool text = isText(column.type) || textSource;
        if (text && (name == QLatin1String("Excavation_Unitname") || name.compare(u"EXC_UNIT", Qt::CaseInsensitive) == 0)) {
            targets.push_back(ConcordanceTarget::toKey());
            continue;
        }
        auto fits = [&](int f) { return compatible(column.type, catalogue[f].Type, textSource); };
        for (int f = 0; f < kOptionFieldCount && target.kind == ConcordanceTarget::Kind::None; ++f)
            if ((catalogue[f].Label == name || catalogue[f].Name == name) && fits(f))
                target = ConcordanceTarget::toField(f);
        // dBase keeps names short and often upper case.
        for (int f = 0; f < kOptionFieldCount && target.kind == ConcordanceTarget::Kind::None; ++f)
            if (catalogue[f].Name.compare(name, Qt::CaseInsensitive) == 0 && fits(f))
                target = ConcordanceTarget::toField(f);
        for (const auto& s : kShortFieldNames)
            if (target.kind == ConcordanceTarget::Kind::None && name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0
                && fits(s.field))
                target = ConcordanceTarget::toField(s.field);
        if (target.kind == ConcordanceTarget::Kind::None && text) {
            for (const auto& c : RelationCategories()) {
                const RelationTargetName* r = nullptr;
                for (const auto& t : kRelationTargets)
                    if (t.code == c.code) r = &t;
                if (name.compare(c.explanation, Qt::CaseInsensitive) == 0
                    || (r && name.compare(QLatin1String(r->shortName), Qt::CaseInsensitive) == 0)) {
                    target = ConcordanceTarget::toRelation(c.code);
                    break;
                }
            }
        }
        targets.push_back(target);
    }
    return targets;
}

namespace {

bool uses(const Concordance& c, ConcordanceTarget::Kind kind)
{
    for (const auto& t : c.targets)
        if (t.kind == kind) return true;
    return false;
}

bool usesField(const Concordance& c, int field)
{
    return std::find(c.targets.begin(), c.targets.end(), ConcordanceTarget::toField(field)) != c.targets.end();
}

int columnOf(const Concordance& c, const ConcordanceTarget& target)
{
    const auto it = std::find(c.targets.begin(), c.targets.end(), target);
    return it == c.targets.end() ? -1 : int(it - c.targets.begin());
}

} // namespace

QString CheckConcordance(const Concordance& concordance, const UnitFieldCatalogue& catalogue, int* repeatedRow)
{
    QString message;
    int repeated = -1;
    const auto& targets = concordance.targets;
    for (std::size_t row = 0; row < targets.size(); ++row) {
        const ConcordanceTarget& t = targets[row];
        if (t.kind == ConcordanceTarget::Kind::None) continue;
        const bool unique = t.kind == ConcordanceTarget::Kind::Key
                            || (t.kind == ConcordanceTarget::Kind::Field
                                && (t.field == uf::Excavation || t.field == uf::Unitname || t.field == uf::Unitclass
                                    || catalogue[t.field].Type != FieldType::String));
        const auto again = std::find(targets.begin() + std::ptrdiff_t(row) + 1, targets.end(), t);
        if (unique && again != targets.end()) {
            message = TargetText(t, catalogue) + QStringLiteral(" occurs twice.");
            repeated = int(again - targets.begin());
            if (t.kind == ConcordanceTarget::Kind::Key) break;
        }
    }
    const bool key = uses(concordance, ConcordanceTarget::Kind::Key);
    const QString& unitLabel = catalogue[uf::Unitname].Label;
    if (key && (usesField(concordance, uf::Unitname) || usesField(concordance, uf::Excavation))) {
        message = QStringLiteral("Select either Excavation+unitname or ") + unitLabel + QStringLiteral(" and optionally ")
                  + catalogue[uf::Excavation].Label;
        repeated = -1;
    } else if (!key && !usesField(concordance, uf::Unitname)) {
        message = unitLabel + QStringLiteral(" is a mandatory field.");
        repeated = -1;
    }
    if (repeatedRow) *repeatedRow = repeated;
    if (!message.isEmpty()) return message;
    if (key && (concordance.keySeparator.isEmpty() || concordance.keySeparator.size() > 2))
        return kKeySeparatorRefusal;
    if (uses(concordance, ConcordanceTarget::Kind::Relation)
        && (concordance.listSeparator.isEmpty() || concordance.listSeparator.size() > 2))
        return kListSeparatorRefusal;
    return QString();
}

namespace {

// A value converted into a field's type; nothing when it does not convert.
std::optional<Value> convert(const Value& v, FieldType type, const Regional& regional)
{
    if (const auto* s = std::get_if<QString>(&v)) {
        switch (type) {
        case FieldType::String: return v;
        case FieldType::Integer:
            if (const auto i = parseInt32(s->trimmed())) return Value(*i);
            return std::nullopt;
        case FieldType::Float:
            if (const auto d = regional.parseFloat(*s)) return Value(*d);
            return std::nullopt;
        case FieldType::Date:
            if (const auto d = regional.parseDate(*s)) return Value(*d);
            return std::nullopt;
        }
    }
    if (type == FieldType::String) return Value(valueToString(v));
    if (const auto* i = std::get_if<qint32>(&v)) {
        if (type == FieldType::Integer) return v;
        if (type == FieldType::Float) return Value(double(*i));
        return std::nullopt;
    }
    if (std::holds_alternative<double>(v)) return type == FieldType::Float ? std::optional<Value>(v) : std::nullopt;
    if (std::holds_alternative<QDate>(v)) return type == FieldType::Date ? std::optional<Value>(v) : std::nullopt;
    return std::nullopt;
}

QString typeWords(FieldType type)
{
    switch (type) {
    case FieldType::Integer: return QStringLiteral("an integer number");
    case FieldType::Float: return QStringLiteral("a floating point number");
    case FieldType::Date: return QStringLiteral("a date");
    case FieldType::String: break;
    }
    return QStringLiteral("a text");
}

// Reads the key of a record; error "" when it is valid.
struct RecordKey {
    UnitKey key;
    QString unitClass;
    QString error;
};

class KeyReader {
public:
    KeyReader(Session& session, const Concordance& c)
        : session_(session), c_(c),
          keyColumn_(columnOf(c, ConcordanceTarget::toKey())),
          nameColumn_(columnOf(c, ConcordanceTarget::toField(uf::Unitname))),
          excavationColumn_(columnOf(c, ConcordanceTarget::toField(uf::Excavation))),
          classColumn_(columnOf(c, ConcordanceTarget::toField(uf::Unitclass)))
    {
    }

    int classColumn() const { return classColumn_; }
    bool hasKeyColumn() const { return keyColumn_ >= 0; }

    // Unit and excavation names are cut to their fields' sizes, for the
    // record's unit and for relationship entries alike.
    UnitKey cut(QString excavation, QString name) const
    {
        const auto& cat = session_.catalogue();
        return UnitKey{excavation.left(cat[uf::Excavation].Size), name.left(cat[uf::Unitname].Size)};
    }

    UnitKey split(const QString& text) const
    {
        const qsizetype at = text.indexOf(c_.keySeparator);
        if (at < 0) return cut(text, QString());
        return cut(text.left(at), text.mid(at + c_.keySeparator.size()));
    }

    RecordKey read(const std::vector<Value>& record, bool check) const
    {
        RecordKey r;
        auto text = [&](int column) { return column < 0 ? QString() : valueToString(record[std::size_t(column)]); };
        if (keyColumn_ >= 0) {
            const QString key = text(keyColumn_);
            if (key.isEmpty()) {
                r.error = QStringLiteral("Empty field Excavation+unitname");
                return r;
            }
            r.key = split(key);
        } else {
            r.key = cut(excavationColumn_ >= 0 ? text(excavationColumn_) : c_.defaultExcavation, text(nameColumn_));
        }
        const QString cls = text(classColumn_).toLower();
        r.unitClass = cls.isEmpty() ? kContext : cls;
        if (!check) return r;
        if (const QString problem = CheckUnitName(r.key.unitname); !problem.isEmpty()) {
            r.error = problem + QStringLiteral("\r\nIllegal name: ") + r.key.unitname;
            return r;
        }
        if ((keyColumn_ >= 0 || excavationColumn_ >= 0) && !CheckExcavationName(session_.ui(), r.key.excavation)) {
            r.error = QStringLiteral("Illegal excavation name ") + r.key.excavation;
            return r;
        }
        return r;
    }

    // The entries of a relationship list: leading blanks after each separator
    // go, empty entries are skipped.
    std::vector<UnitKey> entries(const QString& list) const
    {
        std::vector<UnitKey> keys;
        for (const QString& part : list.split(c_.listSeparator)) {
            const QString entry = part.trimmed();
            if (entry.isEmpty()) continue;
            keys.push_back(keyColumn_ >= 0 ? split(entry) : cut(c_.defaultExcavation, entry));
        }
        return keys;
    }

private:
    Session& session_;
    const Concordance& c_;
    int keyColumn_, nameColumn_, excavationColumn_, classColumn_;
};

QString where(const ImportSource& source)
{
    return QStringLiteral("%1 %2 of %3").arg(source.positionWord()).arg(source.position()).arg(source.filePath());
}

} // namespace

QString PreCheckImport(Session& session, ImportSource& source, const Concordance& concordance)
{
    const UnitFieldCatalogue& catalogue = session.catalogue();
    const Regional& regional = session.regional();
    const KeyReader keys(session, concordance);
    QSet<UnitKey> met;
    Table& units = session.units();
    units.scan(QString(), {}, QString(), [&](Table::Row& row) {
        met.insert(UnitKey{valueToString(row.values[uf::Excavation]), valueToString(row.values[uf::Unitname])});
    });
    const QStringList classes = UnitClassList();
    std::vector<QString> joined(static_cast<std::size_t>(kOptionFieldCount));
    try {
        source.rewind();
        std::vector<Value> record;
        while (source.next(record)) {
            const RecordKey r = keys.read(record, true);
            if (!r.error.isEmpty()) return r.error;
            if (met.contains(r.key)) {
                const QString shown = keys.hasKeyColumn() || r.key.excavation != concordance.defaultExcavation
                                          ? r.key.text() : r.key.unitname;
                return QStringLiteral("Unit name ") + shown + QStringLiteral(" occurs twice.");
            }
            met.insert(r.key);
            if (!classes.contains(r.unitClass))
                return QStringLiteral("Allowed unit classes are only: context, work area, and group");
            // The texts each string field receives, joined as the import joins them.
            std::fill(joined.begin(), joined.end(), QString());
            for (std::size_t col = 0; col < concordance.targets.size() && col < record.size(); ++col) {
                const ConcordanceTarget& t = concordance.targets[col];
                if (t.kind != ConcordanceTarget::Kind::Field || valueIsEmpty(record[col])) continue;
                const UnitFieldEntry& field = catalogue[t.field];
                const std::optional<Value> converted = convert(record[col], field.Type, regional);
                if (!converted)
                    return QStringLiteral("The value %1 in %2 cannot be converted to %3 for the field %4.")
                        .arg(valueToString(record[col]), where(source), typeWords(field.Type), field.Label);
                // Unit and excavation names are cut to their sizes by rule.
                if (field.Type != FieldType::String || field.Size <= 0 || t.field == uf::Excavation ||
                    t.field == uf::Unitname)
                    continue;
                QString& text = joined[std::size_t(t.field)];
                const bool wasLong = text.size() > field.Size;
                text += (text.isEmpty() ? QString() : QStringLiteral(";")) + valueToString(*converted);
                const bool confirmed = col < concordance.truncationConfirmed.size() && concordance.truncationConfirmed[col];
                if (!wasLong && text.size() > field.Size && !confirmed)
                    return QStringLiteral("The value of column %1 in %2 is longer than the %3 characters of the field %4.")
                        .arg(source.columns()[col].name, where(source))
                        .arg(field.Size)
                        .arg(field.Label);
            }
        }
    } catch (const ImportError& e) {
        return e.text();
    }
    return QString();
}

bool ImportWithConcordance(Session& session, ImportSource& source, const Concordance& concordance)
{
    UserInterface& ui = session.ui();
    auto refuse = [&](const QString& text) {
        ui.message(MessageKind::Error, text, Buttons::Ok);
        return false;
    };
    const UnitFieldCatalogue& catalogue = session.catalogue();
    if (concordance.targets.size() != source.columns().size())
        return refuse(QStringLiteral("The field concordance does not match the columns of %1.").arg(source.filePath()));
    if (const QString m = CheckConcordance(concordance, catalogue); !m.isEmpty()) return refuse(m);
    BusyCursor busy(ui);
    if (const QString m = PreCheckImport(session, source, concordance); !m.isEmpty()) return refuse(m);

    const Regional& regional = session.regional();
    const KeyReader keys(session, concordance);
    Table& units = session.units();
    Table& relations = session.relations();
    std::vector<std::pair<int, int>> fields;   // (table field, source column)
    for (std::size_t col = 0; col < concordance.targets.size(); ++col) {
        const ConcordanceTarget& t = concordance.targets[col];
        if (t.kind == ConcordanceTarget::Kind::Field && t.field != uf::Excavation && t.field != uf::Unitname
            && t.field != uf::Unitclass)
            fields.emplace_back(t.field, int(col));
    }
    const int exField = units.fieldIndexOrThrow(u"Excavation"), nameField = units.fieldIndexOrThrow(u"Unitname");
    const int classField = units.fieldIndexOrThrow(u"Unitclass");
    bool single = true;
    try {
        BulkScope bulk;
        std::vector<Value> record;
        {
            DisplaySuspended quiet(units);
            TableWriter writer(units);
            source.rewind();
            std::vector<Value> values(static_cast<std::size_t>(kUnitFieldCount));
            while (source.next(record)) {
                const RecordKey r = keys.read(record, false);
                if (r.key.excavation != concordance.defaultExcavation) single = false;
                std::fill(values.begin(), values.end(), Value());
                for (const auto& [field, col] : fields) {
                    const Value& v = record[std::size_t(col)];
                    if (valueIsEmpty(v)) continue;
                    const Value converted = convert(v, catalogue[field].Type, regional).value_or(Value());
                    Value& target = values[std::size_t(field)];
                    // Several text columns may feed one field.
                    if (catalogue[field].Type == FieldType::String && !valueIsEmpty(target))
                        target = valueToString(target) + QLatin1Char(';') + valueToString(converted);
                    else
                        target = converted;
                }
                // A text longer than its field passed the pre-check only with
                // the truncation confirmed; the writer cuts it to the size.
                for (std::size_t f = 0; f < values.size(); ++f)
                    if (!valueIsEmpty(values[f])) writer.set(units.fieldIndexOrThrow(catalogue[int(f)].Name), values[f]);
                writer.set(exField, r.key.excavation);
                writer.set(nameField, r.key.unitname);
                writer.set(classField, r.unitClass);
                writer.append();
            }
            writer.flush();
        }
        if (uses(concordance, ConcordanceTarget::Kind::Relation)) {
            DisplaySuspended quietUnits(units);
            DisplaySuspended quietRelations(relations);
            UnitClassCache classes(units);
            classes.preload();
            source.rewind();
            while (source.next(record)) {
                const UnitKey unit = keys.read(record, false).key;
                for (std::size_t col = 0; col < concordance.targets.size(); ++col) {
                    const ConcordanceTarget& t = concordance.targets[col];
                    if (t.kind != ConcordanceTarget::Kind::Relation || valueIsEmpty(record[col])) continue;
                    for (const UnitKey& other : keys.entries(valueToString(record[col])))
                        AddRelationship(session, units, relations, unit, other, t.category, QString(), level::Silent,
                                        &classes);
                }
            }
        }
    } catch (const ImportError& e) {
        return refuse(e.text());
    } catch (const EngineError& e) {
        return refuse(e.text());
    }
    if (!single) session.project().SingleExcavation = false;
    return true;
}

bool ImportIntoNewProject(Session& session, const QString& projectFile, ImportSource& source,
                          const Concordance& concordance)
{
    return CreateProjectFiles(session, projectFile, concordance.defaultExcavation, QString(), true,
                              [&] { return ImportWithConcordance(session, source, concordance); });
}

} // namespace belvanto
