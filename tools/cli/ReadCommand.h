#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// plandor-cli read --port P --out FILE: the instrument's plan and panel into
// a plan file (or standard output), kept in the history too. With --json the
// plan is printed as {"port", "channels", "panel"}, and --out is optional.
class ReadCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("read"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override;
    bool hasJson() const override { return true; }
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
