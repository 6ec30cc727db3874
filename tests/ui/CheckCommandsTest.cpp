#include "checks/forms/CheckCommands.h"
#include "store/ProjectFixture.h"
#include "ui/TProtocolForm.h"
#include "ui/UiSupport.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

class CheckCommandsTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("Site"));
        addUnit(QStringLiteral("A"), QStringLiteral("101"));
        addUnit(QStringLiteral("A"), QStringLiteral("150"));
        addUnit(QStringLiteral("A"), QStringLiteral("200"));
        addRelation({QStringLiteral("A"), QStringLiteral("101")}, {QStringLiteral("A"), QStringLiteral("200")},
                    QLatin1Char('>'));
        const QString projectFile = session.project().ProjectFilePath;
        CloseProject(session, true);
        form = std::make_unique<TMainForm>(session);
        RegisterCheckCommands(form->commands());
        ASSERT_TRUE(form->openProject(projectFile));
    }
    void TearDown() override
    {
        form.reset();
        ui.verifyDone();
    }
    void selectUnits(std::initializer_list<int> rows)
    {
        QTableView* view = form->unitList();
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::unique_ptr<TMainForm> form;
};

// What the next protocol window showed: its caption, its lines after the
// title, date and empty line, and whether they were all bold.
struct Shown {
    QString caption;
    QStringList lines;
    bool bold = true;
    bool seen = false;
};

void readNextProtocol(Shown& shown)
{
    onNextModal([&shown](QWidget* modal) {
        if (auto* window = qobject_cast<TProtocolForm*>(modal)) {
            shown.seen = true;
            shown.caption = window->windowTitle();
            for (QTextBlock b = window->report()->document()->findBlockByNumber(3); b.isValid(); b = b.next()) {
                shown.lines << b.text();
                shown.bold = shown.bold && b.begin().fragment().charFormat().fontWeight() == QFont::Bold;
            }
        }
        modal->close();
    });
}

} // namespace

TEST_F(CheckCommandsTest, PairOfTwoSelectedContextsShowsThePathWindow)
{
    QAction* command = form->command(QStringLiteral("RelationsTestPair"));
    ASSERT_TRUE(command->isEnabled());
    Shown shown;
    readNextProtocol(shown);
    selectUnits({0, 2});
    command->trigger();
    ASSERT_TRUE(shown.seen);
    EXPECT_EQ(shown.caption, QStringLiteral("Stratigraphic relations between two contexts"));
    EXPECT_EQ(shown.lines, (QStringList{"Connection between A:101 and A:200:", "", "A:101", "> A:200"}));
    EXPECT_TRUE(shown.bold);

    // One row, or two without a path: a message and no window.
    ui.expectWarning(QStringLiteral("Select two contexts (press <Ctrl>-key and click) before starting this check."));
    selectUnits({0});
    command->trigger();
    ui.expectInformation(QStringLiteral("There are no stratigraphic relations between A:101 and A:150"));
    selectUnits({0, 1});
    command->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
