#pragma once

#include "CliCommand.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace plandor::cli {

// Every command, in the order --help lists them.
const std::vector<std::unique_ptr<CliCommand>> &commands();
CliCommand *findCommand(const QString &name);
// The names of the commands that --json applies to.
QStringList jsonCommands();

// What --help says above the options: the commands, the file and port
// arguments, --json and the exit codes, in the run's language.
QString helpDescription();

// For the shell completion: the command names, one a line ...
QString commandList();
// ... and the options of one of them, one a line as completionLine() gives
// them (those every command takes among them); for no command, all of them
// with --help and --version.
QString optionList(const QString &command);

} // namespace plandor::cli
