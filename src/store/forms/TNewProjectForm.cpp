#include "store/forms/TNewProjectForm.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/forms/TFieldConfigForm.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace belvanto {

namespace {
const QString kProjectPlaceholder = QStringLiteral("*.bvp");
const QString kTermPlaceholder = QStringLiteral("*.db");
const HelpTopic kHelp("New_project");
} // namespace

TNewProjectForm::TNewProjectForm(Session& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("NewProjectForm"));
    setWindowTitle(QStringLiteral("New Project Control"));

    ProjectFileEdit = new QLineEdit(kProjectPlaceholder, this);
    ProjectFileEdit->setObjectName(QStringLiteral("ProjectFileEdit"));
    TermFileEdit = new QLineEdit(kTermPlaceholder, this);
    TermFileEdit->setObjectName(QStringLiteral("TermFileEdit"));
    ExcavationEdit = new QLineEdit(this);
    ExcavationEdit->setObjectName(QStringLiteral("ExcavationEdit"));
    ExcavationEdit->setMaxLength(session.catalogue()[uf::Excavation].Size);
    ExcavationEdit->setToolTip(QStringLiteral("Obligatory default excavation name"));
    ExcavationEdit->setPlaceholderText(QStringLiteral("Obligatory default excavation name"));
    DirectoryLabel = new QLabel(QDir::toNativeSeparators(QDir::currentPath()), this);
    DirectoryLabel->setObjectName(QStringLiteral("DirectoryLabel"));
    DirectoryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProjectSearchButton = new QPushButton(QStringLiteral("Search..."), this);
    ProjectSearchButton->setObjectName(QStringLiteral("ProjectSearchButton"));
    TermSearchButton = new QPushButton(QStringLiteral("Search..."), this);
    TermSearchButton->setObjectName(QStringLiteral("TermSearchButton"));
    ConfigureButton = new QPushButton(QStringLiteral("Configure Fields"), this);
    ConfigureButton->setObjectName(QStringLiteral("ConfigureButton"));
    for (QPushButton* b : {ProjectSearchButton, TermSearchButton, ConfigureButton}) b->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("&Project file:"), this), 0, 0);
    grid->addWidget(ProjectFileEdit, 0, 1);
    grid->addWidget(ProjectSearchButton, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("&Term file:"), this), 1, 0);
    grid->addWidget(TermFileEdit, 1, 1);
    grid->addWidget(TermSearchButton, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("&Excavation:"), this), 2, 0);
    grid->addWidget(ExcavationEdit, 2, 1);
    grid->addWidget(ConfigureButton, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Current directory:"), this), 3, 0);
    grid->addWidget(DirectoryLabel, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    static_cast<QLabel*>(grid->itemAtPosition(0, 0)->widget())->setBuddy(ProjectFileEdit);
    static_cast<QLabel*>(grid->itemAtPosition(1, 0)->widget())->setBuddy(TermFileEdit);
    static_cast<QLabel*>(grid->itemAtPosition(2, 0)->widget())->setBuddy(ExcavationEdit);

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    connect(ProjectSearchButton, &QPushButton::clicked, this, &TNewProjectForm::searchProjectFile);
    connect(TermSearchButton, &QPushButton::clicked, this, &TNewProjectForm::searchTermFile);
    connect(ConfigureButton, &QPushButton::clicked, this, &TNewProjectForm::configureFields);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addWidget(buttons.box);
    resize(560, sizeHint().height());
}

void TNewProjectForm::searchProjectFile()
{
    if (const auto path = SearchProjectFile(session_)) {
        acceptedProjectFile_ = QDir::toNativeSeparators(*path);
        ProjectFileEdit->setText(acceptedProjectFile_);
    }
}

void TNewProjectForm::searchTermFile()
{
    const QString path = SearchTermFile(session_);
    TermFileEdit->setText(path == kTermPlaceholder ? path : QDir::toNativeSeparators(path));
}

void TNewProjectForm::configureFields()
{
    const QString term = TermFileEdit->text().trimmed();
    const bool termFile = !term.isEmpty() && term != kTermPlaceholder;
    TFieldConfigForm form(session_.catalogue(), termFile, true, session_.project().SingleExcavation, session_.ui(), this);
    if (form.exec() != QDialog::Accepted) return;
    form.applyTo(session_.catalogue());
    session_.project().SingleExcavation = form.singleExcavation();
}

NewProjectRequest TNewProjectForm::request() const
{
    NewProjectRequest r;
    r.projectFile = QDir::fromNativeSeparators(ProjectFileEdit->text());
    r.acceptedBySearch = !acceptedProjectFile_.isEmpty() && ProjectFileEdit->text() == acceptedProjectFile_;
    const QString term = TermFileEdit->text().trimmed();
    r.termFile = term == kTermPlaceholder ? QString() : QDir::fromNativeSeparators(term);
    r.excavation = ExcavationEdit->text();
    return r;
}

void TNewProjectForm::accept()
{
    switch (ValidateNewProjectRequest(session_, request())) {
    case NewProjectFocus::ProjectFile:
        ProjectFileEdit->setFocus();
        ProjectFileEdit->selectAll();
        return;
    case NewProjectFocus::Excavation:
        ExcavationEdit->setFocus();
        ExcavationEdit->selectAll();
        return;
    case NewProjectFocus::None:
        break;
    }
    QDialog::accept();
}

} // namespace belvanto
