#include "transfer/PlanTransfer.h"

#include "base/LogCategories.h"

#include "rules/PlanSizeLimit.h"
#include "transfer/PlanRecords.h"

#include <QThread>

namespace plandor {

namespace {

constexpr Phrase kNotKept { u"仪器没有保存发送的数据",
    u"the instrument did not keep what was sent" };
constexpr Phrase kNotConfirmed {
    u"无法确认仪器是否已保存：它保存的是原来的或全部新的数据，请重新读取以查看",
    u"could not find out whether the instrument stored it: it holds either the old or the whole "
    u"new data; read it back to see"
};
constexpr Phrase kTooLargeFor { u"频道表有 %1 个频道，仪器最多接受 %2 个。",
    u"The plan has %1 channels; the instrument takes at most %2." };

} // namespace

PlanTransfer::PlanTransfer(DeviceLink &link)
    : m_link(link)
    , m_pause([](std::chrono::milliseconds ms) { QThread::msleep(ulong(ms.count())); })
{ }

LinkResult<> PlanTransfer::checkConnection()
{
    return m_link.CheckConnection();
}

int PlanTransfer::maxChannels() const
{
    const int reported = m_link.Instrument().maxChannels;
    return reported > 0 ? qMin(reported, PlanSizeLimit::kMaxChannels) : PlanSizeLimit::kMaxChannels;
}

LinkResult<PlanTransfer::ReceivedPlan> PlanTransfer::read()
{
    auto received = m_link.ReadPlan(0);
    if (!received) {
        qCDebug(plandorTransfer).noquote() << "read failed:" << received.errorText();
        return received.failure();
    }
    qCDebug(plandorTransfer) << "read" << received->records.items.size() << "channels";
    return ReceivedPlan { PlanRecords::fromReceived(received->records),
        PlanRecords::fromFavorites(received->favorites) };
}

LinkResult<PanelTexts> PlanTransfer::readPanel()
{
    auto favorites = m_link.ReadFavorites();
    if (!favorites)
        return favorites.failure();
    return PlanRecords::fromFavorites(*favorites);
}

PlanTransfer::SendResult PlanTransfer::send(
    const QList<ChannelValues> &rows, const PanelTexts &panel)
{
    if (rows.isEmpty())
        return { SendOutcome::NothingToSend, false, {} };
    if (rows.size() > maxChannels()) {
        return { SendOutcome::TooLarge, false,
            maxChannels() == PlanSizeLimit::kMaxChannels
                ? PlanSizeLimit::tooLargeText(int(rows.size()))
                : kTooLargeFor.text().arg(rows.size()).arg(maxChannels()) };
    }
    const LinkRecordArray records = PlanRecords::toSendRecords(rows);
    const SendResult result
        = finishWrite(m_link.WritePlan(records, 0, PlanRecords::toFavorites(panel)), false);
    qCDebug(plandorTransfer).noquote()
        << "send of" << rows.size() << "channels:" << int(result.outcome) << result.text;
    return result;
}

PlanTransfer::SendResult PlanTransfer::sendPanel(const PanelTexts &panel)
{
    const SendResult result
        = finishWrite(m_link.WriteFavorites(PlanRecords::toFavorites(panel)), true);
    qCDebug(plandorTransfer).noquote()
        << "send of the panel:" << int(result.outcome) << result.text;
    return result;
}

PlanTransfer::SendResult PlanTransfer::finishWrite(const LinkResult<> &written, bool panelAlone)
{
    using Check = DeviceLink::WriteCheck;
    SendResult result { SendOutcome::Failed, written.ok(), written.errorText() };
    // A plan write that failed left only a staging behind: nothing changed.
    // A panel write is stored by itself, so a lost acknowledgement may hide
    // a stored panel: the instrument is asked.
    if (!written && !panelAlone)
        return result;
    if (written) {
        m_pause(kPauseAfterWrite);
        // The end's acknowledgement comes only once the instrument has
        // stored it: there is nothing left to ask.
        const LinkResult<> ended = m_link.EndTransfer();
        if (ended)
            return { SendOutcome::Sent, true, {} };
        result.text = ended.errorText();
    }
    switch (m_link.ConfirmLastWrite()) {
    case Check::Stored:
        result.outcome = SendOutcome::Sent;
        result.text.clear();
        break;
    case Check::NotStored:
        if (result.text.isEmpty())
            result.text = kNotKept.text();
        break;
    case Check::Unknown:
        result.outcome = SendOutcome::NotConfirmed;
        result.text = kNotConfirmed.text() + QStringLiteral("\n") + result.text;
        break;
    case Check::NotSupported:
        break;
    }
    return result;
}

} // namespace plandor
