#pragma once
// "Unit information": the filled fields of a unit clicked in the diagram
// and its relationships, in a two-column grid.
#include "diagram/Interaction.h"
#include <QDialog>

class QPushButton;
class QTableWidget;

namespace belvanto {

inline const QString kUnitInfoHelpTopic = QStringLiteral("Unit_information_mode");

class TUnitInfoForm : public QDialog {
public:
    explicit TUnitInfoForm(const UnitInformation& info, QWidget* parent = nullptr);

    QTableWidget* FieldGrid = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

} // namespace belvanto
