#include "checks/forms/TProjectionForm.h"
#include "store/ProjectFixture.h"
#include "ui/UiSupport.h"
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

ProjectionPoint at(double x, double y, double z, std::optional<qint32> colour = {}, std::optional<qint32> theme = {})
{
    return {x, y, z, colour, theme};
}

// Five contexts on a line rising at 45 degrees, the lowest one red (blue
// in the thematic colours), and around (12, 22) as their mean point.
ProjectionModel diagonal()
{
    return AnalyseProjection({at(10, 20, 0, 0x0000FF, 0xFF0000), at(11, 21, 1), at(12, 22, 2), at(13, 23, 3),
                              at(14, 24, 4)});
}

QString buddyText(QWidget* field)
{
    for (QLabel* label : field->parentWidget()->findChildren<QLabel*>())
        if (label->buddy() == field) return label->text();
    return QString();
}

class ProjectionForm : public ::testing::Test {
protected:
    ScriptedUi ui;
    FixedRegional regional;
    TProjectionForm form{diagonal(), ui, regional};

    void showActive()
    {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    QImage profile() const { return form.ProfileImage->pixmap().toImage(); }
    QImage plan() const { return form.PlanImage->pixmap().toImage(); }
};

} // namespace

TEST_F(ProjectionForm, CaptionFieldsAndDefaults)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Projection Configuration"));
    EXPECT_EQ(buddyText(form.AngleEdit), QStringLiteral("&Section angle:"));
    EXPECT_EQ(buddyText(form.MajorTicksEdit), QStringLiteral("Major &ticks:"));
    EXPECT_EQ(buddyText(form.MinorTicksEdit), QStringLiteral("&Minor ticks:"));
    EXPECT_EQ(form.ThematicCheck->text(), QStringLiteral("Thematic &display"));
    EXPECT_EQ(form.AngleEdit->value(), 45);
    EXPECT_EQ(form.AngleEdit->minimum(), 0);
    EXPECT_EQ(form.AngleEdit->maximum(), 180);
    EXPECT_EQ(form.MajorTicksEdit->text(), QStringLiteral("10"));
    EXPECT_EQ(form.MinorTicksEdit->text(), QStringLiteral("2"));
    EXPECT_FALSE(form.ThematicCheck->isChecked());
    EXPECT_EQ(profile().size(), QSize(500, 385));
    EXPECT_EQ(plan().size(), QSize(113, 97));

    belvanto::testing::RecordingHelp help;
    form.HelpButton->click();
    EXPECT_EQ(help.topics, QStringList{QStringLiteral("Show_projection")});
}

// The pictures are the display data painted: the lowest context's box in
// the profile's bottom left corner in its colour, framed black; its pixel
// in the plan; redrawn with the thematic colours on request.
TEST_F(ProjectionForm, PicturesShowTheContextsInTheirColours)
{
    EXPECT_EQ(profile().pixelColor(10, 375), QColor(255, 0, 0));
    EXPECT_EQ(profile().pixelColor(7, 373), QColor(Qt::black));
    EXPECT_EQ(profile().pixelColor(60, 200), QColor(Qt::white));
    const ProjectionPicture planData = PlanPicture(diagonal(), diagonal().direction, false);
    EXPECT_EQ(plan().pixelColor(planData.pixels[0].at), QColor(255, 0, 0));
    form.ThematicCheck->click();
    EXPECT_EQ(profile().pixelColor(10, 375), QColor(0, 0, 255));
    EXPECT_EQ(plan().pixelColor(planData.pixels[0].at), QColor(0, 0, 255));
}

TEST_F(ProjectionForm, AngleAndTicksRedraw)
{
    const QImage planBefore = plan();
    const QImage profileBefore = profile();
    form.AngleEdit->setValue(135);
    EXPECT_NE(plan(), planBefore);
    EXPECT_NE(profile(), profileBefore);
    form.AngleEdit->setValue(45);
    // cos and sin of 45 degrees give the direction the pictures began with.
    EXPECT_EQ(plan(), planBefore);

    // Heights 0 to 4: a major spacing of 1 draws ticks the spacing of 10
    // does not; a text that is no number leaves the last spacing drawn.
    form.MajorTicksEdit->setText(QStringLiteral("1"));
    const QImage withMajor = profile();
    EXPECT_NE(withMajor, profileBefore);
    form.MajorTicksEdit->setText(QStringLiteral("1x"));
    EXPECT_EQ(profile(), withMajor);
    form.MajorTicksEdit->setText(QStringLiteral("10"));
    EXPECT_EQ(profile(), profileBefore);
}

// Leaving a tick field checks it; the focus stays on a failing field.
TEST_F(ProjectionForm, TickFieldsAreCheckedOnLeaving)
{
    struct Case {
        const char* name;
        bool major;
        const char* text;
        const char* error;   // nullptr: accepted
    };
    const Case cases[] = {
        {"major not a number", true, "ten", "Major ticks cannot be converted to a floating point number."},
        {"minor not a number", false, "2,5", "Minor ticks cannot be converted to a floating point number."},
        {"major negative", true, "-1", "Being negative does not solve any problems."},
        {"minor negative", false, "-0.5", "Being negative does not solve any problems."},
        {"zero", true, "0", nullptr},
        {"exponent", false, "2.5e1", nullptr},
    };
    showActive();
    for (const Case& c : cases) {
        QLineEdit* edit = c.major ? form.MajorTicksEdit : form.MinorTicksEdit;
        edit->setFocus();
        edit->setText(QString::fromLatin1(c.text));
        if (c.error) ui.expectError(QString::fromLatin1(c.error));
        QTest::keyClick(edit, Qt::Key_Tab);
        QTest::qWait(20);
        ui.verifyDone();
        if (c.error) {
            EXPECT_TRUE(edit->hasFocus()) << c.name;
            edit->setText(QStringLiteral("1"));
        } else {
            EXPECT_FALSE(edit->hasFocus()) << c.name;
        }
    }
}

// Moving to Cancel skips the check; Cancel gives nothing.
TEST_F(ProjectionForm, CancelSkipsTheCheck)
{
    showActive();
    belvanto::testing::ExpectCancelSkipsTheCheck(form, form.MajorTicksEdit, QStringLiteral("many"), form.CancelButton, ui);
}

// OK checks both fields, the major one first, and stays open on a failure.
TEST_F(ProjectionForm, OkChecksTheTickFields)
{
    showActive();
    form.MinorTicksEdit->setText(QStringLiteral("-2"));
    ui.expectError(QStringLiteral("Being negative does not solve any problems."));
    form.OKButton->click();
    QTest::qWait(20);
    ui.verifyDone();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.MinorTicksEdit->hasFocus());
    form.MinorTicksEdit->setText(QStringLiteral("2"));
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

namespace {

class AskProjectionTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override { createProject(); }
    void TearDown() override { CloseProject(session, true); }
    void context(const QString& name, double x, double y, double z)
    {
        Table& t = session.units();
        t.insert();
        t.set(uf::Excavation, QStringLiteral("A"));
        t.set(uf::Unitname, name);
        t.set(uf::Unitclass, kContext);
        t.set(uf::XAvgCoord, x);
        t.set(uf::YAvgCoord, y);
        t.set(uf::ZAvgCoord, z);
        t.post();
    }
};

} // namespace

TEST_F(AskProjectionTest, OkGivesTheAngleAndTheMeanPointCancelNothing)
{
    for (int i = 0; i < 6; ++i) context(QStringLiteral("C%1").arg(i), 100.0 + i, 50.0 - 2 * i, i);
    onNextModal([](QWidget* modal) {
        auto* form = qobject_cast<TProjectionForm*>(modal);
        ASSERT_TRUE(form);
        EXPECT_EQ(form->AngleEdit->value(), 117);   // 180 - atan(2) in degrees, 116.57 rounded
        form->AngleEdit->setValue(30);
        form->OKButton->click();
    });
    const auto chosen = AskProjection(session, nullptr);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->angle, 30);
    EXPECT_DOUBLE_EQ(chosen->meanX, 102.5);
    EXPECT_DOUBLE_EQ(chosen->meanY, 45.0);
    EXPECT_EQ(ui.busyDepth(), 0);

    onNextModal([](QWidget* modal) { static_cast<TProjectionForm*>(modal)->CancelButton->click(); });
    EXPECT_FALSE(AskProjection(session, nullptr));
}

// Too few contexts, or all at one plan position: the warning instead of the
// dialog.
TEST_F(AskProjectionTest, WarningsInsteadOfTheDialog)
{
    bool dialogShown = false;
    auto closeAnyDialog = [&] {
        onNextModal(
            [&](QWidget* modal) {
                dialogShown = true;
                static_cast<QDialog*>(modal)->reject();
            },
            20);
    };
    for (int i = 0; i < 4; ++i) context(QStringLiteral("C%1").arg(i), 1.0 + i, 2.0 + i, 0.0);
    context(QStringLiteral("noZ"), 9, 9, 0);
    session.units().last();
    session.units().edit();
    session.units().set(uf::ZAvgCoord, Value());
    session.units().post();
    ui.expectWarning(QStringLiteral("4 contexts with coordinates, projection not sensible."));
    closeAnyDialog();
    EXPECT_FALSE(AskProjection(session, nullptr));
    ui.verifyDone();

    CloseProject(session, true);
    createProject(QStringLiteral("Q"));
    for (int i = 0; i < 5; ++i) context(QStringLiteral("C%1").arg(i), 7.0, 3.0, i);
    ui.expectWarning(QStringLiteral("No variation both in X- and Y-coordinates, projection not sensible."));
    EXPECT_FALSE(AskProjection(session, nullptr));
    ui.verifyDone();
    QTest::qWait(300);
    EXPECT_FALSE(dialogShown);
}
