#include "editing/forms/TUnitEditForm.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "diagram/Geometry.h"
#include "editing/forms/EditUnit.h"
#include "editing/forms/ImageLinkCommands.h"
#include "editing/forms/RelationWidgets.h"
#include "editing/forms/TRelationshipForm.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Terms.h"
#include "store/UnitFields.h"
#include "ui/Help.h"
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QValidator>
#include <QVBoxLayout>

namespace belvanto {

namespace {

constexpr int kKeyRole = Qt::UserRole;   // excavation; +1 the unit name

const QString kTitle = QStringLiteral("Edit unit data");

// The descriptive fields of the two columns of "&Unit Data", top to bottom;
// the Tab key walks them in this order.
constexpr int kLeftFields[] = {uf::Location,   uf::Unittype, uf::Colour,  uf::Visibility, uf::ExcavationMethod,
                               uf::Conditions, uf::Formation, uf::Drawings, uf::Photos,    uf::Samples,
                               uf::ExcavationDate, uf::Excavator};
constexpr int kMemoFields[] = {uf::Description, uf::Inclusions, uf::Interpretation};
constexpr int kDatingFields[] = {uf::Period, uf::Phase, uf::DateSource};
// Rows X, Y, Z; columns "Min.", "Center", "Max.".
constexpr int kCoordinates[3][3] = {{uf::XMinCoord, uf::XAvgCoord, uf::XMaxCoord},
                                    {uf::YMinCoord, uf::YAvgCoord, uf::YMaxCoord},
                                    {uf::ZMinCoord, uf::ZAvgCoord, uf::ZMaxCoord}};
constexpr int kYears[3] = {uf::MinYear, uf::MaxYear, uf::AvgYear};

// Pasted or dropped text passes no key filter: a name with a refused
// character is refused whole.
class NameValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return std::all_of(input.begin(), input.end(), UnitEditor::acceptsNameCharacter) ? Acceptable : Invalid;
    }
};

bool isNumberKey(QChar c, FieldType type, QChar decimalSeparator)
{
    if (c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('+')) return true;
    if (type != FieldType::Float) return false;
    return c == QLatin1Char('.') || c == decimalSeparator || c == QLatin1Char('e') || c == QLatin1Char('E');
}

QIcon swatch(const QColor& colour)
{
    QPixmap pixmap(28, 16);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

UnitKey keyOf(const QTreeWidgetItem* item)
{
    return {item->data(0, kKeyRole).toString(), item->data(0, kKeyRole + 1).toString()};
}

} // namespace

QColor ColourFromStored(qint32 stored)
{
    return QColor(stored & 0xFF, (stored >> 8) & 0xFF, (stored >> 16) & 0xFF);
}

qint32 StoredFromColour(const QColor& colour)
{
    return qint32(colour.red()) | qint32(colour.green()) << 8 | qint32(colour.blue()) << 16;
}

TUnitEditForm::TUnitEditForm(Session& session, UnitEditor& editor, QWidget* parent)
    : QDialog(parent), session_(session), editor_(editor)
{
    setObjectName(QStringLiteral("UnitEditForm"));
    setWindowTitle(kTitle);
    build();
    applyVisibility();
    showAll();
    editor_.onValueChanged = [this](int field) { showField(field); };
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, &TUnitEditForm::focusChanged);
    NameEdit->setFocus();
}

TUnitEditForm::~TUnitEditForm()
{
    disconnect(focusConnection_);
    editor_.onValueChanged = nullptr;
}

// ---- Building ---------------------------------------------------------------

QLabel* TUnitEditForm::caption(int field, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setBuddy(controls_[std::size_t(field)]);
    captions_[std::size_t(field)] = label;
    return label;
}

void TUnitEditForm::bindLine(int field, QLineEdit* edit)
{
    const UnitFieldEntry& catalogued = session_.catalogue()[field];
    edit->setObjectName(catalogued.Name + QStringLiteral("Edit"));
    if (catalogued.Type == FieldType::String) edit->setMaxLength(catalogued.Size);
    edit->setAccessibleName(catalogued.Label);
    edit->installEventFilter(this);
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this, [this, edit, field](const QPoint& at) {
        QMenu menu(edit);
        fillFieldMenu(menu, field);
        menu.exec(edit->mapToGlobal(at));
    });
    connect(edit, &QLineEdit::textChanged, this, [this, field] { pushText(field); });
    controls_[std::size_t(field)] = edit;
    tabChain_.push_back(edit);
}

QLineEdit* TUnitEditForm::lineEdit(int field)
{
    auto* edit = new QLineEdit(this);
    bindLine(field, edit);
    return edit;
}

QPlainTextEdit* TUnitEditForm::memoEdit(int field)
{
    const UnitFieldEntry& catalogued = session_.catalogue()[field];
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(catalogued.Name + QStringLiteral("Memo"));
    memo->setAccessibleName(catalogued.Label);
    memo->setTabChangesFocus(true);
    memo->installEventFilter(this);
    memo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(memo, &QWidget::customContextMenuRequested, this, [this, memo, field](const QPoint& at) {
        QMenu menu(memo);
        fillFieldMenu(menu, field);
        menu.exec(memo->mapToGlobal(at));
    });
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, field, size = catalogued.Size] {
        // The field holds no more than its size: what goes beyond is dropped
        // as it comes in, with a beep.
        if (!showing_ && memo->toPlainText().size() > size) {
            session_.ui().beep();
            QTextCursor cursor = memo->textCursor();
            const int at = cursor.position();
            const QSignalBlocker block(memo);
            memo->setPlainText(memo->toPlainText().left(size));
            cursor = memo->textCursor();
            cursor.setPosition(std::min(at, size));
            memo->setTextCursor(cursor);
        }
        pushText(field);
    });
    controls_[std::size_t(field)] = memo;
    tabChain_.push_back(memo);
    return memo;
}

void TUnitEditForm::build()
{
    const UnitFieldCatalogue& catalogue = session_.catalogue();

    // Name, excavation and class above the pages.
    NameEdit = new QLineEdit(this);
    bindLine(uf::Unitname, NameEdit);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    NameEdit->setValidator(new NameValidator(NameEdit));
    NameEdit->setAutoFillBackground(true);
    NameEdit->setMaximumWidth(NameEdit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 10);
    ExcavationEdit = new QLineEdit(this);
    bindLine(uf::Excavation, ExcavationEdit);
    ExcavationEdit->setObjectName(QStringLiteral("ExcavationEdit"));
    ExcavationEdit->setMaximumWidth(ExcavationEdit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 13);
    if (editor_.singleExcavation()) {
        ExcavationEdit->setReadOnly(true);
        ExcavationEdit->setFocusPolicy(Qt::ClickFocus);
    }
    ClassCombo = new QComboBox(this);
    ClassCombo->setObjectName(QStringLiteral("ClassCombo"));
    ClassCombo->setAccessibleName(catalogue[uf::Unitclass].Label);
    ClassCombo->installEventFilter(this);
    controls_[uf::Unitclass] = ClassCombo;
    tabChain_.push_back(ClassCombo);
    connect(ClassCombo, &QComboBox::currentTextChanged, this, [this] { pushText(uf::Unitclass); });

    ColourButton = new QPushButton(this);
    ColourButton->setObjectName(QStringLiteral("ColourButton"));
    ColourButton->setToolTip(QStringLiteral("Select unit colour"));
    ColourButton->setAccessibleName(QStringLiteral("Select unit colour"));
    ColourButton->setAutoDefault(false);
    ColourButton->setIconSize(QSize(28, 16));
    onClick(ColourButton, [this] { ColourButtonClick(); });
    tabChain_.push_back(ColourButton);
    StyleCombo = new QComboBox(this);
    StyleCombo->setObjectName(QStringLiteral("StyleCombo"));
    for (const QString& name : BoxStyleNames()) StyleCombo->addItem(name);
    StyleCombo->installEventFilter(this);
    connect(StyleCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!showing_ && index >= 0) editor_.setText(uf::DispStyle, QString::number(index));
    });
    tabChain_.push_back(StyleCombo);

    auto* top = new QHBoxLayout;
    top->addWidget(caption(uf::Unitname, QStringLiteral("Unit name:")));
    top->addWidget(NameEdit);
    top->addSpacing(12);
    top->addWidget(caption(uf::Excavation, QStringLiteral("Excavation:")));
    top->addWidget(ExcavationEdit);
    top->addSpacing(12);
    top->addWidget(caption(uf::Unitclass, QStringLiteral("Unit cl&ass:")));
    top->addWidget(ClassCombo);
    top->addStretch(1);
    top->addWidget(ColourButton);
    auto* styleLabel = new QLabel(QStringLiteral("style:"), this);
    styleLabel->setBuddy(StyleCombo);
    top->addWidget(styleLabel);
    top->addWidget(StyleCombo);

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->addTab(buildUnitDataPage(), QStringLiteral("&Unit Data"));
    Pages->addTab(buildRelationsPage(), QStringLiteral("&Relations"));
    Pages->addTab(buildFindsPage(), QStringLiteral("&Finds"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Pages, 1);
    layout->addWidget(buildBottomRow());
    setTabChain();

    auto help = [this] { showHelp(HelpTopic(UnitEditHelpTopic(editor_.openingMode()))); };
    onClick(HelpButton, help);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, help);
}

QWidget* TUnitEditForm::buildUnitDataPage()
{
    const UnitFieldCatalogue& catalogue = session_.catalogue();
    auto* page = new QWidget(this);

    // Coordinates: one row per axis, columns "Min.", "Center", "Max.".
    auto* coordinates = new QGroupBox(QStringLiteral("Coordinates"), page);
    coordinateGroup_ = coordinates;
    auto* grid = new QGridLayout(coordinates);
    const char* const columnHeads[] = {"Min.", "Center", "Max."};
    for (int c = 0; c < 3; ++c) {
        auto* head = new QLabel(QString::fromLatin1(columnHeads[c]), coordinates);
        head->setAlignment(Qt::AlignCenter);
        coordinateHeads_ << head;
        grid->addWidget(head, 0, c + 1);
    }
    const char* const axes[] = {"X", "Y", "Z"};
    for (int r = 0; r < 3; ++r) {
        coordinateRows_[std::size_t(r)] = new QLabel(QString::fromLatin1(axes[r]), coordinates);
        grid->addWidget(coordinateRows_[std::size_t(r)], r + 1, 0);
        for (int c = 0; c < 3; ++c) {
            const int field = kCoordinates[r][c];
            QLineEdit* edit = lineEdit(field);
            edit->setToolTip(catalogue[field].Label);
            edit->setAlignment(Qt::AlignRight);
            grid->addWidget(edit, r + 1, c + 1);
            captions_[std::size_t(field)] = coordinateRows_[std::size_t(r)];
        }
        coordinateRows_[std::size_t(r)]->setBuddy(controls_[std::size_t(kCoordinates[r][0])]);
    }

    auto* left = new QGridLayout;
    left->addWidget(coordinates, 0, 0, 1, 2);
    int row = 1;
    for (const int field : kLeftFields) {
        QLineEdit* edit = lineEdit(field);
        if (field == uf::Drawings || field == uf::Photos) {
            // The button stands where the caption would and opens the images.
            auto* button = new QPushButton(field == uf::Drawings ? QStringLiteral("&Drawings")
                                                                 : QStringLiteral("&Photos"), page);
            button->setObjectName(field == uf::Drawings ? QStringLiteral("DrawingsButton")
                                                        : QStringLiteral("PhotosButton"));
            button->setFocusPolicy(Qt::NoFocus);
            button->setAutoDefault(false);
            onClick(button, [this, field] { ImageButtonClick(field); });
            (field == uf::Drawings ? DrawingsButton : PhotosButton) = button;
            captions_[std::size_t(field)] = button;
            left->addWidget(button, row, 0);
        } else {
            left->addWidget(caption(field, catalogue[field].Label + QLatin1Char(':')), row, 0);
        }
        left->addWidget(edit, row, 1);
        ++row;
    }
    left->setRowStretch(row, 1);

    auto* right = new QGridLayout;
    row = 0;
    for (const int field : kMemoFields) {
        QPlainTextEdit* memo = memoEdit(field);
        const int lines = field == uf::Inclusions ? 2 : 4;
        memo->setMinimumHeight(memo->fontMetrics().lineSpacing() * lines + 12);
        right->addWidget(caption(field, catalogue[field].Label + QLatin1Char(':')), row, 0, Qt::AlignTop);
        right->addWidget(memo, row, 1);
        right->setRowStretch(row, lines);
        ++row;
    }

    // Dating: the year row "Min.", "Max.", "Center", then the labels.
    auto* dating = new QGroupBox(QStringLiteral("Dating"), page);
    auto* dates = new QGridLayout(dating);
    const char* const yearHeads[] = {"Min.", "Max.", "Center"};
    for (int c = 0; c < 3; ++c) {
        auto* head = new QLabel(QString::fromLatin1(yearHeads[c]), dating);
        head->setAlignment(Qt::AlignCenter);
        yearHeads_ << head;
        dates->addWidget(head, 0, c + 1);
    }
    auto* yearLabel = new QLabel(QStringLiteral("Year:"), dating);
    dates->addWidget(yearLabel, 1, 0);
    for (int c = 0; c < 3; ++c) {
        QLineEdit* edit = lineEdit(kYears[c]);
        edit->setToolTip(catalogue[kYears[c]].Label);
        edit->setAlignment(Qt::AlignRight);
        dates->addWidget(edit, 1, c + 1);
        captions_[std::size_t(kYears[c])] = yearLabel;
    }
    yearLabel->setBuddy(controls_[uf::MinYear]);
    datingYears_ = yearLabel;
    int dateRow = 2;
    for (const int field : kDatingFields) {
        QLineEdit* edit = lineEdit(field);
        dates->addWidget(caption(field, catalogue[field].Label + QLatin1Char(':')), dateRow, 0);
        dates->addWidget(edit, dateRow, 1, 1, field == uf::DateSource ? 3 : 1);
        ++dateRow;
    }
    right->addWidget(dating, row, 0, 1, 2);

    auto* columns = new QHBoxLayout(page);
    columns->addLayout(left, 1);
    columns->addSpacing(8);
    columns->addLayout(right, 1);
    return page;
}

QWidget* TUnitEditForm::buildRelationsPage()
{
    auto* page = new QWidget(this);
    auto* columns = new QHBoxLayout(page);
    const char* const captionsOf[] = {"Later than:", "Earlier than:", "Other relations:"};
    const char* const names[] = {"Later", "Earlier", "Other"};
    for (int i = 0; i < 3; ++i) {
        const auto list = RelationList(i);
        ListControls& c = lists_[std::size_t(i)];
        c.list = new QTreeWidget(page);
        c.list->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("List"));
        c.list->setHeaderLabels({QStringLiteral("Unit"), QStringLiteral("Rel."), QStringLiteral("Comment")});
        c.list->setRootIsDecorated(false);
        c.list->setAllColumnsShowFocus(true);
        c.list->header()->setStretchLastSection(true);
        c.list->setColumnWidth(0, c.list->fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWWWW")));
        c.list->setColumnWidth(1, c.list->fontMetrics().horizontalAdvance(QStringLiteral("Rel.")) + 16);
        c.list->installEventFilter(this);
        c.list->viewport()->installEventFilter(this);
        c.add = new QPushButton(QStringLiteral("Add"), page);
        c.add->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("AddButton"));
        c.remove = new QPushButton(QStringLiteral("Remove"), page);
        c.remove->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("RemoveButton"));
        for (QPushButton* b : {c.add, c.remove}) b->setAutoDefault(false);
        onClick(c.add, [this, list] { AddRelationClick(list); });
        onClick(c.remove, [this, list] { RemoveRelationClick(list); });
        auto* label = new QLabel(QString::fromLatin1(captionsOf[i]), page);
        label->setBuddy(c.list);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(c.add);
        buttons->addWidget(c.remove);
        buttons->addStretch(1);
        auto* column = new QVBoxLayout;
        column->addWidget(label);
        column->addWidget(c.list, 1);
        column->addLayout(buttons);
        columns->addLayout(column, 1);
    }
    return page;
}

QWidget* TUnitEditForm::buildFindsPage()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    QLineEdit* edit = lineEdit(uf::FindCat);
    grid->addWidget(caption(uf::FindCat, QStringLiteral("Find category:")), 0, 0);
    grid->addWidget(edit, 0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 30);
    return page;
}

QWidget* TUnitEditForm::buildBottomRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    // Tool buttons take no focus, so the field they act on keeps it.
    auto tool = [&](const char* name, const QString& text, const QString& hint) {
        auto* b = new QToolButton(row);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setFocusPolicy(Qt::NoFocus);
        if (!hint.isEmpty()) b->setToolTip(hint);
        layout->addWidget(b);
        return b;
    };
    CutButton = tool("CutButton", QStringLiteral("Cut"), QString());
    CopyButton = tool("CopyButton", QStringLiteral("Copy"), QString());
    PasteButton = tool("PasteButton", QStringLiteral("Paste"), QString());
    connect(CutButton, &QToolButton::clicked, this, [this] {
        if (auto* e = qobject_cast<QLineEdit*>(fieldControl(lastField_))) e->cut();
        else if (auto* m = qobject_cast<QPlainTextEdit*>(fieldControl(lastField_))) m->cut();
    });
    connect(CopyButton, &QToolButton::clicked, this, [this] {
        if (auto* e = qobject_cast<QLineEdit*>(fieldControl(lastField_))) e->copy();
        else if (auto* m = qobject_cast<QPlainTextEdit*>(fieldControl(lastField_))) m->copy();
    });
    connect(PasteButton, &QToolButton::clicked, this, [this] {
        if (auto* e = qobject_cast<QLineEdit*>(fieldControl(lastField_))) e->paste();
        else if (auto* m = qobject_cast<QPlainTextEdit*>(fieldControl(lastField_))) m->paste();
    });
    layout->addSpacing(8);
    TermListButton = tool("TermListButton", QStringLiteral("Term list"), QString());
    connect(TermListButton, &QToolButton::clicked, this, &TUnitEditForm::TermListButtonClick);
    layout->addSpacing(8);
    FirstButton = tool("FirstButton", QString(), QStringLiteral("First unit"));
    PriorButton = tool("PriorButton", QString(), QStringLiteral("Previous unit"));
    NextUnitButton = tool("NextUnitButton", QString(), QStringLiteral("Next unit"));
    LastButton = tool("LastButton", QString(), QStringLiteral("Last unit"));
    const std::pair<QToolButton*, MoveDirection> moves[] = {{FirstButton, MoveDirection::First},
                                                            {PriorButton, MoveDirection::Previous},
                                                            {NextUnitButton, MoveDirection::Next},
                                                            {LastButton, MoveDirection::Last}};
    const QStyle::StandardPixmap pictures[] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                               QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    for (int i = 0; i < 4; ++i) {
        moves[i].first->setIcon(style()->standardIcon(pictures[i]));
        moves[i].first->setAccessibleName(moves[i].first->toolTip());
        connect(moves[i].first, &QToolButton::clicked, this, [this, d = moves[i].second] { MoveButtonClick(d); });
    }
    layout->addStretch(1);

    auto button = [&](const char* name, const QString& text, const QString& hint) {
        auto* b = new QPushButton(text, row);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        if (!hint.isEmpty()) b->setToolTip(hint);
        layout->addWidget(b);
        tabChain_.push_back(b);
        return b;
    };
    OKButton = button("OKButton", QStringLiteral("&OK"), QString());
    NextButton = button("NextButton", QStringLiteral("&Next"), QStringLiteral("Create another unit"));
    NextOlderButton = button("NextOlderButton", QStringLiteral("N&ext older"),
                             QStringLiteral("Create next unit which is older than current unit"));
    CancelButton = button("CancelButton", QStringLiteral("&Cancel"), QString());
    HelpButton = button("HelpButton", QStringLiteral("&Help"), QString());
    onClick(OKButton, [this] { OKButtonClick(); });
    onClick(NextButton, [this] { NextButtonClick(false); });
    onClick(NextOlderButton, [this] { NextButtonClick(true); });
    // Cancel runs no leaving rules, so a press on it is never refused.
    connect(CancelButton, &QPushButton::clicked, this, &TUnitEditForm::CancelButtonClick);
    return row;
}

void TUnitEditForm::onClick(QAbstractButton* button, std::function<void()> act)
{
    connect(button, &QAbstractButton::pressed, this, [this, button] {
        swallowClick_ = refusedButton_ == button ? button : nullptr;
        refusedButton_ = nullptr;
    });
    connect(button, &QAbstractButton::clicked, this, [this, button, act = std::move(act)] {
        if (swallowClick_ == button) {
            swallowClick_ = nullptr;
            return;
        }
        act();
    });
}

void TUnitEditForm::setTabChain()
{
    // The build order is the reading order: name, excavation, class, colour,
    // style, the page tabs, the coordinates row by row, the left column, the
    // texts and the dating, the relationship lists, the finds, the buttons.
    // Tab skips what is on the pages not shown.
    auto at = [this](QWidget* w) { return std::find(tabChain_.begin(), tabChain_.end(), w); };
    tabChain_.insert(at(StyleCombo) + 1, Pages->tabBar());
    std::vector<QWidget*> relations;
    for (const ListControls& c : lists_) relations.insert(relations.end(), {c.list, c.add, c.remove});
    tabChain_.insert(at(controls_[uf::FindCat]), relations.begin(), relations.end());
    for (std::size_t i = 1; i < tabChain_.size(); ++i) setTabOrder(tabChain_[i - 1], tabChain_[i]);
}

void TUnitEditForm::applyVisibility()
{
    const UnitFieldCatalogue& catalogue = session_.catalogue();
    for (int field = uf::XMinCoord; field < uf::X; ++field) {
        QWidget* control = controls_[std::size_t(field)];
        if (!control) continue;
        const bool shown = catalogue[field].EditView;
        control->setVisible(shown);
        if (QWidget* c = captions_[std::size_t(field)]; c && c != datingYears_
            && std::find(coordinateRows_.begin(), coordinateRows_.end(), c) == coordinateRows_.end())
            c->setVisible(shown);
    }
    // A row or column caption of a grid stays while one of its fields shows.
    auto shown = [&](int field) { return catalogue[field].EditView; };
    bool anyCoordinate = false;
    for (int r = 0; r < 3; ++r) {
        const bool row = shown(kCoordinates[r][0]) || shown(kCoordinates[r][1]) || shown(kCoordinates[r][2]);
        coordinateRows_[std::size_t(r)]->setVisible(row);
        anyCoordinate = anyCoordinate || row;
    }
    for (int c = 0; c < 3; ++c)
        coordinateHeads_[c]->setVisible(shown(kCoordinates[0][c]) || shown(kCoordinates[1][c]) || shown(kCoordinates[2][c]));
    coordinateGroup_->setVisible(anyCoordinate);
    for (int c = 0; c < 3; ++c) yearHeads_[c]->setVisible(shown(kYears[c]));
    datingYears_->setVisible(shown(kYears[0]) || shown(kYears[1]) || shown(kYears[2]));

    const bool newMode = editor_.openingMode() == EditMode::New;
    const bool editMode = editor_.openingMode() == EditMode::Edit;
    NextButton->setVisible(newMode);
    NextOlderButton->setVisible(newMode);
    for (QToolButton* b : {FirstButton, PriorButton, NextUnitButton, LastButton}) b->setVisible(editMode);
    TermListButton->setEnabled(session_.termsOpen());
}

// ---- From the editor to the controls ----------------------------------------

QString TUnitEditForm::controlText(int field) const
{
    QWidget* control = controls_[std::size_t(field)];
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) return memo->toPlainText();
    if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentText();
    return QString();
}

void TUnitEditForm::pushText(int field)
{
    if (showing_) return;
    editor_.setText(field, controlText(field));
}

void TUnitEditForm::showField(int field)
{
    const bool was = std::exchange(showing_, true);
    const QString text = editor_.text(field);
    QWidget* control = controls_[std::size_t(field)];
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (edit->text() != text) edit->setText(text);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        if (memo->toPlainText() != text) memo->setPlainText(text);
    } else if (control == ClassCombo) {
        const int index = ClassCombo->findText(text);
        if (index < 0 && !text.isEmpty()) ClassCombo->addItem(text);
        ClassCombo->setCurrentIndex(ClassCombo->findText(text));
    } else if (field == uf::DisplayColour) {
        showNameColour();
    } else if (field == uf::DispStyle) {
        bool ok = false;
        const int style = text.toInt(&ok);
        StyleCombo->setCurrentIndex(ValidBoxStyle(ok ? std::optional<qint32>(style) : std::nullopt));
    }
    showing_ = was;
}

void TUnitEditForm::showNameColour()
{
    bool ok = false;
    const qint32 stored = editor_.text(uf::DisplayColour).toInt(&ok);
    const QColor colour = ok ? ColourFromStored(stored) : QColor(Qt::white);
    QPalette palette = NameEdit->palette();
    palette.setColor(QPalette::Base, colour);
    // The name stays readable on a dark colour.
    palette.setColor(QPalette::Text, colour.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black));
    NameEdit->setPalette(palette);
    ColourButton->setIcon(swatch(colour));
}

void TUnitEditForm::loadClassChoices()
{
    const bool was = std::exchange(showing_, true);
    ClassCombo->clear();
    ClassCombo->addItems(editor_.classChoices());
    showing_ = was;
    showField(uf::Unitclass);
}

void TUnitEditForm::showAll()
{
    loadClassChoices();
    for (int field = 0; field < kUnitFieldCount; ++field) showField(field);
    showNameColour();
    showRelations();
}

void TUnitEditForm::showRelations()
{
    const bool single = editor_.singleExcavation();
    for (int i = 0; i < 3; ++i) {
        QTreeWidget* tree = lists_[std::size_t(i)].list;
        const int current = tree->indexOfTopLevelItem(tree->currentItem());
        tree->clear();
        for (const EditorRelation& r : editor_.relations(RelationList(i))) {
            auto* item = new QTreeWidgetItem(tree, {UnitLabel(r.second.excavation, r.second.unitname, single),
                                                    QString(r.code), r.comment});
            item->setData(0, kKeyRole, r.second.excavation);
            item->setData(0, kKeyRole + 1, r.second.unitname);
        }
        if (tree->topLevelItemCount() > 0)
            tree->setCurrentItem(tree->topLevelItem(std::clamp(current, 0, tree->topLevelItemCount() - 1)));
    }
}

// ---- Focus and the leaving rules --------------------------------------------

int TUnitEditForm::fieldOf(const QObject* widget) const
{
    for (const QObject* w = widget; w && w != this; w = w->parent()) {
        const auto it = std::find(controls_.begin(), controls_.end(), w);
        if (it != controls_.end()) return int(it - controls_.begin());
    }
    return kNoField;
}

bool TUnitEditForm::runLeaveRules(int field)
{
    const bool was = std::exchange(restoring_, true);
    const bool left = editor_.leaveField(field);
    restoring_ = was;
    return left;
}

void TUnitEditForm::focusChanged(QWidget* old, QWidget* now)
{
    if (restoring_ || settling_ || !isVisible()) return;
    const int oldField = fieldOf(old);
    const int nowField = fieldOf(now);
    if (oldField != kNoField && old && isAncestorOf(old) && oldField != nowField) pendingLeave_ = oldField;
    if (nowField != kNoField) lastField_ = nowField;
    // Popups, message boxes and other windows take the focus for a while;
    // the field is left only when another control of this form gets it, and
    // Cancel never checks what it is about to discard.
    if (!now || !isAncestorOf(now) || now == CancelButton) return;
    refusedButton_ = nullptr;
    if (pendingLeave_ == kNoField) return;
    const int field = std::exchange(pendingLeave_, kNoField);
    if (field == nowField) return;
    if (runLeaveRules(field)) return;
    focusField(field);
    refusedButton_ = qobject_cast<QAbstractButton*>(now);
    // A page switch moves the focus once more after this; the field takes
    // it back once everything has settled, without asking again.
    settling_ = true;
    QTimer::singleShot(0, this, [this, field] {
        settling_ = false;
        if (!controls_[std::size_t(field)]->hasFocus()) focusField(field);
    });
}

bool TUnitEditForm::focusNameEdit()
{
    // A refused move is still settling: the field keeps the focus.
    if (settling_) return false;
    if (isActiveWindow()) {
        NameEdit->setFocus(Qt::OtherFocusReason);
        return NameEdit->hasFocus();
    }
    // Off the screen no focus moves: the rules of the last field run here.
    if (lastField_ != uf::Unitname && !runLeaveRules(lastField_)) {
        focusField(lastField_);
        return false;
    }
    NameEdit->setFocus(Qt::OtherFocusReason);
    pendingLeave_ = kNoField;
    return true;
}

void TUnitEditForm::focusField(int field)
{
    if (field < 0 || field >= kUnitFieldCount) return;
    QWidget* control = controls_[std::size_t(field)];
    if (!control) return;
    const bool was = std::exchange(restoring_, true);
    // A control on another page brings its page up.
    for (int i = 0; i < Pages->count(); ++i)
        if (Pages->widget(i)->isAncestorOf(control)) Pages->setCurrentIndex(i);
    control->setFocus(Qt::OtherFocusReason);
    restoring_ = was;
    lastField_ = field;
    pendingLeave_ = kNoField;
}

// ---- Saving, moving, closing --------------------------------------------------

bool TUnitEditForm::SaveUnit()
{
    if (!focusNameEdit()) return false;
    if (editor_.save()) return true;
    focusField(editor_.focusField());
    return false;
}

void TUnitEditForm::OKButtonClick()
{
    if (!SaveUnit()) return;
    editor_.close();
    QDialog::accept();
}

void TUnitEditForm::CancelButtonClick()
{
    if (editor_.isOpen() && !editor_.cancel()) return;
    QDialog::reject();
}

void TUnitEditForm::reject()
{
    CancelButtonClick();
}

void TUnitEditForm::NextButtonClick(bool older)
{
    if (!NextButton->isVisible()) return;
    if (!focusNameEdit()) return;
    if (!editor_.next(older)) {
        focusField(editor_.focusField());
        return;
    }
    showAll();
    focusField(uf::Unitname);
}

void TUnitEditForm::MoveButtonClick(MoveDirection direction)
{
    if (!FirstButton->isVisible()) return;
    if (!focusNameEdit()) return;
    switch (editor_.move(direction)) {
    case MoveResult::Failed: focusField(editor_.focusField()); break;
    case MoveResult::Same: break;   // the editor has beeped
    case MoveResult::Moved:
        showAll();
        focusField(uf::Unitname);
        break;
    case MoveResult::Closed:
        if (editor_.isOpen()) editor_.close();
        QDialog::accept();
        break;
    }
}

// ---- Field aids ---------------------------------------------------------------

void TUnitEditForm::fillFieldMenu(QMenu& menu, int field)
{
    QWidget* control = controls_[std::size_t(field)];
    auto* line = qobject_cast<QLineEdit*>(control);
    auto* memo = qobject_cast<QPlainTextEdit*>(control);
    if (!line && !memo) return;
    const bool readOnly = line ? line->isReadOnly() : memo->isReadOnly();
    const bool selected = line ? line->hasSelectedText() : memo->textCursor().hasSelection();
    const bool empty = controlText(field).isEmpty();
    const bool undo = line ? line->isUndoAvailable() : memo->document()->isUndoAvailable();
    const bool clipboard = !QApplication::clipboard()->text().isEmpty();
    auto add = [&](const QString& text, const QKeySequence& keys, bool enabled, std::function<void()> act) {
        QAction* action = menu.addAction(text);
        action->setObjectName(QString(text).remove(QLatin1Char(' ')) + QStringLiteral("Item"));
        action->setShortcut(keys);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, std::move(act));
    };
    add(QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), selected && !readOnly,
        [line, memo] { line ? line->cut() : memo->cut(); });
    add(QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), selected,
        [line, memo] { line ? line->copy() : memo->copy(); });
    add(QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), clipboard && !readOnly,
        [line, memo] { line ? line->paste() : memo->paste(); });
    add(QStringLiteral("Delete"), QKeySequence(), !empty && !readOnly, [line, memo] {
        if (line) {
            line->selectAll();
            line->del();
        } else {
            memo->selectAll();
            memo->textCursor().removeSelectedText();
        }
    });
    add(QStringLiteral("Undo"), QKeySequence(), undo && !readOnly, [line, memo] { line ? line->undo() : memo->undo(); });
    add(QStringLiteral("Select All"), QKeySequence(), !empty, [line, memo] { line ? line->selectAll() : memo->selectAll(); });
    menu.addSeparator();
    const bool stringField = session_.catalogue()[field].Type == FieldType::String && field != uf::Unitname;
    add(QStringLiteral("Term lookup"), QKeySequence(Qt::Key_F4), session_.termsOpen() && stringField && !readOnly,
        [this, field] { TermLookup(field); });
    add(QStringLiteral("Copy Previous"), QKeySequence(Qt::Key_F5), editor_.hasPrevious() && !readOnly,
        [this, field] { CopyPrevious(field); });
    if (session_.catalogue()[field].Type == FieldType::Date)
        add(QStringLiteral("Today"), QKeySequence(Qt::Key_F6), !readOnly, [this, field] { Today(field); });
}

void TUnitEditForm::TermLookup(int field)
{
    const auto label = editor_.termLookupLabel(field);
    if (!label) return;
    const auto term = LookupTerm(session_, this, *label);
    if (!term) return;
    editor_.applyTerm(field, *term, qobject_cast<QLineEdit*>(controls_[std::size_t(field)]) != nullptr);
    showField(field);
}

void TUnitEditForm::TermListButtonClick()
{
    focusField(lastField_);
    TermLookup(lastField_);
}

void TUnitEditForm::CopyPrevious(int field)
{
    if (!editor_.copyPrevious(field)) session_.ui().beep();
    showField(field);
}

void TUnitEditForm::Today(int field)
{
    if (session_.catalogue()[field].Type != FieldType::Date) {
        session_.ui().beep();
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(controls_[std::size_t(field)])) edit->setText(editor_.todayText());
}

void TUnitEditForm::ColourButtonClick()
{
    bool ok = false;
    const qint32 stored = editor_.text(uf::DisplayColour).toInt(&ok);
    const QColor initial = ok && stored != 0 ? ColourFromStored(stored) : QColor(Qt::white);
    const QColor chosen = QColorDialog::getColor(initial, this, QStringLiteral("Select unit colour"),
                                                 QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return;
    editor_.setText(uf::DisplayColour, QString::number(StoredFromColour(chosen)));
    showNameColour();
}

void TUnitEditForm::ImageButtonClick(int field)
{
    ShowImageLinks(session_, this, field == uf::Drawings ? ImageKind::Drawing : ImageKind::Photo,
                   editor_.text(field), editor_.text(uf::Unitname));
}

// ---- Relationships ------------------------------------------------------------

void TUnitEditForm::AddRelationClick(RelationList list)
{
    if (const int field = editor_.checkRelationStart(); field != kNoField) {
        focusField(field);
        return;
    }
    TRelationshipForm::AddSetup setup;
    setup.first = {editor_.text(uf::Excavation), editor_.text(uf::Unitname)};
    switch (list) {
    case RelationList::LaterThan:
        setup.category = QString(category::Later);
        setup.categoryFixed = true;
        break;
    case RelationList::EarlierThan:
        setup.category = QString(category::Earlier);
        setup.categoryFixed = true;
        break;
    case RelationList::Other: setup.earlierLater = false; break;
    }
    setup.storeNext = [this](const RelationshipEntry& e) {
        const bool stored = editor_.storeRelation(e.second, e.code, e.comment);
        showRelations();
        return stored;
    };
    TRelationshipForm dialog(session_, setup, this);
    if (dialog.exec() == QDialog::Accepted) {
        const RelationshipEntry e = dialog.entry();
        editor_.storeRelation(e.second, e.code, e.comment);
    }
    showRelations();
}

void TUnitEditForm::RemoveRelationClick(RelationList list)
{
    const QTreeWidgetItem* item = relationList(list)->currentItem();
    if (!item) {
        session_.ui().beep();
        return;
    }
    editor_.removeRelation(keyOf(item));
    showRelations();
}

void TUnitEditForm::RelationDoubleClick(RelationList list)
{
    QTreeWidget* tree = relationList(list);
    if (tree->topLevelItemCount() == 0) {
        session_.ui().warning(QStringLiteral("Add relationships with Add button"), kUnitRelationsHelpTopic);
        return;
    }
    changeComment(tree);
}

void TUnitEditForm::changeComment(QTreeWidget* tree)
{
    const QTreeWidgetItem* item = tree->currentItem() ? tree->currentItem() : tree->topLevelItem(0);
    const UnitKey second = keyOf(item);
    // The change-comment dialog shows the row of the temporary table; the
    // editor writes the comment, so that it knows the relations changed.
    Table& entries = session_.relEntry();
    const auto row = FindRelationRow(entries, kPlaceholderUnit, second);
    if (!row || !entries.gotoRowid(row->rowid)) {
        session_.ui().beep();
        return;
    }
    TRelationshipForm dialog(session_, entries, this);
    dialog.firstExcavationEdit()->setText(editor_.text(uf::Excavation));
    dialog.firstUnitEdit()->setText(editor_.text(uf::Unitname));
    dialog.nextButton()->hide();
    if (dialog.exec() == QDialog::Accepted) editor_.setRelationComment(second, dialog.commentEdit()->text());
    showRelations();
}

// ---- Keys ---------------------------------------------------------------------

bool TUnitEditForm::handleMoveKey(QKeyEvent* key)
{
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    std::optional<MoveDirection> direction;
    if (key->key() == Qt::Key_PageUp && !ctrl) direction = MoveDirection::Previous;
    else if (key->key() == Qt::Key_PageDown && !ctrl) direction = MoveDirection::Next;
    else if (key->key() == Qt::Key_Home && ctrl) direction = MoveDirection::First;
    else if (key->key() == Qt::Key_End && ctrl) direction = MoveDirection::Last;
    if (!direction || !FirstButton->isVisible()) return false;
    MoveButtonClick(*direction);
    return true;
}

bool TUnitEditForm::handleFieldKey(int field, QKeyEvent* key)
{
    if (handleMoveKey(key)) return true;
    switch (key->key()) {
    case Qt::Key_F4: TermLookup(field); return true;
    case Qt::Key_F5: CopyPrevious(field); return true;
    case Qt::Key_F6: Today(field); return true;
    default: break;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text.front().isPrint() || (key->modifiers() & Qt::ControlModifier)) return false;
    auto* edit = qobject_cast<QLineEdit*>(controls_[std::size_t(field)]);
    if (!edit || edit->isReadOnly()) return false;
    // Keys that can never stand in the field are dropped with a beep.
    const FieldType type = session_.catalogue()[field].Type;
    bool refused = false;
    for (const QChar c : text) {
        if (field == uf::Unitname) refused = refused || !UnitEditor::acceptsNameCharacter(c);
        else if (type == FieldType::Integer || type == FieldType::Float)
            refused = refused || !isNumberKey(c, type, session_.regional().decimalSeparator());
    }
    if (!refused) return false;
    session_.ui().beep();
    return true;
}

bool TUnitEditForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < 3; ++i)
            if (watched == lists_[std::size_t(i)].list->viewport()) {
                RelationDoubleClick(RelationList(i));
                return true;
            }
    }
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    for (int i = 0; i < 3; ++i) {
        if (watched != lists_[std::size_t(i)].list) continue;
        if (handleMoveKey(key)) return true;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: RelationDoubleClick(RelationList(i)); return true;
        case Qt::Key_Insert: AddRelationClick(RelationList(i)); return true;
        case Qt::Key_Delete: RemoveRelationClick(RelationList(i)); return true;
        default: return QDialog::eventFilter(watched, event);
        }
    }
    if (watched == StyleCombo || watched == ClassCombo) {
        if (handleMoveKey(key)) return true;
        return QDialog::eventFilter(watched, event);
    }
    if (const int field = fieldOf(watched); field != kNoField && handleFieldKey(field, key)) return true;
    return QDialog::eventFilter(watched, event);
}

void TUnitEditForm::keyPressEvent(QKeyEvent* event)
{
    if (handleMoveKey(event)) return;
    // Escape would throw away what was typed: only "&Cancel" does that.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    // No button is the default, so that Enter in a field saves nothing; on
    // a button it presses that button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && isAncestorOf(button)) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

// ---- Opening --------------------------------------------------------------------

UnitEditResult EditUnit(Session& session, QWidget* parent, const QString& excavation, const QString& unitName,
                        const QStringList& classList, EditMode mode)
{
    UnitEditor editor(session);
    if (!editor.open(excavation, unitName, classList, mode)) return {};
    UnitEditResult result;
    {
        TUnitEditForm form(session, editor, parent);
        result.accepted = form.exec() == QDialog::Accepted;
    }
    result.unitsChanged = editor.unitsChanged();
    result.savedKey = editor.loadedKey();
    return result;
}

} // namespace belvanto
