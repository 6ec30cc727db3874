#pragma once
// "New Project Control": the project file, the term file and the default
// excavation of a new project, with the field configuration.
#include "store/Project.h"
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace belvanto {

class Session;

class TNewProjectForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewProjectForm(Session& session, QWidget* parent = nullptr);
    // What OK accepted.
    NewProjectRequest request() const;

    QLineEdit* projectFileEdit() const { return ProjectFileEdit; }
    QLineEdit* termFileEdit() const { return TermFileEdit; }
    QLineEdit* excavationEdit() const { return ExcavationEdit; }
    void accept() override;   // the OK tests
    void searchProjectFile();
    void searchTermFile();
    void configureFields();

private:
    Session& session_;
    QString acceptedProjectFile_;   // as the project search button put it into the edit
    QLineEdit* ProjectFileEdit = nullptr;
    QLineEdit* TermFileEdit = nullptr;
    QLineEdit* ExcavationEdit = nullptr;
    QLabel* DirectoryLabel = nullptr;
    QPushButton* ProjectSearchButton = nullptr;
    QPushButton* TermSearchButton = nullptr;
    QPushButton* ConfigureButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

} // namespace belvanto
