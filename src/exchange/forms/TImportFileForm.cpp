#include "exchange/forms/TImportFileForm.h"
#include "store/Session.h"
#include "store/UnitFields.h"
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
const HelpTopic kHelp("Import_stratigraphic_data");
} // namespace

TImportFileForm::TImportFileForm(Session& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("ImportFileForm"));
    setWindowTitle(QStringLiteral("Select Import File"));

    ImportFileEditbox = new QLineEdit(QStringLiteral("*.*"), this);
    ImportFileEditbox->setObjectName(QStringLiteral("ImportFileEditbox"));
    ExcavationEdit = new QLineEdit(this);
    ExcavationEdit->setObjectName(QStringLiteral("ExcavationEdit"));
    ExcavationEdit->setMaxLength(session.catalogue()[uf::Excavation].Size);
    ProjectFileEditbox = new QLineEdit(QStringLiteral("*.bvp"), this);
    ProjectFileEditbox->setObjectName(QStringLiteral("ProjectFileEditbox"));
    ImportSearchButton = new QPushButton(QStringLiteral("Se&arch..."), this);
    ImportSearchButton->setObjectName(QStringLiteral("ImportSearchButton"));
    ProjectSearchButton = new QPushButton(QStringLiteral("Sea&rch..."), this);
    ProjectSearchButton->setObjectName(QStringLiteral("ProjectSearchButton"));
    for (QPushButton* b : {ImportSearchButton, ProjectSearchButton}) b->setAutoDefault(false);

    auto* grid = new QGridLayout;
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("&Import File:"), ImportFileEditbox), 0, 0);
    grid->addWidget(ImportFileEditbox, 0, 1);
    grid->addWidget(ImportSearchButton, 0, 2);
    grid->addWidget(label(QStringLiteral("&Excavation:"), ExcavationEdit), 1, 0);
    grid->addWidget(ExcavationEdit, 1, 1);
    grid->addWidget(label(QStringLiteral("&Target Project File:"), ProjectFileEditbox), 2, 0);
    grid->addWidget(ProjectFileEditbox, 2, 1);
    grid->addWidget(ProjectSearchButton, 2, 2);
    grid->setColumnStretch(1, 1);

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    connect(ImportSearchButton, &QPushButton::clicked, this, &TImportFileForm::ImportSearchButtonClick);
    connect(ProjectSearchButton, &QPushButton::clicked, this, &TImportFileForm::ProjectSearchButtonClick);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addWidget(buttons.box);
    QWidget* order[] = {ImportFileEditbox, ImportSearchButton, ExcavationEdit, ProjectFileEditbox,
                        ProjectSearchButton, OKButton, CancelButton, HelpButton};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    resize(560, sizeHint().height());
}

void TImportFileForm::ImportSearchButtonClick()
{
    if (const auto path = SearchImportFile(session_)) {
        chosenImportFile_ = QDir::toNativeSeparators(*path);
        ImportFileEditbox->setText(chosenImportFile_);
    }
}

void TImportFileForm::ProjectSearchButtonClick()
{
    if (const auto path = SearchTargetProjectFile(session_)) {
        chosenProjectFile_ = QDir::toNativeSeparators(*path);
        ProjectFileEditbox->setText(chosenProjectFile_);
    }
}

ImportRequest TImportFileForm::request() const
{
    ImportRequest r;
    r.importFile = QDir::fromNativeSeparators(ImportFileEditbox->text().trimmed());
    r.importChosenBySearch = !chosenImportFile_.isEmpty() && ImportFileEditbox->text() == chosenImportFile_;
    r.projectFile = QDir::fromNativeSeparators(ProjectFileEditbox->text().trimmed());
    r.projectChosenBySearch = !chosenProjectFile_.isEmpty() && ProjectFileEditbox->text() == chosenProjectFile_;
    r.excavation = ExcavationEdit->text();
    return r;
}

void TImportFileForm::accept()
{
    QLineEdit* focus = nullptr;
    switch (ValidateImportRequest(session_, request())) {
    case ImportFocus::ImportFile: focus = ImportFileEditbox; break;
    case ImportFocus::ProjectFile: focus = ProjectFileEditbox; break;
    case ImportFocus::Excavation: focus = ExcavationEdit; break;
    case ImportFocus::None: break;
    }
    if (focus) {
        focus->setFocus();
        focus->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace belvanto
