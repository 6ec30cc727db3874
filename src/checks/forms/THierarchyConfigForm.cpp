#include "checks/forms/THierarchyConfigForm.h"
#include "ui/DialogButtons.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace belvanto {

THierarchyConfigForm::THierarchyConfigForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HierarchyConfigForm"));
    setWindowTitle(QStringLiteral("Hierarchy configuration"));

    IncludeContextsCheck = new QCheckBox(QStringLiteral("Include contexts"), this);
    IncludeContextsCheck->setObjectName(QStringLiteral("IncludeContextsCheck"));
    IncludeContextsCheck->setChecked(true);

    ChronologyGroup = new QGroupBox(QStringLiteral(" Chronology Checks "), this);
    ChronologyGroup->setObjectName(QStringLiteral("ChronologyGroup"));
    ChronologyButtons = new QButtonGroup(this);
    auto* radios = new QVBoxLayout(ChronologyGroup);
    const std::pair<const char*, const char*> choices[] = {{"IgnoreChronologyRadio", "ignore phases and periods"},
                                                           {"PeriodsRadio", "include periods"},
                                                           {"PhasesRadio", "include phases"}};
    int id = 0;
    for (const auto& [name, caption] : choices) {
        auto* radio = new QRadioButton(QString::fromLatin1(caption), ChronologyGroup);
        radio->setObjectName(QString::fromLatin1(name));
        ChronologyButtons->addButton(radio, id++);
        radios->addWidget(radio);
    }
    ChronologyButtons->button(int(Chronology::Ignore))->setChecked(true);
    connect(ChronologyButtons, &QButtonGroup::idClicked, this, [this] { ChronologyGroupClick(); });
    connect(IncludeContextsCheck, &QCheckBox::clicked, this, [this] { IncludeContextsCheckClick(); });

    const DialogButtons buttons = addDialogButtons(this, HelpTopic(kHierarchyHelpTopic));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(IncludeContextsCheck);
    layout->addWidget(ChronologyGroup);
    layout->addWidget(buttons.box);
}

QRadioButton* THierarchyConfigForm::chronologyRadio(Chronology chronology) const
{
    return static_cast<QRadioButton*>(ChronologyButtons->button(int(chronology)));
}

HierarchyOptions THierarchyConfigForm::options() const
{
    return {IncludeContextsCheck->isChecked(), Chronology(ChronologyButtons->checkedId())};
}

// Periods and phases are those of the contexts: checking them needs the
// contexts in the tree.
void THierarchyConfigForm::ChronologyGroupClick()
{
    if (ChronologyButtons->checkedId() != int(Chronology::Ignore)) IncludeContextsCheck->setChecked(true);
}

void THierarchyConfigForm::IncludeContextsCheckClick()
{
    ChronologyGroupClick();
}

std::optional<HierarchyOptions> AskHierarchyOptions(QWidget* parent)
{
    THierarchyConfigForm form(parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.options();
}

} // namespace belvanto
