#pragma once

#include "base/Phrase.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace plandor::cli {

// plandor-cli's exit codes, the same for every command (--help lists them).
enum ExitCode : int {
    ExitOk = 0,
    ExitDifferent = 1, // diff only: the plans differ
    ExitUsage = 2,
    ExitUnreachable = 3,
    ExitFileRefused = 4,
    ExitTransferFailed = 5,
    ExitNotConfirmed = 6,
};

// What a command is run with: the parsed command line, and where its words
// go. Standard output holds a command's result (or its one JSON document);
// refusals, warnings and, beside a result, the report of what was done go to
// standard error. --quiet leaves out the reports and the progress line.
class CliContext
{
public:
    CliContext(const QCommandLineParser &parser, bool json, bool quiet);

    QString value(const QString &option) const;
    bool isSet(const QString &option) const;
    bool json() const { return m_json; }
    bool quiet() const { return m_quiet; }

    // "plandor-cli: message" on standard error; gives code back.
    int fail(int code, const QString &message) const;
    // The same for a problem that does not end the command.
    void warn(const QString &message) const;
    // A line of the result on standard output.
    void print(const QString &line) const;
    // What was done: on standard output, or on standard error when standard
    // output holds the result (a plan, JSON); nothing with --quiet.
    void report(const QString &line, bool besideResult = false) const;
    // The one JSON document of --json on standard output; gives code back.
    int printJson(const QJsonObject &document, int code) const;

private:
    const QCommandLineParser &m_parser;
    bool m_json;
    bool m_quiet;
};

// How a command is called (with the option names, which are not translated)
// and what it does; a summary's lines after the first go under it.
struct CommandUsage
{
    const char *synopsis;
    Phrase summary;
};

// One plandor-cli command. The command table (CommandTable.h) lists them;
// --help and the shell completion are made from it.
class CliCommand
{
public:
    virtual ~CliCommand() = default;

    virtual QString name() const = 0;
    virtual QList<CommandUsage> usages() const = 0;
    // The options it reads, besides those every command takes.
    virtual QStringList options() const = 0;
    // Whether --json gives its result as one JSON document.
    virtual bool hasJson() const { return false; }
    // The exit code.
    virtual int run(const CliContext &context) = 0;
};

} // namespace plandor::cli
