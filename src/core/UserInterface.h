#pragma once
// The one way core code talks to the person at the keyboard. The desktop
// program implements it with dialogs, belvanto-cli with standard streams and
// flags, tests with a script of expected messages and answers.
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace belvanto {

enum class MessageKind { Error, Warning, Information, Confirmation };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

// Names for logs and test reports.
inline QString messageKindName(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error: return QStringLiteral("error");
    case MessageKind::Warning: return QStringLiteral("warning");
    case MessageKind::Information: return QStringLiteral("information");
    case MessageKind::Confirmation: return QStringLiteral("confirmation");
    }
    return QString();
}

inline QString answerName(Answer answer)
{
    switch (answer) {
    case Answer::Ok: return QStringLiteral("Ok");
    case Answer::Yes: return QStringLiteral("Yes");
    case Answer::No: return QStringLiteral("No");
    case Answer::Cancel: return QStringLiteral("Cancel");
    }
    return QString();
}

inline QString buttonsName(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return QStringLiteral("Ok");
    case Buttons::OkCancel: return QStringLiteral("Ok/Cancel");
    case Buttons::YesNo: return QStringLiteral("Yes/No");
    case Buttons::YesNoCancel: return QStringLiteral("Yes/No/Cancel");
    }
    return QString();
}

// Whether a box with these buttons can give this answer.
inline bool offers(Buttons buttons, Answer answer)
{
    switch (buttons) {
    case Buttons::Ok: return answer == Answer::Ok;
    case Buttons::OkCancel: return answer == Answer::Ok || answer == Answer::Cancel;
    case Buttons::YesNo: return answer == Answer::Yes || answer == Answer::No;
    case Buttons::YesNoCancel: return answer != Answer::Ok;
    }
    return false;
}

// The answer that changes nothing: Ok for a box with only OK, No for Yes/No,
// otherwise Cancel.
inline Answer safeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel: return Answer::Cancel;
    }
    return Answer::Cancel;
}

// A help topic is given by number or by name; none means no Help button.
struct HelpTopic {
    std::variant<std::monostate, int, QString> topic;
    HelpTopic() = default;
    HelpTopic(int n) : topic(n) {}
    HelpTopic(const char* name) : topic(QString::fromUtf8(name)) {}
    HelpTopic(const QString& name) : topic(name) {}
    bool none() const { return std::holds_alternative<std::monostate>(topic); }
    bool operator==(const HelpTopic&) const = default;
    QString toString() const;   // "" / "14" / "Configure_Fields"
};

struct FileChoice {
    QString title;
    QString filter;        // Qt form: "Belvanto project file (*.bvp);;All files (*)"
    QString directory;
    QString fileName;      // proposed name
    QString defaultSuffix; // without the dot
};

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // Texts are exactly the system's own, line breaks written as "\r\n".
    virtual Answer message(MessageKind kind, const QString& text, Buttons buttons,
                           const HelpTopic& help = {}) = 0;
    virtual void beep() = 0;
    virtual std::optional<QString> openFile(const FileChoice& choice) = 0;
    virtual std::optional<QString> saveFile(const FileChoice& choice) = 0;
    virtual std::optional<QString> chooseDirectory(const QString& title, const QString& start) = 0;
    virtual std::optional<QString> inputText(const QString& title, const QString& prompt,
                                             const QString& initial) = 0;
    // Returns the chosen index into items.
    virtual std::optional<int> selectString(const QString& caption, const QString& prompt,
                                            const QStringList& items, const HelpTopic& help = {}) = 0;
    // A list shown for information with OK and Cancel; true on OK.
    virtual bool showList(const QString& title, const QString& text, const QStringList& items,
                          const HelpTopic& help = {}) = 0;
    // The persistent part of the status line; "" clears it.
    virtual void status(const QString& text) = 0;
    // What a command that ends without a message did, for the status line
    // until the next hint; interfaces without a status line drop it.
    virtual void notice(const QString& text) { (void)text; }
    virtual void setBusy(bool busy) = 0;
    // A long pass that can be stopped says how far it got; interfaces that
    // can show that offer a way to stop it. False once the user asked to stop.
    virtual bool progress(const QString& text, qint64 done, qint64 total)
    {
        (void)done;
        (void)total;
        status(text);
        return true;
    }
    // The pass has ended, however it ended: its progress display goes.
    virtual void progressEnd() { status(QString()); }

    // Shorthands.
    void error(const QString& text, const HelpTopic& help = {}) { message(MessageKind::Error, text, Buttons::Ok, help); }
    void warning(const QString& text, const HelpTopic& help = {}) { message(MessageKind::Warning, text, Buttons::Ok, help); }
    void information(const QString& text, const HelpTopic& help = {}) { message(MessageKind::Information, text, Buttons::Ok, help); }
    Answer confirm(const QString& text, Buttons buttons = Buttons::YesNo, const HelpTopic& help = {}) {
        return message(MessageKind::Confirmation, text, buttons, help);
    }
    // A Yes/No question whose Yes deletes or overwrites data. Interfaces with
    // a default answer make it No, so that Enter or a stray click on the
    // default changes nothing; the others see a plain Yes/No confirmation.
    virtual Answer confirmDestructive(const QString& text, const HelpTopic& help = {}) {
        return message(MessageKind::Confirmation, text, Buttons::YesNo, help);
    }
};

// Shows the wait cursor for the lifetime of the guard; nests.
class BusyCursor {
public:
    explicit BusyCursor(UserInterface& ui) : ui_(ui) { ui_.setBusy(true); }
    ~BusyCursor() { ui_.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
private:
    UserInterface& ui_;
};

// Clears the status text when a long pass ends, however it ends.
class StatusScope {
public:
    explicit StatusScope(UserInterface& ui) : ui_(ui) {}
    ~StatusScope() { ui_.status(QString()); }
    void set(const QString& text) { ui_.status(text); }
    StatusScope(const StatusScope&) = delete;
    StatusScope& operator=(const StatusScope&) = delete;
private:
    UserInterface& ui_;
};

// Ends a stoppable pass's progress display however the pass ends.
class ProgressScope {
public:
    explicit ProgressScope(UserInterface& ui) : ui_(ui) {}
    ~ProgressScope() { ui_.progressEnd(); }
    // False once the user asked to stop.
    bool step(const QString& text, qint64 done, qint64 total) { return ui_.progress(text, done, total); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
private:
    UserInterface& ui_;
};

} // namespace belvanto
