#include "editing/UnitEditor.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/RelationEntry.h"
#include "editing/UnitEntry.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Terms.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

const QString kRelationRowFields = QStringLiteral("Excavation1;Unitname1;Excavation2;Unitname2");

std::vector<Value> rowValues(const Table::Row& row)
{
    std::vector<Value> values = row.values;
    values.resize(kUnitFieldCount);
    return values;
}

std::optional<Table::Row> unitRow(const Table& units, const UnitKey& key)
{
    auto rows = units.query(QStringLiteral("Excavation IS ? AND Unitname IS ?"), {key.excavation, key.unitname});
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

// The stored code, whatever it is: the lists show every row.
QChar codeOf(const Table::Row& row)
{
    const QString code = textAt(row, rel::RelationCat);
    return code.isEmpty() ? QChar() : code.front();
}

// The relationships of the form, in the order the lists show them.
std::vector<Table::Row> entryRows(const Table& relEntry)
{
    return relEntry.query(QString(), {}, kRelationKeyOrder);
}

} // namespace

QString UnitEditHelpTopic(EditMode mode)
{
    switch (mode) {
    case EditMode::New: return QStringLiteral("Enter_new_unit");
    case EditMode::Edit: return QStringLiteral("Unit_edit");
    case EditMode::Combine: return QStringLiteral("Combining_units");
    case EditMode::Copy: return QStringLiteral("Unit_copy");
    case EditMode::Split: return QStringLiteral("Unit_split");
    }
    return {};
}

UnitEditor::UnitEditor(Session& session) : session_(session) {}

UnitEditor::~UnitEditor()
{
    if (open_) close();
}

// ---- Opening and closing ---------------------------------------------------

bool UnitEditor::open(const QString& excavation, const QString& unitName, const QStringList& classList, EditMode mode)
{
    if (open_) close();
    Table& units = session_.units();
    Table& rels = session_.relations();
    units.suspendDisplay();
    rels.suspendDisplay();
    relFilterWasOn_ = rels.filtered();
    relFilterText_ = rels.filterText();
    rels.setFiltered(false);
    open_ = true;

    session_.unitEntry().empty();
    session_.relEntry().empty();
    mode_ = openingMode_ = mode;
    classList_ = classList;
    classBox_ = classList.isEmpty() ? UnitClassList() : classList;
    relationsChanged_ = false;
    unitsChanged_ = mode != EditMode::New;
    focusField_ = kNoField;

    const UnitKey key{excavation, unitName};
    if (mode == EditMode::Edit || mode == EditMode::Copy || mode == EditMode::Split) {
        if (!loadUnit(key, mode != EditMode::Copy)) {
            // Nothing is shown: the tables go back to how the caller left them.
            session_.ui().error(QStringLiteral("Unitname %1 not found. Data base corrupt?").arg(unitName));
            restoreTables();
            return false;
        }
        if (mode == EditMode::Split) {
            relationsChanged_ = true;
            // The new unit joins the old unit's equal or contemporary class
            // through a row to the old unit itself.
            QChar linkCode;
            for (const auto& row : entryRows(session_.relEntry()))
                if (IsClassCategory(CategoryOf(row))) linkCode = CategoryOf(row);
            if (!linkCode.isNull())
                InsertRelationRow(session_.relEntry(), kPlaceholderUnit, key, linkCode, QString(), QString());
        }
        if (mode != EditMode::Edit) mode_ = EditMode::New;
    } else {
        beginEmptyUnit(mode == EditMode::Combine ? kGroup : kContext);
        texts_[uf::Unitname] = unitName;
        loadedKey_ = key;
        loadedClass_ = texts_[uf::Unitclass];
    }
    texts_[uf::Excavation] = excavation;
    for (int f = 0; f < kUnitFieldCount; ++f) changed(f);
    return true;
}

void UnitEditor::restoreTables()
{
    Table& rels = session_.relations();
    if (relFilterWasOn_) {
        if (rels.filterText() != relFilterText_) rels.setFilter(relFilterText_);
        else rels.setFiltered(true);
    }
    rels.resumeDisplay();
    session_.units().resumeDisplay();
    open_ = false;
}

void UnitEditor::close()
{
    if (!open_) return;
    restoreTables();
}

bool UnitEditor::cancel()
{
    if (!open_) return true;
    if (mode_ == EditMode::New && hasRelations()
        && session_.ui().confirm(QStringLiteral("Do you really want to discard the current unit and all its relations?"),
                                 Buttons::YesNo, HelpTopic(kDiscardUnitHelpTopic))
               != Answer::Yes)
        return false;
    session_.unitEntry().empty();
    session_.relEntry().empty();
    classList_.clear();
    close();
    return true;
}

QStringList UnitEditor::classChoices() const
{
    return classBox_.isEmpty() ? UnitClassList() : classBox_;
}

bool UnitEditor::singleExcavation() const { return session_.project().SingleExcavation; }

// ---- Loading -----------------------------------------------------------------

bool UnitEditor::loadUnit(const UnitKey& key, bool withRelations)
{
    const auto row = unitRow(session_.units(), key);
    if (!row) return false;
    Table& unitEntry = session_.unitEntry();
    Table& relEntry = session_.relEntry();
    unitEntry.empty();
    relEntry.empty();
    const std::vector<Value> values = rowValues(*row);
    {
        BulkScope bulk;
        TableWriter entry(unitEntry);
        for (int f = 0; f < kUnitFieldCount; ++f) entry.set(f, values[std::size_t(f)]);
        entry.insert();
        if (withRelations) {
            TableWriter rels(relEntry);
            for (const auto& r : RowsOfFirst(session_.relations(), key))
                InsertRelationRow(rels, kPlaceholderUnit, SecondUnitOf(r), codeOf(r), textAt(r, rel::RelationFull),
                                  textAt(r, rel::RelationStatus));
        }
    }
    setValues(values);
    loadedKey_ = key;
    loadedClass_ = texts_[uf::Unitclass];
    relationsChanged_ = false;
    return true;
}

void UnitEditor::beginEmptyUnit(const QString& unitClass)
{
    session_.unitEntry().empty();
    session_.relEntry().empty();
    const QString excavation = texts_[uf::Excavation];
    setValues(std::vector<Value>(kUnitFieldCount));
    texts_[uf::Excavation] = excavation;
    texts_[uf::Unitclass] = unitClass;
    relationsChanged_ = false;
}

void UnitEditor::setValues(const std::vector<Value>& values)
{
    loadedValues_ = values;
    for (int f = 0; f < kUnitFieldCount; ++f) loadedTexts_[f] = texts_[f] = valueText(f, values[std::size_t(f)]);
}

// ---- Values ------------------------------------------------------------------

QString UnitEditor::valueText(int field, const Value& value) const
{
    const Regional& regional = session_.regional();
    if (const auto* d = std::get_if<double>(&value)) return regional.formatFloat(*d);
    if (const auto* date = std::get_if<QDate>(&value)) return regional.formatDate(*date);
    (void)field;
    return valueToString(value);
}

QString UnitEditor::text(int field) const
{
    if (field < 0 || field >= kUnitFieldCount) return QString();
    return texts_[std::size_t(field)];
}

void UnitEditor::setText(int field, const QString& text)
{
    if (field < 0 || field >= kUnitFieldCount) return;
    texts_[std::size_t(field)] = text;
}

void UnitEditor::changed(int field)
{
    if (onValueChanged) onValueChanged(field);
}

UnitKey UnitEditor::editedKey() const
{
    return {texts_[uf::Excavation], texts_[uf::Unitname]};
}

bool UnitEditor::acceptsNameCharacter(QChar c)
{
    return c != QLatin1Char(' ') && c != QLatin1Char(',') && c != QLatin1Char(':') && c != QLatin1Char('=');
}

// ---- Field aids --------------------------------------------------------------

bool UnitEditor::leaveField(int field)
{
    if (field < 0 || field >= kUnitFieldCount) {
        session_.ui().information(QStringLiteral("Programming error: Unit structure index for current field not found"));
        return true;
    }
    const UnitFieldEntry& catalogued = session_.catalogue()[field];
    QString& text = texts_[std::size_t(field)];
    if (!session_.termsOpen() || text.isEmpty() || catalogued.Type != FieldType::String || field == uf::Unitname
        || field == uf::Unitclass)
        return true;

    const int abbreviationSize = TermFieldCatalogue()[tf::Abbreviation].Size;
    bool found = false;
    if (text.size() <= abbreviationSize) {
        if (const auto term = ExpandAbbreviation(session_, catalogued.Label, text)) {
            text = *term;
            found = true;
            changed(field);
        }
    }
    const bool dated = field == uf::Period || field == uf::Phase;
    const bool termsOnly = TermsOnlyActive(session_, field);
    if ((!found && termsOnly) || dated) {
        if (const auto term = FindTerm(session_, catalogued.Label, text)) {
            found = true;
            if (dated) fillYears(*term);
        }
    }
    if (!found && termsOnly) {
        session_.ui().beep();
        focusField_ = field;
        session_.ui().warning(
            QStringLiteral("Term %1 not defined in Term table,\r\nbut terms only was selected.").arg(text));
        return false;
    }
    return true;
}

void UnitEditor::fillYears(const TermRecord& term)
{
    const std::pair<int, std::optional<qint32>> years[] = {
        {uf::MinYear, term.MinYear}, {uf::MaxYear, term.MaxYear}, {uf::AvgYear, term.AvgYear}};
    for (const auto& [field, year] : years) {
        if (!year || !texts_[std::size_t(field)].isEmpty()) continue;
        texts_[std::size_t(field)] = QString::number(*year);
        changed(field);
    }
}

std::optional<QString> UnitEditor::termLookupLabel(int field)
{
    UserInterface& ui = session_.ui();
    if (!session_.termsOpen()) {
        ui.warning(QStringLiteral("No term file available for currently open project.\r\n"
                                  "Select Configure | Terms to link to a new or existing term file."));
        return std::nullopt;
    }
    if (field < 0 || field >= kUnitFieldCount || field == uf::Unitname || field == uf::Unitclass
        || session_.catalogue()[field].Type != FieldType::String || session_.catalogue()[field].Internal) {
        ui.information(QStringLiteral("Term lookup not supported for current field."),
                       HelpTopic(kUnitTermLookupHelpTopic));
        return std::nullopt;
    }
    const QString label = session_.catalogue()[field].Label;
    if (TermsOf(session_, label).empty()
        && ui.confirm(QStringLiteral("No terms available for field %1\r\nDo you want to create terms?").arg(label),
                      Buttons::YesNo, HelpTopic(kUnitTermLookupHelpTopic))
               != Answer::Yes)
        return std::nullopt;
    return label;
}

void UnitEditor::applyTerm(int field, const TermRecord& term, bool withYears)
{
    if (field < 0 || field >= kUnitFieldCount) return;
    texts_[std::size_t(field)] = term.Term;
    changed(field);
    if (withYears) fillYears(term);
}

bool UnitEditor::copyPrevious(int field)
{
    const auto& previous = session_.previousUnitValues;
    if (previous.empty() || field < 0 || field >= kUnitFieldCount) return false;
    texts_[std::size_t(field)] = valueText(field, previous[std::size_t(field)]);
    changed(field);
    return true;
}

bool UnitEditor::hasPrevious() const
{
    return !session_.previousUnitValues.empty();
}

QString UnitEditor::todayText(QDate today) const
{
    return session_.regional().formatDate(today);
}

// ---- Relationships -----------------------------------------------------------

std::vector<EditorRelation> UnitEditor::relations(RelationList list) const
{
    std::vector<EditorRelation> result;
    for (const auto& row : entryRows(session_.relEntry())) {
        const QChar c = codeOf(row);
        const RelationList in = c == category::Later ? RelationList::LaterThan
            : c == category::Earlier                 ? RelationList::EarlierThan
                                                     : RelationList::Other;
        if (in != list) continue;
        result.push_back({SecondUnitOf(row), c, textAt(row, rel::RelationFull), textAt(row, rel::RelationStatus)});
    }
    return result;
}

bool UnitEditor::hasRelations() const
{
    return !session_.relEntry().query(QString(), {}).empty();
}

int UnitEditor::checkRelationStart()
{
    const HelpTopic help(kUnitRelationsHelpTopic);
    if (texts_[uf::Unitname].isEmpty()) {
        session_.ui().error(QStringLiteral("Unit name must be entered before relations are entered!"), help);
        return uf::Unitname;
    }
    if (texts_[uf::Excavation].isEmpty()) {
        session_.ui().error(QStringLiteral("Excavation name must be entered before relations are entered!"), help);
        return uf::Excavation;
    }
    return kNoField;
}

bool UnitEditor::storeRelation(const UnitKey& second, QChar code, const QString& comment)
{
    const HelpTopic help(kRelationHelpTopic);
    const UnitKey unit = editedKey();
    if (second == unit) {
        session_.ui().warning(QStringLiteral("Relation between %1 and this same unit not allowed.\r\n"
                                             "New relationship is not stored.")
                                  .arg(unit.text()),
                              help);
        return false;
    }
    Table& relEntry = session_.relEntry();
    if (FindRelationRow(relEntry, kPlaceholderUnit, second)) {
        session_.ui().warning(
            QStringLiteral("Relation to %1 has already been defined.\r\nNew relationship is not stored.").arg(second.text()),
            help);
        return false;
    }
    InsertRelationRow(relEntry, kPlaceholderUnit, second, code, comment, status::New);
    relationsChanged_ = true;
    return true;
}

bool UnitEditor::removeRelation(const UnitKey& second)
{
    Table& relEntry = session_.relEntry();
    if (!relEntry.locate(kRelationRowFields,
                         {kPlaceholderUnit.excavation, kPlaceholderUnit.unitname, second.excavation, second.unitname}))
        return false;
    // The question names the unit under edit, not the rows' placeholder.
    if (!DeleteRelationship(session_.ui(), relEntry, 10, true, editedKey())) return false;
    relationsChanged_ = true;
    return true;
}

bool UnitEditor::setRelationComment(const UnitKey& second, const QString& comment)
{
    if (!SetRelationComment(session_.relEntry(), {kPlaceholderUnit, second}, comment)) return false;
    relationsChanged_ = true;
    return true;
}

// ---- Saving ------------------------------------------------------------------

bool UnitEditor::refuse(const QString& message, int field)
{
    session_.ui().error(message, HelpTopic(kUnitSaveHelpTopic));
    focusField_ = field;
    return false;
}

std::optional<std::vector<Value>> UnitEditor::convertedValues()
{
    std::vector<Value> values = loadedValues_;
    values.resize(kUnitFieldCount);
    for (int f = 0; f < kUnitFieldCount; ++f) {
        const QString& text = texts_[std::size_t(f)];
        if (text == loadedTexts_[std::size_t(f)]) continue;
        QString message;
        const auto value = ConvertFieldText(session_.catalogue()[f], text, session_.regional(), message);
        if (!value) {
            refuse(message, f);
            return std::nullopt;
        }
        values[std::size_t(f)] = *value;
    }
    return values;
}

bool UnitEditor::save()
{
    focusField_ = kNoField;
    UserInterface& ui = session_.ui();
    const UnitKey key = editedKey();
    if (!CheckExcavationName(ui, key.excavation)) {
        focusField_ = uf::Excavation;
        return false;
    }
    if (const QString problem = CheckUnitName(key.unitname); !problem.isEmpty()) return refuse(problem, uf::Unitname);
    const auto values = convertedValues();
    if (!values) return false;

    if (const auto problem = FirstRangeProblem([&](int f) { return doubleOf((*values)[std::size_t(f)]); }))
        return refuse(problem->message, problem->minField);
    const QString unitClass = texts_[uf::Unitclass];
    if (!classList_.isEmpty() && !classList_.contains(unitClass))
        return refuse(QStringLiteral("Result of combination process must not belong to class %1").arg(unitClass),
                      uf::Unitclass);
    const bool newKey = mode_ != EditMode::Edit || key != loadedKey_;
    if (newKey && UnitExists(session_.units(), key))
        return refuse(QStringLiteral("Unitname %1: %2 already entered").arg(key.excavation, key.unitname), uf::Unitname);
    if (unitClass != loadedClass_) relationsChanged_ = true;

    if (mode_ == EditMode::Edit && !unitRow(session_.units(), loadedKey_)) {
        ui.error(QStringLiteral("Unitname %1 not found. Data base corrupt?").arg(loadedKey_.unitname));
        return false;
    }
    const bool renamed = mode_ == EditMode::Edit && key != loadedKey_;
    {
        // The unit and relationship tables are separate files, each committed
        // in its own transaction, in the order of their first write. A
        // rename writes the relationships first: a process killed between
        // the two leaves the unit under its old key and its relationships
        // under the new one, pairs whole, and repeating the rename completes
        // it. A new unit is written first: killed then, it stands without
        // its relationships, and no row names a missing unit.
        BulkScope bulk;
        if (renamed) renameInRelations(loadedKey_, key);
        if (!writeUnit(*values, key)) return false;
        session_.previousUnitValues = *values;
        if (relationsChanged_) commitRelations(key);
    }
    if (newKey && key.excavation != loadedKey_.excavation) LeaveSingleExcavationIfMixed(session_);

    if (!unitsChanged_ && (relationsChanged_ || newKey)) unitsChanged_ = true;
    classList_.clear();
    loadedKey_ = key;
    loadedClass_ = texts_[uf::Unitclass];
    setValues(session_.previousUnitValues);
    return true;
}

bool UnitEditor::writeUnit(const std::vector<Value>& values, const UnitKey& key)
{
    Table& unitEntry = session_.unitEntry();
    {
        unitEntry.empty();
        TableWriter entry(unitEntry);
        for (int f = 0; f < kUnitFieldCount; ++f) entry.set(f, values[std::size_t(f)]);
        entry.insert();
    }
    TableWriter units(session_.units());
    for (int f = 0; f < kUnitFieldCount; ++f) units.set(f, values[std::size_t(f)]);
    units.set(uf::Excavation, key.excavation);
    units.set(uf::Unitname, key.unitname);
    if (mode_ == EditMode::Edit) {
        // One update of the stored record, keyed by the key it was loaded
        // with: a key change never leaves a moment without the unit.
        const auto row = unitRow(session_.units(), loadedKey_);
        units.update(row->rowid);
    } else {
        units.insert();
    }
    return true;
}

void UnitEditor::renameInRelations(const UnitKey& from, const UnitKey& to)
{
    Table& rels = session_.relations();
    const auto asFirst = RowsOfFirst(rels, from);
    const auto asSecond = RowsOfSecond(rels, from);
    if (asFirst.empty() && asSecond.empty()) return;
    TableWriter writer(rels);
    for (const auto& row : asFirst) {
        writer.set(rel::Excavation1, to.excavation);
        writer.set(rel::Unitname1, to.unitname);
        writer.update(row.rowid);
    }
    for (const auto& row : asSecond) {
        writer.set(rel::Excavation2, to.excavation);
        writer.set(rel::Unitname2, to.unitname);
        writer.update(row.rowid);
    }
}

void UnitEditor::commitRelations(const UnitKey& unit)
{
    Table& rels = session_.relations();
    Table& units = session_.units();
    {
        const auto ownRows = RowsOfFirst(rels, unit);
        TableWriter writer(rels);
        bool classKept = false;
        for (const auto& row : ownRows) {
            if (!IsClassCategory(CategoryOf(row))) {
                writer.remove(row.rowid);
                continue;
            }
            if (classKept || texts_[uf::Unitclass] == loadedClass_) continue;
            session_.ui().error(QStringLiteral("Class change of units with equal or contemporary relations not "
                                               "allowed.\r\nInitial class %1 restored.")
                                    .arg(loadedClass_));
            TableWriter unitWriter(units);
            unitWriter.set(uf::Unitclass, loadedClass_);
            unitWriter.update(unitRow(units, unit)->rowid);
            texts_[uf::Unitclass] = loadedClass_;
            session_.previousUnitValues[uf::Unitclass] = loadedClass_;
            changed(uf::Unitclass);
            classKept = true;
        }
        for (const auto& row : RowsOfSecond(rels, unit)) {
            const QChar code = CategoryOf(row);
            if (!IsClassCategory(code) && code != category::PartOf) writer.remove(row.rowid);
        }
    }
    for (const auto& row : entryRows(session_.relEntry())) {
        const QChar c = codeOf(row);
        if (IsClassCategory(c) && textAt(row, rel::RelationStatus) == status::Stored) continue;
        AddRelationship(session_, units, rels, unit, SecondUnitOf(row), c, textAt(row, rel::RelationFull),
                        level::Errors);
    }
}

bool UnitEditor::next(bool older)
{
    if (!save()) return false;
    const UnitKey saved = loadedKey_;
    beginEmptyUnit(classChoices().value(0, kContext));
    loadedKey_ = saved;
    loadedClass_ = texts_[uf::Unitclass];
    if (older) {
        InsertRelationRow(session_.relEntry(), kPlaceholderUnit, saved, category::Earlier, QString(), status::Stored);
        relationsChanged_ = true;
    }
    focusField_ = uf::Unitname;
    for (int f = 0; f < kUnitFieldCount; ++f) changed(f);
    return true;
}

MoveResult UnitEditor::move(MoveDirection direction)
{
    UserInterface& ui = session_.ui();
    const bool keyChanged = editedKey() != loadedKey_;
    if (!save()) return MoveResult::Failed;
    if (keyChanged) {
        ui.error(QStringLiteral("Excavation or unit name change disables all Move-buttons"),
                 HelpTopic(kMoveButtonsHelpTopic));
        close();
        return MoveResult::Closed;
    }
    Table& units = session_.units();
    if (!units.locate(QStringLiteral("Excavation;Unitname"), {loadedKey_.excavation, loadedKey_.unitname})) {
        ui.error(QStringLiteral("Unitname %1 not found in excavation %2").arg(loadedKey_.unitname, loadedKey_.excavation));
        return MoveResult::Failed;
    }
    switch (direction) {
    case MoveDirection::Next:
        units.next();
        if (units.eof()) ui.warning(QStringLiteral("Bottom of unit list"));
        break;
    case MoveDirection::Previous:
        units.prior();
        if (units.bof()) ui.warning(QStringLiteral("Top of unit list"));
        break;
    case MoveDirection::First: units.first(); break;
    case MoveDirection::Last: units.last(); break;
    }
    const UnitKey reached{units.str(uf::Excavation), units.str(uf::Unitname)};
    classBox_ = {units.str(uf::Unitclass)};
    if (reached == loadedKey_) {
        ui.beep();
        return MoveResult::Same;
    }
    if (!loadUnit(reached, true)) return MoveResult::Failed;
    focusField_ = uf::Unitname;
    for (int f = 0; f < kUnitFieldCount; ++f) changed(f);
    return MoveResult::Moved;
}

} // namespace belvanto
