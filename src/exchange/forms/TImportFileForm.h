#pragma once
// "Select Import File": the file to import, the excavation of its units and
// the new project to make of it.
#include "exchange/ImportCommand.h"
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace belvanto {

class Session;

class TImportFileForm : public QDialog {
    Q_OBJECT
public:
    explicit TImportFileForm(Session& session, QWidget* parent = nullptr);
    // What OK accepted.
    ImportRequest request() const;
    void accept() override;   // the OK tests
    void ImportSearchButtonClick();
    void ProjectSearchButtonClick();

    QLineEdit* ImportFileEditbox = nullptr;
    QLineEdit* ExcavationEdit = nullptr;
    QLineEdit* ProjectFileEditbox = nullptr;
    QPushButton* ImportSearchButton = nullptr;
    QPushButton* ProjectSearchButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    Session& session_;
    // As the search buttons put them into the edits.
    QString chosenImportFile_, chosenProjectFile_;
};

} // namespace belvanto
