#include "editing/forms/TReassignForm.h"
#include "core/UserInterface.h"
#include "editing/RemoveRelationships.h"
#include "store/Session.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace belvanto {

namespace {

QTreeWidget* makeList(QWidget* parent, const char* name)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setHeaderLabels({QStringLiteral("Excavation"), QStringLiteral("Unit name")});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

void addUnit(QTreeWidget* list, const UnitKey& unit)
{
    list->addTopLevelItem(new QTreeWidgetItem({unit.excavation, unit.unitname}));
}

std::vector<UnitKey> unitsOf(const QTreeWidget* list)
{
    std::vector<UnitKey> units;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        units.push_back({list->topLevelItem(i)->text(0), list->topLevelItem(i)->text(1)});
    return units;
}

} // namespace

TReassignForm::TReassignForm(Session& session, const UnitKey& first, const UnitKey& second, QChar code,
                             const std::vector<UnitKey>& members, QWidget* parent)
    : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("ReassignForm"));
    setWindowTitle(ReassignCaption(code));

    FirstUnitLabel = new QLabel(first.excavation + QStringLiteral(": ") + first.unitname, this);
    FirstUnitLabel->setObjectName(QStringLiteral("FirstUnitLabel"));
    SecondUnitLabel = new QLabel(second.excavation + QStringLiteral(": ") + second.unitname, this);
    SecondUnitLabel->setObjectName(QStringLiteral("SecondUnitLabel"));
    LeftList = makeList(this, "LeftList");
    RightList = makeList(this, "RightList");
    for (const UnitKey& m : members) addUnit(LeftList, m);
    if (LeftList->topLevelItemCount() > 0) LeftList->setCurrentItem(LeftList->topLevelItem(0));

    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    MoveRightButton = button("MoveRightButton", ">");
    MoveLeftButton = button("MoveLeftButton", "<");
    AllRightButton = button("AllRightButton", ">>");
    AllLeftButton = button("AllLeftButton", "<<");
    connect(MoveRightButton, &QPushButton::clicked, this, [this] { move(LeftList, RightList, false); });
    connect(MoveLeftButton, &QPushButton::clicked, this, [this] { move(RightList, LeftList, false); });
    connect(AllRightButton, &QPushButton::clicked, this, [this] { move(LeftList, RightList, true); });
    connect(AllLeftButton, &QPushButton::clicked, this, [this] { move(RightList, LeftList, true); });

    const DialogButtons buttons = addDialogButtons(this, HelpTopic(ReassignHelpTopic(code)));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* arrows = new QVBoxLayout;
    arrows->addStretch();
    for (QPushButton* b : {MoveRightButton, MoveLeftButton, AllRightButton, AllLeftButton}) arrows->addWidget(b);
    arrows->addStretch();
    auto* grid = new QGridLayout;
    grid->addWidget(FirstUnitLabel, 0, 0);
    grid->addWidget(SecondUnitLabel, 0, 2);
    grid->addWidget(LeftList, 1, 0);
    grid->addLayout(arrows, 1, 1);
    grid->addWidget(RightList, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons.box);
    resize(520, 320);
}

void TReassignForm::move(QTreeWidget* from, QTreeWidget* to, bool all)
{
    if (all) {
        while (from->topLevelItemCount() > 0) to->addTopLevelItem(from->takeTopLevelItem(0));
        return;
    }
    QTreeWidgetItem* item = from->currentItem();
    if (!item) {
        session_.ui().beep();
        return;
    }
    to->addTopLevelItem(from->takeTopLevelItem(from->indexOfTopLevelItem(item)));
    to->setCurrentItem(item);
}

std::vector<UnitKey> TReassignForm::leftList() const
{
    return unitsOf(LeftList);
}

std::vector<UnitKey> TReassignForm::rightList() const
{
    return unitsOf(RightList);
}

bool ReassignRelations(Session& session, QWidget* parent, const UnitKey& first, const UnitKey& second, QChar code,
                       const std::vector<UnitKey>& members)
{
    TReassignForm form(session, first, second, code, members, parent);
    if (form.exec() != QDialog::Accepted) return false;
    ApplyReassignment(session, first, second, code, form.leftList(), form.rightList());
    return true;
}

} // namespace belvanto
