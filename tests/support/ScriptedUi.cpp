#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

namespace belvanto {

namespace {

std::string str(const QString& s) { return s.toStdString(); }

QString escaped(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    s.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    s.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return s;
}

QString helpName(const HelpTopic& help)
{
    return help.none() ? QStringLiteral("none") : help.toString();
}

QString optionalName(const std::optional<QString>& s)
{
    return s ? ScriptedUi::visible(*s) : QStringLiteral("cancel");
}

QString listName(const QStringList& items)
{
    QStringList quoted;
    for (const QString& item : items) quoted << ScriptedUi::visible(item);
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString describeMessage(MessageKind kind, const QString& text, Buttons buttons, const HelpTopic& help)
{
    return QStringLiteral("%1 box %2 [%3, help %4]")
        .arg(messageKindName(kind), ScriptedUi::visible(text), buttonsName(buttons), helpName(help));
}

QString dialogName(FileExpectation::Dialog dialog)
{
    switch (dialog) {
    case FileExpectation::Dialog::Open: return QStringLiteral("open file dialog");
    case FileExpectation::Dialog::Save: return QStringLiteral("save file dialog");
    case FileExpectation::Dialog::Directory: return QStringLiteral("directory dialog");
    }
    return QString();
}

QString describe(const MessageExpectation& e) { return describeMessage(e.kind, e.text, e.buttons, e.help); }
QString describe(const FileExpectation& e) { return dialogName(e.dialog); }
QString describe(const InputExpectation&) { return QStringLiteral("input dialog"); }
QString describe(const SelectExpectation&) { return QStringLiteral("selection dialog"); }
QString describe(const ListExpectation&) { return QStringLiteral("list dialog"); }

// Collects the differences between what the script expected and what came.
class Differences {
public:
    void field(const char* name, const QString& expected, const QString& got)
    {
        if (expected != got) {
            lines_ << QStringLiteral("  %1: expected %2, got %3").arg(QLatin1String(name), expected, got);
        }
    }
    template <typename T>
    void optionalField(const char* name, const std::optional<T>& expected, const T& got,
                       QString (*show)(const T&))
    {
        if (expected && *expected != got) field(name, show(*expected), show(got));
    }
    void text(const char* name, const QString& expected, const QString& got)
    {
        if (expected == got) return;
        qsizetype at = 0;
        while (at < expected.size() && at < got.size() && expected[at] == got[at]) ++at;
        const QString label = QStringLiteral("  %1: ").arg(QLatin1String(name));
        const QString indent(label.size(), QLatin1Char(' '));
        lines_ << label + QStringLiteral("expected ") + ScriptedUi::visible(expected)
               << indent + QStringLiteral("     got ") + ScriptedUi::visible(got)
               << indent + QStringLiteral("(they differ from character %1 on)").arg(at);
    }
    // True when everything matched; otherwise fails the test.
    bool check(const QString& what, int interaction) const
    {
        if (lines_.isEmpty()) return true;
        ADD_FAILURE() << "The " << str(what) << " (interaction " << interaction
                      << ") differs from the script:\n"
                      << str(lines_.join(QLatin1Char('\n')));
        return false;
    }

private:
    QStringList lines_;
};

QString showTextValue(const QString& s) { return ScriptedUi::visible(s); }
QString showItems(const QStringList& l) { return listName(l); }

} // namespace

QString ScriptedUi::visible(const QString& text)
{
    return QLatin1Char('"') + escaped(text) + QLatin1Char('"');
}

ScriptedUi::~ScriptedUi()
{
    verifyDone();
}

template <typename T>
T& ScriptedUi::push(T step)
{
    script_.push_back(std::move(step));
    // References into a deque survive push_back, so the builder can go on.
    return std::get<T>(script_.back());
}

MessageExpectation& ScriptedUi::expect(MessageKind kind, const QString& text, Buttons buttons,
                                       const HelpTopic& help)
{
    return push(MessageExpectation{kind, text, buttons, help, std::nullopt});
}

FileExpectation& ScriptedUi::expectOpenFile() { return push(FileExpectation{FileExpectation::Dialog::Open, {}, {}, {}}); }
FileExpectation& ScriptedUi::expectSaveFile() { return push(FileExpectation{FileExpectation::Dialog::Save, {}, {}, {}}); }
FileExpectation& ScriptedUi::expectDirectory() { return push(FileExpectation{FileExpectation::Dialog::Directory, {}, {}, {}}); }
InputExpectation& ScriptedUi::expectInput() { return push(InputExpectation{}); }
SelectExpectation& ScriptedUi::expectSelect() { return push(SelectExpectation{}); }
ListExpectation& ScriptedUi::expectList() { return push(ListExpectation{}); }

void ScriptedUi::verifyDone()
{
    if (!script_.empty()) {
        QStringList left;
        for (const Step& step : script_) {
            left << QStringLiteral("  ") + std::visit([](const auto& e) { return describe(e); }, step);
        }
        ADD_FAILURE() << script_.size() << " scripted interaction(s) did not happen:\n"
                      << str(left.join(QLatin1Char('\n')));
        script_.clear();
    }
    if (busyDepth_ != 0) {
        ADD_FAILURE() << "The busy cursor is still on (" << busyDepth_ << " level(s)).";
        busyDepth_ = 0;
    }
}

template <typename T>
std::optional<T> ScriptedUi::take(const QString& got)
{
    ++interactions_;
    if (script_.empty()) {
        ADD_FAILURE() << "Unexpected " << str(got) << " (interaction " << interactions_
                      << "): the script holds nothing more.";
        return std::nullopt;
    }
    if (!std::holds_alternative<T>(script_.front())) {
        ADD_FAILURE() << "Unexpected " << str(got) << " (interaction " << interactions_
                      << "): the script expects "
                      << str(std::visit([](const auto& e) { return describe(e); }, script_.front()))
                      << " next.";
        return std::nullopt;
    }
    T step = std::get<T>(std::move(script_.front()));
    script_.pop_front();
    return step;
}

Answer ScriptedUi::message(MessageKind kind, const QString& text, Buttons buttons, const HelpTopic& help)
{
    Answer answer = safeAnswer(buttons);
    if (auto step = take<MessageExpectation>(describeMessage(kind, text, buttons, help))) {
        Differences d;
        d.field("kind", messageKindName(step->kind), messageKindName(kind));
        d.text("text", step->text, text);
        d.field("buttons", buttonsName(step->buttons), buttonsName(buttons));
        d.field("help", helpName(step->help), helpName(help));
        if (d.check(QStringLiteral("message box"), interactions_)) {
            if (!step->reply && buttons != Buttons::Ok) {
                ADD_FAILURE() << "The script gives no answer for the " << str(buttonsName(buttons))
                              << " box " << str(visible(text)) << ".";
            } else if (!offers(buttons, step->reply.value_or(Answer::Ok))) {
                ADD_FAILURE() << "The scripted answer " << str(answerName(*step->reply))
                              << " is not offered by the " << str(buttonsName(buttons)) << " box "
                              << str(visible(text)) << ".";
            } else {
                answer = step->reply.value_or(Answer::Ok);
            }
        }
    }
    messages_.push_back({kind, text, buttons, help, answer});
    events_ << messageKindName(kind) + QStringLiteral(": ") + escaped(text);
    return answer;
}

void ScriptedUi::beep()
{
    ++beeps_;
    events_ << QStringLiteral("beep");
}

std::optional<QString> ScriptedUi::fileDialog(FileExpectation::Dialog dialog, const QString& title,
                                              const QString& fileName)
{
    std::optional<QString> answer;
    if (auto step = take<FileExpectation>(dialogName(dialog) + QLatin1Char(' ') + visible(title))) {
        Differences d;
        d.field("dialog", dialogName(step->dialog), dialogName(dialog));
        d.optionalField("title", step->title, title, showTextValue);
        d.optionalField("file name", step->fileName, fileName, showTextValue);
        if (d.check(dialogName(dialog), interactions_)) answer = step->reply;
    }
    events_ << dialogName(dialog) + QStringLiteral(": ") + optionalName(answer);
    return answer;
}

std::optional<QString> ScriptedUi::openFile(const FileChoice& choice)
{
    return fileDialog(FileExpectation::Dialog::Open, choice.title, choice.fileName);
}

std::optional<QString> ScriptedUi::saveFile(const FileChoice& choice)
{
    return fileDialog(FileExpectation::Dialog::Save, choice.title, choice.fileName);
}

std::optional<QString> ScriptedUi::chooseDirectory(const QString& title, const QString& start)
{
    return fileDialog(FileExpectation::Dialog::Directory, title, start);
}

std::optional<QString> ScriptedUi::inputText(const QString& title, const QString& prompt,
                                             const QString& initial)
{
    std::optional<QString> answer;
    if (auto step = take<InputExpectation>(QStringLiteral("input dialog ") + visible(title))) {
        Differences d;
        d.optionalField("prompt", step->prompt, prompt, showTextValue);
        d.optionalField("initial text", step->initial, initial, showTextValue);
        if (d.check(QStringLiteral("input dialog"), interactions_)) answer = step->reply;
    }
    events_ << QStringLiteral("input: ") + optionalName(answer);
    return answer;
}

std::optional<int> ScriptedUi::selectString(const QString& caption, const QString&,
                                            const QStringList& items, const HelpTopic&)
{
    std::optional<int> answer;
    if (auto step = take<SelectExpectation>(QStringLiteral("selection dialog ") + visible(caption))) {
        Differences d;
        d.optionalField("caption", step->caption, caption, showTextValue);
        d.optionalField("items", step->items, items, showItems);
        if (d.check(QStringLiteral("selection dialog"), interactions_)) {
            if (const int* index = std::get_if<int>(&step->reply)) {
                if (*index >= 0 && *index < items.size()) answer = *index;
                else ADD_FAILURE() << "The scripted selection " << *index << " is not among the "
                                   << items.size() << " items " << str(listName(items)) << ".";
            } else if (const QString* item = std::get_if<QString>(&step->reply)) {
                const qsizetype index = items.indexOf(*item);
                if (index >= 0) answer = int(index);
                else ADD_FAILURE() << "The scripted selection " << str(visible(*item))
                                   << " is not among the items " << str(listName(items)) << ".";
            }
        }
    }
    events_ << QStringLiteral("selection: ") + (answer ? visible(items.at(*answer)) : QStringLiteral("cancel"));
    return answer;
}

bool ScriptedUi::showList(const QString& title, const QString&, const QStringList& items, const HelpTopic&)
{
    bool answer = false;
    if (auto step = take<ListExpectation>(QStringLiteral("list dialog ") + visible(title))) {
        Differences d;
        d.optionalField("title", step->title, title, showTextValue);
        d.optionalField("items", step->items, items, showItems);
        if (d.check(QStringLiteral("list dialog"), interactions_)) answer = step->reply;
    }
    events_ << QStringLiteral("list: ") + (answer ? QStringLiteral("ok") : QStringLiteral("cancel"));
    return answer;
}

void ScriptedUi::status(const QString& text)
{
    statuses_ << text;
    events_ << QStringLiteral("status: ") + escaped(text);
}

bool ScriptedUi::progress(const QString& text, qint64 /*done*/, qint64 /*total*/)
{
    status(text);
    return ++progressReports_ != stopAt_;
}

void ScriptedUi::setBusy(bool busy)
{
    if (busy) {
        ++busyDepth_;
    } else if (busyDepth_ == 0) {
        ADD_FAILURE() << "The busy cursor was switched off more often than on.";
    } else {
        --busyDepth_;
    }
}

} // namespace belvanto
