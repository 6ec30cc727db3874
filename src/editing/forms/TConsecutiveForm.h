#pragma once
// "Units with consecutive numbers": a run of new units in one go.
#include "editing/ConsecutiveNumbers.h"
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace belvanto {

class Session;

class TConsecutiveForm : public QDialog {
    Q_OBJECT
public:
    explicit TConsecutiveForm(Session& session, QWidget* parent = nullptr);

    ConsecutiveRequest request() const;
    // What OK did: nothing until the units were made.
    const std::optional<ConsecutiveOutcome>& outcome() const { return outcome_; }

    QLineEdit* ExcavationEdit = nullptr;
    QLineEdit* FirstNumberEdit = nullptr;
    QLineEdit* LastNumberEdit = nullptr;
    QLineEdit* PrefixEdit = nullptr;
    QComboBox* UnitClassBox = nullptr;
    QSpinBox* DigitsEdit = nullptr;
    QLineEdit* ModelUnitEdit = nullptr;
    QCheckBox* ChainCheck = nullptr;

    // Checks, asks and creates; the dialog stays open after a refusal or
    // when the user does not confirm.
    void accept() override;
    void ExcavationEditExit();
    void ExcavationEditContextMenu(const QPoint& at);

private:
    Session& session_;
    std::optional<ConsecutiveOutcome> outcome_;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

// The Units menu's "&Consecutive numbers...". True when units were created.
bool ConsecutiveNumbers(Session& session, QWidget* parent);

} // namespace belvanto
