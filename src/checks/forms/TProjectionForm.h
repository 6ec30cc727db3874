#pragma once
// "Projection Configuration": the section along which the contexts' centre
// coordinates order them horizontally, chosen by its angle while a profile
// along it and a plan with the section line show what it does.
#include "checks/Projection.h"
#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace belvanto {

class Regional;
class Session;
class UserInterface;

inline const QString kProjectionHelpTopic = QStringLiteral("Show_projection");

class TProjectionForm : public QDialog {
    Q_OBJECT
public:
    // model: a projection without a warning.
    TProjectionForm(ProjectionModel model, UserInterface& ui, const Regional& regional, QWidget* parent = nullptr);

    // The angle of the field and the mean point.
    ProjectionChoice choice() const;
    // Checks both tick fields first; a failing one keeps the dialog open
    // with the focus on it.
    void accept() override;

    QLabel* ProfileImage = nullptr;
    QLabel* PlanImage = nullptr;
    QSpinBox* AngleEdit = nullptr;
    QLineEdit* MajorTicksEdit = nullptr;
    QLineEdit* MinorTicksEdit = nullptr;
    QCheckBox* ThematicCheck = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The spacing of a tick field, or nothing after its message.
    std::optional<double> checkTicks(QLineEdit* edit);
    void TicksEditExit(QLineEdit* edit);
    void TicksEditChange(QLineEdit* edit, double& spacing);
    // Both pictures, along the direction of the angle field.
    void Redraw();
    void draw(const SectionDirection& direction);

    ProjectionModel model_;
    UserInterface& ui_;
    const Regional& regional_;
    // The last spacings that were numbers not below 0.
    double majorTicks_ = kDefaultMajorTicks;
    double minorTicks_ = kDefaultMinorTicks;
};

// The projection dialog over the open project's contexts: its warning
// instead when a projection is not sensible. The choice on OK, nothing on
// Cancel or after a warning.
std::optional<ProjectionChoice> AskProjection(Session& session, QWidget* parent);

} // namespace belvanto
