#pragma once

#include "store/PlanFile.h"
#include "store/PlanHistory.h"

#include <QProcess>

namespace plandor::test {

struct CliResult
{
    int code = -1; // -1: it did not finish (killed when the run gives up)
    QString out, err;
};

// plandor-cli ($PLANDOR_CLI) run to its end with these arguments.
inline CliResult runCli(const QStringList &arguments,
    const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("PLANDOR_CLI"), arguments);
    const bool finished = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
    return { finished ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
        QString::fromLocal8Bit(p.readAllStandardError()) };
}

// A plan file of these rows and the panel (unit, span; no favourites), as
// an English run saves it; the run's own caption unless one is given.
inline bool writePlanFile(const QString &path, const QList<ChannelValues> &rows,
    const QString &unit = QStringLiteral("dBmV"), const QString &span = QStringLiteral("8"),
    const QString &caption = QString())
{
    PlanFileSource source = PlanHistory::fileSource(rows, PanelTexts { {}, unit, span });
    source.caption = caption.isEmpty() ? source.caption : caption;
    return PlanFile::write(path, source, PlanFile::Encoding::Windows1252, nullptr);
}

} // namespace plandor::test
