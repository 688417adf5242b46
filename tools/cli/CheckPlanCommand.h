#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// At most this many findings are listed, then how many more there are.
constexpr int kListedFindings = 50;

// plandor-cli check-plan --in FILE: reads a plan file, prints what the plan
// check finds and what else send would refuse (no channel, the panel; a
// file without a panel has none to check), one finding a line, and returns
// 0 when it finds nothing, 4 when it finds something or the file is refused,
// 2 without a file. --json gives every finding as {"file", "findings":
// [{"kind", "text", "rows"}]}.
class CheckPlanCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("check-plan"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override { return { QStringLiteral("in") }; }
    bool hasJson() const override { return true; }
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
