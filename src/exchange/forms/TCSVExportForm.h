#pragma once
// The separator options of the CSV export and import: the text delimiter,
// which fields are delimited, the separator, a header row and the character
// set.
#include "exchange/Csv.h"
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace belvanto {

class UserInterface;

inline const QString kCsvExportCaption = QStringLiteral("Export CSV data");
inline const QString kCsvImportCaption = QStringLiteral("Import CSV data");

class TCSVExportForm : public QDialog {
    Q_OBJECT
public:
    // caption: kCsvExportCaption or kCsvImportCaption.
    TCSVExportForm(const QString& caption, UserInterface& ui, QWidget* parent = nullptr);
    // The options OK accepted.
    CsvOptions options() const;
    void accept() override;   // an "Other:" choice needs its character

    QRadioButton* QuotesButton = nullptr;
    QRadioButton* NothingButton = nullptr;
    QRadioButton* OtherDelimiterButton = nullptr;
    QLineEdit* OtherDelimiter = nullptr;
    QRadioButton* AllFieldsButton = nullptr;
    QRadioButton* TextFieldsButton = nullptr;
    QRadioButton* SemicolonButton = nullptr;
    QRadioButton* TabButton = nullptr;
    QRadioButton* OtherSeparatorButton = nullptr;
    QLineEdit* OtherSeparator = nullptr;
    QCheckBox* FieldNamesCheck = nullptr;
    QRadioButton* AnsiButton = nullptr;
    QRadioButton* OemButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    UserInterface& ui_;
};

} // namespace belvanto
