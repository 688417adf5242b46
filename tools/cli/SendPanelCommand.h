#pragma once

#include "CliCommand.h"

namespace plandor::cli {

// plandor-cli send-panel --port P (--in FILE | --favorites a,b,c,d,e,f --unit
// U --span MHz): the settings panel alone, from a plan file's panel or from
// the options, after the panel rules; the channels stay as they are.
class SendPanelCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("send-panel"); }
    QList<CommandUsage> usages() const override;
    QStringList options() const override;
    int run(const CliContext &context) override;
};

} // namespace plandor::cli
