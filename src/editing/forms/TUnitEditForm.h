#pragma once
// "Edit unit data": the widgets over a UnitEditor. Every control is bound to
// one catalogue position; it pushes what is typed into the editor and shows
// what the editor holds. Every decision (leaving rules, saving, the
// relationship rules, moving) is the editor's.
#include "editing/UnitEditor.h"
#include "store/UnitFields.h"
#include <QColor>
#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <vector>

class QAbstractButton;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace belvanto {

class Session;

// The stored colour holds red in its lowest byte, then green, then blue.
QColor ColourFromStored(qint32 stored);
qint32 StoredFromColour(const QColor& colour);

class TUnitEditForm : public QDialog {
    Q_OBJECT
public:
    // The editor must be open; the form shows it as it is.
    TUnitEditForm(Session& session, UnitEditor& editor, QWidget* parent = nullptr);
    ~TUnitEditForm() override;

    // The control bound to a catalogue position and its caption (a label,
    // or the Drawings and Photos buttons); none for fields without one.
    QWidget* fieldControl(int field) const { return controls_[std::size_t(field)]; }
    QWidget* fieldCaption(int field) const { return captions_[std::size_t(field)]; }
    // The control of the field the focus is on or was on last.
    int lastField() const { return lastField_; }
    QTreeWidget* relationList(RelationList list) const { return lists_[std::size_t(list)].list; }
    QPushButton* addButton(RelationList list) const { return lists_[std::size_t(list)].add; }
    QPushButton* removeButton(RelationList list) const { return lists_[std::size_t(list)].remove; }

    QLineEdit* NameEdit = nullptr;
    QLineEdit* ExcavationEdit = nullptr;
    QComboBox* ClassCombo = nullptr;
    QPushButton* ColourButton = nullptr;
    QComboBox* StyleCombo = nullptr;
    QTabWidget* Pages = nullptr;
    QPushButton* DrawingsButton = nullptr;
    QPushButton* PhotosButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* NextOlderButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QToolButton* FirstButton = nullptr;
    QToolButton* PriorButton = nullptr;
    QToolButton* NextUnitButton = nullptr;
    QToolButton* LastButton = nullptr;
    QToolButton* CutButton = nullptr;
    QToolButton* CopyButton = nullptr;
    QToolButton* PasteButton = nullptr;
    QToolButton* TermListButton = nullptr;

    // The focus to the name edit, which runs the leaving rules of the field
    // left, then the editor's save; a refusal puts the focus on the control
    // the editor names.
    bool SaveUnit();
    void OKButtonClick();
    void CancelButtonClick();
    void NextButtonClick(bool older);
    void MoveButtonClick(MoveDirection direction);
    void ColourButtonClick();
    void TermListButtonClick();
    void AddRelationClick(RelationList list);
    void RemoveRelationClick(RelationList list);
    void RelationDoubleClick(RelationList list);
    void ImageButtonClick(int field);

    // Field aids on one field: F4, F5, F6 and the context menu's entries.
    void TermLookup(int field);
    void CopyPrevious(int field);
    void Today(int field);
    // The context menu of a field, built as it opens.
    void fillFieldMenu(QMenu& menu, int field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Closing the window by other means is Cancel.
    void reject() override;

private:
    struct ListControls {
        QTreeWidget* list = nullptr;
        QPushButton* add = nullptr;
        QPushButton* remove = nullptr;
    };

    void build();
    QWidget* buildUnitDataPage();
    QWidget* buildRelationsPage();
    QWidget* buildFindsPage();
    QWidget* buildBottomRow();
    void bindLine(int field, QLineEdit* edit);
    QLineEdit* lineEdit(int field);
    QPlainTextEdit* memoEdit(int field);
    QLabel* caption(int field, const QString& text);
    void setTabChain();
    void applyVisibility();
    // Buttons that run rules ignore the click whose focus move was refused.
    void onClick(QAbstractButton* button, std::function<void()> act);

    void focusChanged(QWidget* old, QWidget* now);
    bool runLeaveRules(int field);
    bool focusNameEdit();
    void focusField(int field);
    int fieldOf(const QObject* widget) const;

    // From the editor to the controls.
    void showField(int field);
    void showAll();
    void showNameColour();
    void showRelations();
    void loadClassChoices();
    QString controlText(int field) const;
    void pushText(int field);
    bool handleFieldKey(int field, QKeyEvent* key);
    bool handleMoveKey(QKeyEvent* key);
    void changeComment(QTreeWidget* tree);

    Session& session_;
    UnitEditor& editor_;
    std::array<QWidget*, kUnitFieldCount> controls_{};
    std::array<QWidget*, kUnitFieldCount> captions_{};
    std::array<ListControls, 3> lists_{};
    std::vector<QWidget*> tabChain_;
    QList<QLabel*> coordinateHeads_, yearHeads_;
    std::array<QLabel*, 3> coordinateRows_{};
    QWidget* coordinateGroup_ = nullptr;
    QWidget* datingYears_ = nullptr;
    int lastField_ = 1;
    // The field whose leaving rules have not run since it lost the focus to
    // Cancel or to a window outside the form.
    int pendingLeave_ = kNoField;
    bool showing_ = false;     // the editor's values go into the controls
    bool restoring_ = false;   // the focus goes back after a refusal
    bool settling_ = false;    // until the events of a refused move are through
    QPointer<QAbstractButton> refusedButton_, swallowClick_;
    QMetaObject::Connection focusConnection_;
};

} // namespace belvanto
