#pragma once
// The user interface of belvanto-cli: messages become lines on a stream
// (standard error), questions are answered from the command line.
//
// A message is written as "<kind>: <text>", e.g. "error: Field X does not
// exist"; a box with more than an OK button adds the answer it got:
// "confirmation: Delete the unit? [answer: No]". A line break in the text
// ("\r\n", or a bare "\n" or "\r") continues on a new line indented by two
// spaces, so every message starts in the first column and nothing else does.
#include "core/UserInterface.h"

#include <cstdio>
#include <optional>

namespace belvanto {

class StreamUi : public UserInterface {
public:
    explicit StreamUi(FILE* out = stderr) : out_(out) {}

    // The answer to every question (--yes, --no, --cancel). Where the box does
    // not offer it, Yes and Ok stand for each other and the rest for the safe
    // answer. Without one every question gets the safe answer: No, or Cancel
    // where offered. A box with only OK is always answered Ok.
    void setDefaultAnswer(std::optional<Answer> answer) { defaultAnswer_ = answer; }
    // Status texts are written as "status: <text>" only when verbose.
    void setVerbose(bool verbose) { verbose_ = verbose; }

    // What the file, directory, input and selection dialogs return; without a
    // preset they are cancelled. A list (showList) is confirmed when the
    // default answer is Yes or Ok.
    void setOpenFileAnswer(std::optional<QString> path) { openFile_ = std::move(path); }
    void setSaveFileAnswer(std::optional<QString> path) { saveFile_ = std::move(path); }
    void setDirectoryAnswer(std::optional<QString> path) { directory_ = std::move(path); }
    void setInputAnswer(std::optional<QString> text) { input_ = std::move(text); }
    void setSelectionAnswer(std::optional<int> index) { selection_ = index; }

    // The answer a box with these buttons gets.
    Answer answerFor(Buttons buttons) const;

    Answer message(MessageKind kind, const QString& text, Buttons buttons,
                   const HelpTopic& help = {}) override;
    void beep() override {}
    std::optional<QString> openFile(const FileChoice&) override { return openFile_; }
    std::optional<QString> saveFile(const FileChoice&) override { return saveFile_; }
    std::optional<QString> chooseDirectory(const QString&, const QString&) override { return directory_; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return input_; }
    std::optional<int> selectString(const QString& caption, const QString& prompt,
                                    const QStringList& items, const HelpTopic& help = {}) override;
    bool showList(const QString& title, const QString& text, const QStringList& items,
                  const HelpTopic& help = {}) override;
    void status(const QString& text) override;
    void setBusy(bool) override {}

private:
    void write(const QString& label, const QString& text, const QString& answer = QString());

    FILE* out_;
    std::optional<Answer> defaultAnswer_;
    bool verbose_ = false;
    std::optional<QString> openFile_, saveFile_, directory_, input_;
    std::optional<int> selection_;
};

} // namespace belvanto
