#pragma once
// A user interface for tests that plays a script: every message box, file
// choice, input and selection the code under test shows must be the next one
// the test queued, with the exact text, and gets the queued answer. Anything
// else fails the running test with a readable difference and gets the safe
// answer (Ok / No / Cancel / nothing), so the code under test still finishes.
//
//   ScriptedUi ui;
//   ui.expect(MessageKind::Confirmation, "Delete?", Buttons::YesNo, 14).answer(Answer::Yes);
//   ui.expectSaveFile().withTitle("Export").answer("/tmp/x.svg");
//   runCommand(ui);
//   ui.verifyDone();        // the destructor checks too
//
// Beeps, status texts and the busy cursor are recorded, not scripted.
#include "core/UserInterface.h"

#include <deque>
#include <variant>
#include <vector>

namespace belvanto {

struct MessageExpectation {
    MessageKind kind;
    QString text;
    Buttons buttons;
    HelpTopic help;
    // Unset means Ok, which only a box with just OK may get that way.
    std::optional<Answer> reply;
    MessageExpectation& answer(Answer a) { reply = a; return *this; }
};

struct FileExpectation {
    enum class Dialog { Open, Save, Directory } dialog;
    std::optional<QString> title;
    std::optional<QString> fileName; // the proposed name (Open, Save) or start (Directory)
    std::optional<QString> reply;    // nothing: the user cancels
    FileExpectation& withTitle(const QString& t) { title = t; return *this; }
    FileExpectation& withFileName(const QString& n) { fileName = n; return *this; }
    FileExpectation& answer(const QString& path) { reply = path; return *this; }
    FileExpectation& cancel() { reply.reset(); return *this; }
};

struct InputExpectation {
    std::optional<QString> prompt;
    std::optional<QString> initial;
    std::optional<QString> reply;
    InputExpectation& withPrompt(const QString& p) { prompt = p; return *this; }
    InputExpectation& withInitial(const QString& i) { initial = i; return *this; }
    InputExpectation& answer(const QString& text) { reply = text; return *this; }
    InputExpectation& cancel() { reply.reset(); return *this; }
};

struct SelectExpectation {
    std::optional<QString> caption;
    std::optional<QStringList> items;
    std::variant<std::monostate, int, QString> reply; // nothing, an index or an item's text
    SelectExpectation& withCaption(const QString& c) { caption = c; return *this; }
    SelectExpectation& withItems(const QStringList& i) { items = i; return *this; }
    SelectExpectation& answer(int index) { reply = index; return *this; }
    SelectExpectation& answerItem(const QString& item) { reply = item; return *this; }
    SelectExpectation& cancel() { reply = std::monostate(); return *this; }
};

struct ListExpectation {
    std::optional<QString> title;
    std::optional<QStringList> items;
    bool reply = true;
    ListExpectation& withTitle(const QString& t) { title = t; return *this; }
    ListExpectation& withItems(const QStringList& i) { items = i; return *this; }
    ListExpectation& answer(bool ok) { reply = ok; return *this; }
    ListExpectation& cancel() { reply = false; return *this; }
};

struct RecordedMessage {
    MessageKind kind;
    QString text;
    Buttons buttons;
    HelpTopic help;
    Answer answer;
};

class ScriptedUi : public UserInterface {
public:
    ScriptedUi() = default;
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    MessageExpectation& expect(MessageKind kind, const QString& text, Buttons buttons = Buttons::Ok,
                               const HelpTopic& help = {});
    MessageExpectation& expectError(const QString& text, const HelpTopic& help = {})
    { return expect(MessageKind::Error, text, Buttons::Ok, help); }
    MessageExpectation& expectWarning(const QString& text, const HelpTopic& help = {})
    { return expect(MessageKind::Warning, text, Buttons::Ok, help); }
    MessageExpectation& expectInformation(const QString& text, const HelpTopic& help = {})
    { return expect(MessageKind::Information, text, Buttons::Ok, help); }
    MessageExpectation& expectConfirmation(const QString& text, Buttons buttons = Buttons::YesNo,
                                           const HelpTopic& help = {})
    { return expect(MessageKind::Confirmation, text, buttons, help); }

    FileExpectation& expectOpenFile();
    FileExpectation& expectSaveFile();
    FileExpectation& expectDirectory();
    InputExpectation& expectInput();
    SelectExpectation& expectSelect();
    ListExpectation& expectList();

    // Fails the test for every queued interaction that has not happened, and
    // for a busy cursor still on; then forgets them, so it reports only once.
    void verifyDone();
    qsizetype remaining() const { return script_.size(); }

    const std::vector<RecordedMessage>& messages() const { return messages_; }
    int beeps() const { return beeps_; }
    const QStringList& statuses() const { return statuses_; }
    const QStringList& notices() const { return notices_; }
    int busyDepth() const { return busyDepth_; }
    // Everything in order, one line each: "beep", "error: <text>",
    // "status: <text>", "open file: <answer>", ...; "\r\n" shown as \r\n.
    const QStringList& events() const { return events_; }

    Answer message(MessageKind kind, const QString& text, Buttons buttons,
                   const HelpTopic& help = {}) override;
    void beep() override;
    std::optional<QString> openFile(const FileChoice& choice) override;
    std::optional<QString> saveFile(const FileChoice& choice) override;
    std::optional<QString> chooseDirectory(const QString& title, const QString& start) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt,
                                     const QString& initial) override;
    std::optional<int> selectString(const QString& caption, const QString& prompt,
                                    const QStringList& items, const HelpTopic& help = {}) override;
    bool showList(const QString& title, const QString& text, const QStringList& items,
                  const HelpTopic& help = {}) override;
    void status(const QString& text) override;
    void notice(const QString& text) override { notices_ << text; }
    void setBusy(bool busy) override;
    // Progress texts are recorded as status texts; the user asks to stop at
    // the progress report given to stopAtProgress (1 = the first).
    bool progress(const QString& text, qint64 done, qint64 total) override;
    void stopAtProgress(int report) { stopAt_ = report; }

    // Text with \r, \n and \t written out, in quotes, for failure reports.
    static QString visible(const QString& text);

private:
    using Step = std::variant<MessageExpectation, FileExpectation, InputExpectation,
                              SelectExpectation, ListExpectation>;

    template <typename T> T& push(T step);
    template <typename T> std::optional<T> take(const QString& got);
    std::optional<QString> fileDialog(FileExpectation::Dialog dialog, const QString& title,
                                      const QString& fileName);

    std::deque<Step> script_;
    int interactions_ = 0;
    std::vector<RecordedMessage> messages_;
    int beeps_ = 0;
    QStringList statuses_;
    QStringList notices_;
    int busyDepth_ = 0;
    QStringList events_;
    int progressReports_ = 0;
    int stopAt_ = 0;
};

} // namespace belvanto
