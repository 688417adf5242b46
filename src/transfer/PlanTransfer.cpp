#include "transfer/PlanTransfer.h"

#include "base/LogCategories.h"

#include "rules/PlanSizeLimit.h"
#include "store/ChannelStore.h"
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

bool PlanTransfer::checkConnection()
{
    m_error.clear();
    if (m_link.CheckConnection())
        return true;
    m_error = m_link.lastError();
    return false;
}

int PlanTransfer::maxChannels() const
{
    const int reported = m_link.InstrumentMaxChannels();
    return reported > 0 ? qMin(reported, PlanSizeLimit::kMaxChannels) : PlanSizeLimit::kMaxChannels;
}

std::optional<PlanTransfer::ReceivedPlan> PlanTransfer::read()
{
    m_error.clear();
    LinkRecordArray records;
    FavoritesRecord favorites {};
    if (!m_link.ReadPlan(0, records, favorites)) {
        m_error = m_link.lastError();
        qCDebug(plandorTransfer).noquote() << "read failed:" << m_error;
        return std::nullopt;
    }
    qCDebug(plandorTransfer) << "read" << records.items.size() << "channels";
    ReceivedPlan plan;
    plan.rows = PlanRecords::fromReceived(records);
    plan.panel = PlanRecords::fromFavorites(favorites);
    return plan;
}

std::optional<PanelTexts> PlanTransfer::readPanel()
{
    m_error.clear();
    FavoritesRecord favorites {};
    if (!m_link.ReadFavorites(favorites)) {
        m_error = m_link.lastError();
        return std::nullopt;
    }
    return PlanRecords::fromFavorites(favorites);
}

PlanTransfer::SendOutcome PlanTransfer::send(
    const QList<ChannelValues> &rows, const PanelTexts &panel)
{
    m_error.clear();
    if (rows.isEmpty())
        return SendOutcome::NothingToSend;
    if (rows.size() > maxChannels()) {
        m_error = maxChannels() == PlanSizeLimit::kMaxChannels
            ? PlanSizeLimit::tooLargeText(int(rows.size()))
            : kTooLargeFor.text().arg(rows.size()).arg(maxChannels());
        return SendOutcome::TooLarge;
    }
    const LinkRecordArray records = PlanRecords::toSendRecords(rows);
    FavoritesRecord favorites = PlanRecords::toFavorites(panel);
    const SendOutcome outcome = finishWrite(m_link.WritePlan(records, 0, favorites), false);
    qCDebug(plandorTransfer).noquote()
        << "send of" << rows.size() << "channels:" << int(outcome) << m_error;
    return outcome;
}

PlanTransfer::SendOutcome PlanTransfer::sendPanel(const PanelTexts &panel)
{
    m_error.clear();
    FavoritesRecord favorites = PlanRecords::toFavorites(panel);
    const SendOutcome outcome = finishWrite(m_link.WriteFavorites(favorites), true);
    qCDebug(plandorTransfer).noquote() << "send of the panel:" << int(outcome) << m_error;
    return outcome;
}

PlanTransfer::SendOutcome PlanTransfer::finishWrite(bool written, bool panelAlone)
{
    using Check = DeviceLink::WriteCheck;
    // A plan write that failed left only a staging behind: nothing changed.
    // A panel write is stored by itself, so a lost acknowledgement may hide
    // a stored panel: the instrument is asked.
    if (!written && !panelAlone) {
        m_error = m_link.lastError();
        return SendOutcome::Failed;
    }
    if (written) {
        m_pause(kPauseAfterWrite);
        // The end's acknowledgement comes only once the instrument has
        // stored it: there is nothing left to ask.
        if (m_link.EndTransfer())
            return SendOutcome::Sent;
    }
    const QString why = m_link.lastError();
    switch (m_link.ConfirmLastWrite()) {
    case Check::Stored:
        m_error.clear();
        return SendOutcome::Sent;
    case Check::NotStored:
        m_error = why.isEmpty() ? kNotKept.text() : why;
        return SendOutcome::Failed;
    case Check::Unknown:
        m_error = kNotConfirmed.text() + QStringLiteral("\n") + why;
        return SendOutcome::NotConfirmed;
    case Check::NotSupported:
        break;
    }
    m_error = why;
    return SendOutcome::Failed;
}

bool PlanTransfer::store(ChannelStore &store, const QList<ChannelValues> &rows, QString *error)
{
    if (store.replacePlan(rows))
        return true;
    if (error)
        *error = store.errorText();
    return false;
}

} // namespace plandor
