#pragma once
// "Select checking operations and layout properties": the options of a
// layout and check run.
//
// The widgets only show a RunOptions. A click is handed to SetRunOption,
// which knows how the controls depend on each other, and every widget is
// then set from the result, so the dialog has no rules of its own beyond
// checking the texts of its edits.
#include "layout/RunOptions.h"
#include <QDialog>
#include <QTime>
#include <array>
#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace belvanto {

class Session;
class UserInterface;

inline const QString kLayoutCheckHelpTopic = QStringLiteral("Layout_and_check_dialogue");

// The time of day "Shuffle" takes its seed from.
using ShuffleClock = std::function<QTime()>;

class TLayoutCheckForm : public QDialog {
    Q_OBJECT
public:
    TLayoutCheckForm(const RunOptions& presets, UserInterface& ui, ShuffleClock clock, QWidget* parent = nullptr);
    ~TLayoutCheckForm() override;

    // The options as the widgets show them.
    RunOptions options() const;
    // The check box of a control; nullptr for the mode, which is a choice.
    QCheckBox* check(RunControl control) const;
    // The edit beside a height or year check; nullptr for the other controls.
    QLineEdit* edit(RunControl control) const;
    QRadioButton* reportRadio(ReportMode mode) const;
    QRadioButton* modeRadio(bool layout) const;
    QRadioButton* coloursRadio(ColourDepth depth) const;

    // Checks every edit as leaving it does; the first failing one keeps the
    // dialog open with the focus on it.
    void accept() override;
    void ShuffleButtonClick();

    QCheckBox* CoordinatesPresentCheck = nullptr;
    QCheckBox* YoungerAboveOlderCheck = nullptr;
    QLineEdit* ZDifferAboveEdit = nullptr;
    QCheckBox* ContemporaryZCheck = nullptr;
    QLineEdit* ZDifferContemporaryEdit = nullptr;
    QCheckBox* EqualZCheck = nullptr;
    QLineEdit* ZDifferEqualEdit = nullptr;
    QCheckBox* CoordsHorizCheck = nullptr;
    QLabel* CoordsHorizNote = nullptr;
    QCheckBox* CheckAboveYear = nullptr;
    QCheckBox* CheckContempYear = nullptr;
    QLineEdit* ContempYearEdit = nullptr;
    QCheckBox* CheckEqualYear = nullptr;
    QLineEdit* EqualYearEdit = nullptr;
    QCheckBox* ConnectedCheck = nullptr;
    QCheckBox* CycleCheck = nullptr;
    QLabel* CycleNote = nullptr;
    QCheckBox* RedundantDelete = nullptr;
    QCheckBox* PeriodCheck = nullptr;
    QCheckBox* PhaseCheck = nullptr;
    QCheckBox* ShowGroupsCheck = nullptr;
    QCheckBox* StrictGroupCheck = nullptr;
    QGroupBox* RandomBox = nullptr;
    QLineEdit* RandomEdit = nullptr;
    QPushButton* ShuffleButton = nullptr;
    QGroupBox* ReportSelection = nullptr;
    QGroupBox* CheckOrLayoutSelection = nullptr;
    QGroupBox* PixelResolution = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    // A height or year check with its edit.
    struct EditRow {
        RunControl control;
        QCheckBox* check;
        QLineEdit* edit;
        QString RunOptions::*text;
        std::optional<FieldProblem> (*problem)(const QString&);
    };

    QCheckBox* makeCheck(RunControl control, const char* name, const char* caption);
    QLineEdit* makeEdit(const char* name, int maxLength);
    QGroupBox* makeChoice(const char* name, const QString& title, QButtonGroup*& group, const QStringList& captions,
                          const QStringList& names);
    void CheckClick(RunControl control, bool checked);
    // Sets every widget from options_, without their signals.
    void showOptions();
    void focusChanged(QWidget* old, QWidget* now);
    void leave(QWidget* old);
    // An edit as leaving it checks it: false after the message.
    bool EditExit(const EditRow& row);
    bool RandomEditExit();
    void CheckExit(const EditRow& row);
    const EditRow* rowOf(const QWidget* widget) const;

    UserInterface& ui_;
    ShuffleClock clock_;
    RunOptions options_;
    std::array<QCheckBox*, kRunControlCount> checks_{};
    std::vector<EditRow> rows_;
    QButtonGroup* reportGroup_ = nullptr;
    QButtonGroup* modeGroup_ = nullptr;
    QButtonGroup* coloursGroup_ = nullptr;
};

// The dialog over the open project's presets: the options on OK, nothing on
// Cancel.
std::optional<RunOptions> AskRunOptions(Session& session, QWidget* parent, const ShuffleClock& clock = QTime::currentTime);

} // namespace belvanto
