#include "simulation/forms/TSimulationForm.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace belvanto {

namespace {

const HelpTopic kHelp(kSimulationHelpTopic);

struct Row {
    SimField field;
    const char* name;
    const char* caption;
    int maxLength;
};

// The edits of the left column, top to bottom.
const Row kRows[] = {
    {SimField::Excavation, "ExcavationEdit", "&Excavation:", 0},
    {SimField::Prefix, "PrefixEdit", "Context name &prefix:", 3},
    {SimField::StratCt, "StratCtEdit", "&Total number of contexts:", 5},
    {SimField::ContempCt, "ContempCtEdit", "&Number of contexts\nwith contemporary relations:", 5},
    {SimField::VertUnitCt, "VertUnitCtEdit", "&Vertical units (Y):", 3},
    {SimField::HorUnitCt, "HorUnitCtEdit", "Horizontal units (&X):", 3},
    {SimField::AvgCubeCt, "AvgCubeCtEdit", "&Mean number of cubes\nper context:", 3},
    {SimField::UprightFactor, "UprightFactorEdit", "&Upright structure factor:", 1},
    {SimField::PeriodCt, "PeriodCtEdit", "Num&ber of periods: ", 2},
    {SimField::FirstYear, "FirstYearEdit", "F&irst year:", 6},
    {SimField::LastYear, "LastYearEdit", "Last &year:", 5},
    {SimField::IntervalLength, "IntervalLengthEdit", "Ave&rage interval length:", 3},
    {SimField::AvgCont, "AvgContEdit", "Me&an number of\ncontemporary relations:", 2},
};

} // namespace

TSimulationForm::TSimulationForm(Session& session, TimeOfDay clock, QWidget* parent)
    : QDialog(parent), session_(session), clock_(std::move(clock))
{
    setObjectName(QStringLiteral("SimulationForm"));
    setWindowTitle(QStringLiteral("Simulation Configuration"));

    auto* grid = new QGridLayout;
    auto addRow = [&](const QString& caption, QWidget* field, QWidget* extra = nullptr) {
        const int row = grid->rowCount();
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        if (!extra) {
            grid->addWidget(field, row, 1);
            return;
        }
        // Beside its field, so that no column of its own widens every row.
        auto* pair = new QHBoxLayout;
        pair->addWidget(field, 1);
        pair->addWidget(extra);
        grid->addLayout(pair, row, 1);
    };
    // The edit first: Tab follows the order the widgets are made in.
    QLineEdit* projectFile = makeEdit(SimField::ProjectFile, "ProjectFileEditbox", 0);
    SearchButton = new QPushButton(QStringLiteral("&Search..."), this);
    SearchButton->setObjectName(QStringLiteral("SearchButton"));
    SearchButton->setAutoDefault(false);
    addRow(QStringLiteral("Project &File:"), projectFile, SearchButton);
    for (const Row& r : kRows) {
        QLineEdit* e = makeEdit(r.field, r.name, r.maxLength);
        addRow(QString::fromUtf8(r.caption), e);
    }
    edit(SimField::Excavation)->setMaxLength(session.catalogue()[uf::Excavation].Size);
    grid->setColumnStretch(1, 1);

    auto* seeds = new QGroupBox(QStringLiteral(" Random number generator seeds "), this);
    seeds->setObjectName(QStringLiteral("SeedBox"));
    auto* seedLayout = new QVBoxLayout(seeds);
    for (int i = 0; i < kSeedCount; ++i) {
        const QByteArray name = QByteArrayLiteral("Random") + QByteArray::number(i + 1) + QByteArrayLiteral("Edit");
        seedLayout->addWidget(makeEdit(seedField(i), name.constData(), 10));
    }
    ShuffleButton = new QPushButton(QStringLiteral("Shuff&le"), seeds);
    ShuffleButton->setObjectName(QStringLiteral("ShuffleButton"));
    ShuffleButton->setAutoDefault(false);
    seedLayout->addWidget(ShuffleButton);

    const DialogButtons buttons = addDialogButtons(this, kHelp);
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    connect(SearchButton, &QPushButton::clicked, this, &TSimulationForm::SearchButtonClick);
    connect(ShuffleButton, &QPushButton::clicked, this, &TSimulationForm::ShuffleButtonClick);

    auto* columns = new QHBoxLayout;
    columns->addLayout(grid, 1);
    // As tall as its seeds: the left column decides the dialog's height.
    columns->addWidget(seeds, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons.box);

    const SimulationEntries defaults;
    for (int f = 0; f < kSimFieldCount; ++f) edits_[std::size_t(f)]->setText(defaults[SimField(f)]);
}

QLineEdit* TSimulationForm::makeEdit(SimField field, const char* name, int maxLength)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromUtf8(name));
    if (maxLength > 0) e->setMaxLength(maxLength);
    edits_[std::size_t(field)] = e;
    return e;
}

SimulationEntries TSimulationForm::entries() const
{
    SimulationEntries e;
    for (int f = 0; f < kSimFieldCount; ++f) e[SimField(f)] = edits_[std::size_t(f)]->text();
    const QString file = edit(SimField::ProjectFile)->text();
    e.acceptedBySearch = !searchedFile_.isEmpty() && file == searchedFile_;
    e[SimField::ProjectFile] = QDir::fromNativeSeparators(file);
    return e;
}

void TSimulationForm::accept()
{
    const SimField wrong = ValidateSimulation(session_.ui(), entries(), settings_);
    if (wrong != SimField::None) {
        edit(wrong)->setFocus();
        edit(wrong)->selectAll();
        return;
    }
    QDialog::accept();
}

void TSimulationForm::SearchButtonClick()
{
    if (const auto path = SearchProjectFile(session_)) {
        searchedFile_ = QDir::toNativeSeparators(*path);
        edit(SimField::ProjectFile)->setText(searchedFile_);
    }
}

void TSimulationForm::ShuffleButtonClick()
{
    const auto seeds = ShuffleSeeds(clock_());
    for (int i = 0; i < kSeedCount; ++i) edit(seedField(i))->setText(QString::number(seeds[std::size_t(i)]));
}

bool SimulateProject(Session& session, QWidget* parent, const TimeOfDay& clock)
{
    if (!BeginSimulation(session)) return false;
    TSimulationForm form(session, clock, parent);
    if (form.exec() != QDialog::Accepted) return false;
    return RunSimulation(session, form.settings(), clock);
}

} // namespace belvanto
