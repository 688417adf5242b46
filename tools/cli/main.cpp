// plandor-cli: Plandor's transfers from the command line, on the same core
// library as the program. Each command is a class of its own (CommandTable.h).

#include "CommandLine.h"

#include "base/Language.h"
#include "base/ProgramVersion.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plandor-cli"));
    QCoreApplication::setApplicationVersion(plandor::ProgramVersion::number());
    // The core's messages follow LanguageOffset: the whole run speaks one language.
    plandor::LanguageOffset = plandor::cli::languageOffsetFromEnvironment();
    return plandor::cli::runCommandLine(QCoreApplication::arguments());
}
