// Pointing at boxes, finding units, the box popup and contraction in the
// diagram window, through the window's own mapping of displayed to image
// pixels.
#include "diagram/Contraction.h"
#include "diagram/StoredLayout.h"
#include "diagram/forms/TDiagramForm.h"
#include "diagram/forms/TUnitInfoForm.h"
#include "layout/LayoutCheckRun.h"
#include "store/ProjectFixture.h"
#include "ui/UiSupport.h"
#include <QAction>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

// A chain of 30 contexts, taller than the window, the first four in group
// G and the next four in group H.
class DiagramInteraction : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("Site"));
        for (const char* g : {"G", "H"}) addUnit(QStringLiteral("A"), QString::fromLatin1(g), kGroup);
        QString previous;
        for (int i = 1; i <= 30; ++i) {
            const QString name = QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0'));
            addUnit(QStringLiteral("A"), name);
            if (!previous.isEmpty()) addRelation({QStringLiteral("A"), previous}, {QStringLiteral("A"), name}, QLatin1Char('>'));
            if (i <= 8)
                addRelation({QStringLiteral("A"), name}, {QStringLiteral("A"), QString::fromLatin1(i <= 4 ? "G" : "H")},
                            QLatin1Char('p'));
            previous = name;
        }
        RunOptions options;
        SetRunOption(options, RunControl::Groups, true);
        Protocol protocol;
        ASSERT_TRUE(RunLayoutAndCheck(session, options, RunCheckOptions(options), {}, protocol).layoutStored)
            << protocol.lines().join(u'\n').toStdString();
    }
    std::unique_ptr<TDiagramForm> open(ColourDepth colours = ColourDepth::Colours65536)
    {
        auto layout = ReadStoredLayout(session, true);
        EXPECT_TRUE(layout);
        auto form = std::make_unique<TDiagramForm>(session, std::move(*layout),
                                                   DiagramWindowOptions{{}, false, colours});
        form->show();
        return form;
    }
    static const UnitItem* item(const TDiagramForm& form, const char* name)
    {
        for (const UnitItem& i : form.drawing().units)
            if (i.record->Unitname == QLatin1String(name)) return &i;
        return nullptr;
    }
    // The displayed point of a box's top left cell, a little inside.
    static QPointF cellOf(const TDiagramForm& form, const char* name)
    {
        const UnitRecord& r = *item(form, name)->record;
        const DiagramGeometry& g = form.drawing().geometry;
        return form.view().toDisplayed(QPointF(g.ColumnX(r.XStart) + 3, g.LevelY(r.YLevelStart) + 3));
    }
    // The middle of the view, in image pixels.
    static QPointF viewMiddle(const TDiagramForm& form)
    {
        const QSize v = form.DiagramScroll->viewport()->size();
        const QPoint origin = form.DiagramImage->mapFrom(form.DiagramScroll->viewport(), QPoint(v.width() / 2, v.height() / 2));
        return form.view().toImage(origin);
    }
};

TEST_F(DiagramInteraction, HitAndFindLandOnTheUnitAfterZoomsAndAFontChange)
{
    auto form = open();
    const std::vector<std::pair<const char*, std::function<void(TDiagramForm&)>>> steps = {
        {"zoom 1", [](TDiagramForm&) {}},
        {"zoom in", [](TDiagramForm& f) { f.ZoomIn(); }},
        {"zoom out twice", [](TDiagramForm& f) { f.ZoomOut(); f.ZoomOut(); }},
        {"larger font", [](TDiagramForm& f) {
             DiagramFont font = f.drawState().font;
             font.points = 14;
             f.SetDiagramFont(font);
         }},
        {"zoom in again", [](TDiagramForm& f) { f.ZoomIn(); f.ZoomIn(); }},
    };
    for (const auto& [what, step] : steps) {
        step(*form);
        for (const UnitItem& i : form->drawing().units) {
            if (i.dummy) continue;
            const QPointF centre((i.rect.left + i.rect.right) / 2.0, (i.rect.top + 8));
            const UnitRecord* hit = form->UnitAtDisplayed(form->view().toDisplayed(centre));
            ASSERT_TRUE(hit) << what << " " << i.record->Unitname.toStdString();
            if (i.record->Unitclass != kGroupRecord) {
                EXPECT_EQ(hit, i.record) << what;
            }
        }
        for (const char* name : {"C27", "C12", "C01"}) {
            ui.expectInput().answer(QString::fromLatin1(name));
            form->FindUnitInDiagram();
            const QPointF middle = viewMiddle(*form);
            const Rect box = item(*form, name)->rect;
            // The scroll range may stop short of centring a box at an edge.
            const QScrollBar* v = form->DiagramScroll->verticalScrollBar();
            if (v->value() > 0 && v->value() < v->maximum()) {
                EXPECT_GE(middle.y(), box.top - 1) << what << " " << name;
                EXPECT_LE(middle.y(), box.bottom + 1) << what << " " << name;
            }
            EXPECT_EQ(form->UnitAtDisplayed(cellOf(*form, name))->Unitname, QString::fromLatin1(name));
        }
    }
    ui.verifyDone();
}

TEST_F(DiagramInteraction, FindRulesAndMessages)
{
    auto form = open();
    ui.expectInput().answer(QStringLiteral("c2"));   // prefix, case ignored: C20 is not first, C2x are
    form->FindUnitInDiagram();
    ui.expectInput().answer(QStringLiteral("123456789"));
    ui.expectError(QStringLiteral("Unit name 123456789 too long."), HelpTopic(132));
    form->FindUnitInDiagram();
    ui.expectInput().answer(QStringLiteral("X9"));
    const int beeps = ui.beeps();
    form->FindUnitInDiagram();
    EXPECT_EQ(ui.beeps(), beeps + 1);
    ui.expectInput().cancel();
    form->FindUnitInDiagram();
    ui.verifyDone();
}

TEST_F(DiagramInteraction, PopupRulesColourAndStyle)
{
    auto form = open(ColourDepth::BlackWhite);
    // Only at zoom 1.
    form->ZoomIn();
    int beeps = ui.beeps();
    EXPECT_FALSE(form->PrepareBoxPopup(cellOf(*form, "C20")));
    EXPECT_EQ(ui.beeps(), beeps + 1);
    form->ZoomActualSize();

    ASSERT_TRUE(form->PrepareBoxPopup(cellOf(*form, "C20")));
    EXPECT_TRUE(form->ColourAction->isEnabled());
    EXPECT_FALSE(form->MarkAction->isEnabled());
    quint32 offered = 0;
    form->chooseColour = [&](quint32 current) -> std::optional<quint32> {
        offered = current;
        return 255;
    };
    // The black-and-white question once per window.
    ui.expectConfirmation(kBlackWhiteColourQuestion, Buttons::YesNo, HelpTopic(108)).answer(Answer::Yes);
    form->ChangeColour();
    EXPECT_EQ(offered, 16777215u);
    EXPECT_EQ(item(*form, "C20")->record->Colour, 255);
    form->ChangeColour();   // same colour: nothing asked, nothing stored
    ui.expectSelect().answer(6);
    form->ChangeBorderStyle();
    // The box alone is drawn again, in its new style.
    EXPECT_EQ(item(*form, "C20")->look.style, 6);
    EXPECT_EQ(item(*form, "C20")->record->BoxStyle, 6);
    const auto stored = ReadStoredLayout(session, true);
    for (const UnitRecord& u : stored->units)
        if (u.Unitname == u"C20") {
            EXPECT_EQ(u.BoxStyle, 6);
        }

    // Thematic display: a context only gets the message.
    form->SetThematic(true);
    ui.expectInformation(kThematicEditMessage, HelpTopic(141));
    beeps = ui.beeps();
    EXPECT_FALSE(form->PrepareBoxPopup(cellOf(*form, "C20")));
    EXPECT_EQ(ui.beeps(), beeps + 1);
    // A group gets the menu with only the mark.
    ASSERT_TRUE(form->PrepareBoxPopup(cellOf(*form, "G")));
    EXPECT_TRUE(form->MarkAction->isEnabled());
    EXPECT_FALSE(form->ColourAction->isEnabled());
    EXPECT_FALSE(form->BorderStyleAction->isEnabled());
    ui.verifyDone();
}

TEST_F(DiagramInteraction, MarkContractAndRestore)
{
    auto form = open();
    EXPECT_TRUE(form->GroupsMenu->menuAction()->isVisible());
    EXPECT_FALSE(form->RestoreAction->isEnabled());
    const LayoutSnapshot full = ReadStoredLayout(session, true).value();

    ui.expectWarning(kNothingMarkedMessage, HelpTopic(kNothingMarkedHelp));
    form->ContractAction->trigger();

    ASSERT_TRUE(form->PrepareBoxPopup(cellOf(*form, "G")));
    EXPECT_EQ(form->MarkAction->text(), QStringLiteral("&Mark for contraction"));
    form->MarkAction->trigger();
    EXPECT_EQ(form->drawState().markedGroups, QStringList{QStringLiteral("A:G")});
    EXPECT_EQ(form->drawing().marks.size(), 1u);
    ASSERT_TRUE(form->PrepareBoxPopup(cellOf(*form, "G")));
    EXPECT_EQ(form->MarkAction->text(), QStringLiteral("Unmark for contraction"));
    form->MarkAction->trigger();
    EXPECT_TRUE(form->drawState().markedGroups.isEmpty());

    form->SelectAllGroupsAction->trigger();
    EXPECT_EQ(form->drawState().markedGroups, (QStringList{QStringLiteral("A:G"), QStringLiteral("A:H")}));
    form->ContractAction->trigger();
    EXPECT_TRUE(form->contracted());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Contracted Harris diagram - Site"));
    EXPECT_TRUE(form->RestoreAction->isEnabled());
    EXPECT_FALSE(form->ContractAction->isEnabled());
    EXPECT_FALSE(item(*form, "C01"));
    ASSERT_TRUE(item(*form, "G"));
    EXPECT_EQ(item(*form, "G")->record->Unitclass, kContextRecord);
    // Contracted: no colour, no style, no mark.
    ASSERT_TRUE(form->PrepareBoxPopup(cellOf(*form, "G")));
    EXPECT_FALSE(form->ColourAction->isEnabled());
    EXPECT_FALSE(form->MarkAction->isEnabled());

    form->RestoreAction->trigger();
    EXPECT_FALSE(form->contracted());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Harris diagram - Site"));
    EXPECT_EQ(form->drawing().layout.units, full.units);
    EXPECT_EQ(form->drawing().layout.parameters, full.parameters);
    ui.verifyDone();
}

TEST_F(DiagramInteraction, UnitInformationOfTheClickedBox)
{
    auto form = open();
    form->ZoomIn();
    QStringList rows;
    onNextModal([&](QWidget* modal) {
        auto* info = qobject_cast<QDialog*>(modal);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->windowTitle(), QStringLiteral("Unit information"));
        auto* grid = info->findChild<QTableWidget*>(QStringLiteral("FieldGrid"));
        ASSERT_TRUE(grid);
        EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Field name"));
        EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Field contents"));
        for (int r = 0; r < grid->rowCount(); ++r) rows << grid->item(r, 0)->text() + QStringLiteral("=") + grid->item(r, 1)->text();
        info->accept();
    });
    form->ShowUnitInformation(cellOf(*form, "C05"));
    EXPECT_TRUE(rows.contains(QStringLiteral("Unit name=C05")));
    const QString relations = QStringLiteral("Relations=< A:C04\r\n> A:C06\r\np A:H");
    const bool listed = rows.contains(relations);
    EXPECT_TRUE(listed) << rows.join(QStringLiteral(" | ")).toStdString();
}

} // namespace
