#include "editing/forms/TChainForm.h"
#include "core/UserInterface.h"
#include "editing/Chain.h"
#include "editing/RelationEntry.h"
#include "editing/forms/RelationWidgets.h"
#include "store/Session.h"
#include "store/Terms.h"
#include "store/UnitFields.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace belvanto {

namespace {

const HelpTopic kHelp("Create_chainlike_relationships");
constexpr int kStartRows = 5;

// The editor of the name cells: a unit-name edit whose "-" asks for a new row.
class NameDelegate : public QStyledItemDelegate {
public:
    NameDelegate(UserInterface& ui, int maxLength, TChainGrid* grid)
        : QStyledItemDelegate(grid), ui_(ui), maxLength_(maxLength), grid_(grid)
    {
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* editor = new TUnitNameEdit(ui_, parent);
        editor->setMaxLength(maxLength_);
        editor->installEventFilter(const_cast<NameDelegate*>(this));
        // The class column follows each key, not only the finished cell.
        QObject::connect(editor, &QLineEdit::textEdited, grid_,
                         [grid = grid_, row = index.row()](const QString& text) { Q_EMIT grid->nameEdited(row, text); });
        return editor;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            auto* editor = qobject_cast<QLineEdit*>(watched);
            if (key->text() == QStringLiteral("-") && editor) {
                Q_EMIT const_cast<NameDelegate*>(this)->commitData(editor);
                Q_EMIT const_cast<NameDelegate*>(this)->closeEditor(editor, QAbstractItemDelegate::NoHint);
                grid_->appendRow();
                return true;
            }
            // A name may not grow beyond the field: the key is refused audibly.
            if (editor && !key->text().isEmpty() && key->text().front().isPrint() && !editor->hasSelectedText()
                && editor->text().size() >= maxLength_) {
                ui_.beep();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

private:
    UserInterface& ui_;
    int maxLength_;
    TChainGrid* grid_;
};

} // namespace

TChainGrid::TChainGrid(UserInterface& ui, QWidget* parent) : QTableWidget(kStartRows, 2, parent), ui_(ui)
{
    setObjectName(QStringLiteral("ChainGrid"));
    setHorizontalHeaderLabels({QStringLiteral("Unit class"), QStringLiteral("Unit name")});
    horizontalHeader()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setTabKeyNavigation(true);
    for (int row = 0; row < rowCount(); ++row) {
        setItem(row, kNameColumn, new QTableWidgetItem);
        setClassCell(row, QString());
    }
    setCurrentCell(0, kNameColumn);
}

QString TChainGrid::name(int row) const
{
    const QTableWidgetItem* i = item(row, kNameColumn);
    return i ? i->text() : QString();
}

QString TChainGrid::classCell(int row) const
{
    const QTableWidgetItem* i = item(row, kClassColumn);
    return i ? i->text() : QString();
}

void TChainGrid::setClassCell(int row, const QString& text)
{
    auto* i = item(row, kClassColumn);
    if (!i) {
        i = new QTableWidgetItem;
        i->setFlags(Qt::ItemIsEnabled);
        setItem(row, kClassColumn, i);
    }
    i->setText(text);
}

void TChainGrid::appendRow()
{
    const int row = rowCount();
    insertRow(row);
    setItem(row, kNameColumn, new QTableWidgetItem);
    setClassCell(row, QString());
    setCurrentCell(row, kNameColumn);
}

void TChainGrid::commitEditing()
{
    if (state() != EditingState) return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

QModelIndex TChainGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // Tab walks the name column; in the last row it opens a new one.
    const int row = currentRow();
    if (action == MoveNext) {
        if (row == rowCount() - 1) {
            appendRow();
            return model()->index(rowCount() - 1, kNameColumn);
        }
        return model()->index(row + 1, kNameColumn);
    }
    if (action == MovePrevious) return model()->index(std::max(row - 1, 0), kNameColumn);
    return QTableWidget::moveCursor(action, modifiers);
}

void TChainGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->text() == QStringLiteral("-")) {
        appendRow();
        return;
    }
    if (currentColumn() == kNameColumn && IsRefusedUnitNameText(event->text())) {
        ui_.beep();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

TChainForm::TChainForm(Session& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("ChainForm"));
    setWindowTitle(QStringLiteral("Chain Relationship Entry"));

    ExcavationEdit = new QLineEdit(session.project().CurrentExcavation, this);
    ExcavationEdit->setObjectName(QStringLiteral("ExcavationEdit"));
    ExcavationEdit->setMaxLength(session.catalogue()[uf::Excavation].Size);
    if (session.project().SingleExcavation) {
        ExcavationEdit->setReadOnly(true);
        ExcavationEdit->setFocusPolicy(Qt::NoFocus);
    }
    ExcavationEdit->installEventFilter(this);
    ExcavationEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ExcavationEdit, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (ExcavationEdit->isReadOnly()) return;
        QMenu menu(ExcavationEdit);
        QAction* lookup = menu.addAction(QStringLiteral("Term lookup"));
        if (menu.exec(ExcavationEdit->mapToGlobal(at)) == lookup) excavationLookup();
    });
    connect(ExcavationEdit, &QLineEdit::editingFinished, this, &TChainForm::ExcavationEditExit);

    ChainGrid = new TChainGrid(session.ui(), this);
    ChainGrid->setItemDelegateForColumn(TChainGrid::kNameColumn,
                                        new NameDelegate(session.ui(), session.catalogue()[uf::Unitname].Size, ChainGrid));
    connect(ChainGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == TChainGrid::kNameColumn) refreshClass(item->row());
    });
    connect(ChainGrid, &TChainGrid::nameEdited, this, &TChainForm::showClass);

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    for (QPushButton* b : {OKButton, CancelButton, HelpButton}) b->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    auto* excavationLabel = new QLabel(QStringLiteral("&Excavation:"), this);
    excavationLabel->setBuddy(ExcavationEdit);
    top->addWidget(excavationLabel);
    top->addWidget(ExcavationEdit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    auto* namesLabel = new QLabel(QStringLiteral("&From top (latest) to bottom (earliest):"), this);
    namesLabel->setBuddy(ChainGrid);
    layout->addWidget(namesLabel);
    layout->addWidget(ChainGrid, 1);
    layout->addWidget(buttons.box);
    resize(320, 360);
    ChainGrid->setFocus();
}

TChainForm::~TChainForm()
{
    // The edit loses its focus while the children go, after this form is gone.
    ExcavationEdit->disconnect(this);
    ChainGrid->disconnect(this);
}

bool TChainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ExcavationEdit && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F4 && !ExcavationEdit->isReadOnly()) {
        excavationLookup();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TChainForm::excavationLookup()
{
    const auto field = TermLookupField(session_, LookupEdit::Excavation);
    if (!field) return;
    if (const auto term = LookupTerm(session_, this, *field)) {
        ExcavationEdit->setText(term->Term.left(ExcavationEdit->maxLength()));
        refreshClasses();
    }
}

void TChainForm::ExcavationEditExit()
{
    if (const auto full = ExpandAbbreviation(session_, QStringLiteral("Excavation"), ExcavationEdit->text()))
        ExcavationEdit->setText(full->left(ExcavationEdit->maxLength()));
    refreshClasses();
}

void TChainForm::refreshClass(int row)
{
    showClass(row, ChainGrid->name(row));
}

void TChainForm::showClass(int row, const QString& name)
{
    const QSignalBlocker quiet(ChainGrid);
    ChainGrid->setClassCell(row, name.isEmpty() ? QString()
                                                : ChainClassCell(session_.units(), ExcavationEdit->text(), name));
}

void TChainForm::refreshClasses()
{
    for (int row = 0; row < ChainGrid->rowCount(); ++row) refreshClass(row);
}

void TChainForm::accept()
{
    ChainGrid->commitEditing();
    QStringList names;
    for (int row = 0; row < ChainGrid->rowCount(); ++row) names << ChainGrid->name(row);
    const ChainResult result = EnterChain(session_, ExcavationEdit->text(), names);
    unitsCreated_ += result.unitsCreated;
    {
        const QSignalBlocker quiet(ChainGrid);
        for (int row = 0; row < result.classCells.size(); ++row) ChainGrid->setClassCell(row, result.classCells[row]);
    }
    if (result.close) {
        QDialog::accept();
        return;
    }
    if (result.focusExcavation) {
        ExcavationEdit->setFocus();
    } else if (result.focusRow >= 0) {
        ChainGrid->setFocus();
        ChainGrid->setCurrentCell(result.focusRow, TChainGrid::kNameColumn);
    }
}

} // namespace belvanto
