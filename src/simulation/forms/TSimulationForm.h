#pragma once
// "Simulation Configuration": the size and shape of a simulated project and
// the seeds that make it reproducible.
#include "simulation/SimulationConfig.h"
#include <QDialog>
#include <array>

class QLineEdit;
class QPushButton;

namespace belvanto {

class Session;

class TSimulationForm : public QDialog {
    Q_OBJECT
public:
    TSimulationForm(Session& session, TimeOfDay clock, QWidget* parent = nullptr);

    // The texts as they stand, for the checks of OK.
    SimulationEntries entries() const;
    // What OK accepted.
    const SimulationSettings& settings() const { return settings_; }
    QLineEdit* edit(SimField field) const { return edits_[std::size_t(field)]; }
    QPushButton* shuffleButton() const { return ShuffleButton; }

    void accept() override;   // the checks of OK
    void SearchButtonClick();
    void ShuffleButtonClick();

private:
    QLineEdit* makeEdit(SimField field, const char* name, int maxLength);

    Session& session_;
    TimeOfDay clock_;
    SimulationSettings settings_;
    QString searchedFile_;   // as the search button put it into the edit
    std::array<QLineEdit*, kSimFieldCount> edits_{};
    QPushButton* SearchButton = nullptr;
    QPushButton* ShuffleButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

// The File menu's "&Simulate...": refuses while a project is open, asks for
// the configuration and makes the project, which stays open. True when a
// project was made.
bool SimulateProject(Session& session, QWidget* parent, const TimeOfDay& clock = SystemTimeOfDay);

} // namespace belvanto
