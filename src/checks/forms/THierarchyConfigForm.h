#pragma once
// "Hierarchy configuration": whether the group hierarchy holds the contexts,
// and whether it checks and shows their periods or phases.
#include "checks/GroupHierarchy.h"
#include <QDialog>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace belvanto {

inline const QString kHierarchyHelpTopic = QStringLiteral("Hierarchy_list_toggle");

class THierarchyConfigForm : public QDialog {
    Q_OBJECT
public:
    explicit THierarchyConfigForm(QWidget* parent = nullptr);

    HierarchyOptions options() const;

    QCheckBox* includeContextsCheck() const { return IncludeContextsCheck; }
    QRadioButton* chronologyRadio(Chronology chronology) const;
    QPushButton* okButton() const { return OKButton; }
    QPushButton* cancelButton() const { return CancelButton; }

private:
    void ChronologyGroupClick();
    void IncludeContextsCheckClick();

    QCheckBox* IncludeContextsCheck = nullptr;
    QGroupBox* ChronologyGroup = nullptr;
    QButtonGroup* ChronologyButtons = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

// Shows the dialog; the options on OK, nothing on Cancel.
std::optional<HierarchyOptions> AskHierarchyOptions(QWidget* parent);

} // namespace belvanto
