#include "transfer/serial/LinkClient.h"

#include "base/Phrase.h"
#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/Framing.h"
#include "transfer/serial/Records.h"

#include <QEventLoop>
#include <QHash>
#include <QMutex>
#include <QTimer>

namespace plandor {

using protocol::MessageType;
using protocol::NakReason;

namespace {

// The longest replies other than a record batch, on the wire.
constexpr int kShortReplyWire = 48;
constexpr int kHelloReplyWire = 160;
constexpr int kIdentifyReplyWire = 80;
// A busy instrument is asked again after each pause, for at most 3 s.
constexpr int kBusyRetries = 3000 / LinkClient::kBusyPauseMs;

constexpr Phrase kIncompatible { u"仪器不兼容：%1", u"incompatible instrument: %1" };
constexpr Phrase kWritesRefused { u"仪器拒绝写入（已锁定或正在测量）：%1",
    u"the instrument refuses writes (locked or busy measuring): %1" };
constexpr Phrase kContentRefused { u"仪器拒绝了该内容：%1",
    u"the instrument refused the content: %1" };
constexpr Phrase kTooManyForInstrument { u"频道过多：%1", u"too many channels: %1" };
constexpr Phrase kStorageFailed { u"仪器未能保存：%1", u"the instrument could not store it: %1" };
constexpr Phrase kStillBusy { u"仪器一直忙，请稍后再试",
    u"the instrument stayed busy; try again later" };
constexpr Phrase kRefused { u"仪器拒绝了请求（代码 %1）：%2",
    u"the instrument refused the request (code %1): %2" };
constexpr Phrase kBadReply { u"仪器的回答无法理解", u"the instrument's answer makes no sense" };
constexpr Phrase kTooLarge { u"频道表有 %1 个频道，仪器最多接受 %2 个",
    u"the plan has %1 channels; the instrument takes at most %2" };
constexpr Phrase kNothingToSend { u"没有可发送的频道", u"there are no channels to send" };
constexpr Phrase kTextTooLong { u"第 %1 个频道的文字太长",
    u"channel %1 has a text that is too long" };
constexpr Phrase kPlanDamaged { u"读到的频道表与其校验值不符",
    u"the plan read does not match its check value" };
constexpr Phrase kChannelRefused { u"仪器发来的频道不合规则：%1",
    u"the instrument sent a channel that breaks the rules: %1" };
constexpr Phrase kNothingToEnd { u"没有待完成的写入", u"no completed write to end" };

QString nakText(const Messages::NakReply &nak)
{
    switch (nak.reason) {
    case NakReason::UnsupportedVersion:
        return kIncompatible.text().arg(nak.text);
    case NakReason::WritesRefused:
        return kWritesRefused.text().arg(nak.text);
    case NakReason::ContentRefused:
        return kContentRefused.text().arg(nak.text);
    case NakReason::TooManyChannels:
        return kTooManyForInstrument.text().arg(nak.text);
    case NakReason::StorageFailed:
        return kStorageFailed.text().arg(nak.text);
    default:
        return kRefused.text().arg(int(nak.reason)).arg(nak.text);
    }
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// The identities this program has been told, by the CRC a 1.2 HelloReply
// carries: an instrument met once is not asked again in this run.
class KnownIdentities
{
public:
    static std::optional<Messages::Identity> find(quint32 crc)
    {
        const QMutexLocker lock(&mutex());
        const auto it = table().constFind(crc);
        return it == table().constEnd() ? std::nullopt : std::optional(*it);
    }
    static void remember(quint32 crc, const Messages::Identity &identity)
    {
        const QMutexLocker lock(&mutex());
        table().insert(crc, identity);
    }

private:
    static QMutex &mutex()
    {
        static QMutex m;
        return m;
    }
    static QHash<quint32, Messages::Identity> &table()
    {
        static QHash<quint32, Messages::Identity> t;
        return t;
    }
};

} // namespace

LinkClient::LinkClient(FrameTransport &transport)
    : m_transport(transport)
{ }

void LinkClient::report(int done, int total) const
{
    if (m_progress)
        m_progress(done, total);
}

Messages::RecordLayout LinkClient::layout() const
{
    return Messages::layoutForVersion(m_identity ? m_identity->version : 1);
}

std::optional<QByteArray> LinkClient::request(MessageType type, const QByteArray &payload,
    MessageType replyType, int replyWireBytes, QString *error)
{
    for (int busyRetries = 0;; ++busyRetries) {
        const std::optional<Frame> reply
            = m_transport.exchange(quint8(type), payload, replyWireBytes, error);
        if (!reply)
            return std::nullopt;
        if (reply->type == quint8(MessageType::Nak)) {
            const auto nak = Messages::decodeNak(reply->payload);
            // Busy: nothing was done; the same request may be made again.
            if (nak && nak->reason == NakReason::Busy && busyRetries < kBusyRetries) {
                pause(m_busyPauseMs);
                continue;
            }
            if (error)
                *error = !nak                        ? kBadReply.text()
                    : nak->reason == NakReason::Busy ? kStillBusy.text()
                                                     : nakText(*nak);
            return std::nullopt;
        }
        if (reply->type != quint8(replyType)) {
            if (error)
                *error = kBadReply.text();
            return std::nullopt;
        }
        return reply->payload;
    }
}

bool LinkClient::acknowledged(MessageType type, const QByteArray &payload, QString *error)
{
    const auto reply = request(type, payload, MessageType::Ack, kShortReplyWire, error);
    if (!reply)
        return false;
    const auto acked = Messages::decodeAck(*reply);
    if (!acked || *acked != quint8(type)) {
        if (error)
            *error = kBadReply.text();
        return false;
    }
    return true;
}

bool LinkClient::hello(QString *error)
{
    m_identity.reset();
    m_pending.reset();
    m_panelStored = false;
    const auto payload = request(MessageType::Hello, Messages::encode(Messages::HelloRequest {}),
        MessageType::HelloReply, kHelloReplyWire, error);
    if (!payload)
        return false;
    const auto reply = Messages::decodeHelloReply(*payload);
    if (!reply) {
        if (error)
            *error = kBadReply.text();
        return false;
    }
    if (reply->version < protocol::kVersionMin || reply->version > protocol::kVersionMax) {
        if (error)
            *error = kIncompatible.text().arg(QStringLiteral("protocol %1 / %2-%3")
                                                  .arg(reply->version)
                                                  .arg(protocol::kVersionMin)
                                                  .arg(protocol::kVersionMax));
        return false;
    }
    if (reply->maxPayload < 64) {
        if (error)
            *error
                = kIncompatible.text().arg(QStringLiteral("maxPayload %1").arg(reply->maxPayload));
        return false;
    }
    m_identity = reply;
    if (!m_identity->identity)
        m_identity->identity = KnownIdentities::find(reply->identityCrc);
    m_generation = reply->generation;
    return true;
}

std::optional<Messages::Identity> LinkClient::identify(QString *error)
{
    if (!ensureSession(error))
        return std::nullopt;
    if (m_identity->identity)
        return m_identity->identity;
    const auto payload
        = request(MessageType::Identify, {}, MessageType::IdentifyReply, kIdentifyReplyWire, error);
    if (!payload)
        return std::nullopt;
    const auto identity = Messages::decodeIdentity(*payload);
    if (!identity) {
        if (error)
            *error = kBadReply.text();
        return std::nullopt;
    }
    KnownIdentities::remember(Crc32(*payload), *identity);
    m_identity->identity = identity;
    return identity;
}

bool LinkClient::ensureSession(QString *error)
{
    return m_identity || hello(error);
}

std::optional<Messages::PlanSummary> LinkClient::readSummary(QString *error)
{
    if (!ensureSession(error))
        return std::nullopt;
    const auto bytes = request(MessageType::ReadBegin, Messages::encodeSelector(0),
        MessageType::ReadBeginReply, kShortReplyWire, error);
    if (!bytes)
        return std::nullopt;
    const auto summary = Messages::decodePlanSummary(*bytes);
    if (!summary || summary->count > protocol::kMaxChannels) {
        if (error)
            *error = kBadReply.text();
        return std::nullopt;
    }
    m_generation = summary->generation;
    return summary;
}

bool LinkClient::readPlan(
    qint32 selector, LinkRecordArray &records, FavoritesRecord &favorites, QString *error)
{
    if (!ensureSession(error))
        return false;
    const auto summaryBytes = request(MessageType::ReadBegin, Messages::encodeSelector(selector),
        MessageType::ReadBeginReply, kShortReplyWire, error);
    if (!summaryBytes)
        return false;
    const auto summary = Messages::decodePlanSummary(*summaryBytes);
    if (!summary || summary->count > protocol::kMaxChannels) {
        if (error)
            *error = kBadReply.text();
        return false;
    }
    m_generation = summary->generation;

    // An instrument without channels reads as an empty plan.
    QList<LinkRecord> received;
    report(0, summary->count);
    while (received.size() < summary->count) {
        const quint16 first = quint16(received.size());
        const auto batchBytes = request(MessageType::ReadRecords,
            Messages::encode(Messages::ReadRecordsRequest { selector, first }),
            MessageType::ReadRecordsReply, protocol::kMaxWireFrame, error);
        if (!batchBytes)
            return false;
        const auto batch = Messages::decodeRecordBatch(*batchBytes, layout());
        if (!batch || batch->first != first || batch->records.isEmpty()
            || received.size() + batch->records.size() > summary->count) {
            if (error)
                *error = kBadReply.text();
            return false;
        }
        for (qsizetype i = 0; i < batch->records.size(); ++i) {
            // A plan the instrument could not have taken is not handed on.
            if (const auto why = ContentRules::refuseRecord(batch->records[i], int(first + i))) {
                if (error)
                    *error = kChannelRefused.text().arg(*why);
                return false;
            }
        }
        received += batch->records;
        report(int(received.size()), summary->count);
    }
    if (RecordCodec::planCrc(received) != summary->planCrc) {
        if (error)
            *error = kPlanDamaged.text();
        return false;
    }
    records.lowerBound = 1;
    records.items = std::move(received);
    favorites = summary->favorites;
    return true;
}

bool LinkClient::writeFavorites(const FavoritesRecord &favorites, QString *error)
{
    m_pending.reset();
    m_panelStored = false;
    m_lastWrite.reset();
    if (!ensureSession(error))
        return false;
    m_lastWrite = WrittenState { false, 0, 0, favorites, m_generation };
    if (!acknowledged(MessageType::WriteFavorites, Messages::encodeFavorites(favorites), error))
        return false;
    if (m_identity->version >= protocol::kCompactVersion) {
        // From 1.1 on the acknowledgement means stored.
        ++m_generation;
        m_panelStored = true;
        return true;
    }
    m_pending = Messages::Commitment { protocol::StagedKind::Favorites, 0,
        RecordCodec::favoritesCrc(favorites) };
    return true;
}

namespace {

// Why records cannot be sent to any instrument, before one is asked.
std::optional<QString> unsendable(const LinkRecordArray &records)
{
    const int count = int(records.items.size());
    if (count == 0)
        return kNothingToSend.text();
    for (int i = 0; i < count; ++i) {
        if (RecordCodec::encodeRecord(records.items[i]).isEmpty())
            return kTextTooLong.text().arg(i + 1);
    }
    if (count > protocol::kMaxChannels)
        return kTooLarge.text().arg(count).arg(protocol::kMaxChannels);
    return std::nullopt;
}

} // namespace

bool LinkClient::writePlan(const LinkRecordArray &records, qint32 selector,
    const FavoritesRecord &favorites, QString *error)
{
    m_pending.reset();
    m_panelStored = false;
    m_lastWrite.reset();
    const int count = int(records.items.size());
    if (const std::optional<QString> refusal = unsendable(records)) {
        if (error)
            *error = *refusal;
        return false;
    }
    if (!ensureSession(error))
        return false;
    if (count > m_identity->maxChannels) {
        if (error)
            *error = kTooLarge.text().arg(count).arg(m_identity->maxChannels);
        return false;
    }
    const quint32 crc = RecordCodec::planCrc(records.items);
    m_lastWrite = WrittenState { true, quint16(count), crc, favorites, m_generation };
    const Messages::WriteBeginRequest begin { selector, quint16(count), crc, favorites, {} };
    const int maxPayload = qMin<int>(protocol::kMaxPayload, m_identity->maxPayload);
    report(0, count);
    // From 1.2 on the first records travel with the header: one exchange less.
    int first = 0;
    const QByteArray opening = layout() == Messages::RecordLayout::Packed
        ? Messages::packOpening(begin, records.items, maxPayload, &first)
        : Messages::encode(begin);
    if (!acknowledged(MessageType::WriteBegin, opening, error))
        return false;
    report(first, count);
    while (first < count) {
        int n = 0;
        const QByteArray batch
            = Messages::packBatch(records.items, first, maxPayload, layout(), &n);
        if (n == 0) {
            if (error)
                *error = kTextTooLong.text().arg(first + 1);
            return false;
        }
        if (!acknowledged(MessageType::WriteRecords, batch, error))
            return false;
        first += n;
        report(first, count);
    }
    const Messages::Commitment commitment { protocol::StagedKind::Plan, quint16(count), crc };
    // From 1.2 on the last batch's acknowledgement says what WriteCheck would.
    if (m_identity->version < protocol::kPackedVersion
        && !acknowledged(MessageType::WriteCheck, Messages::encode(commitment), error))
        return false;
    m_pending = commitment;
    return true;
}

bool LinkClient::endTransfer(QString *error)
{
    if (m_panelStored) {
        m_panelStored = false;
        return true;
    }
    if (!m_pending) {
        if (error)
            *error = kNothingToEnd.text();
        return false;
    }
    const Messages::Commitment commitment = *m_pending;
    m_pending.reset();
    if (!acknowledged(MessageType::EndTransfer, Messages::encode(commitment), error))
        return false;
    ++m_generation;
    return true;
}

} // namespace plandor
