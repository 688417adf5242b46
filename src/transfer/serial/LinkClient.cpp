#include "transfer/serial/LinkClient.h"

#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/RecordCodec.h"

namespace plandor {

using protocol::MessageType;

namespace {

// The longest replies other than a record batch, on the wire.
constexpr int kShortReplyWire = 48;
constexpr int kHelloReplyWire = 160;

QString nakText(const Messages::NakReply &nak)
{
    switch (nak.reason) {
    case protocol::NakReason::UnsupportedVersion:
        return QStringLiteral("incompatible instrument: %1").arg(nak.text);
    case protocol::NakReason::WritesRefused:
        return QStringLiteral("the instrument refuses the write: %1").arg(nak.text);
    default:
        return QStringLiteral("the instrument refused the request (code %1): %2")
            .arg(int(nak.reason))
            .arg(nak.text);
    }
}

} // namespace

LinkClient::LinkClient(FrameTransport &transport)
    : m_transport(transport)
{ }

void LinkClient::report(int done, int total) const
{
    if (m_progress)
        m_progress(done, total);
}

std::optional<QByteArray> LinkClient::request(MessageType type, const QByteArray &payload,
    MessageType replyType, int replyWireBytes, QString *error)
{
    const std::optional<Frame> reply
        = m_transport.exchange(quint8(type), payload, replyWireBytes, error);
    if (!reply)
        return std::nullopt;
    if (reply->type == quint8(MessageType::Nak)) {
        const auto nak = Messages::decodeNak(reply->payload);
        if (error)
            *error = nak ? nakText(*nak) : QStringLiteral("the instrument refused the request");
        return std::nullopt;
    }
    if (reply->type != quint8(replyType)) {
        if (error)
            *error = QStringLiteral("unexpected reply 0x%1 from the instrument")
                         .arg(reply->type, 2, 16, QLatin1Char('0'));
        return std::nullopt;
    }
    return reply->payload;
}

bool LinkClient::acknowledged(MessageType type, const QByteArray &payload, QString *error)
{
    const auto reply = request(type, payload, MessageType::Ack, kShortReplyWire, error);
    if (!reply)
        return false;
    const auto acked = Messages::decodeAck(*reply);
    if (!acked || *acked != quint8(type)) {
        if (error)
            *error = QStringLiteral("malformed acknowledgement from the instrument");
        return false;
    }
    return true;
}

bool LinkClient::hello(QString *error)
{
    m_identity.reset();
    m_pending.reset();
    const auto payload = request(MessageType::Hello, Messages::encode(Messages::HelloRequest {}),
        MessageType::HelloReply, kHelloReplyWire, error);
    if (!payload)
        return false;
    const auto reply = Messages::decodeHelloReply(*payload);
    if (!reply) {
        if (error)
            *error = QStringLiteral("malformed hello reply from the instrument");
        return false;
    }
    if (reply->version < protocol::kVersionMin || reply->version > protocol::kVersionMax) {
        if (error)
            *error = QStringLiteral("incompatible instrument: it speaks protocol version %1, "
                                    "this program %2 to %3")
                         .arg(reply->version)
                         .arg(protocol::kVersionMin)
                         .arg(protocol::kVersionMax);
        return false;
    }
    if (reply->maxPayload < 64) {
        if (error)
            *error = QStringLiteral("the instrument's frames are too small (%1 bytes)")
                         .arg(reply->maxPayload);
        return false;
    }
    m_identity = reply;
    return true;
}

bool LinkClient::ensureSession(QString *error)
{
    return m_identity || hello(error);
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
            *error = QStringLiteral("malformed plan header from the instrument");
        return false;
    }
    if (summary->count == 0) {
        if (error)
            *error = QStringLiteral("the instrument holds no channels");
        return false;
    }

    QList<LinkRecord> received;
    QList<QByteArray> encoded;
    report(0, summary->count);
    while (received.size() < summary->count) {
        const quint16 first = quint16(received.size());
        const auto batchBytes = request(MessageType::ReadRecords,
            Messages::encode(Messages::ReadRecordsRequest { selector, first }),
            MessageType::ReadRecordsReply, protocol::kMaxWireFrame, error);
        if (!batchBytes)
            return false;
        const auto batch = Messages::decodeRecordBatch(*batchBytes);
        if (!batch || batch->first != first || batch->records.isEmpty()
            || received.size() + batch->records.size() > summary->count) {
            if (error)
                *error = QStringLiteral("malformed records from the instrument");
            return false;
        }
        for (const LinkRecord &r : batch->records) {
            received.append(r);
            encoded.append(RecordCodec::encodeRecord(r));
        }
        report(int(received.size()), summary->count);
    }
    if (RecordCodec::planCrc(encoded) != summary->planCrc) {
        if (error)
            *error = QStringLiteral("the plan read does not match its check value");
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
    if (!ensureSession(error))
        return false;
    if (!acknowledged(MessageType::WriteFavorites, Messages::encodeFavorites(favorites), error))
        return false;
    m_pending = Messages::Commitment { protocol::StagedKind::Favorites, 0,
        RecordCodec::favoritesCrc(favorites) };
    return true;
}

bool LinkClient::writePlan(const LinkRecordArray &records, qint32 selector,
    const FavoritesRecord &favorites, QString *error)
{
    m_pending.reset();
    const int count = int(records.items.size());
    if (count == 0) {
        if (error)
            *error = QStringLiteral("there are no channels to send");
        return false;
    }
    if (count > protocol::kMaxChannels) {
        if (error)
            *error = QStringLiteral("%1 channels: the instrument takes at most %2")
                         .arg(count)
                         .arg(protocol::kMaxChannels);
        return false;
    }
    QList<QByteArray> encoded;
    encoded.reserve(count);
    for (const LinkRecord &r : records.items) {
        encoded.append(RecordCodec::encodeRecord(r));
        if (encoded.last().isEmpty()) {
            if (error)
                *error = QStringLiteral("channel %1 has a text longer than %2 bytes")
                             .arg(encoded.size())
                             .arg(protocol::kMaxTextBytes);
            return false;
        }
    }
    if (!ensureSession(error))
        return false;
    const quint32 crc = RecordCodec::planCrc(encoded);
    const Messages::WriteBeginRequest begin { selector, quint16(count), crc, favorites };
    if (!acknowledged(MessageType::WriteBegin, Messages::encode(begin), error))
        return false;

    const int maxPayload = qMin<int>(protocol::kMaxPayload, m_identity->maxPayload);
    report(0, count);
    for (int first = 0; first < count;) {
        const int n = Messages::recordsThatFit(encoded, first, maxPayload);
        if (n == 0) {
            if (error)
                *error = QStringLiteral("channel %1 does not fit the instrument's frames")
                             .arg(first + 1);
            return false;
        }
        if (!acknowledged(MessageType::WriteRecords,
                Messages::encodeBatch(quint16(first), encoded, first, n), error))
            return false;
        first += n;
        report(first, count);
    }
    const Messages::Commitment commitment { protocol::StagedKind::Plan, quint16(count), crc };
    if (!acknowledged(MessageType::WriteCheck, Messages::encode(commitment), error))
        return false;
    m_pending = commitment;
    return true;
}

bool LinkClient::endTransfer(QString *error)
{
    if (!m_pending) {
        if (error)
            *error = QStringLiteral("no completed write to end");
        return false;
    }
    const Messages::Commitment commitment = *m_pending;
    m_pending.reset();
    return acknowledged(MessageType::EndTransfer, Messages::encode(commitment), error);
}

} // namespace plandor
