#include "SendPanelCommand.h"

#include "CliPhrases.h"
#include "InstrumentSession.h"
#include "PlanValidation.h"
#include "StandardStreams.h"

namespace plandor::cli {

namespace {

constexpr Phrase kSummary { u"只发送设置面板", u"send the settings panel alone" };
constexpr Phrase kNoPanel { u"%1 被拒绝：它没有设置面板", u"%1 refused: it has no settings panel" };
constexpr Phrase kThePanel { u"设置面板", u"the panel" };
constexpr Phrase kSent { u"已发送设置面板", u"sent the panel" };

// The panel of the file or of the options; nothing when refused, with the
// exit code in *rc.
std::optional<PanelTexts> panelToSend(const CliContext &context, int *rc)
{
    QString error;
    if (!context.isSet(QStringLiteral("in"))) {
        const auto parsed = parsePanelArguments(context.value(QStringLiteral("favorites")),
            context.value(QStringLiteral("unit")), context.value(QStringLiteral("span")), &error);
        if (!parsed)
            *rc = context.fail(ExitUsage, error);
        return parsed;
    }
    PlanFileContent content;
    const QString inPath = context.value(QStringLiteral("in"));
    if (!readPlanInput(inPath, content, &error)) {
        *rc = context.fail(ExitFileRefused, phrases::kRefused.text().arg(inPath, error));
        return std::nullopt;
    }
    if (!content.panel) {
        *rc = context.fail(ExitFileRefused, kNoPanel.text().arg(inPath));
        return std::nullopt;
    }
    if (const auto refusal = panelRefusal(*content.panel)) {
        *rc = context.fail(ExitFileRefused, phrases::kRefused.text().arg(inPath, *refusal));
        return std::nullopt;
    }
    return content.panel;
}

} // namespace

QList<CommandUsage> SendPanelCommand::usages() const
{
    return { { "send-panel --port P (--in FILE | --favorites a,b,c,d,e,f --unit dBmV|dBuV "
               "--span MHz)",
        kSummary } };
}

QStringList SendPanelCommand::options() const
{
    return { QStringLiteral("port"), QStringLiteral("baud"), QStringLiteral("in"),
        QStringLiteral("favorites"), QStringLiteral("unit"), QStringLiteral("span") };
}

int SendPanelCommand::run(const CliContext &context)
{
    InstrumentSession session(context);
    QString error;
    if (!session.open(&error))
        return context.fail(ExitUsage, error);
    int rc = ExitOk;
    const std::optional<PanelTexts> panel = panelToSend(context, &rc);
    if (!panel)
        return rc;
    if (const int unreachable = session.checkConnection())
        return unreachable;
    PlanTransfer transfer(session.link());
    if (const int failed = session.sendOutcome(transfer.sendPanel(*panel), kThePanel))
        return failed;
    context.report(kSent.text());
    return ExitOk;
}

} // namespace plandor::cli
