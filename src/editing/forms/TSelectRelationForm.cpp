#include "editing/forms/TSelectRelationForm.h"
#include "store/Relations.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace belvanto {

namespace {
const HelpTopic kHelp("Select_relation");
}

TSelectRelationForm::TSelectRelationForm(bool earlierLater, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SelectRelationForm"));
    setWindowTitle(QStringLiteral("Select Relation"));

    RelationGrid = new QTableWidget(this);
    RelationGrid->setObjectName(QStringLiteral("RelationGrid"));
    RelationGrid->setColumnCount(2);
    RelationGrid->setHorizontalHeaderLabels({QStringLiteral("Symbol"), QStringLiteral("Explanation")});
    RelationGrid->verticalHeader()->hide();
    RelationGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    RelationGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    RelationGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RelationGrid->horizontalHeader()->setStretchLastSection(true);
    for (const RelationCategory& c : RelationCategories()) {
        if (!earlierLater && (c.code == category::Earlier || c.code == category::Later)) continue;
        const int row = RelationGrid->rowCount();
        RelationGrid->insertRow(row);
        auto* symbol = new QTableWidgetItem(QString(c.code));
        symbol->setTextAlignment(Qt::AlignCenter);
        RelationGrid->setItem(row, 0, symbol);
        RelationGrid->setItem(row, 1, new QTableWidgetItem(c.explanation));
    }
    RelationGrid->setCurrentCell(0, 0);
    RelationGrid->resizeColumnToContents(0);
    connect(RelationGrid, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RelationGrid);
    layout->addWidget(buttons.box);
    resize(300, 260);
}

void TSelectRelationForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

std::optional<QChar> TSelectRelationForm::chosen() const
{
    const int row = RelationGrid->currentRow();
    if (row < 0 || !RelationGrid->item(row, 0)) return std::nullopt;
    return RelationGrid->item(row, 0)->text().front();
}

std::optional<QChar> SelectRelation(bool earlierLater, QWidget* parent)
{
    TSelectRelationForm form(earlierLater, parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.chosen();
}

} // namespace belvanto
