#pragma once
// "Select Relation": the relationship categories with their symbols, for
// category edits that were given a key they do not take.
#include <QDialog>
#include <optional>

class QPushButton;
class QTableWidget;

namespace belvanto {

class TSelectRelationForm : public QDialog {
    Q_OBJECT
public:
    // earlierLater: all five categories, otherwise "=", "-" and "p" only.
    explicit TSelectRelationForm(bool earlierLater, QWidget* parent = nullptr);

    // The category of the current row.
    std::optional<QChar> chosen() const;
    QTableWidget* grid() const { return RelationGrid; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTableWidget* RelationGrid = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

// Shows the dialog; the chosen category, or nothing on Cancel.
std::optional<QChar> SelectRelation(bool earlierLater, QWidget* parent);

} // namespace belvanto
