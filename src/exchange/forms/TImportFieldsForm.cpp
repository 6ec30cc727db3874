#include "exchange/forms/TImportFieldsForm.h"
#include "core/UserInterface.h"
#include "exchange/ImportCommand.h"
#include "exchange/ImportSource.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace belvanto {

namespace {

const HelpTopic kHelp("Field_concordance");
constexpr int kTypeWidth = 112;
constexpr int kNameWidth = 112;
constexpr int kTargetWidth = 183;
constexpr int kShownRows = 18;

QTableWidgetItem* fixedItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// Keys that move about the grid or leave it rather than type a target.
bool passesThrough(int key)
{
    switch (key) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_Home: case Qt::Key_End: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Escape: case Qt::Key_Return: case Qt::Key_Enter:
    case Qt::Key_F1: case Qt::Key_Menu:
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_Meta: case Qt::Key_AltGr:
        return true;
    default:
        return false;
    }
}

} // namespace

TImportFieldsForm::TImportFieldsForm(Session& session, ImportSource& source, const QString& defaultExcavation,
                                     QWidget* parent)
    : QDialog(parent), session_(session), source_(source)
{
    setObjectName(QStringLiteral("ImportFieldsForm"));
    setWindowTitle(QStringLiteral("Set field concordance"));
    const auto& columns = source.columns();
    const UnitFieldCatalogue& catalogue = session.catalogue();
    concordance_.defaultExcavation = defaultExcavation;
    concordance_.targets = AutoAssign(columns, catalogue, source.givesText());
    concordance_.truncationConfirmed.assign(columns.size(), false);

    FieldAssignGrid = new QTableWidget(int(columns.size()), 3, this);
    FieldAssignGrid->setObjectName(QStringLiteral("FieldAssignGrid"));
    FieldAssignGrid->setHorizontalHeaderLabels(
        {QStringLiteral("Field type"), QStringLiteral("Field name"), QStringLiteral("Belvanto Field name")});
    FieldAssignGrid->verticalHeader()->hide();
    FieldAssignGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FieldAssignGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FieldAssignGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    FieldAssignGrid->setTabKeyNavigation(false);
    FieldAssignGrid->setWordWrap(false);
    FieldAssignGrid->verticalHeader()->setDefaultSectionSize(FieldAssignGrid->fontMetrics().height() + 8);
    QHeaderView* header = FieldAssignGrid->horizontalHeader();
    header->setSectionResizeMode(TypeColumn, QHeaderView::Fixed);
    header->setSectionResizeMode(NameColumn, QHeaderView::Fixed);
    header->setStretchLastSection(true);
    FieldAssignGrid->setColumnWidth(TypeColumn, kTypeWidth);
    FieldAssignGrid->setColumnWidth(NameColumn, kNameWidth);
    FieldAssignGrid->setColumnWidth(TargetColumn, kTargetWidth);
    for (int row = 0; row < int(columns.size()); ++row) {
        const SourceColumn& column = columns[std::size_t(row)];
        FieldAssignGrid->setItem(row, TypeColumn, fixedItem(SourceTypeText(column)));
        auto* name = fixedItem(column.name);
        name->setToolTip(column.name);   // a long name is cut to the column
        FieldAssignGrid->setItem(row, NameColumn, name);
        FieldAssignGrid->setItem(row, TargetColumn, fixedItem(QString()));
        showTarget(row);
    }
    FieldAssignGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FieldAssignGrid, &QWidget::customContextMenuRequested, this, &TImportFieldsForm::FieldAssignGridContextMenu);
    FieldAssignGrid->installEventFilter(this);

    auto* hint = new QLabel(QStringLiteral("Right-click a row to choose its Belvanto field; Backspace clears it."), this);
    hint->setObjectName(QStringLiteral("HintLabel"));
    hint->setWordWrap(true);
    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FieldAssignGrid, 1);
    layout->addWidget(hint);
    layout->addWidget(buttons.box);

    // Room for the three columns and a scroll bar, and for a screenful of rows.
    const int frame = 2 * FieldAssignGrid->frameWidth();
    FieldAssignGrid->setMinimumWidth(kTypeWidth + kNameWidth + kTargetWidth + frame
                                     + FieldAssignGrid->verticalScrollBar()->sizeHint().width());
    const int rows = std::clamp(int(columns.size()), 4, kShownRows);
    FieldAssignGrid->setMinimumHeight(header->sizeHint().height() + frame
                                      + rows * FieldAssignGrid->verticalHeader()->defaultSectionSize());
    if (!columns.empty()) FieldAssignGrid->setCurrentCell(0, TargetColumn);
    FieldAssignGrid->setFocus();
    resize(sizeHint());
}

void TImportFieldsForm::showTarget(int row)
{
    const ConcordanceTarget& target = concordance_.targets[std::size_t(row)];
    FieldAssignGrid->item(row, TargetColumn)->setText(TargetText(target, session_.catalogue()));
}

QMenu* TImportFieldsForm::targetMenu(int row)
{
    const SourceColumn& column = source_.columns()[std::size_t(row)];
    const auto targets = CompatibleTargets(column, session_.catalogue(), source_.givesText());
    if (targets.empty()) return nullptr;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("TargetMenu"));
    bool beyondFields = false;
    for (const ConcordanceTarget& target : targets) {
        if (target.kind != ConcordanceTarget::Kind::Field && !beyondFields) {
            menu->addSeparator();
            beyondFields = true;
        }
        QAction* action = menu->addAction(TargetText(target, session_.catalogue()));
        connect(action, &QAction::triggered, this, [this, row, target] { chooseTarget(row, target); });
    }
    return menu;
}

void TImportFieldsForm::FieldAssignGridContextMenu(const QPoint& at)
{
    // The row under the mouse becomes the current one: the menu is its own.
    const int row = FieldAssignGrid->rowAt(at.y());
    if (row < 0) return;
    FieldAssignGrid->setCurrentCell(row, TargetColumn);
    showMenu(row, FieldAssignGrid->viewport()->mapToGlobal(at));
}

void TImportFieldsForm::showMenu(int row, const QPoint& globalPos)
{
    std::unique_ptr<QMenu> menu(targetMenu(row));
    if (menu) menu->exec(globalPos);
}

void TImportFieldsForm::chooseTarget(int row, const ConcordanceTarget& target)
{
    const SourceColumn& column = source_.columns()[std::size_t(row)];
    const UnitFieldCatalogue& catalogue = session_.catalogue();
    bool truncate = false;
    // A memo has no declared size: any of its values may be longer than the field.
    if (target.kind == ConcordanceTarget::Kind::Field && catalogue[target.field].Type == FieldType::String
        && (column.type == SourceType::Memo || column.size > catalogue[target.field].Size)) {
        const QString question = QStringLiteral("Field size of source field ") + column.name
                                 + QStringLiteral(" exceeds field size of target field ") + catalogue[target.field].Label
                                 + QStringLiteral(".") + QStringLiteral("\r\nConfirm field truncation.");
        if (session_.ui().confirm(question) != Answer::Yes) return;
        truncate = true;
    }
    concordance_.targets[std::size_t(row)] = target;
    concordance_.truncationConfirmed[std::size_t(row)] = truncate;
    showTarget(row);
}

void TImportFieldsForm::clearTarget(int row)
{
    concordance_.targets[std::size_t(row)] = ConcordanceTarget();
    concordance_.truncationConfirmed[std::size_t(row)] = false;
    showTarget(row);
}

bool TImportFieldsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FieldAssignGrid && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        // From the keyboard the menu belongs to the current row, under its target.
        const int row = FieldAssignGrid->currentRow();
        if (row >= 0) {
            const QRect cell = FieldAssignGrid->visualItemRect(FieldAssignGrid->item(row, TargetColumn));
            showMenu(row, FieldAssignGrid->viewport()->mapToGlobal(cell.bottomLeft()));
        }
        return true;
    }
    if (watched != FieldAssignGrid || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
        if (FieldAssignGrid->currentRow() >= 0) clearTarget(FieldAssignGrid->currentRow());
        return true;
    }
    if (passesThrough(key->key()) || key->modifiers().testFlag(Qt::ControlModifier)
        || key->modifiers().testFlag(Qt::AltModifier))
        return QDialog::eventFilter(watched, event);
    // Targets are chosen, never typed.
    session_.ui().beep();
    return true;
}

void TImportFieldsForm::accept()
{
    const ConcordanceOk ok = AcceptConcordance(session_, source_, concordance_);
    if (ok.imported) {
        QDialog::accept();
        return;
    }
    if (ok.row >= 0) FieldAssignGrid->setCurrentCell(ok.row, TargetColumn);
    FieldAssignGrid->setFocus();
}

} // namespace belvanto
