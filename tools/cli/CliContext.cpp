#include "CliCommand.h"

#include "CliPhrases.h"
#include "StandardStreams.h"

#include <QCommandLineParser>
#include <QJsonDocument>

#include <cstdio>

namespace plandor::cli {

CliContext::CliContext(const QCommandLineParser &parser, bool json, bool quiet)
    : m_parser(parser)
    , m_json(json)
    , m_quiet(quiet)
{ }

QString CliContext::value(const QString &option) const
{
    return m_parser.value(option);
}

bool CliContext::isSet(const QString &option) const
{
    return m_parser.isSet(option);
}

int CliContext::fail(int code, const QString &message) const
{
    warn(message);
    return code;
}

void CliContext::warn(const QString &message) const
{
    std::fprintf(stderr, "plandor-cli: %s\n", qPrintable(message));
}

void CliContext::print(const QString &line) const
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void CliContext::report(const QString &line, bool besideResult) const
{
    if (m_quiet)
        return;
    if (besideResult || m_json)
        std::fprintf(stderr, "%s\n", qPrintable(line));
    else
        print(line);
}

int CliContext::printJson(const QJsonObject &document, int code) const
{
    QString error;
    // A document cut short by a full disk must not pass for a result.
    if (!writeStandardOutput(QJsonDocument(document).toJson(QJsonDocument::Indented), &error))
        return fail(ExitFileRefused,
            phrases::kCannotWrite.text().arg(fileName(QStringLiteral("-"), true), error));
    return code;
}

} // namespace plandor::cli
