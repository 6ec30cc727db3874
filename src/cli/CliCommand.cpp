#include "cli/CliCommand.h"
#include "store/Table.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

std::string utf8(const QString& text) { return text.toStdString(); }
QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

// "rel add" for the command rel add; "" for the program.
QString commandPath(const CLI::App* command)
{
    QStringList names;
    for (const CLI::App* a = command; a->get_parent(); a = a->get_parent()) names.prepend(fromUtf8(a->get_name()));
    return names.join(QLatin1Char(' '));
}

QString programAnd(const CLI::App* command)
{
    const QString path = commandPath(command);
    return path.isEmpty() ? QStringLiteral("belvanto-cli") : QStringLiteral("belvanto-cli ") + path;
}

bool isCommand(const CliContext& c, const CLI::App* app) { return c.commands.count(app) > 0; }

bool repeatable(const CLI::Option* option)
{
    return option->get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll;
}

QString optionUsage(const CLI::Option* option)
{
    if (option->get_positional()) {
        QString text = fromUtf8(option->get_name());
        if (option->get_expected_max() > 1) text += QStringLiteral("...");
        return option->get_required() ? text : QLatin1Char('[') + text + QLatin1Char(']');
    }
    const auto& longNames = option->get_lnames();
    QString text = longNames.empty() ? QLatin1Char('-') + fromUtf8(option->get_snames().front())
                                     : QStringLiteral("--") + fromUtf8(longNames.front());
    if (const QString value = fromUtf8(option->get_type_name()); !value.isEmpty()) text += QLatin1Char(' ') + value;
    if (option->get_required()) return text;
    return QLatin1Char('[') + text + QLatin1Char(']') + (repeatable(option) ? QStringLiteral("...") : QString());
}

// The words, then the options, each as the usage line writes it.
QStringList synopsisParts(const CLI::App* command)
{
    QStringList parts;
    for (const CLI::Option* option : command->get_options([](const CLI::Option* o) { return o->get_positional(); }))
        parts << optionUsage(option);
    for (const CLI::Option* option : command->get_options([](const CLI::Option* o) { return o->nonpositional(); }))
        if (option != command->get_help_ptr()) parts << optionUsage(option);
    return parts;
}

// The commands under app, groups opened, in the order they were added.
void collectCommands(const CliContext& c, const CLI::App* app, std::vector<const CLI::App*>& commands)
{
    for (const CLI::App* sub : app->get_subcommands([](const CLI::App*) { return true; })) {
        if (isCommand(c, sub)) commands.push_back(sub);
        else collectCommands(c, sub, commands);
    }
}

class HelpFormatter : public CLI::Formatter {
public:
    explicit HelpFormatter(const CliContext& c) : c_(c) {}

    std::string make_usage(const CLI::App* app, std::string) const override
    {
        QString line = programAnd(app);
        if (isCommand(c_, app)) {
            const QString synopsis = CommandSynopsis(app);
            if (!synopsis.isEmpty()) line += QLatin1Char(' ') + synopsis;
        } else {
            for (const CLI::Option* option : app->get_options())
                if (option != app->get_help_ptr()) line += QLatin1Char(' ') + optionUsage(option);
            line += QStringLiteral(" COMMAND ...\n       %1 COMMAND --help").arg(programAnd(app));
        }
        return "Usage: " + utf8(line) + '\n';
    }

    // Every command with its usage line, a group's commands one by one.
    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode) const override
    {
        std::vector<const CLI::App*> commands;
        collectCommands(c_, app, commands);
        if (commands.empty()) return {};
        constexpr int kDescriptionColumn = 25;
        constexpr int kWidth = 80;
        QString text = QStringLiteral("\nCommands:\n");
        for (const CLI::App* command : commands) {
            QString line = QStringLiteral("  ") + commandPath(command);
            // Long usage lines go on below the first word, as in the manual pages.
            const QString indent(line.size() + 1, QLatin1Char(' '));
            for (const QString& part : synopsisParts(command)) {
                if (line.size() + 1 + part.size() > kWidth && line.size() > indent.size()) {
                    text += line + QLatin1Char('\n');
                    line = indent + part;
                } else {
                    line += QLatin1Char(' ') + part;
                }
            }
            if (line.size() < kDescriptionColumn - 1) line += QString(kDescriptionColumn - line.size(), QLatin1Char(' '));
            else line += QLatin1Char('\n') + QString(kDescriptionColumn, QLatin1Char(' '));
            text += line + fromUtf8(command->get_description()) + QLatin1Char('\n');
        }
        return utf8(text);
    }

private:
    const CliContext& c_;
};

const CLI::App* selectedCommand(const CLI::App& program)
{
    const CLI::App* app = &program;
    while (!app->get_subcommands().empty()) app = app->get_subcommands().front();
    return app;
}

bool looksLikeOption(const QString& word)
{
    bool number = false;
    word.toDouble(&number);
    return word.size() > 1 && word.startsWith(QLatin1Char('-')) && !number;
}

int usageError(CliContext& c, const CLI::App& program, const CLI::ParseError& e, bool noArguments)
{
    const CLI::App* app = selectedCommand(program);
    const bool command = isCommand(c, app);
    QStringList leftOver;
    for (const std::string& word : program.remaining(true)) leftOver << fromUtf8(word);
    const QString help = QStringLiteral(" (see %1 --help)").arg(programAnd(app));

    if (dynamic_cast<const CLI::RequiredError*>(&e) || dynamic_cast<const CLI::ExtrasError*>(&e)) {
        for (const QString& word : leftOver)
            if (looksLikeOption(word)) return c.usage(QStringLiteral("unknown option '%1'").arg(word) + help);
        if (command) {
            const QString takes = c.commands.at(app).takes;
            return c.usage(QStringLiteral("%1 takes %2").arg(commandPath(app), takes.isEmpty() ? CommandSynopsis(app) : takes));
        }
        if (!leftOver.isEmpty()) {
            const QString typed = (commandPath(app) + QLatin1Char(' ') + leftOver.front()).trimmed();
            return c.usage(QStringLiteral("unknown command '%1'").arg(typed) + help);
        }
        if (noArguments) {
            fputs(program.help().c_str(), c.out);
            return Ok;
        }
        return c.usage(QStringLiteral("a command is missing") + help);
    }
    QString text = fromUtf8(e.what());
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        // CLI11 writes "--seed: 1 required TEXT missing" or
        // "--seed: At Most 1 required but received 2".
        const QString option = text.section(QStringLiteral(": "), 0, 0);
        if (text.endsWith(QStringLiteral(" missing"))) text = option + QStringLiteral(" needs a value") + help;
        else if (text.contains(QStringLiteral("At Most"))) text = option + QStringLiteral(" is given more than once");
    }
    return c.usage(text);
}

} // namespace

CLI::App* AddCommand(CLI::App& parent, CliContext& c, const std::string& name, const std::string& description,
                     std::function<int()> run)
{
    CLI::App* command = parent.add_subcommand(name, description);
    c.commands[command].run = std::move(run);
    return command;
}

CLI::App* AddCommandGroup(CLI::App& parent, const std::string& name, const std::string& description)
{
    CLI::App* group = parent.add_subcommand(name, description);
    group->require_subcommand(1);
    return group;
}

CLI::Option* AddWords(CLI::App* command, CliContext& c, const std::string& name, const std::string& description,
                      int min, int max)
{
    CLI::Option* option = command->add_option_function<std::vector<std::string>>(
        name,
        [&c](const std::vector<std::string>& words) {
            for (const std::string& word : words) c.args << fromUtf8(word);
        },
        description);
    option->type_name("")->expected(std::max(min, 1), max < 0 ? CLI::detail::expected_max_vector_size : max);
    // Words beyond max are left over, so that the parser refuses them.
    option->allow_extra_args(max < 0);
    if (min > 0) option->required();
    return option;
}

void RefuseValue(const QString& message)
{
    throw CLI::ValidationError(utf8(message));
}

CLI::Option* AddValueOption(CLI::App* command, const std::string& name, const std::string& valueName,
                            const std::string& description, std::function<void(const QString&)> take,
                            bool repeatable)
{
    CLI::Option* option = command->add_option_function<std::vector<std::string>>(
        name,
        [take = std::move(take)](const std::vector<std::string>& values) {
            for (const std::string& value : values) take(fromUtf8(value));
        },
        description);
    // One value per occurrence, so that the words after it stay the command's.
    option->type_name(valueName)->expected(1)->allow_extra_args(false);
    option->multi_option_policy(repeatable ? CLI::MultiOptionPolicy::TakeAll : CLI::MultiOptionPolicy::Throw);
    return option;
}

CLI::Option* AddText(CLI::App* command, const std::string& name, const std::string& valueName,
                     const std::string& description, std::optional<QString>& target)
{
    return AddValueOption(command, name, valueName, description, [&target](const QString& value) { target = value; });
}

CLI::Option* AddChoice(CLI::App* command, const std::string& name, const QString& what, const QStringList& choices,
                       const std::string& description, QString& target)
{
    QStringList shown;
    for (const QString& choice : choices)
        shown << (choice.contains(QLatin1Char(' ')) ? QLatin1Char('"') + choice + QLatin1Char('"') : choice);
    const QString list = shown.size() < 2 ? shown.join(QString())
                                          : shown.mid(0, shown.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ")
                                                + shown.last();
    return AddValueOption(command, name, utf8(shown.join(QLatin1Char('|'))), description,
                          [&target, what, choices, list](const QString& value) {
                              if (!choices.contains(value))
                                  RefuseValue(QStringLiteral("unknown %1 '%2': use %3").arg(what, value, list));
                              target = value;
                          });
}

namespace {

int cmdExport(CliContext& c)
{
    const CliContext::ExportFormat* chosen = nullptr;
    int given = 0;
    QStringList formats;
    for (const auto& format : c.exports) {
        formats << format.option + QStringLiteral(" FILE");
        given += int(format.files.size());
        if (!format.files.isEmpty()) chosen = &format;
    }
    if (given != 1)
        return c.usage(QStringLiteral("export takes P.bvp and one of %1").arg(formats.join(QStringLiteral(", "))));
    return chosen->write(c.args[0], chosen->files.front());
}

} // namespace

ExportFormatOption AddExportFormat(CLI::App& program, CliContext& c, const std::string& option, const std::string& description,
                             std::function<int(const QString& project, const QString& file)> write)
{
    const auto found = program.get_subcommands([](const CLI::App* a) { return a->get_name() == "export"; });
    CLI::App* command = found.empty() ? nullptr : found.front();
    if (!command) {
        command = AddCommand(program, c, "export", "write the project or its stored diagram to a file",
                             [&c] { return cmdExport(c); });
        AddWords(command, c, "P.bvp", "the project file");
    }
    c.exports.push_back({fromUtf8(option), {}, std::move(write)});
    const std::size_t index = c.exports.size() - 1;
    return {command, AddValueOption(command, option, "FILE", description,
                                    [&c, index](const QString& file) { c.exports[index].files << file; })};
}

QString CommandSynopsis(const CLI::App* command)
{
    return synopsisParts(command).join(QLatin1Char(' '));
}

void SetWrongWordsText(CliContext& c, const CLI::App* command, const QString& text)
{
    c.commands[command].takes = text;
}

std::shared_ptr<CLI::Formatter> MakeHelpFormatter(const CliContext& c)
{
    return std::make_shared<HelpFormatter>(c);
}

int RunCommandLine(CLI::App& program, CliContext& c, const QStringList& arguments)
{
    std::vector<std::string> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(utf8(*it));
    try {
        program.parse(reversed);
    } catch (const CLI::CallForVersion& e) {
        fprintf(c.out, "%s\n", e.what());
        return Ok;
    } catch (const CLI::Success&) {
        fputs(program.help().c_str(), c.out);
        return Ok;
    } catch (const CLI::ParseError& e) {
        return usageError(c, program, e, arguments.isEmpty());
    }
    const auto command = c.commands.find(selectedCommand(program));
    if (command == c.commands.end()) return c.usage(QStringLiteral("a command is missing (see belvanto-cli --help)"));
    try {
        const int code = command->second.run();
        if (code == Failed && c.projectInUse) return Usage;
        return code == Ok && c.projectFileUnwritten ? Failed : code;
    } catch (const EngineError& e) {
        c.ui.error(e.text());
        return Failed;
    }
}

UnitKey UnitFromWord(const QString& word, const QString& currentExcavation)
{
    const qsizetype colon = word.indexOf(QLatin1Char(':'));
    return colon < 0 ? UnitKey{currentExcavation, word} : UnitKey{word.left(colon), word.mid(colon + 1)};
}

std::optional<UnitKey> ParseUnitWord(const QString& word, const QString& currentExcavation)
{
    UnitKey key = UnitFromWord(word, currentExcavation);
    if (!ExcavationNameProblem(key.excavation).isEmpty() || !CheckUnitName(key.unitname).isEmpty())
        return std::nullopt;
    return key;
}

} // namespace belvanto
