#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// plandor-cli convert --in A --out B: a plan text file to a spreadsheet table
// or back, by the names' extensions (".csv" is a table, anything else a plan
// text file). A table has no settings panel: a plan file made from one has
// empty favourites and unit and a bandwidth of 0, which reads as no panel.
// A plan without channels or with more than the instrument holds is refused.
// Returns 0 when written, 2 without both paths, 4 when A is refused or B cannot be written.
class ConvertCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("convert"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override { return { QStringLiteral("in"), QStringLiteral("out") }; }
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
