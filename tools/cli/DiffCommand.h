#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// plandor-cli diff: the differences between a plan file (or table) and the
// instrument's plan (--port), or between two files (--against). One line per
// differing channel, then the settings panel as the instrument would hold it
// when both sides have one (a blank panel is none); --json gives them as
// {"from", "to", "equal", "channels", "panel"}. Returns 0 when the plans are
// equal, 1 when they differ, 2 without --in, 3 when the instrument is
// unreachable, 4 when a file is refused, 5 when reading fails.
class DiffCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("diff"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override;
    bool hasJson() const override { return true; }
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
