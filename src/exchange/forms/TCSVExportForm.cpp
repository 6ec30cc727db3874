#include "exchange/forms/TCSVExportForm.h"
#include "core/UserInterface.h"
#include "ui/DialogButtons.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace belvanto {

namespace {

const HelpTopic kHelp("Import__CSV_options");

QRadioButton* radio(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QRadioButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

// A group of radio buttons, the last of which may be followed by an edit.
QGroupBox* group(const QString& title, std::initializer_list<QRadioButton*> buttons, QLineEdit* edit, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    auto* exclusive = new QButtonGroup(box);
    for (QRadioButton* b : buttons) {
        exclusive->addButton(b);
        if (edit && b == *(buttons.end() - 1)) {
            auto* row = new QHBoxLayout;
            row->addWidget(b);
            row->addWidget(edit);
            row->addStretch(1);
            layout->addLayout(row);
        } else {
            layout->addWidget(b);
        }
    }
    return box;
}

QLineEdit* characterEdit(const char* name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(1);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3 + 12);
    return e;
}

// "Other:" takes the focus to its edit, another choice clears it, and
// typing into the edit chooses "Other:".
void linkOther(QRadioButton* other, QLineEdit* edit, std::initializer_list<QRadioButton*> rest)
{
    QObject::connect(other, &QRadioButton::clicked, edit, [edit] { edit->setFocus(); });
    for (QRadioButton* b : rest)
        QObject::connect(b, &QRadioButton::toggled, edit, [edit](bool on) {
            if (on) edit->clear();
        });
    QObject::connect(edit, &QLineEdit::textEdited, other, [other] { other->setChecked(true); });
}

} // namespace

TCSVExportForm::TCSVExportForm(const QString& caption, UserInterface& ui, QWidget* parent) : QDialog(parent), ui_(ui)
{
    setObjectName(QStringLiteral("CSVExportForm"));
    setWindowTitle(caption);

    QuotesButton = radio(QStringLiteral("Quotes"), "QuotesButton", this);
    NothingButton = radio(QStringLiteral("Nothing"), "NothingButton", this);
    OtherDelimiterButton = radio(QStringLiteral("Other:"), "OtherDelimiterButton", this);
    OtherDelimiter = characterEdit("OtherDelimiter", this);
    AllFieldsButton = radio(QStringLiteral("All fields"), "AllFieldsButton", this);
    TextFieldsButton = radio(QStringLiteral("Text fields only"), "TextFieldsButton", this);
    SemicolonButton = radio(QStringLiteral("Semi-Colons"), "SemicolonButton", this);
    TabButton = radio(QStringLiteral("Tabs"), "TabButton", this);
    OtherSeparatorButton = radio(QStringLiteral("Other:"), "OtherSeparatorButton", this);
    OtherSeparator = characterEdit("OtherSeparator", this);
    FieldNamesCheck = new QCheckBox(QStringLiteral("&Use field names as first row of data"), this);
    FieldNamesCheck->setObjectName(QStringLiteral("FieldNamesCheck"));
    AnsiButton = radio(QStringLiteral("ANSI"), "AnsiButton", this);
    OemButton = radio(QStringLiteral("OEM/ASCII"), "OemButton", this);

    auto* delimitedBy = group(QStringLiteral(" Fields &Delimited by "), {QuotesButton, NothingButton, OtherDelimiterButton},
                              OtherDelimiter, this);
    auto* delimitedFields = group(QStringLiteral(" Deli&mited Fields "), {AllFieldsButton, TextFieldsButton}, nullptr, this);
    auto* separatedBy = group(QStringLiteral(" Fields Se&parated by "), {SemicolonButton, TabButton, OtherSeparatorButton},
                              OtherSeparator, this);
    auto* characterSet = group(QStringLiteral(" Ch&aracter Set "), {AnsiButton, OemButton}, nullptr, this);
    delimitedBy->setObjectName(QStringLiteral("DelimiterGroup"));
    delimitedFields->setObjectName(QStringLiteral("DelimitedGroup"));
    separatedBy->setObjectName(QStringLiteral("SeparatorGroup"));
    characterSet->setObjectName(QStringLiteral("CharacterSetGroup"));
    QuotesButton->setChecked(true);
    TextFieldsButton->setChecked(true);
    SemicolonButton->setChecked(true);
    AnsiButton->setChecked(true);
    linkOther(OtherDelimiterButton, OtherDelimiter, {QuotesButton, NothingButton});
    linkOther(OtherSeparatorButton, OtherSeparator, {SemicolonButton, TabButton});

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* grid = new QGridLayout;
    grid->addWidget(delimitedBy, 0, 0);
    grid->addWidget(delimitedFields, 0, 1);
    grid->addWidget(separatedBy, 1, 0);
    grid->addWidget(characterSet, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(FieldNamesCheck);
    layout->addSpacing(6);
    layout->addWidget(buttons.box);
    // Each radio group is one tab stop, its "Other:" edit the next.
    QWidget* order[] = {QuotesButton, NothingButton, OtherDelimiterButton, OtherDelimiter, AllFieldsButton,
                        TextFieldsButton, SemicolonButton, TabButton, OtherSeparatorButton, OtherSeparator,
                        AnsiButton, OemButton, FieldNamesCheck, OKButton, CancelButton, HelpButton};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    setFixedSize(sizeHint());
}

void TCSVExportForm::accept()
{
    // An "Other:" choice without its character would leave the file without
    // a delimiter or a separator the user asked for.
    if (OtherDelimiterButton->isChecked() && OtherDelimiter->text().isEmpty()) {
        ui_.error(QStringLiteral("Enter the character that delimits the fields."), kHelp);
        OtherDelimiter->setFocus();
        return;
    }
    if (OtherSeparatorButton->isChecked() && OtherSeparator->text().isEmpty()) {
        ui_.error(QStringLiteral("Enter the character that separates the fields."), kHelp);
        OtherSeparator->setFocus();
        return;
    }
    if (const CsvOptions o = options(); !o.TextDelimiter.isEmpty() && o.TextDelimiter == o.Separator) {
        ui_.error(QStringLiteral("The delimiter and the separator must not be the same character."), kHelp);
        (OtherSeparatorButton->isChecked() ? OtherSeparator : OtherDelimiter)->setFocus();
        return;
    }
    QDialog::accept();
}

CsvOptions TCSVExportForm::options() const
{
    CsvOptions o;
    const QString delimiter = OtherDelimiterButton->isChecked() ? OtherDelimiter->text() : QStringLiteral("\"");
    if (NothingButton->isChecked()) o.setDelimited(CsvDelimited::Nothing);
    else o.setDelimited(AllFieldsButton->isChecked() ? CsvDelimited::AllFields : CsvDelimited::TextFieldsOnly, delimiter);
    if (TabButton->isChecked()) o.Separator = QStringLiteral("\t");
    else if (OtherSeparatorButton->isChecked()) o.Separator = OtherSeparator->text();
    else o.Separator = QStringLiteral(";");
    o.FirstRowNames = FieldNamesCheck->isChecked();
    o.Oem = OemButton->isChecked();
    return o;
}

} // namespace belvanto
