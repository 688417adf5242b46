#include "transfer/PlanTransfer.h"

#include "store/ChannelStore.h"
#include "transfer/PlanRecords.h"
#include "transfer/PlanSizeLimit.h"

#include <QThread>

namespace plandor {

PlanTransfer::PlanTransfer(DeviceLink &link)
    : m_link(link)
    , m_pause([](std::chrono::milliseconds ms) { QThread::msleep(ulong(ms.count())); })
{
}

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
    return PlanSizeLimit::kMaxChannels;
}

std::optional<PlanTransfer::ReceivedPlan> PlanTransfer::read()
{
    m_error.clear();
    LinkRecordArray records;
    FavoritesRecord favorites {};
    if (!m_link.ReadPlan(0, records, favorites)) {
        m_error = m_link.lastError();
        return std::nullopt;
    }
    ReceivedPlan plan;
    plan.rows = PlanRecords::fromReceived(records);
    plan.panel = PlanRecords::fromFavorites(favorites);
    return plan;
}

PlanTransfer::SendOutcome PlanTransfer::send(
    const QList<ChannelValues> &rows, const PanelTexts &panel)
{
    m_error.clear();
    if (rows.isEmpty())
        return SendOutcome::NothingToSend;
    if (rows.size() > maxChannels()) {
        m_error = PlanSizeLimit::tooLargeText(int(rows.size()));
        return SendOutcome::TooLarge;
    }
    const LinkRecordArray records = PlanRecords::toSendRecords(rows);
    FavoritesRecord favorites = PlanRecords::toFavorites(panel);
    return finishWrite(m_link.WritePlan(records, 0, favorites));
}

PlanTransfer::SendOutcome PlanTransfer::sendPanel(const PanelTexts &panel)
{
    m_error.clear();
    FavoritesRecord favorites = PlanRecords::toFavorites(panel);
    return finishWrite(m_link.WriteFavorites(favorites));
}

PlanTransfer::SendOutcome PlanTransfer::finishWrite(bool written)
{
    if (!written) {
        m_error = m_link.lastError();
        return SendOutcome::Failed;
    }
    m_pause(kPauseAfterWrite);
    if (!m_link.EndTransfer()) {
        m_error = m_link.lastError();
        return SendOutcome::Failed;
    }
    return SendOutcome::Sent;
}

bool PlanTransfer::store(ChannelStore &store, const QList<ChannelValues> &rows, QString *error)
{
    if (store.replaceAll(rows))
        return true;
    if (error)
        *error = store.errorText();
    return false;
}

} // namespace plandor
