#pragma once
// The relationship dialog: "New Relationship" for entering relationships of
// one unit (from the main window or the unit edit form), and "Change
// relationship comment" for the comment of the relationship list's rows.
#include "store/UnitKey.h"
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace belvanto {

class Session;
class Table;

struct RelationshipEntry {
    UnitKey first, second;
    QChar code;
    QString comment;
};

class TRelationshipForm : public QDialog {
    Q_OBJECT
public:
    struct AddSetup {
        UnitKey first;
        QString category;            // preset, "" for none
        bool categoryFixed = false;  // shown read-only
        bool earlierLater = true;    // "<" and ">" may be entered
        bool clearCategoryOnNext = true;
        // Next stores the entry at once and tells whether it was stored;
        // without it there is no Next button.
        std::function<bool(const RelationshipEntry&)> storeNext;
    };
    // "New Relationship".
    TRelationshipForm(Session& session, const AddSetup& setup, QWidget* parent = nullptr);
    // "Change relationship comment" for the current row of relTable; Next
    // walks on through its rows.
    TRelationshipForm(Session& session, Table& relTable, QWidget* parent = nullptr);

    RelationshipEntry entry() const;
    // Entries Next stored; refused ones are not counted.
    int entered() const { return entered_; }
    // Second units created from the dialog on the user's Yes.
    int unitsCreated() const { return unitsCreated_; }
    bool changeCommentMode() const { return relTable_ != nullptr; }

    QLineEdit* firstExcavationEdit() const { return FirstExcavationEdit; }
    QLineEdit* firstUnitEdit() const { return FirstUnitEdit; }
    QLineEdit* categoryEdit() const { return CategoryEdit; }
    QLineEdit* secondExcavationEdit() const { return SecondExcavationEdit; }
    QLineEdit* secondUnitEdit() const { return SecondUnitEdit; }
    QLineEdit* commentEdit() const { return CommentEdit; }
    QPushButton* okButton() const { return OKButton; }
    QPushButton* nextButton() const { return NextButton; }

    // F4 and the context menu's "Term lookup" on one of the edits.
    void termLookup(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    // Read-only edits are left out of the Tab order.
    void updateTabStops();
    bool categoryAllowed(QChar code) const;
    void chooseCategory();
    bool validate();
    void OKButtonClick();
    void NextButtonClick();
    void showCurrentRow();
    void writeComment();

    Session& session_;
    Table* relTable_ = nullptr;
    AddSetup setup_;
    int entered_ = 0;
    int unitsCreated_ = 0;

    QLineEdit* FirstExcavationEdit = nullptr;
    QLineEdit* FirstUnitEdit = nullptr;
    QLineEdit* CategoryEdit = nullptr;
    QLineEdit* SecondExcavationEdit = nullptr;
    QLineEdit* SecondUnitEdit = nullptr;
    QLineEdit* CommentEdit = nullptr;
    QLabel* CountLabel = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

} // namespace belvanto
