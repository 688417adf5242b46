#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// plandor-cli send --port P --in FILE: a plan file to the instrument, its
// channels in frequency order, after every check the editor makes (each
// refusal listed). A file without a settings panel keeps the instrument's:
// it is read first and sent back with the channels.
class SendCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("send"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override;
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
