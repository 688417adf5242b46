#include "SendCommand.h"

#include "CliPhrases.h"
#include "InstrumentSession.h"
#include "PlanValidation.h"
#include "StandardStreams.h"

#include <algorithm>

namespace plandor::cli {

namespace {

constexpr Phrase kSummary { u"发送频道表文件（频道按频率排序；\n面板为空的文件保留仪器的面板）",
    u"send a plan file (channels in frequency order;\na file with a blank panel keeps the "
    u"instrument's)" };
constexpr Phrase kRefusedLines { u"%1 被拒绝：\n  %2", u"%1 refused:\n  %2" };
constexpr Phrase kPanelNotKept { u"%1 没有设置面板，且无法读取仪器的面板以保留它：%2",
    u"%1 has no settings panel, and the instrument's could not be read to keep it: %2" };
constexpr Phrase kSending { u"发送中", u"sending" };
constexpr Phrase kThePlan { u"频道表", u"the plan" };
constexpr Phrase kSent { u"已发送 %1 个频道", u"sent %1 channels" };
constexpr Phrase kKeptOwn { u"%1 没有设置面板：仪器保留了自己的面板",
    u"%1 has no settings panel: the instrument kept its own" };

// The file's plan as it goes out, or the exit code of its refusal.
int readSendable(const CliContext &context, const QString &inPath, PlanFileContent &content)
{
    QString error;
    if (!readPlanInput(inPath, content, &error))
        return context.fail(
            ExitFileRefused, phrases::kRefused.text().arg(fileName(inPath, false), error));
    // Nothing the editor would refuse goes out: every refusal is listed.
    if (const QStringList refusals = planRefusals(content); !refusals.isEmpty())
        return context.fail(ExitFileRefused,
            kRefusedLines.text().arg(inPath, refusals.join(QStringLiteral("\n  "))));
    // The instrument gets its channels in frequency order.
    std::stable_sort(content.rows.begin(), content.rows.end(),
        [](const ChannelValues &a, const ChannelValues &b) {
            return a.value(ColumnFreq).toDouble() < b.value(ColumnFreq).toDouble();
        });
    return ExitOk;
}

} // namespace

QList<CommandUsage> SendCommand::usages() const
{
    return { { "send --port P --in FILE", kSummary } };
}

QStringList SendCommand::options() const
{
    return { QStringLiteral("port"), QStringLiteral("baud"), QStringLiteral("in") };
}

int SendCommand::run(const CliContext &context)
{
    const QString inPath = context.value(QStringLiteral("in"));
    if (inPath.isEmpty())
        return context.fail(ExitUsage, phrases::kNeedsIn.text().arg(name()));
    InstrumentSession session(context);
    QString error;
    if (!session.open(&error))
        return context.fail(ExitUsage, error);
    PlanFileContent content;
    if (const int rc = readSendable(context, inPath, content))
        return rc;
    if (const int rc = session.checkConnection())
        return rc;
    PlanTransfer transfer(session.link());
    PanelTexts panel = content.panelOrBlank();
    // A file without a settings panel (a table converted to a plan file)
    // would blank the instrument's: its own panel goes back with the channels.
    const bool keepPanel = !content.panel;
    if (keepPanel) {
        // Only the panel is needed, not the channels it comes with.
        const LinkResult<PanelTexts> held = transfer.readPanel();
        if (!held)
            return context.fail(
                ExitTransferFailed, kPanelNotKept.text().arg(inPath, held.errorText()));
        panel = *held;
    }
    session.showProgress(kSending);
    const PlanTransfer::SendResult sent = transfer.send(content.rows, panel);
    session.clearProgress();
    if (const int rc = session.sendOutcome(sent, kThePlan))
        return rc;
    session.keepInHistory(PlanHistory::Direction::Sent, content.rows, panel);
    context.report(kSent.text().arg(content.rows.size()));
    if (keepPanel)
        context.report(kKeptOwn.text().arg(inPath));
    return ExitOk;
}

} // namespace plandor::cli
