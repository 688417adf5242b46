#include "PortsCommand.h"

#include "transfer/serial/PortList.h"

#include <QJsonArray>

namespace plandor::cli {

namespace {
constexpr Phrase kSummary { u"列出串口，与启动窗口相同",
    u"list the serial ports, as the start-up window does" };
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
    if (context.json())
        return context.printJson(
            { { QStringLiteral("ports"), QJsonArray::fromStringList(ports) } }, ExitOk);
    for (const QString &port : ports)
        context.print(port);
    return ExitOk;
}

} // namespace plandor::cli
