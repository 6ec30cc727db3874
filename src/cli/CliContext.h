#pragma once
// What every belvanto-cli command gets: its words from the command line,
// the output streams and the command-line user interface.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QStringList>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace belvanto {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// A file named on the command line answers the first file dialog only: a
// command that asks again after refusing a name then stops instead of looping.
class CliUi : public StreamUi {
public:
    using StreamUi::StreamUi;
    void setDefaultAnswer(std::optional<Answer> answer)
    {
        answered_ = answer.has_value();
        default_ = answer;
        StreamUi::setDefaultAnswer(answer);
    }
    // Whether --yes, --no or --cancel gave the answers.
    bool answered() const { return answered_; }
    // An option that answers one particular question, the next one asked
    // (such as merge's --backup): later questions get the default answer.
    void setNextAnswer(Answer answer) { next_ = answer; }
    // An option that answers every question with these buttons (such as
    // check's --store-components for the Yes/No/Cancel question), unless
    // --yes, --no or --cancel answers all of them.
    void setAnswerFor(Buttons buttons, Answer answer) { byButtons_[buttons] = answer; }
    Answer message(MessageKind kind, const QString& text, Buttons buttons, const HelpTopic& help = {}) override
    {
        if (!next_ && !answered_ && byButtons_.count(buttons)) next_ = byButtons_[buttons];
        if (!next_ || buttons == Buttons::Ok) return StreamUi::message(kind, text, buttons, help);
        StreamUi::setDefaultAnswer(std::exchange(next_, std::nullopt));
        const Answer answer = StreamUi::message(kind, text, buttons, help);
        StreamUi::setDefaultAnswer(default_);
        return answer;
    }
    std::optional<QString> openFile(const FileChoice& choice) override
    {
        auto answer = StreamUi::openFile(choice);
        setOpenFileAnswer(std::nullopt);
        return answer;
    }
    std::optional<QString> saveFile(const FileChoice& choice) override
    {
        auto answer = StreamUi::saveFile(choice);
        setSaveFileAnswer(std::nullopt);
        return answer;
    }

private:
    bool answered_ = false;
    std::optional<Answer> default_, next_;
    std::map<Buttons, Answer> byButtons_;
};

struct CliContext {
    FILE* out;
    FILE* err;
    CliUi ui;
    FixedRegional regional;
    QStringList args;   // the command's words, without its options

    // The commands that the parser can select, with what they run and, where
    // the usage line is too long for it, what a usage error says they take.
    struct Command {
        std::function<int()> run;
        QString takes;
    };
    std::map<const CLI::App*, Command> commands;

    // The tables that "dump P.bvp TABLE" prints, in the order they were added.
    struct ProjectDump {
        QString name;
        std::function<int(const QString& project)> print;
    };
    std::vector<ProjectDump> dumps;

    // The formats of "export P.bvp --FORMAT FILE", with the files given.
    struct ExportFormat {
        QString option;
        QStringList files;
        std::function<int(const QString& project, const QString& file)> write;
    };
    std::deque<ExportFormat> exports;

    // A project the command needed is open in another program: the command
    // fails with the usage exit code, as a command that cannot run at all.
    bool projectInUse = false;
    // A project's file could not be rewritten when it was closed: the
    // command fails, whatever it did before.
    bool projectFileUnwritten = false;

    CliContext(FILE* o, FILE* e) : out(o), err(e), ui(e) {}

    void print(FILE* f, const QString& text) { fputs(text.toUtf8().constData(), f); }
    int usage(const QString& text)
    {
        print(err, QStringLiteral("error: %1\n").arg(text));
        return Usage;
    }
};

// An open project for the duration of one command, closed as the File menu
// closes it. Commands that only read open it ReadOnly.
class OpenedProject {
public:
    OpenedProject(CliContext& c, const QString& path, OpenMode mode = OpenMode::ReadWrite)
        : context(c), session(c.ui, c.regional)
    {
        // Nobody at the command line chose to drop a missing term file's link.
        session.keepTermLinkOnNo = !c.ui.answered();
        ok = OpenProject(session, path, false, mode);
    }
    ~OpenedProject()
    {
        if (!CloseProject(session, true)) context.projectFileUnwritten = true;
        context.projectInUse = context.projectInUse || session.refusedInUse;
    }
    CliContext& context;
    Session session;
    bool ok = false;
};

} // namespace belvanto
