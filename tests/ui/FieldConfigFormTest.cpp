#include "store/UnitFields.h"
#include "store/forms/TFieldConfigForm.h"
#include "support/ScriptedUi.h"
#include <QGroupBox>
#include <QRadioButton>
#include <QHeaderView>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

enum { ListColumn = 1, FormColumn = 2, TermsColumn = 3 };

int rowOf(int fieldPos)
{
    return fieldPos - TFieldConfigForm::kFirstField;
}

struct Grid {
    ScriptedUi ui;
    UnitFieldCatalogue catalogue;
    std::unique_ptr<TFieldConfigForm> form;
    explicit Grid(bool termFile = true, bool composition = true)
    {
        form = std::make_unique<TFieldConfigForm>(catalogue, termFile, composition, false, ui);
    }
    QString at(int fieldPos, int column) const { return form->grid()->cell(rowOf(fieldPos), column); }
    void key(int fieldPos, int column, Qt::Key key, const QString& text = QString())
    {
        form->grid()->setCurrentCell(rowOf(fieldPos), column);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(form->grid(), &press);
    }
};

} // namespace

TEST(FieldConfigForm, ListsFieldsFourToThirtyFour)
{
    Grid g;
    EXPECT_EQ(g.form->windowTitle(), QStringLiteral("Unit Field Configuration"));
    EXPECT_EQ(g.form->grid()->rowCount(), 31);
    QStringList titles;
    for (int c = 0; c < 4; ++c) titles << g.form->grid()->horizontalHeaderItem(c)->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Field name"), QStringLiteral("List view"), QStringLiteral("Form view"),
                                   QStringLiteral("Terms only")}));
    EXPECT_EQ(g.form->grid()->cell(0, 0), QStringLiteral("Minimum X-Coordinate"));
    EXPECT_EQ(g.form->grid()->cell(30, 0), QStringLiteral("Find Category"));
    // Defaults: Location listed, X minimum not; every field in the form.
    EXPECT_EQ(g.at(uf::Location, ListColumn), QStringLiteral("X"));
    EXPECT_EQ(g.at(uf::XMinCoord, ListColumn), QString());
    EXPECT_EQ(g.at(uf::XMinCoord, FormColumn), QStringLiteral("X"));
    // Terms only: strings can, numbers and dates cannot.
    EXPECT_EQ(g.at(uf::Location, TermsColumn), QString());
    EXPECT_EQ(g.at(uf::XMinCoord, TermsColumn), QStringLiteral("-"));
    EXPECT_EQ(g.at(uf::ExcavationDate, TermsColumn), QStringLiteral("-"));
    Grid noTerms(false);
    EXPECT_EQ(noTerms.at(uf::Location, TermsColumn), QStringLiteral("-"));
}

TEST(FieldConfigForm, KeyRules)
{
    Grid g;
    // X and x set an empty cell.
    g.key(uf::XMinCoord, ListColumn, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(g.at(uf::XMinCoord, ListColumn), QStringLiteral("X"));
    g.key(uf::YMinCoord, ListColumn, Qt::Key_X, QStringLiteral("X"));
    EXPECT_EQ(g.at(uf::YMinCoord, ListColumn), QStringLiteral("X"));
    EXPECT_EQ(g.ui.beeps(), 0);
    // An X on an X and any other key beep and change nothing.
    g.key(uf::XMinCoord, ListColumn, Qt::Key_X, QStringLiteral("X"));
    g.key(uf::XMinCoord, ListColumn, Qt::Key_A, QStringLiteral("a"));
    g.key(uf::XMinCoord, ListColumn, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(g.ui.beeps(), 3);
    EXPECT_EQ(g.at(uf::XMinCoord, ListColumn), QStringLiteral("X"));
    // Backspace clears.
    g.key(uf::XMinCoord, ListColumn, Qt::Key_Backspace);
    EXPECT_EQ(g.at(uf::XMinCoord, ListColumn), QString());
    // A minus cell refuses every key with a beep, except Delete, which does nothing.
    g.key(uf::XMinCoord, TermsColumn, Qt::Key_X, QStringLiteral("x"));
    g.key(uf::XMinCoord, TermsColumn, Qt::Key_Backspace);
    EXPECT_EQ(g.ui.beeps(), 5);
    g.key(uf::XMinCoord, TermsColumn, Qt::Key_Delete);
    EXPECT_EQ(g.ui.beeps(), 5);
    EXPECT_EQ(g.at(uf::XMinCoord, TermsColumn), QStringLiteral("-"));
    // Arrow keys still move.
    g.key(uf::XMinCoord, ListColumn, Qt::Key_Down);
    EXPECT_EQ(g.form->grid()->currentRow(), rowOf(uf::YMinCoord));
    EXPECT_EQ(g.ui.beeps(), 5);
}

TEST(FieldConfigForm, DoubleClickTogglesAndBeepsOnMinus)
{
    Grid g;
    TFieldGrid* grid = g.form->grid();
    Q_EMIT grid->cellDoubleClicked(rowOf(uf::Location), ListColumn);
    EXPECT_EQ(g.at(uf::Location, ListColumn), QString());
    Q_EMIT grid->cellDoubleClicked(rowOf(uf::Location), ListColumn);
    EXPECT_EQ(g.at(uf::Location, ListColumn), QStringLiteral("X"));
    Q_EMIT grid->cellDoubleClicked(rowOf(uf::AvgYear), TermsColumn);
    EXPECT_EQ(g.at(uf::AvgYear, TermsColumn), QStringLiteral("-"));
    EXPECT_EQ(g.ui.beeps(), 1);
}

TEST(FieldConfigForm, OkStoresTheOptions)
{
    Grid g;
    g.catalogue[uf::Colour].ClosedTerms = true;
    g.form = std::make_unique<TFieldConfigForm>(g.catalogue, false, false, false, g.ui);
    g.key(uf::Location, ListColumn, Qt::Key_Backspace);
    g.key(uf::XMinCoord, ListColumn, Qt::Key_X, QStringLiteral("X"));
    g.key(uf::Photos, FormColumn, Qt::Key_Delete);
    g.form->applyTo(g.catalogue);
    EXPECT_FALSE(g.catalogue[uf::Location].TabView);
    EXPECT_TRUE(g.catalogue[uf::XMinCoord].TabView);
    EXPECT_FALSE(g.catalogue[uf::Photos].EditView);
    // Without a term file the option was not shown, so it is kept.
    EXPECT_TRUE(g.catalogue[uf::Colour].ClosedTerms);
    const QString tabView = g.catalogue.FieldConfigurationStrings().TabView;
    EXPECT_EQ(tabView.at(uf::XMinCoord), QLatin1Char('*'));
    EXPECT_EQ(tabView.at(uf::Location), QLatin1Char(' '));
}

TEST(FieldConfigForm, CompositionGroup)
{
    Grid shown(true, true);
    EXPECT_EQ(shown.form->compositionGroup()->title(), QStringLiteral(" Project composition "));
    EXPECT_FALSE(shown.form->compositionGroup()->isHidden());
    EXPECT_FALSE(shown.form->singleExcavation());
    shown.form->singleRadio()->setChecked(true);
    EXPECT_TRUE(shown.form->singleExcavation());
    Grid hidden(true, false);
    EXPECT_TRUE(hidden.form->compositionGroup()->isHidden());
}
