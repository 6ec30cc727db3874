#pragma once
// "Unit Field Configuration": which fields the unit list and the unit form
// show and which take terms only, and the project's composition.
#include <QDialog>
#include <QTableWidget>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace belvanto {

class UnitFieldCatalogue;
class UserInterface;

// The grid: X or empty in the option cells, "-" where an option does not
// apply. Only X, backspace and delete change a cell; other keys beep.
class TFieldGrid : public QTableWidget {
    Q_OBJECT
public:
    TFieldGrid(UserInterface& ui, QWidget* parent);
    QString cell(int row, int column) const;
protected:
    void keyPressEvent(QKeyEvent* event) override;
private:
    void toggle(int row, int column);
    void setCell(int row, int column, const QString& text);
    UserInterface& ui_;
};

class TFieldConfigForm : public QDialog {
    Q_OBJECT
public:
    // termFileLinked: the "Terms only" cells of string fields can be set.
    // showComposition: the project composition group is shown.
    TFieldConfigForm(const UnitFieldCatalogue& catalogue, bool termFileLinked, bool showComposition,
                     bool singleExcavation, UserInterface& ui, QWidget* parent = nullptr);

    // Stores the options of the listed fields; "-" cells leave theirs alone.
    void applyTo(UnitFieldCatalogue& catalogue) const;
    bool singleExcavation() const;

    TFieldGrid* grid() const { return FieldGrid; }
    // Catalogue position of a grid row.
    static int fieldOfRow(int row) { return row + kFirstField; }
    static constexpr int kFirstField = 3;    // fields 1 to 3 are never configured
    static constexpr int kRows = 31;         // fields 4 to 34
    QGroupBox* compositionGroup() const { return CompositionGroup; }
    QRadioButton* singleRadio() const { return SingleRadio; }
    QRadioButton* multipleRadio() const { return MultipleRadio; }

private:
    TFieldGrid* FieldGrid = nullptr;
    QGroupBox* CompositionGroup = nullptr;
    QRadioButton* SingleRadio = nullptr;
    QRadioButton* MultipleRadio = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

} // namespace belvanto
