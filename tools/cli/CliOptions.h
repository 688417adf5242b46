#pragma once

#include "base/Phrase.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

namespace plandor::cli {

// What the shell offers for an option's value.
enum class ValueKind {
    None, // a switch: no value
    Port, // the ports "plandor-cli ports" lists
    File, // file names
    Rate, // the listed line speeds
    Unit, // dBmV or dBuV
    Text, // anything: nothing is offered
};

// One option of plandor-cli; the table of them is what the parser is set up
// from and what the shell completion lists.
struct CliOption
{
    const char *name;
    const char *valueName; // null for a switch
    Phrase description;
    ValueKind kind;
};

// Every option but --help and --version, in the order --help lists them.
const QList<CliOption> &cliOptions();
const CliOption *findOption(const QString &name);

// The options that every command takes.
QStringList commonOptions();

// The option as the parser takes it, described in the run's language.
QCommandLineOption parserOption(const CliOption &option);

// The completion hint of an option: "--name" for a switch, else "--name",
// a TAB and "@port", "@file", "@text" or the words its value may be.
QString completionLine(const CliOption &option);

} // namespace plandor::cli
