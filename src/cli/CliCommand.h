#pragma once
// How belvanto-cli's commands are declared: each subsystem's command file
// adds its commands to the program's CLI11 parser with their words, options
// and descriptions, and the parser checks the command line against them
// before a command runs.
#include "cli/CliContext.h"
#include "store/UnitKey.h"
#include <CLI/CLI.hpp>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace belvanto {

// A command under parent (the program, or a group of commands such as
// "rel"). run is called after a successful parse, with the command's words
// in c.args.
CLI::App* AddCommand(CLI::App& parent, CliContext& c, const std::string& name, const std::string& description,
                     std::function<int()> run);

// A group of commands such as "rel add" and "rel delete".
CLI::App* AddCommandGroup(CLI::App& parent, const std::string& name, const std::string& description);

// Words of a command, appended to c.args in the order they are declared:
// min to max of them (max -1: any number); none at all when min is 0.
CLI::Option* AddWords(CLI::App* command, CliContext& c, const std::string& name, const std::string& description,
                      int min = 1, int max = 1);

// Refuses an option's value: the message is shown as a usage error.
[[noreturn]] void RefuseValue(const QString& message);

// An option with one value each time it is given; take stores the value or
// calls RefuseValue. A repeatable option may be given any number of times.
CLI::Option* AddValueOption(CLI::App* command, const std::string& name, const std::string& valueName,
                            const std::string& description, std::function<void(const QString&)> take,
                            bool repeatable = false);

CLI::Option* AddText(CLI::App* command, const std::string& name, const std::string& valueName,
                     const std::string& description, std::optional<QString>& target);

// One of choices; any other value is refused with
// "unknown <what> '<value>': use <choice>, <choice> or <choice>".
CLI::Option* AddChoice(CLI::App* command, const std::string& name, const QString& what, const QStringList& choices,
                       const std::string& description, QString& target);

// Adds a format to "export P.bvp --FORMAT FILE", which takes exactly one
// format; gives the export command and the format's option, which the
// format's own options need.
struct ExportFormatOption {
    CLI::App* command;
    CLI::Option* option;
};
ExportFormatOption AddExportFormat(CLI::App& program, CliContext& c, const std::string& option, const std::string& description,
                             std::function<int(const QString& project, const QString& file)> write);

// "[EXC:]NAME" as the user means it: the project's excavation when EXC: is
// left out.
UnitKey UnitFromWord(const QString& word, const QString& currentExcavation);
// The unit, when both parts are valid names.
std::optional<UnitKey> ParseUnitWord(const QString& word, const QString& currentExcavation);

// The words and options of a command as its usage line writes them, such as
// "P.bvp [--seed N] [--use-coordinates ANGLE]".
QString CommandSynopsis(const CLI::App* command);

// What "<command> takes ..." says after wrong words, where the synopsis is
// too long to read in one message.
void SetWrongWordsText(CliContext& c, const CLI::App* command, const QString& text);

// The help's usage lines and command list, in the style of the synopsis.
std::shared_ptr<CLI::Formatter> MakeHelpFormatter(const CliContext& c);

// Parses the arguments and runs the selected command. The exit code: 0 done
// (or help shown), 1 failed, 2 usage error, shown as "error: <text>".
int RunCommandLine(CLI::App& program, CliContext& c, const QStringList& arguments);

} // namespace belvanto
