#include "core/StreamUi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace belvanto {
namespace {

class StreamUiTest : public testing::Test {
protected:
    // Everything written so far, as UTF-8.
    std::string written()
    {
        std::fflush(file.get());
        std::rewind(file.get());
        std::string text;
        char buffer[256];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
        return text;
    }

    std::unique_ptr<FILE, int (*)(FILE*)> file{std::tmpfile(), &std::fclose};
    StreamUi ui{file.get()};
};

TEST_F(StreamUiTest, AnswersFromTheCommandLineOrTheSafeAnswer)
{
    using A = Answer;
    using B = Buttons;
    struct Case {
        std::optional<Answer> configured;
        Buttons buttons;
        Answer answer;
    };
    const Case cases[] = {
        {{}, B::Ok, A::Ok},          {{}, B::OkCancel, A::Cancel},
        {{}, B::YesNo, A::No},       {{}, B::YesNoCancel, A::Cancel},
        {A::Yes, B::Ok, A::Ok},      {A::Yes, B::OkCancel, A::Ok},
        {A::Yes, B::YesNo, A::Yes},  {A::Yes, B::YesNoCancel, A::Yes},
        {A::No, B::Ok, A::Ok},       {A::No, B::OkCancel, A::Cancel},
        {A::No, B::YesNo, A::No},    {A::No, B::YesNoCancel, A::No},
        {A::Cancel, B::Ok, A::Ok},   {A::Cancel, B::OkCancel, A::Cancel},
        {A::Cancel, B::YesNo, A::No}, {A::Cancel, B::YesNoCancel, A::Cancel},
    };
    for (const Case& c : cases) {
        ui.setDefaultAnswer(c.configured);
        EXPECT_EQ(ui.message(MessageKind::Confirmation, QStringLiteral("?"), c.buttons), c.answer)
            << "configured " << (c.configured ? answerName(*c.configured).toStdString() : "nothing")
            << ", buttons " << buttonsName(c.buttons).toStdString();
    }
}

TEST_F(StreamUiTest, WritesOneLabelledMessagePerBox)
{
    ui.error(QStringLiteral("Field \"Fläche\" is wrong.\r\nSecond line\nthird"));
    ui.information(QStringLiteral("Done."));
    ui.setDefaultAnswer(Answer::Yes);
    ui.confirm(QStringLiteral("Delete unit A:1?"), Buttons::YesNoCancel, 12);
    ui.setDefaultAnswer(std::nullopt);
    ui.message(MessageKind::Warning, QStringLiteral("Overwrite?"), Buttons::YesNo);
    EXPECT_EQ(written(),
              "error: Field \"Fläche\" is wrong.\n  Second line\n  third\n"
              "information: Done.\n"
              "confirmation: Delete unit A:1? [answer: Yes]\n"
              "warning: Overwrite? [answer: No]\n");
}

TEST_F(StreamUiTest, StatusTextsOnlyWhenVerbose)
{
    ui.status(QStringLiteral("Checking cycles"));
    ui.setVerbose(true);
    ui.status(QStringLiteral("Level 3"));
    ui.status(QString());
    ui.beep();
    ui.setBusy(true);
    EXPECT_EQ(written(), "status: Level 3\n");
}

TEST_F(StreamUiTest, DialogsAreCancelledUnlessPreset)
{
    EXPECT_EQ(ui.openFile({}), std::nullopt);
    EXPECT_EQ(ui.inputText(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("i")), std::nullopt);
    EXPECT_EQ(ui.selectString(QStringLiteral("Border styles"), QStringLiteral("Style"),
                              {QStringLiteral("solid"), QStringLiteral("dash")}),
              std::nullopt);
    EXPECT_FALSE(ui.showList(QStringLiteral("Units"), QStringLiteral("Delete these?"), {QStringLiteral("A:1")}));

    ui.setSaveFileAnswer(QStringLiteral("/tmp/out.svg"));
    ui.setSelectionAnswer(1);
    ui.setDefaultAnswer(Answer::Yes);
    EXPECT_EQ(ui.saveFile({}), QStringLiteral("/tmp/out.svg"));
    EXPECT_EQ(ui.selectString(QStringLiteral("Border styles"), QStringLiteral("Style"),
                              {QStringLiteral("solid"), QStringLiteral("dash")}),
              1);
    EXPECT_EQ(ui.selectString(QStringLiteral("Border styles"), QStringLiteral("Style"),
                              {QStringLiteral("solid")}),
              std::nullopt)
        << "a preset index beyond the list is no choice";
    EXPECT_TRUE(ui.showList(QStringLiteral("Units"), QStringLiteral("Delete these?"), {QStringLiteral("A:1")}));
}

} // namespace
} // namespace belvanto
