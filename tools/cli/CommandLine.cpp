#include "CommandLine.h"

#include "CliOptions.h"
#include "CommandTable.h"

#include "base/Language.h"
#include "base/ProgramVersion.h"
#include "base/ShownValue.h"
#include "base/TraceFile.h"

#include <QCommandLineParser>

#include <cstdio>

namespace plandor::cli {

namespace {

constexpr Phrase kVersion { u"显示版本。", u"Show the version." };
constexpr Phrase kCommandArgument { u"%1 之一", u"one of %1" };
constexpr Phrase kCannotTrace { u"无法写入跟踪文件 %1：%2", u"cannot write the trace %1: %2" };
constexpr Phrase kOneCommand { u"请给出一个命令；参见 --help", u"give one command; see --help" };
constexpr Phrase kUnknownCommand { u"未知命令 \"%1\"；参见 --help",
    u"unknown command \"%1\"; see --help" };
constexpr Phrase kNoJson { u"%1 没有 --json 输出；有 JSON 输出的命令：%2",
    u"%1 has no --json output; the commands with one are %2" };

// Hidden: what the shell completion asks.
const QString kCommandsOption = QStringLiteral("commands");
const QString kOptionsOption = QStringLiteral("options");

int fail(int code, const QString &message)
{
    std::fprintf(stderr, "plandor-cli: %s\n", qPrintable(message));
    return code;
}

void setUp(QCommandLineParser &p)
{
    p.setApplicationDescription(helpDescription());
    p.addHelpOption();
    p.addOption({ QStringLiteral("version"), kVersion.text() });
    QCommandLineOption listCommands(kCommandsOption, QStringLiteral("The commands, one a line."));
    QCommandLineOption listOptions(kOptionsOption,
        QStringLiteral("The options of a command, one a line."), QStringLiteral("command"));
    for (QCommandLineOption *hidden : { &listCommands, &listOptions }) {
        hidden->setFlags(QCommandLineOption::HiddenFromHelp);
        p.addOption(*hidden);
    }
    QStringList names;
    for (const auto &command : commands())
        names << command->name();
    p.addPositionalArgument(
        QStringLiteral("command"), kCommandArgument.text().arg(names.join(QStringLiteral(", "))));
    for (const CliOption &option : cliOptions())
        p.addOption(parserOption(option));
}

void put(const QString &text)
{
    std::fputs(qPrintable(text), stdout);
    std::fflush(stdout);
}

// Help, the completion's lists, the trace and the version, in that order;
// nothing when the command is to run.
std::optional<int> answerBeforeCommand(const QCommandLineParser &p)
{
    if (p.isSet(QStringLiteral("help"))) {
        put(p.helpText());
        return ExitOk;
    }
    if (p.isSet(kCommandsOption)) {
        put(commandList());
        return ExitOk;
    }
    if (p.isSet(kOptionsOption)) {
        put(optionList(p.value(kOptionsOption)));
        return ExitOk;
    }
    if (p.isSet(QStringLiteral("trace"))) {
        const QString trace = p.value(QStringLiteral("trace"));
        QString error;
        if (!TraceFile::start(trace, &error))
            return fail(ExitUsage, kCannotTrace.text().arg(trace, error));
    }
    if (p.isSet(QStringLiteral("version"))) {
        put(ProgramVersion::line(QStringLiteral("plandor-cli")) + QLatin1Char('\n'));
        return ExitOk;
    }
    return std::nullopt;
}

} // namespace

qint16 languageOffsetFromEnvironment()
{
    // The order in which the C library picks the messages' language.
    for (const char *variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const QString locale = qEnvironmentVariable(variable);
        if (!locale.isEmpty())
            return LanguageOffsetFor(LangIdForLocaleName(locale));
    }
    return kEnglishOffset;
}

int runCommandLine(const QStringList &arguments)
{
    QCommandLineParser p;
    setUp(p);
    if (!p.parse(arguments))
        return fail(ExitUsage, p.errorText());
    if (const std::optional<int> answered = answerBeforeCommand(p))
        return *answered;
    const QStringList positional = p.positionalArguments();
    if (positional.size() != 1)
        return fail(ExitUsage, kOneCommand.text());
    CliCommand *command = findCommand(positional.first());
    if (!command)
        return fail(ExitUsage, kUnknownCommand.text().arg(ShownValue::cut(positional.first())));
    const bool json = p.isSet(QStringLiteral("json"));
    if (json && !command->hasJson())
        return fail(ExitUsage,
            kNoJson.text().arg(command->name(), jsonCommands().join(QStringLiteral(", "))));
    const CliContext context(p, json, p.isSet(QStringLiteral("quiet")));
    return command->run(context);
}

} // namespace plandor::cli
