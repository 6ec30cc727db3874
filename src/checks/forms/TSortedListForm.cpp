#include "checks/forms/TSortedListForm.h"
#include "ui/DialogButtons.h"
#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace belvanto {

namespace {

// The index into the given list that a row shows.
constexpr int kIndexRole = Qt::UserRole;

} // namespace

TSortedListForm::TSortedListForm(const PeriodList& periods, const QString& label, QWidget* parent,
                                 std::function<void()> beep)
    : QDialog(parent), periods_(periods), beep_(beep ? std::move(beep) : std::function<void()>(&QApplication::beep))
{
    setObjectName(QStringLiteral("SortedListForm"));
    setWindowTitle(QStringLiteral("Sorted list"));

    SequenceLabel = new QLabel(QStringLiteral("Sequence of ") + label + QLatin1Char('s'), this);
    SequenceLabel->setObjectName(QStringLiteral("SequenceLabel"));
    PeriodListBox = new QListWidget(this);
    PeriodListBox->setObjectName(QStringLiteral("PeriodListBox"));
    SequenceLabel->setBuddy(PeriodListBox);
    for (std::size_t i = 0; i < periods_.size(); ++i) {
        auto* item = new QListWidgetItem(periods_[i].name, PeriodListBox);
        item->setData(kIndexRole, int(i));
    }
    if (PeriodListBox->count() > 0) PeriodListBox->setCurrentRow(0);

    UpButton = new QPushButton(QStringLiteral("&Up"), this);
    UpButton->setObjectName(QStringLiteral("UpButton"));
    DownButton = new QPushButton(QStringLiteral("&Down"), this);
    DownButton->setObjectName(QStringLiteral("DownButton"));
    // The list keeps the focus, so that the buttons can be pressed again and
    // again on the name that moves.
    UpButton->setAutoDefault(false);
    DownButton->setAutoDefault(false);
    connect(UpButton, &QPushButton::clicked, this, [this] { UpButtonClick(); });
    connect(DownButton, &QPushButton::clicked, this, [this] { DownButtonClick(); });

    const DialogButtons buttons = addDialogButtons(this, HelpTopic(kSortedListHelpTopic));
    OKButton = buttons.ok;
    OKButton->setText(QStringLiteral("&OK"));
    CancelButton = buttons.cancel;
    CancelButton->setText(QStringLiteral("&Cancel"));
    HelpButton = buttons.help;
    HelpButton->setText(QStringLiteral("&Help"));

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(UpButton);
    moves->addWidget(DownButton);
    moves->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(PeriodListBox, 1);
    middle->addLayout(moves);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SequenceLabel);
    layout->addLayout(middle, 1);
    layout->addWidget(buttons.box);

    setTabOrder(PeriodListBox, UpButton);
    setTabOrder(UpButton, DownButton);
    setTabOrder(DownButton, OKButton);
    PeriodListBox->setFocus();
}

std::vector<int> TSortedListForm::order() const
{
    std::vector<int> indices;
    indices.reserve(std::size_t(PeriodListBox->count()));
    for (int row = 0; row < PeriodListBox->count(); ++row)
        indices.push_back(PeriodListBox->item(row)->data(kIndexRole).toInt());
    return indices;
}

void TSortedListForm::UpButtonClick()
{
    move(-1);
}

void TSortedListForm::DownButtonClick()
{
    move(+1);
}

// Periods the stratigraphy ordered stay where they are; the user can only
// settle the order of those it left open.
void TSortedListForm::move(int step)
{
    const int row = PeriodListBox->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= PeriodListBox->count()
        || !periods_[std::size_t(PeriodListBox->item(row)->data(kIndexRole).toInt())].ambiguous) {
        beep_();
        return;
    }
    QListWidgetItem* item = PeriodListBox->takeItem(row);
    PeriodListBox->insertItem(target, item);
    PeriodListBox->setCurrentRow(target);
}

PeriodOrderChooser SortedListChooser(QWidget* parent, const QString& label)
{
    return [parent, label](const PeriodList& periods) -> std::optional<std::vector<int>> {
        TSortedListForm form(periods, label, parent);
        if (form.exec() != QDialog::Accepted) return std::nullopt;
        return form.order();
    };
}

} // namespace belvanto
