#pragma once
// The unit edit form without its widgets: the unit under edit, its three
// relationship lists, the rules that run when a field is left, and saving.
// The form binds its controls to the values by catalogue position and asks
// the editor for every decision, so that the command line's "unit set" and
// "unit rename" and the tests go through exactly the same rules.
//
// The unit under edit lives in the temporary unit table and its
// relationships in the temporary relationship table (first unit the
// placeholder x); nothing reaches the project's tables before save().
#include "store/Table.h"
#include "store/UnitKey.h"
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace belvanto {

class Session;
struct TermRecord;

inline constexpr int kUnitSaveHelpTopic = 129;        // validation errors of a save
inline constexpr int kUnitRelationsHelpTopic = 130;   // relations before the unit name
inline constexpr int kMoveButtonsHelpTopic = 49;
inline constexpr int kDiscardUnitHelpTopic = 63;
inline constexpr int kUnitTermLookupHelpTopic = 65;   // term lookup on a field of the form

// The caller's mode; the numbers are those the help and the callers use.
enum class EditMode { New = 0, Edit = 1, Combine = 2, Copy = 3, Split = 4 };
// Help topic of the opening mode: "Enter_new_unit", "Unit_edit", ...
QString UnitEditHelpTopic(EditMode mode);

// The control a refusal sends the focus to: a catalogue position (uf::...),
// or none.
inline constexpr int kNoField = -1;

// The three lists of the "&Relations" page.
enum class RelationList { LaterThan, EarlierThan, Other };

struct EditorRelation {
    UnitKey second;
    QChar code;
    QString comment;
    QString status;
};

enum class MoveDirection { First, Previous, Next, Last };

enum class MoveResult {
    Failed,     // the save failed or the unit reached was not found: the form stays
    Moved,      // another unit is loaded
    Same,       // the unit reached is the one shown: beep
    Closed,     // the key changed, which disables the move buttons: the form closes with OK
};

class UnitEditor {
public:
    explicit UnitEditor(Session& session);
    ~UnitEditor();   // an open edit is cancelled
    UnitEditor(const UnitEditor&) = delete;
    UnitEditor& operator=(const UnitEditor&) = delete;

    // ---- Opening and closing -------------------------------------------
    // Prepares an edit: suspends the display of the unit and relationship
    // tables, sets the relationship filter aside, loads the temporary
    // tables. classList empty: all three classes. False (after "Unitname
    // <name> not found. Data base corrupt?") when the unit is missing; then
    // everything is as it was before the call and the form is not shown.
    bool open(const QString& excavation, const QString& unitName, const QStringList& classList, EditMode mode);
    bool isOpen() const { return open_; }
    // OK after a successful save, Cancel, and the move buttons' closing
    // rule: the relationship filter comes back, the display resumes.
    void close();
    // Cancel: true when the form may close (asks "Do you really want to
    // discard the current unit and all its relations?" for a new unit with
    // relationships); then the edit is discarded and closed.
    bool cancel();

    EditMode mode() const { return mode_; }                // New after copy and split
    EditMode openingMode() const { return openingMode_; }
    // The entries of the class box.
    QStringList classChoices() const;
    bool singleExcavation() const;

    // ---- Values ---------------------------------------------------------
    // Every field as the form shows it: numbers with the regional decimal
    // separator, dates in the regional short format, colour and style as
    // decimal integers. "" for an empty field.
    QString text(int field) const;
    // Pushes a control's text. Nothing is checked before leaveField() and
    // save(); the text is kept as typed.
    void setText(int field, const QString& text);
    // Told whenever the editor itself changes a value (term rules, copy
    // previous, loading another unit), so that the form shows it.
    std::function<void(int field)> onValueChanged;

    // The name edit refuses these characters as typed.
    static bool acceptsNameCharacter(QChar c);

    // ---- Field aids -----------------------------------------------------
    // The leaving rules of a string field (abbreviation, terms only, period
    // and phase years). False when the focus must go back to the field.
    bool leaveField(int field);
    // F4 / "Term lookup": the label whose terms to offer, after the messages
    // for no term file, a field without terms and the question whether to
    // create terms; none to stop.
    std::optional<QString> termLookupLabel(int field);
    // The term chosen in the look-up: replaces the text, fills empty years.
    void applyTerm(int field, const TermRecord& term, bool fillYears);
    // F5: false when no unit has been saved yet (the form beeps).
    bool copyPrevious(int field);
    bool hasPrevious() const;
    // F6: the date in the regional short date format.
    QString todayText(QDate today = QDate::currentDate()) const;

    // ---- Relationships --------------------------------------------------
    std::vector<EditorRelation> relations(RelationList list) const;
    bool hasRelations() const;
    // Before the relationship dialog opens: the excavation and the name must
    // be there. Returns the field to focus after the message, or kNoField.
    int checkRelationStart();
    // One entry of the relationship dialog: refused with a message when it
    // names the unit itself or a unit already in any list.
    bool storeRelation(const UnitKey& second, QChar code, const QString& comment);
    // Remove button: DeleteRelationship on that row (it asks first).
    bool removeRelation(const UnitKey& second);
    bool setRelationComment(const UnitKey& second, const QString& comment);
    bool relationsChanged() const { return relationsChanged_; }

    // ---- Saving -----------------------------------------------------------
    // Validates, writes the unit (in edit mode one update of the stored
    // record, key included), renames it in the relationship table when its
    // key changed and, only when relationsChanged(), commits its
    // relationships; otherwise no relationship row is touched. On failure
    // nothing is written and focusField() tells where the focus goes.
    bool save();
    int focusField() const { return focusField_; }
    // Next and Next older: save, then begin a new unit (older: earlier than
    // the unit just saved).
    bool next(bool older);
    // The move buttons, in the unit table's current order and filter.
    MoveResult move(MoveDirection direction);

    bool unitsChanged() const { return unitsChanged_; }
    // The key of the unit saved last, or as loaded.
    UnitKey loadedKey() const { return loadedKey_; }
    QString loadedClass() const { return loadedClass_; }

private:
    // Implementation state; see UnitEditor.cpp.
    Session& session_;
    bool open_ = false;
    EditMode mode_ = EditMode::New;
    EditMode openingMode_ = EditMode::New;
    QStringList classList_;
    UnitKey loadedKey_;
    QString loadedClass_;
    bool relationsChanged_ = false;
    bool unitsChanged_ = false;
    int focusField_ = kNoField;
    bool relFilterWasOn_ = false;
    QString relFilterText_;
    std::array<QString, 43> texts_;
    // What the class box offers: the allowed classes at opening, the moved-to
    // unit's class after a move.
    QStringList classBox_;
    // The values as loaded and their texts: a field whose text is unchanged
    // keeps its stored value exactly, whatever it reads as.
    std::vector<Value> loadedValues_;
    std::array<QString, 43> loadedTexts_;

    UnitKey editedKey() const;
    QString valueText(int field, const Value& value) const;
    void setValues(const std::vector<Value>& values);
    void changed(int field);
    bool loadUnit(const UnitKey& key, bool withRelations);
    void beginEmptyUnit(const QString& unitClass);
    void fillYears(const TermRecord& term);
    std::optional<std::vector<Value>> convertedValues();
    bool refuse(const QString& message, int field);
    bool writeUnit(const std::vector<Value>& values, const UnitKey& key);
    void renameInRelations(const UnitKey& from, const UnitKey& to);
    void commitRelations(const UnitKey& unit);
    void restoreTables();
};

} // namespace belvanto
