#pragma once
// The two small list dialogs of the user-interaction interface: a list shown
// for confirmation (OK / Cancel / Help) and a list to choose one entry from.
#include "core/UserInterface.h"
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace belvanto {

class TListForm : public QDialog {
    Q_OBJECT
public:
    // choose: the list selects one entry and OK needs a selection.
    TListForm(const QString& caption, const QString& text, const QStringList& items, const HelpTopic& help,
              bool choose, QWidget* parent = nullptr);
    int chosenIndex() const;
    QListWidget* list() const { return ItemList; }
    QPushButton* okButton() const { return OKButton; }

private:
    QLabel* TextLabel = nullptr;
    QListWidget* ItemList = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

} // namespace belvanto
