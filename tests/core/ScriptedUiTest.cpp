#include "support/ScriptedUi.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace belvanto {
namespace {

TEST(ScriptedUi, PlaysTheScriptAndRecordsEverything)
{
    ScriptedUi ui;
    ui.expectError(QStringLiteral("Bad.\r\nReally."), 14);
    ui.expectConfirmation(QStringLiteral("Go on?"), Buttons::YesNoCancel, "Contents").answer(Answer::No);
    ui.expectSaveFile().withTitle(QStringLiteral("Export")).answer(QStringLiteral("/tmp/a.svg"));
    ui.expectSelect().withItems({QStringLiteral("solid"), QStringLiteral("dash")}).answerItem(QStringLiteral("dash"));
    ui.expectInput().withPrompt(QStringLiteral("Name")).cancel();
    ui.expectList().answer(false);

    ui.beep();
    ui.error(QStringLiteral("Bad.\r\nReally."), 14);
    EXPECT_EQ(ui.confirm(QStringLiteral("Go on?"), Buttons::YesNoCancel, "Contents"), Answer::No);
    EXPECT_EQ(ui.saveFile({QStringLiteral("Export"), {}, {}, QStringLiteral("a.svg"), {}}),
              QStringLiteral("/tmp/a.svg"));
    EXPECT_EQ(ui.selectString(QStringLiteral("Border styles"), QString(),
                              {QStringLiteral("solid"), QStringLiteral("dash")}),
              1);
    EXPECT_EQ(ui.inputText(QStringLiteral("Unit"), QStringLiteral("Name"), QString()), std::nullopt);
    EXPECT_FALSE(ui.showList(QStringLiteral("Units"), QString(), {}));
    {
        BusyCursor busy(ui);
        StatusScope status(ui);
        status.set(QStringLiteral("Working"));
        EXPECT_EQ(ui.busyDepth(), 1);
    }

    EXPECT_EQ(ui.remaining(), 0);
    EXPECT_EQ(ui.beeps(), 1);
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[1].answer, Answer::No);
    EXPECT_EQ(ui.statuses(), (QStringList{QStringLiteral("Working"), QString()}));
    EXPECT_EQ(ui.events(), (QStringList{
                               QStringLiteral("beep"),
                               QStringLiteral("error: Bad.\\r\\nReally."),
                               QStringLiteral("confirmation: Go on?"),
                               QStringLiteral("save file dialog: \"/tmp/a.svg\""),
                               QStringLiteral("selection: \"dash\""),
                               QStringLiteral("input: cancel"),
                               QStringLiteral("list: cancel"),
                               QStringLiteral("status: Working"),
                               QStringLiteral("status: "),
                           }));
}

TEST(ScriptedUi, ADifferentTextFailsWithAVisibleDifference)
{
    ScriptedUi ui;
    ui.expectConfirmation(QStringLiteral("Delete A:1?\r\nSure?")).answer(Answer::Yes);
    Answer answer = Answer::Yes;
    EXPECT_NONFATAL_FAILURE(
        answer = ui.confirm(QStringLiteral("Delete A:1?\nSure?")),
        "text: expected \"Delete A:1?\\r\\nSure?\"\n"
        "             got \"Delete A:1?\\nSure?\"\n"
        "        (they differ from character 11 on)");
    EXPECT_EQ(answer, Answer::No) << "a mismatch gets the safe answer";
    EXPECT_EQ(ui.remaining(), 0) << "the mismatched step is used up";
}

TEST(ScriptedUi, EachDifferingPropertyIsNamed)
{
    struct Case {
        MessageKind kind;
        Buttons buttons;
        HelpTopic help;
        const char* report;
    };
    const Case cases[] = {
        {MessageKind::Warning, Buttons::Ok, 14, "kind: expected error, got warning"},
        {MessageKind::Error, Buttons::OkCancel, 14, "buttons: expected Ok, got Ok/Cancel"},
        {MessageKind::Error, Buttons::Ok, {}, "help: expected 14, got none"},
        {MessageKind::Error, Buttons::Ok, "Contents", "help: expected 14, got Contents"},
    };
    for (const Case& c : cases) {
        ScriptedUi ui;
        ui.expectError(QStringLiteral("Stop."), 14);
        EXPECT_NONFATAL_FAILURE(ui.message(c.kind, QStringLiteral("Stop."), c.buttons, c.help), c.report);
    }
}

TEST(ScriptedUi, AnUnexpectedMessageFailsAndGetsTheSafeAnswer)
{
    ScriptedUi ui;
    Answer answer = Answer::Yes;
    EXPECT_NONFATAL_FAILURE(
        answer = ui.confirm(QStringLiteral("Save?"), Buttons::YesNoCancel),
        "Unexpected confirmation box \"Save?\" [Yes/No/Cancel, help none] (interaction 1): "
        "the script holds nothing more.");
    EXPECT_EQ(answer, Answer::Cancel);
    ASSERT_EQ(ui.messages().size(), 1u) << "unexpected messages are recorded too";
    EXPECT_EQ(ui.messages()[0].answer, Answer::Cancel);
}

TEST(ScriptedUi, TheWrongKindOfInteractionLeavesTheStepInPlace)
{
    ScriptedUi ui;
    ui.expectOpenFile().answer(QStringLiteral("/tmp/p.bvp"));
    EXPECT_NONFATAL_FAILURE(ui.warning(QStringLiteral("Oops")),
                            "the script expects open file dialog next.");
    EXPECT_EQ(ui.openFile({}), QStringLiteral("/tmp/p.bvp"));
}

TEST(ScriptedUi, AnswersThatTheDialogCannotGiveFail)
{
    {
        ScriptedUi ui;
        ui.expectConfirmation(QStringLiteral("Go?"), Buttons::YesNo).answer(Answer::Cancel);
        Answer answer = Answer::Yes;
        EXPECT_NONFATAL_FAILURE(answer = ui.confirm(QStringLiteral("Go?")),
                                "The scripted answer Cancel is not offered by the Yes/No box");
        EXPECT_EQ(answer, Answer::No);
    }
    {
        ScriptedUi ui;
        ui.expectConfirmation(QStringLiteral("Go?"), Buttons::YesNo);
        EXPECT_NONFATAL_FAILURE(ui.confirm(QStringLiteral("Go?")), "The script gives no answer");
    }
    {
        ScriptedUi ui;
        ui.expectSelect().answerItem(QStringLiteral("oval rect"));
        std::optional<int> chosen = 0;
        EXPECT_NONFATAL_FAILURE(chosen = ui.selectString(QStringLiteral("Border styles"), QString(),
                                                         {QStringLiteral("solid")}),
                                "The scripted selection \"oval rect\" is not among the items [\"solid\"]");
        EXPECT_EQ(chosen, std::nullopt);
    }
}

TEST(ScriptedUi, DialogPropertiesAreChecked)
{
    ScriptedUi ui;
    ui.expectSaveFile().withTitle(QStringLiteral("Export SVG")).answer(QStringLiteral("/tmp/x"));
    std::optional<QString> path;
    EXPECT_NONFATAL_FAILURE(path = ui.openFile({QStringLiteral("Export DXF"), {}, {}, {}, {}}),
                            "  dialog: expected save file dialog, got open file dialog\n"
                            "  title: expected \"Export SVG\", got \"Export DXF\"");
    EXPECT_EQ(path, std::nullopt);
}

TEST(ScriptedUi, LeftoverStepsAndBusyCursorFailAtTheEnd)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi ui;
            ui.expectInformation(QStringLiteral("Finished."));
        },
        "1 scripted interaction(s) did not happen:\n  information box \"Finished.\"");

    ScriptedUi ui;
    ui.setBusy(true);
    EXPECT_NONFATAL_FAILURE(ui.verifyDone(), "The busy cursor is still on (1 level(s)).");
    EXPECT_NONFATAL_FAILURE(ui.setBusy(false), "switched off more often than on");
}

} // namespace
} // namespace belvanto
