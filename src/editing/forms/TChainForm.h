#pragma once
// "Chain Relationship Entry": contexts from the latest at the top to the
// earliest at the bottom, each stored as later than the one below it.
#include <QDialog>
#include <QTableWidget>

class QLineEdit;
class QPushButton;

namespace belvanto {

class Session;
class UserInterface;

// The name column takes unit names only; "-" and Tab in the last row add a
// row, and the class column follows the names.
class TChainGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kClassColumn = 0;
    static constexpr int kNameColumn = 1;
    TChainGrid(UserInterface& ui, QWidget* parent);
    // Adds an empty row at the end and puts the cursor into its name cell.
    void appendRow();
    QString name(int row) const;
    QString classCell(int row) const;
    void setClassCell(int row, const QString& text);
    // Takes over a name still being typed.
    void commitEditing();

Q_SIGNALS:
    // A name cell's text as it is being typed, before it is taken over.
    void nameEdited(int row, const QString& text);

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    UserInterface& ui_;
};

class TChainForm : public QDialog {
    Q_OBJECT
public:
    explicit TChainForm(Session& session, QWidget* parent = nullptr);
    ~TChainForm() override;

    QLineEdit* excavationEdit() const { return ExcavationEdit; }
    TChainGrid* grid() const { return ChainGrid; }
    QPushButton* okButton() const { return OKButton; }
    int unitsCreated() const { return unitsCreated_; }
    // OK: the chain is checked and stored; the dialog closes as the checks say.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshClass(int row);
    void showClass(int row, const QString& name);
    void refreshClasses();
    void ExcavationEditExit();
    void excavationLookup();

    Session& session_;
    int unitsCreated_ = 0;
    QLineEdit* ExcavationEdit = nullptr;
    TChainGrid* ChainGrid = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

} // namespace belvanto
