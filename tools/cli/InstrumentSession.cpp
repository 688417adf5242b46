#include "InstrumentSession.h"

#include "PlanValidation.h"

#include "base/ShownValue.h"
#include "transfer/BaudRates.h"

namespace plandor::cli {

namespace {

constexpr Phrase kRateNotOffered { u"--baud \"%1\" 不是 Plandor 提供的波特率；可用的有 %2",
    u"--baud \"%1\" is not a line speed Plandor offers; it takes %2" };
constexpr Phrase kUnreachable { u"%1 上的仪器无法连接：%2", u"instrument unreachable on %1: %2" };
constexpr Phrase kNotInHistory { u"频道表没有保存到历史记录中：%1",
    u"the plan is not kept in the history: %1" };
constexpr Phrase kSendingFailed { u"发送%1失败：%2", u"sending %1 failed: %2" };
constexpr Phrase kSendingUnconfirmed { u"发送%1：%2", u"sending %1: %2" };

} // namespace

InstrumentSession::InstrumentSession(const CliContext &context)
    : m_context(context)
    , m_progress(context.quiet())
{ }

bool InstrumentSession::open(QString *error)
{
    const auto port = parsePort(m_context.value(QStringLiteral("port")), error);
    if (!port)
        return false;
    LinkTiming timing;
    // One default rate for the window and the command line.
    timing.baud = BaudRates::kWindowDefault;
    if (m_context.isSet(QStringLiteral("baud"))) {
        const QString given = m_context.value(QStringLiteral("baud"));
        bool ok = false;
        timing.baud = given.toInt(&ok);
        // The speeds the start-up window offers, and no others.
        if (!ok || !BaudRates::isListed(timing.baud)) {
            *error = kRateNotOffered.text().arg(ShownValue::cut(given), BaudRates::listText());
            return false;
        }
    }
    m_link.setTiming(timing);
    if (port->comNumber)
        m_link.SetPort(*port->comNumber);
    else
        m_link.SetOptions(LinkOptions { port->path, timing.baud });
    return true;
}

int InstrumentSession::checkConnection()
{
    const LinkResult<> connected = m_link.CheckConnection();
    if (!connected)
        return m_context.fail(
            ExitUnreachable, kUnreachable.text().arg(m_link.deviceName(), connected.errorText()));
    return ExitOk;
}

void InstrumentSession::showProgress(const Phrase &what)
{
    const QString heading = what.text();
    m_link.setProgress(
        [this, heading](int done, int total) { m_progress.show(heading, done, total); });
}

void InstrumentSession::clearProgress()
{
    m_link.setProgress({});
    m_progress.clear();
}

void InstrumentSession::keepInHistory(
    PlanHistory::Direction direction, const QList<ChannelValues> &rows, const PanelTexts &panel)
{
    const LinkResult<InstrumentInfo> who = m_link.Identify();
    QString error;
    if (!PlanHistory::record(direction, who ? who->identity : QString(), rows, panel, &error))
        m_context.warn(kNotInHistory.text().arg(error));
}

int InstrumentSession::sendOutcome(const PlanTransfer::SendResult &result, const Phrase &what) const
{
    using Outcome = PlanTransfer::SendOutcome;
    switch (result.outcome) {
    case Outcome::Sent:
        return ExitOk;
    case Outcome::NothingToSend:
    case Outcome::TooLarge:
        return m_context.fail(ExitFileRefused, result.text);
    case Outcome::NotConfirmed:
        return m_context.fail(
            ExitNotConfirmed, kSendingUnconfirmed.text().arg(what.text(), result.text));
    case Outcome::Failed:
        break;
    }
    return m_context.fail(ExitTransferFailed, kSendingFailed.text().arg(what.text(), result.text));
}

} // namespace plandor::cli
