#pragma once

#include <QStringList>

namespace plandor::cli {

// The language of plandor-cli's words: Chinese when the messages' locale
// (LC_ALL, else LC_MESSAGES, else LANG) is the one the window shows Chinese
// for, else English; the same rule as the window's (LanguageOffsetFor).
qint16 languageOffsetFromEnvironment();

// Parses the arguments (the program's name first), answers --help, --version
// and the completion's questions, and runs the command; the exit code.
int runCommandLine(const QStringList &arguments);

} // namespace plandor::cli
