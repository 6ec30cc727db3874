// The two dialogs of "Thematic style...": the term legend with its right
// click and configure group, the range grid with its key filter, checks,
// rows and counts; what OK stores, and that Cancel or a failed check stores
// nothing.
#include "diagram/forms/TThemRangeForm.h"
#include "diagram/forms/TThematicForm.h"
#include "diagram/forms/ThematicCommands.h"
#include "store/ProjectFixture.h"
#include "ui/UiSupport.h"
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

class ThematicForms : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        // Integers 1 ... 10 and a unit without; periods with accents.
        for (int i = 1; i <= 11; ++i) {
            addUnit(QStringLiteral("A"), QString::number(i));
            session.units().edit();
            if (i <= 10) session.units().set(uf::MinYear, qint32(i));
            if (i <= 10) session.units().set(uf::Period, i % 2 ? QStringLiteral("Römisch") : QStringLiteral("Ἑλληνικά"));
            session.units().set(uf::ThematicStyle, qint32(7));
            session.units().post();
        }
    }
    void TearDown() override { CloseProject(session, true); }

    QMap<QString, QString> styles()
    {
        QMap<QString, QString> out;
        for (const auto& row : session.units().query(QString(), {}))
            out.insert(textAt(row, uf::Unitname), valueToString(row.values[uf::ThematicColour]) + QLatin1Char('/')
                                                       + valueToString(row.values[uf::ThematicStyle]));
        return out;
    }

    ThematicStart start(int pos)
    {
        auto s = StartThematic(session, pos);
        EXPECT_TRUE(s);
        return s ? std::move(*s) : ThematicStart{};
    }

    static void typeInto(QTableWidget* grid, int row, int column, const QString& keys)
    {
        grid->setCurrentCell(row, column);
        grid->editItem(grid->item(row, column));
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        ASSERT_TRUE(editor);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, keys);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits a Return's edit queued.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(ThematicForms, TermDialogControlsAndColourOnlyWrite)
{
    TThematicForm form(session, start(uf::Period));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Terms used in field Period"));
    EXPECT_EQ(form.terms().entries, (QStringList{"Römisch", "Ἑλληνικά", " blank "}));
    EXPECT_EQ(form.ConfigureGroup->title(), QStringLiteral(" Co&nfigure "));
    EXPECT_EQ(form.SaveLegendButton->text(), QStringLiteral("Save &Legend"));
    EXPECT_FALSE(form.SaveSettingsButton->isEnabled());
    EXPECT_FALSE(form.ReloadSettingsButton->isEnabled());
    EXPECT_EQ(form.ThematicImage->objectName(), QStringLiteral("ThematicImage"));
    EXPECT_EQ(form.ThematicImage->size(), QSize(form.ThematicImage->legend().width, form.ThematicImage->legend().height));

    // The mouse selects the box under it; a right click elsewhere beeps.
    form.show();
    QTest::mouseMove(form.ThematicImage, QPoint(50, 3 * form.ThematicImage->legend().textHeight + 6));
    EXPECT_EQ(form.ThematicImage->selected(), 1);
    QTest::mouseClick(form.ThematicImage, Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_FALSE(form.ThematicImage->selected());
    EXPECT_EQ(ui.beeps(), 1);

    // "set border style only" opens the style list straight away.
    form.ConfigureGroup->setMode(ThematicMode::StyleOnly);
    ui.expectSelect().withCaption(QStringLiteral("Border styles")).answer(3);
    QTest::mouseClick(form.ThematicImage, Qt::RightButton, {}, QPoint(50, form.ThematicImage->legend().entries[0].rect.top + 4));
    EXPECT_EQ(form.terms().looks[0].style, 3);
    ui.verifyDone();

    // "set colour only" writes colours and leaves every style as it was.
    ThematicColourChooser() = [](QWidget*, quint32) { return std::optional<quint32>(255); };
    form.ConfigureGroup->setMode(ThematicMode::ColourOnly);
    QTest::mouseClick(form.ThematicImage, Qt::RightButton, {}, QPoint(50, form.ThematicImage->legend().entries[2].rect.top + 4));
    EXPECT_EQ(form.terms().looks[2], (BoxLook{255, 0}));
    form.setLook(1, BoxLook{65280, 9});
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const auto st = styles();
    EXPECT_EQ(st.value("1"), "16777215/7");
    EXPECT_EQ(st.value("2"), "65280/7");
    EXPECT_EQ(st.value("11"), "255/7");
}

TEST_F(ThematicForms, RangeGridEditsChecksAndCounts)
{
    TThemRangeForm form(session, start(uf::MinYear));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Set Ranges for Field First year"));
    QTableWidget* grid = form.RangeGrid;
    ASSERT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral(" blank "));
    EXPECT_FALSE(grid->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(grid->item(4, 0)->text(), QStringLiteral("10"));
    EXPECT_EQ(grid->item(4, 1)->text(), QStringLiteral("13"));
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("16777215"));
    EXPECT_EQ(grid->item(1, 3)->text(), QStringLiteral("solid"));
    EXPECT_EQ(form.DisplaySelection->title(), QStringLiteral("D&isplay Selection"));
    EXPECT_EQ(form.CalculateButton->text(), QStringLiteral("Calc&ulate"));

    // Only digits, and a minus at the start of an empty integer cell.
    EXPECT_TRUE(form.acceptsKey(QString(), Qt::Key_Minus, QStringLiteral("-")));
    EXPECT_FALSE(form.acceptsKey(QStringLiteral("1"), Qt::Key_Minus, QStringLiteral("-")));
    EXPECT_FALSE(form.acceptsKey(QStringLiteral("1"), Qt::Key_Period, QStringLiteral(".")));
    EXPECT_FALSE(form.acceptsKey(QStringLiteral("1"), Qt::Key_X, QStringLiteral("x")));

    form.show();
    form.calculate();
    EXPECT_EQ(grid->item(0, 4)->text(), QStringLiteral("1"));
    EXPECT_EQ(grid->item(1, 4)->text(), QStringLiteral("3"));
    // Typing filters the keys and clears the count.
    typeInto(grid, 2, 1, QStringLiteral("x3.5"));
    EXPECT_EQ(grid->item(2, 1)->text(), QStringLiteral("35"));
    EXPECT_EQ(grid->item(2, 4)->text(), QString());

    // A range that overlaps the next: the message, its row, nothing stored.
    ui.expect(MessageKind::Error, QStringLiteral("Max. value of previous range larger than min. value"), Buttons::Ok, 61);
    form.OKButton->click();
    ui.verifyDone();
    EXPECT_EQ(grid->currentRow(), 3);
    EXPECT_FALSE(form.isHidden());
    EXPECT_EQ(styles().value("5"), "/7");
    typeInto(grid, 2, 1, QStringLiteral("7"));

    // The last range row stays; the blank row may go.
    for (int i = 0; i < 3; ++i) {
        grid->setCurrentCell(1, 0);
        form.deleteRange();
    }
    EXPECT_EQ(grid->rowCount(), 2);
    ui.expect(MessageKind::Error, QStringLiteral("The last range line may not be deleted."), Buttons::Ok, 61);
    form.deleteRange();
    ui.verifyDone();
    grid->setCurrentCell(0, 0);
    form.deleteRange();
    ASSERT_EQ(grid->rowCount(), 1);
    form.addRange();
    ASSERT_EQ(grid->rowCount(), 2);
    typeInto(grid, 1, 0, QStringLiteral("13"));
    typeInto(grid, 1, 1, QStringLiteral("20"));
    form.setLook(0, BoxLook{255, 2});

    // The legend from the rows, then OK: blanks in no range.
    form.LegendRadio->setChecked(true);
    EXPECT_TRUE(grid->isHidden());
    EXPECT_EQ(form.ThematicImage->legend().entries.size(), 2u);
    EXPECT_EQ(form.ThematicImage->legend().entries[0].label.text, QStringLiteral("10 - 13"));
    ui.expect(MessageKind::Warning, QStringLiteral("10 units not in any range"), Buttons::Ok, 61);
    form.OKButton->click();
    ui.verifyDone();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const auto st = styles();
    EXPECT_EQ(st.value("10"), "255/2");
    EXPECT_EQ(st.value("11"), "16777215/0");
    EXPECT_EQ(st.value("3"), "16777215/0");
}

TEST_F(ThematicForms, CommandChecksBeforeAnyDialog)
{
    // A field of one value: the warning, no dialog, nothing stored.
    for (int i = 1; i <= 11; ++i) {
        ASSERT_TRUE(session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QString::number(i)}));
        session.units().edit();
        session.units().set(uf::MaxYear, qint32(5));
        session.units().post();
    }
    ui.expectSelect().withCaption(QStringLiteral("Select field")).answerItem(QStringLiteral("Last year"));
    ui.expect(MessageKind::Warning, QStringLiteral("Field Last year does contain only one value."), Buttons::Ok, 61);
    ThematicStyleCommand(session, nullptr);
    ui.verifyDone();

    ui.expectSelect().withCaption(QStringLiteral("Select field")).answerItem(QStringLiteral("Description"));
    ui.expect(MessageKind::Warning, QStringLiteral("Field Description does not contain any entries"), Buttons::Ok, 60);
    ThematicStyleCommand(session, nullptr);
    ui.verifyDone();

    // Cancel in the dialog stores nothing.
    const auto before = styles();
    belvanto::testing::onNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    ui.expectSelect().withCaption(QStringLiteral("Select field")).answerItem(QStringLiteral("Period"));
    ThematicStyleCommand(session, nullptr);
    ui.verifyDone();
    EXPECT_EQ(styles(), before);
}

} // namespace
