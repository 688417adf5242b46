#include "transfer/serial/instrument/InstrumentSide.h"

#include "transfer/serial/Framing.h"
#include "transfer/serial/Messages.h"
#include "transfer/serial/Records.h"

namespace plandor {

using protocol::MessageType;
using protocol::NakReason;

std::optional<QString> InstrumentSide::refuseRecord(const LinkRecord &r, int index)
{
    return ContentRules::refuseRecord(r, index);
}

std::optional<QString> InstrumentSide::refusePanel(const FavoritesRecord &f)
{
    return ContentRules::refusePanel(f);
}

InstrumentSide::InstrumentSide(InstrumentPlan plan)
    : m_plan(std::move(plan))
{ }

void InstrumentSide::setIdentity(const QString &model, const QString &serial)
{
    m_model = model;
    m_serial = serial;
}

QByteArray InstrumentSide::feed(QByteArrayView bytes)
{
    QByteArray out;
    for (const Frame &request : m_decoder.feed(bytes)) {
        if (std::optional<Frame> r = handle(request))
            out.append(FrameCodec::encode(*r));
    }
    return out;
}

std::optional<Frame> InstrumentSide::handle(const Frame &request)
{
    // A reply type arriving here is an echo or noise, not a request.
    if (request.type & 0x80)
        return std::nullopt;
    // A Hello is always carried out: it must discard the staging even when
    // it repeats the last request.
    if (request.type != quint8(MessageType::Hello) && m_lastRequest && *m_lastRequest == request)
        return m_lastReply;
    m_lastReply = reply(request);
    m_lastRequest = request;
    if (m_lastReply.type == quint8(MessageType::Nak)) {
        // Any refusal ends a write under way; a busy answer is no refusal
        // and is not kept for a repeat.
        const auto n = Messages::decodeNak(m_lastReply.payload);
        if (n && n->reason == NakReason::Busy)
            m_lastRequest.reset();
        else
            discardStaging();
    }
    return m_lastReply;
}

Frame InstrumentSide::reply(const Frame &request)
{
    switch (MessageType(request.type)) {
    case MessageType::Hello:
        return onHello(request);
    case MessageType::ReadBegin:
        return onReadBegin(request);
    case MessageType::ReadRecords:
        return onReadRecords(request);
    case MessageType::WriteFavorites:
        return onWriteFavorites(request);
    case MessageType::WriteBegin:
        return onWriteBegin(request);
    case MessageType::WriteRecords:
        return onWriteRecords(request);
    case MessageType::WriteCheck:
        return onWriteCheck(request);
    case MessageType::EndTransfer:
        return onEndTransfer(request);
    case MessageType::Identify:
        return onIdentify(request);
    default:
        return nak(request, NakReason::UnknownRequest, QStringLiteral("unknown request"));
    }
}

Frame InstrumentSide::ack(const Frame &request) const
{
    return Frame { quint8(MessageType::Ack), request.seq, Messages::encodeAck(request.type) };
}

NakReason InstrumentSide::contentRefusal() const
{
    // Firmware of protocol 1.0 has no reason of its own for content.
    return m_version == 1 ? NakReason::Malformed : NakReason::ContentRefused;
}

Frame InstrumentSide::nak(const Frame &request, NakReason reason, const QString &text) const
{
    return Frame { quint8(MessageType::Nak), request.seq,
        Messages::encode(Messages::NakReply { request.type, reason, text }) };
}

Frame InstrumentSide::onHello(const Frame &request)
{
    // A new session: whatever an earlier one staged is dropped.
    discardStaging();
    const auto hello = Messages::decodeHelloRequest(request.payload);
    if (!hello)
        return nak(request, NakReason::Malformed, QStringLiteral("bad hello"));
    const quint8 lowest = m_version <= protocol::kVersionMax ? 1 : m_version;
    const quint8 chosen = qMin(m_version, hello->versionMax);
    if (chosen < hello->versionMin || chosen < lowest)
        return nak(request, NakReason::UnsupportedVersion,
            QStringLiteral("instrument speaks version %1").arg(m_version));
    m_session = chosen;
    Messages::HelloReply r;
    r.version = chosen;
    r.maxPayload = protocol::kMaxPayload;
    r.maxChannels = m_maxChannels;
    r.generation = m_plan.generation;
    const Messages::Identity identity { m_model, m_serial };
    r.identityCrc = Crc32(Messages::encode(identity));
    r.identity = identity;
    return Frame { quint8(MessageType::HelloReply), request.seq, Messages::encode(r) };
}

Frame InstrumentSide::onIdentify(const Frame &request) const
{
    if (!request.payload.isEmpty())
        return nak(request, NakReason::Malformed, QStringLiteral("bad identify"));
    return Frame { quint8(MessageType::IdentifyReply), request.seq,
        Messages::encode(Messages::Identity { m_model, m_serial }) };
}

Frame InstrumentSide::onReadBegin(const Frame &request) const
{
    const auto selector = Messages::decodeSelector(request.payload);
    if (!selector)
        return nak(request, NakReason::Malformed, QStringLiteral("bad read request"));
    if (*selector != 0)
        return nak(request, NakReason::BadSelector, QStringLiteral("only plan 0 exists"));
    Messages::PlanSummary s;
    s.count = quint16(m_plan.records.size());
    s.planCrc = RecordCodec::planCrc(m_plan.records);
    s.generation = m_plan.generation;
    s.favorites = m_plan.favorites;
    return Frame { quint8(MessageType::ReadBeginReply), request.seq, Messages::encode(s) };
}

Frame InstrumentSide::onReadRecords(const Frame &request) const
{
    const auto r = Messages::decodeReadRecordsRequest(request.payload);
    if (!r)
        return nak(request, NakReason::Malformed, QStringLiteral("bad read request"));
    if (r->selector != 0)
        return nak(request, NakReason::BadSelector, QStringLiteral("only plan 0 exists"));
    if (r->first >= m_plan.records.size())
        return nak(request, NakReason::OutOfOrder, QStringLiteral("no such record"));
    int taken = 0;
    const QByteArray payload = Messages::packBatch(m_plan.records, r->first, protocol::kMaxPayload,
        Messages::layoutForVersion(m_session), &taken);
    if (taken == 0)
        return nak(request, NakReason::StorageFailed, QStringLiteral("record does not fit"));
    return Frame { quint8(MessageType::ReadRecordsReply), request.seq, payload };
}

bool InstrumentSide::commit(InstrumentPlan next)
{
    ++next.generation;
    if (m_store && !m_store(next))
        return false;
    m_plan = std::move(next);
    return true;
}

Frame InstrumentSide::onWriteFavorites(const Frame &request)
{
    discardStaging();
    const auto f = Messages::decodeFavorites(request.payload);
    if (!f)
        return nak(request, NakReason::Malformed, QStringLiteral("bad panel"));
    if (m_refuseWrites)
        return nak(request, NakReason::WritesRefused, QStringLiteral("instrument refuses writes"));
    if (const auto why = refusePanel(*f))
        return nak(request, contentRefusal(), *why);
    if (m_session >= protocol::kCompactVersion) {
        // 1.1: the panel is stored before the acknowledgement.
        InstrumentPlan next = m_plan;
        next.favorites = *f;
        if (!commit(std::move(next)))
            return nak(request, NakReason::StorageFailed, QStringLiteral("could not store"));
        return ack(request);
    }
    m_staged = Staged::Favorites;
    m_stagedFavorites = *f;
    m_stagedCrc = RecordCodec::favoritesCrc(*f);
    m_stagedChecked = true;
    return ack(request);
}

Frame InstrumentSide::onWriteBegin(const Frame &request)
{
    discardStaging();
    const auto b
        = Messages::decodeWriteBeginRequest(request.payload, Messages::layoutForVersion(m_session));
    if (!b)
        return nak(request, NakReason::Malformed, QStringLiteral("bad write request"));
    if (m_refuseWrites)
        return nak(request, NakReason::WritesRefused, QStringLiteral("instrument refuses writes"));
    if (b->selector != 0)
        return nak(request, NakReason::BadSelector, QStringLiteral("only plan 0 exists"));
    if (b->count == 0)
        return nak(request, contentRefusal(), QStringLiteral("no channel"));
    if (b->count > m_maxChannels)
        return nak(request, NakReason::TooManyChannels,
            QStringLiteral("at most %1 channels").arg(m_maxChannels));
    if (const auto why = refusePanel(b->favorites))
        return nak(request, contentRefusal(), *why);
    m_staged = Staged::Plan;
    m_stagedCount = b->count;
    m_stagedCrc = b->planCrc;
    m_stagedFavorites = b->favorites;
    // 1.2: the first records may come with the header.
    if (!b->records.isEmpty())
        return stageRecords(request, 0, b->records);
    return ack(request);
}

Frame InstrumentSide::onWriteRecords(const Frame &request)
{
    const auto batch
        = Messages::decodeRecordBatch(request.payload, Messages::layoutForVersion(m_session));
    if (!batch || batch->records.isEmpty())
        return nak(request, NakReason::Malformed, QStringLiteral("bad records"));
    if (m_staged != Staged::Plan)
        return nak(request, NakReason::NothingStaged, QStringLiteral("no write begun"));
    return stageRecords(request, batch->first, batch->records);
}

Frame InstrumentSide::stageRecords(
    const Frame &request, quint16 first, const QList<LinkRecord> &records)
{
    if (first != m_stagedRecords.size() || m_stagedRecords.size() + records.size() > m_stagedCount)
        return nak(request, NakReason::OutOfOrder, QStringLiteral("records out of order"));
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (const auto why = refuseRecord(records[i], int(first + i)))
            return nak(request, contentRefusal(), *why);
    }
    m_stagedRecords += records;
    // 1.2: the batch that completes the count is checked as WriteCheck
    // would check it, so the PC needs no WriteCheck.
    if (m_session >= protocol::kPackedVersion && m_stagedRecords.size() == m_stagedCount) {
        if (RecordCodec::planCrc(m_stagedRecords) != m_stagedCrc)
            return nak(request, NakReason::Mismatch, QStringLiteral("plan damaged"));
        m_stagedChecked = true;
    }
    return ack(request);
}

Frame InstrumentSide::onWriteCheck(const Frame &request)
{
    const auto c = Messages::decodeCommitment(request.payload);
    if (!c || c->kind != protocol::StagedKind::Plan)
        return nak(request, NakReason::Malformed, QStringLiteral("bad check"));
    if (m_staged != Staged::Plan)
        return nak(request, NakReason::NothingStaged, QStringLiteral("no write begun"));
    if (c->count != m_stagedCount || c->crc != m_stagedCrc
        || m_stagedRecords.size() != m_stagedCount
        || RecordCodec::planCrc(m_stagedRecords) != m_stagedCrc)
        return nak(request, NakReason::Mismatch, QStringLiteral("plan incomplete or damaged"));
    m_stagedChecked = true;
    return ack(request);
}

Frame InstrumentSide::onEndTransfer(const Frame &request)
{
    const auto c = Messages::decodeCommitment(request.payload);
    if (!c)
        return nak(request, NakReason::Malformed, QStringLiteral("bad end"));
    const Staged wanted = c->kind == protocol::StagedKind::Plan ? Staged::Plan : Staged::Favorites;
    if (m_staged != wanted || !m_stagedChecked)
        return nak(request, NakReason::NothingStaged, QStringLiteral("nothing to end"));
    const quint16 count = wanted == Staged::Plan ? m_stagedCount : 0;
    if (c->count != count || c->crc != m_stagedCrc)
        return nak(request, NakReason::Mismatch, QStringLiteral("end does not match the write"));
    InstrumentPlan next = m_plan;
    if (wanted == Staged::Plan)
        next.records = m_stagedRecords;
    next.favorites = m_stagedFavorites;
    discardStaging();
    if (!commit(std::move(next)))
        return nak(request, NakReason::StorageFailed, QStringLiteral("could not store the plan"));
    return ack(request);
}

void InstrumentSide::discardStaging()
{
    m_staged = Staged::None;
    m_stagedChecked = false;
    m_stagedCount = 0;
    m_stagedCrc = 0;
    m_stagedFavorites = {};
    m_stagedRecords.clear();
}

} // namespace plandor
