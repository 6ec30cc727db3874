// Questions whose Yes deletes or overwrites: Enter, the default button,
// must answer No.
#include "core/Regional.h"
#include "editing/RemoveRelationships.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "ui/QtUserInterface.h"
#include "ui/UiSupport.h"
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

void pressEnterOnNextQuestion()
{
    belvanto::testing::onNextModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
}

class DestructiveQuestionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = dir.filePath(QStringLiteral("Dig.bvp"));
        ASSERT_TRUE(CreateProjectFiles(session, file, QStringLiteral("A"), QString(), false));
        for (const char* name : {"1", "2", "3"}) {
            session.units().insert();
            session.units().set(uf::Excavation, QStringLiteral("A"));
            session.units().set(uf::Unitname, QString::fromLatin1(name));
            session.units().set(uf::Unitclass, kContext);
            session.units().post();
        }
        for (const auto& [a, b] : {std::pair{"1", "2"}, std::pair{"2", "3"}}) {
            const UnitKey first{QStringLiteral("A"), QString::fromLatin1(a)};
            const UnitKey second{QStringLiteral("A"), QString::fromLatin1(b)};
            InsertRelationRow(session.relations(), first, second, QLatin1Char('>'), QString(), status::Stored);
            InsertRelationRow(session.relations(), second, first, QLatin1Char('<'), QString(), status::Stored);
        }
    }
    void TearDown() override
    {
        if (session.project().isOpen()) CloseProject(session, true);
    }
    RelationRowKey row(const char* a, const char* b) const
    {
        return {{QStringLiteral("A"), QString::fromLatin1(a)}, {QStringLiteral("A"), QString::fromLatin1(b)}};
    }

    QTemporaryDir dir;
    QtUserInterface ui;
    FixedRegional regional;
    Session session{ui, regional};
    QString file;
};

} // namespace

TEST(QtUserInterfaceDefaults, EnterAnswersNoOnlyWhereYesDestroys)
{
    QtUserInterface ui;
    pressEnterOnNextQuestion();
    EXPECT_EQ(ui.confirmDestructive(QStringLiteral("Delete?"), HelpTopic(54)), Answer::No);
    // An ordinary question keeps Yes as its default.
    pressEnterOnNextQuestion();
    EXPECT_EQ(ui.confirm(QStringLiteral("Create?")), Answer::Yes);

    std::unique_ptr<QMessageBox> box(QtUserInterface::createDestructiveBox(QStringLiteral("Delete?"), {}, nullptr));
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
}

TEST_F(DestructiveQuestionTest, EnterKeepsTheData)
{
    struct Case {
        const char* name;
        std::function<void()> act;
        std::function<bool()> intact;
    };
    const Case cases[] = {
        {"remove one relationship", [&] { RemoveRelationships(session, {row("1", "2")}, {}); },
         [&] { return session.relations().count() == 4; }},
        {"remove two relationships", [&] { RemoveRelationships(session, {row("1", "2"), row("2", "3")}, {}); },
         [&] { return session.relations().count() == 4; }},
        {"delete project", [&] { DeleteProject(session); },
         [&] { return session.project().isOpen() && QFile::exists(file); }},
    };
    for (const Case& c : cases) {
        pressEnterOnNextQuestion();
        c.act();
        EXPECT_TRUE(c.intact()) << c.name;
    }
}
