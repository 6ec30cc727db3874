#include "store/forms/TFieldConfigForm.h"
#include "core/UserInterface.h"
#include "store/UnitFields.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace belvanto {

namespace {

const QString kOn = QStringLiteral("X");
const QString kNotApplicable = QStringLiteral("-");
const HelpTopic kHelp("Configure_Fields");

enum Column { NameColumn = 0, ListColumn, FormColumn, TermsColumn, ColumnCount };

bool isNavigation(int key)
{
    switch (key) {
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
    case Qt::Key_Home: case Qt::Key_End: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Tab: case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

} // namespace

TFieldGrid::TFieldGrid(UserInterface& ui, QWidget* parent) : QTableWidget(parent), ui_(ui)
{
    setObjectName(QStringLiteral("FieldGrid"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    connect(this, &QTableWidget::cellDoubleClicked, this, &TFieldGrid::toggle);
}

QString TFieldGrid::cell(int row, int column) const
{
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

void TFieldGrid::setCell(int row, int column, const QString& text)
{
    if (QTableWidgetItem* it = item(row, column)) it->setText(text);
}

void TFieldGrid::toggle(int row, int column)
{
    if (column == NameColumn) return;
    const QString text = cell(row, column);
    if (text == kNotApplicable) {
        ui_.beep();
        return;
    }
    setCell(row, column, text == kOn ? QString() : kOn);
}

void TFieldGrid::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const int row = currentRow();
    const int column = currentColumn();
    if (isNavigation(key) || row < 0 || column <= NameColumn || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    const QString text = cell(row, column);
    if (key == Qt::Key_Delete) {
        if (text == kOn) setCell(row, column, QString());
        return;
    }
    const bool typed = !event->text().isEmpty() && event->text().at(0).isPrint();
    if (key != Qt::Key_Backspace && !typed) {
        // Enter, Escape, F1 and the like belong to the dialog.
        event->ignore();
        return;
    }
    if (text == kNotApplicable) {
        ui_.beep();
        return;
    }
    if (key == Qt::Key_Backspace) {
        setCell(row, column, QString());
        return;
    }
    if (event->text().compare(kOn, Qt::CaseInsensitive) == 0 && text.isEmpty()) {
        setCell(row, column, kOn);
        return;
    }
    ui_.beep();
}

TFieldConfigForm::TFieldConfigForm(const UnitFieldCatalogue& catalogue, bool termFileLinked, bool showComposition,
                                   bool singleExcavation, UserInterface& ui, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FieldConfigForm"));
    setWindowTitle(QStringLiteral("Unit Field Configuration"));
    FieldGrid = new TFieldGrid(ui, this);
    FieldGrid->setColumnCount(ColumnCount);
    FieldGrid->setRowCount(kRows);
    FieldGrid->setHorizontalHeaderLabels({QStringLiteral("Field name"), QStringLiteral("List view"),
                                          QStringLiteral("Form view"), QStringLiteral("Terms only")});
    FieldGrid->verticalHeader()->setVisible(false);
    FieldGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FieldGrid->horizontalHeader()->setSectionsClickable(false);
    const QBrush face = palette().brush(QPalette::Button);
    const QBrush white(Qt::white);
    for (int row = 0; row < kRows; ++row) {
        const UnitFieldEntry& f = catalogue[fieldOfRow(row)];
        // The field names are the grid's fixed column: header colours, not selectable.
        auto* name = new QTableWidgetItem(f.Label);
        name->setFlags(Qt::ItemIsEnabled);
        name->setBackground(face);
        name->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        FieldGrid->setItem(row, NameColumn, name);
        const bool termsApply = termFileLinked && f.Type == FieldType::String;
        const QString values[] = {f.TabView ? kOn : QString(), f.EditView ? kOn : QString(),
                                  termsApply ? (f.ClosedTerms ? kOn : QString()) : kNotApplicable};
        for (int column = ListColumn; column < ColumnCount; ++column) {
            auto* option = new QTableWidgetItem(values[column - ListColumn]);
            option->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            option->setBackground(white);
            option->setTextAlignment(Qt::AlignCenter);
            FieldGrid->setItem(row, column, option);
        }
    }
    FieldGrid->resizeColumnToContents(NameColumn);
    FieldGrid->setColumnWidth(NameColumn, FieldGrid->columnWidth(NameColumn) + 12);
    for (int column = ListColumn; column < ColumnCount; ++column) FieldGrid->setColumnWidth(column, 80);
    FieldGrid->verticalHeader()->setDefaultSectionSize(FieldGrid->fontMetrics().height() + 6);
    FieldGrid->setCurrentCell(0, ListColumn);
    int width = FieldGrid->frameWidth() * 2 + FieldGrid->verticalScrollBar()->sizeHint().width() + 2;
    for (int column = 0; column < ColumnCount; ++column) width += FieldGrid->columnWidth(column);
    FieldGrid->setMinimumWidth(width);
    // All rows at once where the screen allows it.
    const int rows = FieldGrid->horizontalHeader()->sizeHint().height() + FieldGrid->frameWidth() * 2
                     + kRows * FieldGrid->verticalHeader()->defaultSectionSize() + 8;
    const QScreen* screen = QGuiApplication::primaryScreen();
    FieldGrid->setMinimumHeight(std::min(rows, screen ? screen->availableGeometry().height() * 8 / 10 : 480));

    CompositionGroup = new QGroupBox(QStringLiteral(" Project composition "), this);
    CompositionGroup->setObjectName(QStringLiteral("CompositionGroup"));
    SingleRadio = new QRadioButton(QStringLiteral("&Single excavation"), CompositionGroup);
    SingleRadio->setObjectName(QStringLiteral("SingleRadio"));
    MultipleRadio = new QRadioButton(QStringLiteral("&Two or more excavations"), CompositionGroup);
    MultipleRadio->setObjectName(QStringLiteral("MultipleRadio"));
    (singleExcavation ? SingleRadio : MultipleRadio)->setChecked(true);
    auto* radios = new QHBoxLayout(CompositionGroup);
    radios->addWidget(SingleRadio);
    radios->addWidget(MultipleRadio);
    CompositionGroup->setVisible(showComposition);

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FieldGrid, 1);
    layout->addWidget(CompositionGroup);
    layout->addWidget(buttons.box);
    resize(width + 24, sizeHint().height());
}

void TFieldConfigForm::applyTo(UnitFieldCatalogue& catalogue) const
{
    for (int row = 0; row < kRows; ++row) {
        UnitFieldEntry& f = catalogue[fieldOfRow(row)];
        f.TabView = FieldGrid->cell(row, ListColumn) == kOn;
        f.EditView = FieldGrid->cell(row, FormColumn) == kOn;
        const QString terms = FieldGrid->cell(row, TermsColumn);
        if (terms != kNotApplicable) f.ClosedTerms = terms == kOn;
    }
}

bool TFieldConfigForm::singleExcavation() const
{
    return SingleRadio->isChecked();
}

} // namespace belvanto
