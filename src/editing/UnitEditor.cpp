#include "editing/UnitEditor.h"
#include "store/Session.h"

// Placeholder bodies: the editor's rules are being written; until then the
// form can be built and laid out against this interface.
namespace belvanto {

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
UnitEditor::~UnitEditor() = default;
bool UnitEditor::open(const QString& excavation, const QString& unitName, const QStringList& classList, EditMode mode)
{
    mode_ = openingMode_ = mode;
    classList_ = classList;
    texts_[0] = excavation;
    texts_[1] = unitName;
    open_ = true;
    return true;
}
void UnitEditor::close() { open_ = false; }
bool UnitEditor::cancel() { open_ = false; return true; }
QStringList UnitEditor::classChoices() const { return classList_.isEmpty() ? QStringList{"context", "group", "work area"} : classList_; }
bool UnitEditor::singleExcavation() const { return session_.project().SingleExcavation; }
QString UnitEditor::text(int field) const { return texts_[field]; }
void UnitEditor::setText(int field, const QString& text) { texts_[field] = text; }
bool UnitEditor::acceptsNameCharacter(QChar c) { return c != ' ' && c != ',' && c != ':' && c != '='; }
bool UnitEditor::leaveField(int) { return true; }
std::optional<QString> UnitEditor::termLookupLabel(int) { return std::nullopt; }
void UnitEditor::applyTerm(int, const TermRecord&, bool) {}
bool UnitEditor::copyPrevious(int) { return false; }
bool UnitEditor::hasPrevious() const { return false; }
QString UnitEditor::todayText(QDate today) const { return today.toString(Qt::ISODate); }
std::vector<EditorRelation> UnitEditor::relations(RelationList) const { return {}; }
bool UnitEditor::hasRelations() const { return false; }
int UnitEditor::checkRelationStart() { return kNoField; }
bool UnitEditor::storeRelation(const UnitKey&, QChar, const QString&) { return false; }
bool UnitEditor::removeRelation(const UnitKey&) { return false; }
bool UnitEditor::setRelationComment(const UnitKey&, const QString&) { return false; }
bool UnitEditor::save() { return false; }
bool UnitEditor::next(bool) { return false; }
MoveResult UnitEditor::move(MoveDirection) { return MoveResult::Failed; }

} // namespace belvanto
