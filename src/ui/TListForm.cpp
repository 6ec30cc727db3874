#include "ui/TListForm.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace belvanto {

TListForm::TListForm(const QString& caption, const QString& text, const QStringList& items, const HelpTopic& help,
                     bool choose, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(choose ? QStringLiteral("SelectForm") : QStringLiteral("ListForm"));
    setWindowTitle(caption);
    TextLabel = new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    TextLabel->setVisible(!text.isEmpty());
    ItemList = new QListWidget(this);
    ItemList->setObjectName(QStringLiteral("ItemList"));
    ItemList->addItems(items);
    ItemList->setSelectionMode(choose ? QAbstractItemView::SingleSelection : QAbstractItemView::NoSelection);
    const DialogButtons buttons = addDialogButtons(this, help);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    if (choose) {
        OKButton->setEnabled(false);
        connect(ItemList, &QListWidget::currentRowChanged, this, [this](int row) { OKButton->setEnabled(row >= 0); });
        connect(ItemList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        if (!items.isEmpty()) ItemList->setCurrentRow(0);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TextLabel);
    layout->addWidget(ItemList);
    layout->addWidget(buttons.box);
    resize(360, 320);
}

int TListForm::chosenIndex() const
{
    return ItemList->currentRow();
}

} // namespace belvanto
