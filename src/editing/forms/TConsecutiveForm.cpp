#include "editing/forms/TConsecutiveForm.h"
#include "editing/RelationEntry.h"
#include "editing/forms/RelationWidgets.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "ui/DialogButtons.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace belvanto {

namespace {
const HelpTopic kHelp(kConsecutiveHelpName);
} // namespace

TConsecutiveForm::TConsecutiveForm(Session& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("ConsecutiveForm"));
    setWindowTitle(QStringLiteral("Units with consecutive numbers"));
    const ProjectState& project = session.project();

    ExcavationEdit = new QLineEdit(project.CurrentExcavation, this);
    ExcavationEdit->setObjectName(QStringLiteral("ExcavationEdit"));
    ExcavationEdit->setMaxLength(session.catalogue()[uf::Excavation].Size);
    if (project.SingleExcavation) {
        ExcavationEdit->setReadOnly(true);
        ExcavationEdit->setFocusPolicy(Qt::NoFocus);
    }
    ExcavationEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ExcavationEdit, &QLineEdit::customContextMenuRequested, this, &TConsecutiveForm::ExcavationEditContextMenu);
    connect(ExcavationEdit, &QLineEdit::editingFinished, this, &TConsecutiveForm::ExcavationEditExit);

    auto* numbers = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[1-9][0-9]{0,7}")), this);
    FirstNumberEdit = new QLineEdit(this);
    FirstNumberEdit->setObjectName(QStringLiteral("FirstNumberEdit"));
    LastNumberEdit = new QLineEdit(this);
    LastNumberEdit->setObjectName(QStringLiteral("LastNumberEdit"));
    for (QLineEdit* e : {FirstNumberEdit, LastNumberEdit}) {
        e->setValidator(numbers);
        e->setMaxLength(kMaxNumberDigits);
    }
    PrefixEdit = new TUnitNameEdit(session.ui(), this);
    PrefixEdit->setObjectName(QStringLiteral("PrefixEdit"));
    PrefixEdit->setMaxLength(kMaxConsecutivePrefix);
    UnitClassBox = new QComboBox(this);
    UnitClassBox->setObjectName(QStringLiteral("UnitClassBox"));
    UnitClassBox->addItems(UnitClassList());
    UnitClassBox->setCurrentText(kContext);
    DigitsEdit = new QSpinBox(this);
    DigitsEdit->setObjectName(QStringLiteral("DigitsEdit"));
    DigitsEdit->setRange(0, kMaxNumberDigits);
    ModelUnitEdit = new TUnitNameEdit(session.ui(), this);
    ModelUnitEdit->setObjectName(QStringLiteral("ModelUnitEdit"));
    ModelUnitEdit->setMaxLength(session.catalogue()[uf::Unitname].Size);
    ChainCheck = new QCheckBox(QStringLiteral("Create chain-like &relationships:"), this);
    ChainCheck->setObjectName(QStringLiteral("ChainCheck"));
    ChainCheck->setLayoutDirection(Qt::RightToLeft);   // the caption before the box

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Excavation:"), ExcavationEdit);
    form->addRow(QStringLiteral("&First unit number:"), FirstNumberEdit);
    form->addRow(QStringLiteral("&Last unit number:"), LastNumberEdit);
    form->addRow(QStringLiteral("&Prefix:"), PrefixEdit);
    form->addRow(QStringLiteral("Unit &class:"), UnitClassBox);
    form->addRow(QStringLiteral("Number of &digits:"), DigitsEdit);
    form->addRow(QStringLiteral("&Model unit:"), ModelUnitEdit);
    form->addRow(ChainCheck);

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box);
}

ConsecutiveRequest TConsecutiveForm::request() const
{
    ConsecutiveRequest r;
    r.excavation = ExcavationEdit->text();
    r.first = FirstNumberEdit->text();
    r.last = LastNumberEdit->text();
    r.prefix = PrefixEdit->text();
    r.unitClass = UnitClassBox->currentText();
    r.digits = DigitsEdit->value();
    r.model = ModelUnitEdit->text();
    r.chain = ChainCheck->isChecked();
    return r;
}

void TConsecutiveForm::accept()
{
    const ConsecutiveRequest r = request();
    QWidget* focus = nullptr;
    switch (ValidateConsecutive(session_, r)) {
    case ConsecutiveFocus::None: break;
    case ConsecutiveFocus::Excavation: focus = ExcavationEdit; break;
    case ConsecutiveFocus::First: focus = FirstNumberEdit; break;
    case ConsecutiveFocus::Last: focus = LastNumberEdit; break;
    case ConsecutiveFocus::Digits: focus = DigitsEdit; break;
    case ConsecutiveFocus::Prefix: focus = PrefixEdit; break;
    case ConsecutiveFocus::UnitClass: focus = UnitClassBox; break;
    case ConsecutiveFocus::Model: focus = ModelUnitEdit; break;
    }
    if (focus) {
        focus->setFocus();
        return;
    }
    outcome_ = CreateConsecutiveUnits(session_, r);
    if (outcome_) QDialog::accept();
}

void TConsecutiveForm::ExcavationEditExit()
{
    if (ExcavationEdit->isReadOnly()) return;
    const QString field = session_.catalogue()[uf::Excavation].Label;
    if (const auto term = ExpandAbbreviation(session_, field, ExcavationEdit->text()))
        ExcavationEdit->setText(term->left(ExcavationEdit->maxLength()));
}

void TConsecutiveForm::ExcavationEditContextMenu(const QPoint& at)
{
    if (ExcavationEdit->isReadOnly()) return;
    QMenu menu(ExcavationEdit);
    const QAction* lookup = menu.addAction(QStringLiteral("Term lookup"));
    if (menu.exec(ExcavationEdit->mapToGlobal(at)) != lookup) return;
    const auto field = TermLookupField(session_, LookupEdit::Excavation);
    if (!field) return;
    if (const auto term = LookupTerm(session_, this, *field)) ExcavationEdit->setText(term->Term.left(ExcavationEdit->maxLength()));
}

bool ConsecutiveNumbers(Session& session, QWidget* parent)
{
    if (!session.project().isOpen()) return false;
    TConsecutiveForm form(session, parent);
    return form.exec() == QDialog::Accepted;
}

} // namespace belvanto
