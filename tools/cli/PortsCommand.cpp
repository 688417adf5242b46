#include "PortsCommand.h"

#include "transfer/BaudRates.h"
#include "transfer/serial/PortList.h"
#include "transfer/serial/PortProbe.h"

#include <QJsonObject>

#include <QJsonArray>

namespace plandor::cli {

namespace {
constexpr Phrase kSummary { u"列出串口，与启动窗口相同；--probe 询问每个串口上的仪器",
    u"list the serial ports, as the start-up window does; --probe asks each for an instrument" };
} // namespace

QList<CommandUsage> PortsCommand::usages() const
{
    return { { "ports", kSummary } };
}

int PortsCommand::run(const CliContext &context)
{
    QString refusal;
    const QStringList ports = PortList::available(&refusal);
    if (!refusal.isEmpty())
        context.warn(refusal);
    if (!context.isSet(QStringLiteral("probe"))) {
        if (context.json())
            return context.printJson(
                { { QStringLiteral("ports"), QJsonArray::fromStringList(ports) } }, ExitOk);
        for (const QString &port : ports)
            context.print(port);
        return ExitOk;
    }
    // A given rate is tried first, then the others the window offers.
    const qint32 given = context.value(QStringLiteral("baud")).toInt();
    const qint32 first = given > 0 ? given : BaudRates::kWindowDefault;
    const QList<ProbeResult> found = PortProbe::probe(ports, PortProbe::ratesStartingWith(first));
    QJsonArray probed;
    for (const ProbeResult &r : found) {
        if (!context.json()) {
            context.print(r.port + QLatin1Char('\t') + r.describe());
            continue;
        }
        QJsonObject entry { { QStringLiteral("port"), r.port },
            { QStringLiteral("answered"), r.outcome == ProbeResult::Outcome::Answered },
            { QStringLiteral("inUse"), r.outcome == ProbeResult::Outcome::InUse },
            { QStringLiteral("said"), r.describe() } };
        if (r.outcome == ProbeResult::Outcome::Answered) {
            entry.insert(QStringLiteral("identity"), r.identityText());
            entry.insert(QStringLiteral("rate"), r.rate);
        }
        probed.append(entry);
    }
    if (context.json())
        return context.printJson({ { QStringLiteral("ports"), QJsonArray::fromStringList(ports) },
                                     { QStringLiteral("probed"), probed } },
            ExitOk);
    return ExitOk;
}

} // namespace plandor::cli
