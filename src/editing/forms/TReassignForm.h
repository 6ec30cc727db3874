#pragma once
// The reassignment dialog: the members of an equal or contemporary class
// divided between the two units of a removed relationship, or the members of
// a split container divided between the old and the new container.
#include "store/UnitKey.h"
#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace belvanto {

class Session;

class TReassignForm : public QDialog {
    Q_OBJECT
public:
    TReassignForm(Session& session, const UnitKey& first, const UnitKey& second, QChar code,
                  const std::vector<UnitKey>& members, QWidget* parent = nullptr);

    std::vector<UnitKey> leftList() const;
    std::vector<UnitKey> rightList() const;

    QTreeWidget* leftTree() const { return LeftList; }
    QTreeWidget* rightTree() const { return RightList; }
    QPushButton* moveRightButton() const { return MoveRightButton; }
    QPushButton* moveLeftButton() const { return MoveLeftButton; }
    QPushButton* allRightButton() const { return AllRightButton; }
    QPushButton* allLeftButton() const { return AllLeftButton; }
    QPushButton* okButton() const { return OKButton; }

private:
    void move(QTreeWidget* from, QTreeWidget* to, bool all);

    Session& session_;
    QLabel* FirstUnitLabel = nullptr;
    QLabel* SecondUnitLabel = nullptr;
    QTreeWidget* LeftList = nullptr;
    QTreeWidget* RightList = nullptr;
    QPushButton* MoveRightButton = nullptr;
    QPushButton* MoveLeftButton = nullptr;
    QPushButton* AllRightButton = nullptr;
    QPushButton* AllLeftButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

// Opens the dialog; on OK the division is applied to the relationship
// table. True on OK.
bool ReassignRelations(Session& session, QWidget* parent, const UnitKey& first, const UnitKey& second, QChar code,
                       const std::vector<UnitKey>& members);

} // namespace belvanto
