#pragma once
// "Cycle in relations of periods": after a period (or phase) check that
// failed, the later/earlier counts between pairs of periods from the period
// relation table, and the relationships behind the pair the user clicks.
// Yellow rows are pairs stated both ways; light green cells are the periods
// of a cycle (the later one of a pair in the first column, the earlier one
// in the second).
#include "store/Table.h"
#include <QColor>
#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace belvanto {

class Session;

inline const QString kRelationCountHelpTopic = QStringLiteral("Phase_relation_count_list");
inline const QColor kBothWaysColour = QColor(255, 255, 0);
inline const QColor kCycleColour = QColor(0xC0, 0xFF, 0xC0);

class TRelationCountForm : public QDialog {
    Q_OBJECT
public:
    // datingField is uf::Period or uf::Phase. Keeps the period relation
    // table open until the window closes.
    TRelationCountForm(Session& session, int datingField, QWidget* parent = nullptr);
    ~TRelationCountForm() override;

    QTableWidget* countGrid() const { return CountGrid; }
    QTableWidget* relationGrid() const { return RelationGrid; }
    QLabel* countTitle() const { return CountTitle; }
    QLabel* relationTitle() const { return RelationTitle; }
    QPushButton* cancelButton() const { return CancelButton; }
    QPushButton* helpButton() const { return HelpButton; }

    void CountGridCellClick(int row, int column);

    void done(int result) override;

private:
    void fillCounts();

    Session& session_;
    int datingField_;
    Table perTable_;
    // The row and column kind the lower grid shows, so that a click on the
    // same pair does not read the relationships again.
    int shownRow_ = -1, shownKind_ = -1;
    QLabel* CountTitle = nullptr;
    QTableWidget* CountGrid = nullptr;
    QLabel* RelationTitle = nullptr;
    QTableWidget* RelationGrid = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

// The window, modal.
void ShowPeriodRelationCounts(Session& session, int datingField, QWidget* parent);

} // namespace belvanto
