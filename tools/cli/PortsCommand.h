#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// plandor-cli ports: the serial ports the start-up window lists, one a line
// (or {"ports": [...]}); a ports folder that is not used is told of on
// standard error, and the machine's own ports are listed all the same. With
// --probe each port is asked whether an instrument answers, and said so.
class PortsCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("ports"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override
    {
        return { QStringLiteral("probe"), QStringLiteral("baud") };
    }
    bool hasJson() const override { return true; }
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
