#pragma once
// What every belvanto-cli command gets: the arguments after its command
// words, the output streams and the command-line user interface.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QStringList>
#include <cstdio>
#include <optional>

namespace belvanto {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// A file named on the command line answers the first file dialog only: a
// command that asks again after refusing a name then stops instead of looping.
class CliUi : public StreamUi {
public:
    using StreamUi::StreamUi;
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
};

struct CliContext {
    FILE* out;
    FILE* err;
    CliUi ui;
    FixedRegional regional;
    QStringList args;   // after the command word(s)

    CliContext(FILE* o, FILE* e) : out(o), err(e), ui(e) {}

    void print(FILE* f, const QString& text) { fputs(text.toUtf8().constData(), f); }
    int usage(const QString& text)
    {
        print(err, QStringLiteral("error: %1\n").arg(text));
        return Usage;
    }
    // Takes "--name VALUE" out of args.
    std::optional<QString> option(const QString& name)
    {
        const qsizetype i = args.indexOf(name);
        if (i < 0 || i + 1 >= args.size()) return std::nullopt;
        QString value = args[i + 1];
        args.remove(i, 2);
        return value;
    }
    QStringList options(const QString& name)
    {
        QStringList values;
        while (auto v = option(name)) values << *v;
        return values;
    }
    bool flag(const QString& name) { return args.removeAll(name) > 0; }
};

// An open project for the duration of one command, closed as the File menu
// closes it.
class OpenedProject {
public:
    OpenedProject(CliContext& c, const QString& path) : session(c.ui, c.regional)
    {
        ok = OpenProject(session, path);
    }
    ~OpenedProject() { CloseProject(session, true); }
    Session session;
    bool ok = false;
};

} // namespace belvanto
