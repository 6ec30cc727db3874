#include "checks/forms/TRelationCountForm.h"
#include "checks/PeriodCheck.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace belvanto {

namespace {

enum CountColumn { kPeriod1Column, kPeriod2Column, kLaterColumn, kEarlierColumn, kCountColumns };
constexpr int kRelationColumn = 2;

// Names share the width; counts and categories take what they need.
QTableWidget* readOnlyGrid(QWidget* parent, const char* name, const QStringList& headers,
                           std::initializer_list<int> narrowColumns)
{
    auto* grid = new QTableWidget(0, int(headers.size()), parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setHorizontalHeaderLabels(headers);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int column : narrowColumns) grid->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    return grid;
}

QTableWidgetItem* cell(const QString& text, const QColor& colour)
{
    auto* item = new QTableWidgetItem(text);
    item->setBackground(colour);
    return item;
}

QTableWidgetItem* numberCell(qint32 value, const QColor& colour)
{
    QTableWidgetItem* item = cell(QString::number(value), colour);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

TRelationCountForm::TRelationCountForm(Session& session, int datingField, QWidget* parent)
    : QDialog(parent), session_(session), datingField_(datingField)
{
    const QString label = session.catalogue()[datingField].Label;
    const QString lower = label.toLower();
    setObjectName(QStringLiteral("RelationCountForm"));
    setWindowTitle(QStringLiteral("Cycle in relations of ") + lower + QLatin1Char('s'));

    CountTitle = new QLabel(QStringLiteral("Check ") + lower + QStringLiteral(" relation count list:"), this);
    CountTitle->setObjectName(QStringLiteral("CountTitle"));
    CountGrid = readOnlyGrid(this, "CountGrid",
                             {label + QLatin1Char('1'), label + QLatin1Char('2'), QStringLiteral("> count"),
                              QStringLiteral("< count")},
                             {kLaterColumn, kEarlierColumn});
    CountTitle->setBuddy(CountGrid);
    RelationTitle = new QLabel(QStringLiteral("Corresponding list of relations:"), this);
    RelationTitle->setObjectName(QStringLiteral("RelationTitle"));
    RelationGrid = readOnlyGrid(this, "RelationGrid",
                                {QStringLiteral("Excavation1"), QStringLiteral("Unitname1"), QStringLiteral("Relation"),
                                 QStringLiteral("Excavation2"), QStringLiteral("Unitname2")},
                                {kRelationColumn});
    RelationTitle->setBuddy(RelationGrid);

    const DialogButtons buttons = addDialogButtons(this, HelpTopic(kRelationCountHelpTopic));
    // A window to look at: nothing to confirm.
    buttons.box->removeButton(buttons.ok);
    delete buttons.ok;
    CancelButton = buttons.cancel;
    CancelButton->setText(QStringLiteral("&Cancel"));
    HelpButton = buttons.help;
    HelpButton->setText(QStringLiteral("&Help"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CountTitle);
    layout->addWidget(CountGrid, 1);
    layout->addWidget(RelationTitle);
    layout->addWidget(RelationGrid, 1);
    layout->addWidget(buttons.box);

    perTable_.openFile(PeriodRelationTablePath(session.project().ProjectDirectory));
    fillCounts();
    connect(CountGrid, &QTableWidget::cellClicked, this, [this](int row, int column) { CountGridCellClick(row, column); });
    connect(CountGrid, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { CountGridCellClick(row, column); });
    if (CountGrid->rowCount() > 0) {
        CountGrid->setCurrentCell(0, kPeriod1Column);
        CountGridCellClick(0, kPeriod1Column);
    }
    CountGrid->setFocus();
    resize(560, 520);
}

TRelationCountForm::~TRelationCountForm() = default;

// The next check run writes the table anew, which it cannot while the window
// has it open.
void TRelationCountForm::done(int result)
{
    perTable_.close();
    QDialog::done(result);
}

void TRelationCountForm::fillCounts()
{
    const int period1 = perTable_.fieldIndexOrThrow(u"Period1");
    const int period2 = perTable_.fieldIndexOrThrow(u"Period2");
    const int count1 = perTable_.fieldIndexOrThrow(u"Count1");
    const int count2 = perTable_.fieldIndexOrThrow(u"Count2");
    const int flag = perTable_.fieldIndexOrThrow(u"Flag");
    const std::vector<Table::Row> rows = perTable_.query(QString(), {}, QStringLiteral("Period1, Period2"));
    CountGrid->setRowCount(int(rows.size()));
    int r = 0;
    for (const Table::Row& row : rows) {
        const qint32 later = intOrZero(row.values[std::size_t(count1)]);
        const qint32 earlier = intOrZero(row.values[std::size_t(count2)]);
        const qint32 cycle = intOrZero(row.values[std::size_t(flag)]);
        const bool bothWays = later > 0 && earlier > 0;
        // flagOfColumn 0: a count column, never green.
        auto colour = [&](int flagOfColumn) {
            if (bothWays) return kBothWaysColour;
            return flagOfColumn != 0 && cycle == flagOfColumn ? kCycleColour : QColor(Qt::white);
        };
        CountGrid->setItem(r, kPeriod1Column, cell(textAt(row, period1), colour(1)));
        CountGrid->setItem(r, kPeriod2Column, cell(textAt(row, period2), colour(2)));
        CountGrid->setItem(r, kLaterColumn, numberCell(later, colour(0)));
        CountGrid->setItem(r, kEarlierColumn, numberCell(earlier, colour(0)));
        ++r;
    }
}

void TRelationCountForm::CountGridCellClick(int row, int column)
{
    if (row < 0 || row >= CountGrid->rowCount() || column < 0 || column >= kCountColumns) return;
    // The two period columns show both directions, a count column its own.
    const int kind = column == kLaterColumn ? 1 : column == kEarlierColumn ? 2 : 0;
    if (row == shownRow_ && kind == shownKind_) return;
    shownRow_ = row;
    shownKind_ = kind;
    const std::vector<RelationRow> relations = PeriodRelationsBehind(
        session_, datingField_, CountGrid->item(row, kPeriod1Column)->text(),
        CountGrid->item(row, kPeriod2Column)->text(), kind != 2, kind != 1);
    RelationGrid->clearContents();
    RelationGrid->setRowCount(int(relations.size()));
    int r = 0;
    for (const RelationRow& relation : relations) {
        int c = 0;
        for (const QString* text : {&relation.excavation1, &relation.unitname1, &relation.relation,
                                    &relation.excavation2, &relation.unitname2})
            RelationGrid->setItem(r, c++, new QTableWidgetItem(*text));
        ++r;
    }
}

void ShowPeriodRelationCounts(Session& session, int datingField, QWidget* parent)
{
    TRelationCountForm form(session, datingField, parent);
    form.exec();
}

} // namespace belvanto
