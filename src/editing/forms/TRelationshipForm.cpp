#include "editing/forms/TRelationshipForm.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/RelationEntry.h"
#include "editing/forms/RelationWidgets.h"
#include "editing/forms/TSelectRelationForm.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "ui/Help.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>

namespace belvanto {

namespace {
const HelpTopic kAddHelp("New_relationship");
const HelpTopic kCommentHelp("Change_relationship_comment");
} // namespace

TRelationshipForm::TRelationshipForm(Session& session, const AddSetup& setup, QWidget* parent)
    : QDialog(parent), session_(session), setup_(setup)
{
    build();
    setWindowTitle(QStringLiteral("New Relationship"));
    FirstExcavationEdit->setText(setup.first.excavation);
    FirstUnitEdit->setText(setup.first.unitname);
    SecondExcavationEdit->setText(setup.first.excavation);
    // A single-excavation project keeps one excavation.
    SecondExcavationEdit->setReadOnly(session.project().SingleExcavation);
    CategoryEdit->setText(setup.category);
    CategoryEdit->setReadOnly(setup.categoryFixed);
    NextButton->setVisible(bool(setup.storeNext));
    updateTabStops();
    SecondUnitEdit->setFocus();
}

TRelationshipForm::TRelationshipForm(Session& session, Table& relTable, QWidget* parent)
    : QDialog(parent), session_(session), relTable_(&relTable)
{
    build();
    setWindowTitle(QStringLiteral("Change relationship comment"));
    for (QLineEdit* e : {FirstExcavationEdit, FirstUnitEdit, CategoryEdit, SecondExcavationEdit, SecondUnitEdit})
        e->setReadOnly(true);
    updateTabStops();
    showCurrentRow();
    CommentEdit->setFocus();
}

void TRelationshipForm::build()
{
    setObjectName(QStringLiteral("RelationshipForm"));
    const auto& catalogue = session_.catalogue();
    auto edit = [&](const char* name, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(maxLength);
        return e;
    };
    FirstExcavationEdit = edit("FirstExcavationEdit", catalogue[uf::Excavation].Size);
    FirstExcavationEdit->setReadOnly(true);
    FirstUnitEdit = new TUnitNameEdit(session_.ui(), this);
    FirstUnitEdit->setObjectName(QStringLiteral("FirstUnitEdit"));
    FirstUnitEdit->setReadOnly(true);
    CategoryEdit = edit("CategoryEdit", 1);
    SecondExcavationEdit = edit("SecondExcavationEdit", catalogue[uf::Excavation].Size);
    SecondUnitEdit = new TUnitNameEdit(session_.ui(), this);
    SecondUnitEdit->setObjectName(QStringLiteral("SecondUnitEdit"));
    SecondUnitEdit->setMaxLength(catalogue[uf::Unitname].Size);
    CommentEdit = edit("CommentEdit", rel::kCommentSize);
    for (QLineEdit* e : {FirstExcavationEdit, FirstUnitEdit, SecondExcavationEdit, SecondUnitEdit, CommentEdit}) {
        e->installEventFilter(this);
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(e, &QWidget::customContextMenuRequested, this, [this, e](const QPoint& at) {
            QMenu menu(e);
            QAction* lookup = menu.addAction(QStringLiteral("Term lookup"));
            lookup->setShortcut(QKeySequence(Qt::Key_F4));
            if (menu.exec(e->mapToGlobal(at)) == lookup) termLookup(e);
        });
    }
    CategoryEdit->installEventFilter(this);
    CategoryEdit->setMaximumWidth(40);
    CategoryEdit->setAlignment(Qt::AlignCenter);
    // Pasted or dropped text passes no key filter; the codes are all it may hold.
    CategoryEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(setup_.earlierLater ? QStringLiteral("[-=p<>]?") : QStringLiteral("[-=p]?")), CategoryEdit));
    CategoryEdit->setContextMenuPolicy(Qt::NoContextMenu);

    auto label = [this](const QString& caption, QWidget* buddy) {
        auto* l = new QLabel(caption, this);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("E&xcavation"), SecondExcavationEdit), 0, 1);
    grid->addWidget(label(QStringLiteral("&Unit name"), SecondUnitEdit), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("First unit:"), this), 1, 0);
    grid->addWidget(FirstExcavationEdit, 1, 1);
    grid->addWidget(FirstUnitEdit, 1, 2);
    grid->addWidget(label(QStringLiteral("Relation &category:"), CategoryEdit), 2, 0);
    grid->addWidget(CategoryEdit, 2, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Second unit:"), this), 3, 0);
    grid->addWidget(SecondExcavationEdit, 3, 1);
    grid->addWidget(SecondUnitEdit, 3, 2);
    grid->addWidget(label(QStringLiteral("C&omment:"), CommentEdit), 4, 0);
    grid->addWidget(CommentEdit, 4, 1, 1, 2);
    // The name is typed first (the focus starts and returns there), then the
    // category and the comment: one Tab each, no way back.
    setTabOrder(SecondExcavationEdit, SecondUnitEdit);
    setTabOrder(SecondUnitEdit, CategoryEdit);
    setTabOrder(CategoryEdit, CommentEdit);
    CountLabel = new QLabel(this);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    // Room for the count from the start, so that the buttons do not move
    // when it appears.
    CountLabel->setMinimumWidth(CountLabel->fontMetrics().horizontalAdvance(QStringLiteral("Entered: 9999")));

    auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    OKButton = button("OKButton", QStringLiteral("OK"));
    OKButton->setDefault(true);
    NextButton = button("NextButton", QStringLiteral("&Next"));
    CancelButton = button("CancelButton", QStringLiteral("Cancel"));
    HelpButton = button("HelpButton", QStringLiteral("&Help"));
    connect(OKButton, &QPushButton::clicked, this, &TRelationshipForm::OKButtonClick);
    connect(NextButton, &QPushButton::clicked, this, &TRelationshipForm::NextButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto help = [this] { showHelp(changeCommentMode() ? kCommentHelp : kAddHelp); };
    connect(HelpButton, &QPushButton::clicked, this, help);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, help);
    connect(new QShortcut(QKeySequence(Qt::Key_PageDown), this), &QShortcut::activated, this, [this] {
        if (NextButton->isVisible()) NextButtonClick();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CountLabel, 1);
    for (QPushButton* b : {OKButton, NextButton, CancelButton, HelpButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TRelationshipForm::updateTabStops()
{
    for (QLineEdit* e : {FirstExcavationEdit, FirstUnitEdit, CategoryEdit, SecondExcavationEdit, SecondUnitEdit})
        e->setFocusPolicy(e->isReadOnly() ? Qt::ClickFocus : Qt::StrongFocus);
}

bool TRelationshipForm::categoryAllowed(QChar code) const
{
    if (code == category::Earlier || code == category::Later) return setup_.earlierLater;
    return code == category::Equal || code == category::Contemporary || code == category::PartOf;
}

void TRelationshipForm::chooseCategory()
{
    if (const auto code = SelectRelation(setup_.earlierLater, this); code && categoryAllowed(*code))
        CategoryEdit->setText(QString(*code));
}

bool TRelationshipForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F4
        && edit != CategoryEdit) {
        termLookup(edit);
        return true;
    }
    if (edit != CategoryEdit || CategoryEdit->isReadOnly()) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        chooseCategory();
        return true;
    }
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
        CategoryEdit->clear();
        return true;
    }
    // The clipboard is no way around the codes: paste asks as any other key.
    if (key->matches(QKeySequence::Paste)) {
        chooseCategory();
        return true;
    }
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) || key->matches(QKeySequence::Cut))
        return true;
    const QString text = key->text();
    // Keys without text (Tab, arrows, F1, Page Down) keep their meaning.
    if (text.isEmpty() || !text.front().isPrint()) return QDialog::eventFilter(watched, event);
    if (categoryAllowed(text.front())) CategoryEdit->setText(text.left(1));
    else chooseCategory();
    return true;
}

void TRelationshipForm::termLookup(QLineEdit* edit)
{
    const LookupEdit kind = edit == FirstUnitEdit || edit == SecondUnitEdit ? LookupEdit::UnitName
        : edit == FirstExcavationEdit || edit == SecondExcavationEdit  ? LookupEdit::Excavation
                                                                       : LookupEdit::Other;
    if (kind != LookupEdit::UnitName && edit->isReadOnly()) {
        session_.ui().beep();
        return;
    }
    const auto field = TermLookupField(session_, kind);
    if (!field) return;
    const auto term = LookupTerm(session_, this, *field);
    if (!term) return;
    edit->setText(term->Term.left(edit->maxLength()));
    if (!term->RelationCat.isEmpty() && !CategoryEdit->isReadOnly() && categoryAllowed(term->RelationCat.front()))
        CategoryEdit->setText(term->RelationCat.left(1));
}

RelationshipEntry TRelationshipForm::entry() const
{
    RelationshipEntry e;
    e.first = {FirstExcavationEdit->text(), FirstUnitEdit->text()};
    e.second = {SecondExcavationEdit->text(), SecondUnitEdit->text()};
    e.code = CategoryEdit->text().isEmpty() ? QChar() : CategoryEdit->text().front();
    e.comment = CommentEdit->text();
    return e;
}

bool TRelationshipForm::validate()
{
    const RelationshipEntry e = entry();
    const bool existed = UnitExists(session_.units(), e.second);
    switch (CheckRelationEntry(session_, CategoryEdit->text(), e.second)) {
    case EntryControl::None:
        if (!existed) ++unitsCreated_;
        return true;
    case EntryControl::Category: CategoryEdit->setFocus(); break;
    case EntryControl::Excavation: SecondExcavationEdit->setFocus(); break;
    case EntryControl::UnitName:
    case EntryControl::Comment: SecondUnitEdit->setFocus(); break;
    }
    return false;
}

void TRelationshipForm::showCurrentRow()
{
    FirstExcavationEdit->setText(relTable_->str(rel::Excavation1));
    FirstUnitEdit->setText(relTable_->str(rel::Unitname1));
    CategoryEdit->setText(relTable_->str(rel::RelationCat));
    SecondExcavationEdit->setText(relTable_->str(rel::Excavation2));
    SecondUnitEdit->setText(relTable_->str(rel::Unitname2));
    CommentEdit->setText(relTable_->str(rel::RelationFull));
}

void TRelationshipForm::writeComment()
{
    // This row only: the opposite row keeps its own comment.
    const RelationshipEntry e = entry();
    SetRelationComment(*relTable_, {e.first, e.second}, e.comment);
}

void TRelationshipForm::OKButtonClick()
{
    if (changeCommentMode()) writeComment();
    else if (!validate()) return;
    accept();
}

void TRelationshipForm::NextButtonClick()
{
    if (changeCommentMode()) {
        writeComment();
        relTable_->next();
        if (relTable_->eof()) {
            session_.ui().beep();
            return;
        }
        showCurrentRow();
        CommentEdit->setFocus();
        return;
    }
    if (!validate()) return;
    // A refused entry stays in the fields, to be corrected or cleared.
    if (!setup_.storeNext(entry())) return;
    ++entered_;
    CountLabel->setText(QStringLiteral("Entered: %1").arg(entered_));
    SecondUnitEdit->clear();
    CommentEdit->clear();
    if (setup_.clearCategoryOnNext && !CategoryEdit->isReadOnly()) CategoryEdit->clear();
    SecondUnitEdit->setFocus();
}

} // namespace belvanto
