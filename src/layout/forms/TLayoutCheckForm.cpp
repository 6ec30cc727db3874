#include "layout/forms/TLayoutCheckForm.h"
#include "core/UserInterface.h"
#include "store/Session.h"
#include "ui/DialogButtons.h"
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace belvanto {

namespace {

using C = RunControl;

const QString kHeightUnit = QStringLiteral("coordinate units");
const QString kYearUnit = QStringLiteral("years");

} // namespace

TLayoutCheckForm::TLayoutCheckForm(const RunOptions& presets, UserInterface& ui, ShuffleClock clock, QWidget* parent)
    : QDialog(parent), ui_(ui), clock_(std::move(clock)), options_(presets)
{
    setObjectName(QStringLiteral("LayoutCheckForm"));
    setWindowTitle(QStringLiteral("Select checking operations and layout properties"));

    // Made top to bottom, left to right: Tab follows the order of making.
    auto* grid = new QGridLayout;
    grid->setColumnStretch(3, 1);
    auto addCheck = [&](QCheckBox* check) { grid->addWidget(check, grid->rowCount(), 0, 1, 4); };
    auto addEditRow = [&](QCheckBox* check, QLineEdit* edit, const QString& unit) {
        const int row = grid->rowCount();
        grid->addWidget(check, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(unit, this), row, 2);
    };
    // A check with its note beside it.
    auto addNoted = [&](QCheckBox* check, QLabel*& note, const char* name, const char* text) {
        note = new QLabel(QString::fromLatin1(text), this);
        note->setObjectName(QString::fromLatin1(name));
        auto* pair = new QHBoxLayout;
        pair->addWidget(check);
        pair->addWidget(note);
        pair->addStretch(1);
        grid->addLayout(pair, grid->rowCount(), 0, 1, 4);
    };

    CoordinatesPresentCheck =
        makeCheck(C::CoordinatesPresent, "CoordinatesPresentCheck",
                  "Check that &all center coordinates for contexts are present");
    addCheck(CoordinatesPresentCheck);
    YoungerAboveOlderCheck =
        makeCheck(C::LaterBelow, "YoungerAboveOlderCheck", "Check that later contexts are &below earlier ones by at most");
    ZDifferAboveEdit = makeEdit("ZDifferAboveEdit", 0);
    addEditRow(YoungerAboveOlderCheck, ZDifferAboveEdit, kHeightUnit);
    ContemporaryZCheck = makeCheck(C::ContemporaryHeight, "ContemporaryZCheck",
                                   "Check that contemporary contexts d&iffer in height by at most");
    ZDifferContemporaryEdit = makeEdit("ZDifferContemporaryEdit", 0);
    addEditRow(ContemporaryZCheck, ZDifferContemporaryEdit, kHeightUnit);
    EqualZCheck = makeCheck(C::EqualHeight, "EqualZCheck", "Check that e&qual contexts differ in height by at most");
    ZDifferEqualEdit = makeEdit("ZDifferEqualEdit", 0);
    addEditRow(EqualZCheck, ZDifferEqualEdit, kHeightUnit);
    CoordsHorizCheck = makeCheck(C::CoordinateOrder, "CoordsHorizCheck",
                                 "&Use coordinates to determine horizontal context sequence");
    addNoted(CoordsHorizCheck, CoordsHorizNote, "CoordsHorizNote", "(show projection of context coordinates)");
    CheckAboveYear =
        makeCheck(C::YearsMatch, "CheckAboveYear", "Check that later/earlier relationships and center years &match");
    addCheck(CheckAboveYear);
    CheckContempYear = makeCheck(C::ContemporaryYears, "CheckContempYear",
                                 "Check that dates of contemporary contexts &differ by at most");
    ContempYearEdit = makeEdit("ContempYearEdit", 5);
    addEditRow(CheckContempYear, ContempYearEdit, kYearUnit);
    CheckEqualYear =
        makeCheck(C::EqualYears, "CheckEqualYear", "Check that dates of &equal contexts differ by at most");
    EqualYearEdit = makeEdit("EqualYearEdit", 5);
    addEditRow(CheckEqualYear, EqualYearEdit, kYearUnit);
    ConnectedCheck = makeCheck(C::Components, "ConnectedCheck", "Check for co&nnected components");
    addCheck(ConnectedCheck);
    CycleCheck = makeCheck(C::Cycles, "CycleCheck", "Check for c&ycles");
    addNoted(CycleCheck, CycleNote, "CycleNote", "(necessary for Harris diagram layout)");
    RedundantDelete = makeCheck(C::DeleteRedundant, "RedundantDelete", "Delete &redundant relationships");
    addCheck(RedundantDelete);
    PeriodCheck = makeCheck(C::Periods, "PeriodCheck", "Check that &periods do not overlap");
    addCheck(PeriodCheck);
    PhaseCheck = makeCheck(C::Phases, "PhaseCheck", "Chec&k that phases do not overlap");
    addCheck(PhaseCheck);
    ShowGroupsCheck = makeCheck(C::Groups, "ShowGroupsCheck", "Show &groups");
    addCheck(ShowGroupsCheck);
    StrictGroupCheck = makeCheck(C::StrictGroups, "StrictGroupCheck", "Check stric&t group chronology");
    addCheck(StrictGroupCheck);

    rows_ = {{C::LaterBelow, YoungerAboveOlderCheck, ZDifferAboveEdit, &RunOptions::laterBelow, HeightProblem},
             {C::ContemporaryHeight, ContemporaryZCheck, ZDifferContemporaryEdit, &RunOptions::contemporaryHeight,
              HeightProblem},
             {C::EqualHeight, EqualZCheck, ZDifferEqualEdit, &RunOptions::equalHeight, HeightProblem},
             {C::ContemporaryYears, CheckContempYear, ContempYearEdit, &RunOptions::contemporaryYears, YearProblem},
             {C::EqualYears, CheckEqualYear, EqualYearEdit, &RunOptions::equalYears, YearProblem}};
    for (const EditRow& row : rows_)
        connect(row.edit, &QLineEdit::textChanged, this,
                [this, text = row.text](const QString& value) { options_.*text = value; });

    RandomBox = new QGroupBox(QStringLiteral("Random number generator seed"), this);
    RandomBox->setObjectName(QStringLiteral("RandomBox"));
    RandomEdit = makeEdit("RandomEdit", 10);
    RandomEdit->setParent(RandomBox);
    connect(RandomEdit, &QLineEdit::textChanged, this, [this](const QString& value) { options_.seed = value; });
    ShuffleButton = new QPushButton(QStringLiteral("Shuffle"), RandomBox);
    ShuffleButton->setObjectName(QStringLiteral("ShuffleButton"));
    ShuffleButton->setAutoDefault(false);
    connect(ShuffleButton, &QPushButton::clicked, this, &TLayoutCheckForm::ShuffleButtonClick);
    auto* seedRow = new QHBoxLayout(RandomBox);
    seedRow->addWidget(RandomEdit);
    seedRow->addWidget(ShuffleButton);

    ReportSelection = makeChoice("ReportSelection", QStringLiteral(" Report selection "), reportGroup_,
                                 {QStringLiteral("Detailed report"), QStringLiteral("Short summary only")},
                                 {QStringLiteral("DetailedRadio"), QStringLiteral("SummaryRadio")});
    connect(reportGroup_, &QButtonGroup::idClicked, this, [this](int id) { options_.report = ReportMode(id); });
    // The choice's ids are the values of the Layout control. It has no
    // title; a blank one puts its frame level with those beside it.
    CheckOrLayoutSelection =
        makeChoice("CheckOrLayoutSelection", QStringLiteral(" "), modeGroup_,
                   {QStringLiteral("Harris diagram layout"), QStringLiteral("Check only")},
                   {QStringLiteral("LayoutRadio"), QStringLiteral("CheckOnlyRadio")});
    connect(modeGroup_, &QButtonGroup::idClicked, this, [this](int id) {
        SetRunOption(options_, C::Layout, id == 0);
        showOptions();
    });
    PixelResolution = makeChoice(
        "PixelResolution", QStringLiteral("Number of colours"), coloursGroup_,
        {QStringLiteral("2 black/white"), QStringLiteral("16"), QStringLiteral("256"), QStringLiteral("65536"),
         QStringLiteral("16 million")},
        {QStringLiteral("Colours2Radio"), QStringLiteral("Colours16Radio"), QStringLiteral("Colours256Radio"),
         QStringLiteral("Colours65536Radio"), QStringLiteral("Colours16MRadio")});
    connect(coloursGroup_, &QButtonGroup::idClicked, this, [this](int id) { options_.colours = ColourDepth(id); });

    const DialogButtons buttons = addDialogButtons(this, HelpTopic(kLayoutCheckHelpTopic));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* left = new QVBoxLayout;
    left->addWidget(RandomBox);
    left->addWidget(ReportSelection);
    left->addStretch(1);
    auto* choices = new QHBoxLayout;
    choices->addLayout(left, 1);
    choices->addWidget(CheckOrLayoutSelection, 1, Qt::AlignTop);
    choices->addWidget(PixelResolution, 1, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(choices);
    layout->addWidget(buttons.box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showOptions();
    connect(qApp, &QApplication::focusChanged, this, &TLayoutCheckForm::focusChanged);
}

TLayoutCheckForm::~TLayoutCheckForm()
{
    // The widgets going away move the focus; this form is no longer there
    // to hear it.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

QCheckBox* TLayoutCheckForm::makeCheck(RunControl control, const char* name, const char* caption)
{
    auto* check = new QCheckBox(QString::fromLatin1(caption), this);
    check->setObjectName(QString::fromLatin1(name));
    checks_[int(control)] = check;
    connect(check, &QCheckBox::clicked, this, [this, control](bool checked) { CheckClick(control, checked); });
    return check;
}

QLineEdit* TLayoutCheckForm::makeEdit(const char* name, int maxLength)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0) edit->setMaxLength(maxLength);
    // Wide enough for the longest seed, so that every edit has one width.
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-0000000000")) + 12);
    return edit;
}

QGroupBox* TLayoutCheckForm::makeChoice(const char* name, const QString& title, QButtonGroup*& group,
                                        const QStringList& captions, const QStringList& names)
{
    auto* box = new QGroupBox(title, this);
    box->setObjectName(QString::fromLatin1(name));
    group = new QButtonGroup(box);
    auto* column = new QVBoxLayout(box);
    for (qsizetype i = 0; i < captions.size(); ++i) {
        auto* radio = new QRadioButton(captions[i], box);
        radio->setObjectName(names[i]);
        group->addButton(radio, int(i));
        column->addWidget(radio);
    }
    return box;
}

RunOptions TLayoutCheckForm::options() const
{
    return options_;
}

QCheckBox* TLayoutCheckForm::check(RunControl control) const
{
    return checks_[int(control)];
}

QLineEdit* TLayoutCheckForm::edit(RunControl control) const
{
    for (const EditRow& row : rows_)
        if (row.control == control) return row.edit;
    return nullptr;
}

QRadioButton* TLayoutCheckForm::reportRadio(ReportMode mode) const
{
    return static_cast<QRadioButton*>(reportGroup_->button(int(mode)));
}

QRadioButton* TLayoutCheckForm::modeRadio(bool layout) const
{
    return static_cast<QRadioButton*>(modeGroup_->button(layout ? 0 : 1));
}

QRadioButton* TLayoutCheckForm::coloursRadio(ColourDepth depth) const
{
    return static_cast<QRadioButton*>(coloursGroup_->button(int(depth)));
}

void TLayoutCheckForm::showOptions()
{
    for (int c = 0; c < kRunControlCount; ++c) {
        if (!checks_[c]) continue;
        const QSignalBlocker blocker(checks_[c]);
        checks_[c]->setChecked(options_.on[c]);
    }
    const auto showText = [](QLineEdit* edit, const QString& text) {
        if (edit->text() == text) return;
        const QSignalBlocker blocker(edit);
        edit->setText(text);
    };
    for (const EditRow& row : rows_) showText(row.edit, options_.*row.text);
    showText(RandomEdit, options_.seed);
    const auto showChoice = [](QButtonGroup* group, int id) {
        QAbstractButton* button = group->button(id);
        const QSignalBlocker blocker(button);
        button->setChecked(true);
    };
    showChoice(reportGroup_, int(options_.report));
    showChoice(modeGroup_, options_[C::Layout] ? 0 : 1);
    showChoice(coloursGroup_, int(options_.colours));
}

const TLayoutCheckForm::EditRow* TLayoutCheckForm::rowOf(const QWidget* widget) const
{
    for (const EditRow& row : rows_)
        if (row.check == widget || row.edit == widget) return &row;
    return nullptr;
}

void TLayoutCheckForm::CheckClick(RunControl control, bool checked)
{
    SetRunOption(options_, control, checked);
    if (const EditRow* row = rowOf(check(control)); row && !checked) options_.*row->text = QString();
    showOptions();
    if (const EditRow* row = rowOf(check(control)); row && checked && row->edit->text().trimmed().isEmpty())
        row->edit->setFocus(Qt::OtherFocusReason);
}

void TLayoutCheckForm::focusChanged(QWidget* old, QWidget* now)
{
    // Only a move within the dialog leaves a field: a message box or another
    // window taking the focus does not, nor does the way to Cancel.
    if (!old || !now || !isVisible() || !isAncestorOf(old) || !isAncestorOf(now) || now == CancelButton) return;
    // The message waits until the focus change is complete.
    QTimer::singleShot(0, this, [this, left = QPointer<QWidget>(old)] {
        if (left) leave(left);
    });
}

void TLayoutCheckForm::leave(QWidget* old)
{
    // Closed meanwhile, or the focus went back (OK has checked the field).
    if (!isVisible() || old->hasFocus()) return;
    if (old == RandomEdit) {
        RandomEditExit();
        return;
    }
    const EditRow* row = rowOf(old);
    if (!row) return;
    if (old == row->edit) EditExit(*row);
    else CheckExit(*row);
}

bool TLayoutCheckForm::EditExit(const EditRow& row)
{
    if (const auto problem = row.problem(row.edit->text())) {
        if (problem->beep) ui_.beep();
        ui_.error(problem->text);
        row.edit->setFocus(Qt::OtherFocusReason);
        row.edit->selectAll();
        return false;
    }
    SetRunOption(options_, row.control, !row.edit->text().trimmed().isEmpty());
    showOptions();
    return true;
}

bool TLayoutCheckForm::RandomEditExit()
{
    const auto problem = SeedProblem(RandomEdit->text());
    if (!problem) return true;
    if (problem->beep) ui_.beep();
    ui_.error(problem->text);
    RandomEdit->setFocus(Qt::OtherFocusReason);
    RandomEdit->selectAll();
    return false;
}

void TLayoutCheckForm::CheckExit(const EditRow& row)
{
    if (!row.check->isChecked()) {
        row.edit->clear();
        return;
    }
    if (row.edit->text().trimmed().isEmpty()) row.edit->setFocus(Qt::OtherFocusReason);
}

void TLayoutCheckForm::accept()
{
    for (const EditRow& row : rows_)
        if (!EditExit(row)) return;
    if (!RandomEditExit()) return;
    QDialog::accept();
}

void TLayoutCheckForm::ShuffleButtonClick()
{
    RandomEdit->setText(ShuffledSeed(clock_()));
}

std::optional<RunOptions> AskRunOptions(Session& session, QWidget* parent, const ShuffleClock& clock)
{
    TLayoutCheckForm form(PresetRunOptions(session), session.ui(), clock, parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.options();
}

} // namespace belvanto
