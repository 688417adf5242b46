#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// plandor-cli check --port P: asks the instrument who it is and prints its
// model, serial number and protocol version (or them and the channels it
// takes as {"port", "model", "serial", "protocolVersion", "maxChannels"}).
class CheckCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("check"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override;
    bool hasJson() const override { return true; }
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
