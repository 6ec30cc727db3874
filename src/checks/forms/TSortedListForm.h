#pragma once
// "Sorted list": the periods (or phases) in the order the check found, for
// the user to settle the order of those the stratigraphy could not tell
// apart. Only such a period moves; it swaps with its neighbour, whichever
// period that is.
#include "checks/PeriodCheck.h"
#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace belvanto {

inline const QString kSortedListHelpTopic = QStringLiteral("Check_phases");

class TSortedListForm : public QDialog {
    Q_OBJECT
public:
    // periods in position order; label "Period" or "Phase". beep is called
    // for a move that cannot be made (QApplication::beep when none).
    TSortedListForm(const PeriodList& periods, const QString& label, QWidget* parent = nullptr,
                    std::function<void()> beep = {});

    // The names as they now stand, as indices into the given list.
    std::vector<int> order() const;

    QListWidget* list() const { return PeriodListBox; }
    QLabel* label() const { return SequenceLabel; }
    QPushButton* upButton() const { return UpButton; }
    QPushButton* downButton() const { return DownButton; }
    QPushButton* okButton() const { return OKButton; }
    QPushButton* cancelButton() const { return CancelButton; }

    void UpButtonClick();
    void DownButtonClick();

private:
    void move(int step);

    PeriodList periods_;
    std::function<void()> beep_;
    QLabel* SequenceLabel = nullptr;
    QListWidget* PeriodListBox = nullptr;
    QPushButton* UpButton = nullptr;
    QPushButton* DownButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

// The chooser the check run uses in the desktop program: the dialog above.
PeriodOrderChooser SortedListChooser(QWidget* parent, const QString& label);

} // namespace belvanto
