#include "transfer/serial/Messages.h"

#include "transfer/serial/Payload.h"
#include "transfer/serial/RecordCodec.h"

namespace plandor::Messages {

namespace {

constexpr int kBatchHeader = 3; // first u16, count u8

template <typename T> std::optional<T> finished(const PayloadReader &in, T value)
{
    if (!in.atEnd())
        return std::nullopt;
    return value;
}

} // namespace

QByteArray encode(const HelloRequest &m)
{
    PayloadWriter out;
    out.u8(m.versionMin);
    out.u8(m.versionMax);
    return out.bytes();
}

QByteArray encode(const HelloReply &m)
{
    PayloadWriter out;
    out.u8(m.version);
    out.u16(m.maxPayload);
    out.u16(m.maxChannels);
    out.u32(m.generation);
    // Identity texts are the instrument's own; cut rather than refuse.
    out.text(m.model.left(60));
    out.text(m.serial.left(60));
    return out.bytes();
}

QByteArray encode(const PlanSummary &m)
{
    PayloadWriter out;
    out.u16(m.count);
    out.u32(m.planCrc);
    out.u32(m.generation);
    RecordCodec::writeFavorites(out, m.favorites);
    return out.bytes();
}

QByteArray encode(const ReadRecordsRequest &m)
{
    PayloadWriter out;
    out.u32(quint32(m.selector));
    out.u16(m.first);
    return out.bytes();
}

QByteArray encode(const RecordBatch &m)
{
    if (m.records.size() > 255)
        return {};
    PayloadWriter out;
    out.u16(m.first);
    out.u8(quint8(m.records.size()));
    for (const LinkRecord &r : m.records) {
        if (!RecordCodec::writeRecord(out, r))
            return {};
    }
    return out.bytes();
}

QByteArray encode(const WriteBeginRequest &m)
{
    PayloadWriter out;
    out.u32(quint32(m.selector));
    out.u16(m.count);
    out.u32(m.planCrc);
    RecordCodec::writeFavorites(out, m.favorites);
    return out.bytes();
}

QByteArray encode(const Commitment &m)
{
    PayloadWriter out;
    out.u8(quint8(m.kind));
    out.u16(m.count);
    out.u32(m.crc);
    return out.bytes();
}

QByteArray encode(const NakReply &m)
{
    PayloadWriter out;
    out.u8(m.requestType);
    out.u8(quint8(m.reason));
    out.text(m.text.left(80));
    return out.bytes();
}

QByteArray encodeSelector(qint32 selector)
{
    PayloadWriter out;
    out.u32(quint32(selector));
    return out.bytes();
}

QByteArray encodeFavorites(const FavoritesRecord &favorites)
{
    PayloadWriter out;
    RecordCodec::writeFavorites(out, favorites);
    return out.bytes();
}

QByteArray encodeAck(quint8 requestType)
{
    return QByteArray(1, char(requestType));
}

std::optional<HelloRequest> decodeHelloRequest(QByteArrayView payload)
{
    PayloadReader in(payload);
    HelloRequest m;
    m.versionMin = in.u8();
    m.versionMax = in.u8();
    return finished(in, m);
}

std::optional<HelloReply> decodeHelloReply(QByteArrayView payload)
{
    PayloadReader in(payload);
    HelloReply m;
    m.version = in.u8();
    m.maxPayload = in.u16();
    m.maxChannels = in.u16();
    m.generation = in.u32();
    m.model = in.text();
    m.serial = in.text();
    return finished(in, m);
}

std::optional<PlanSummary> decodePlanSummary(QByteArrayView payload)
{
    PayloadReader in(payload);
    PlanSummary m;
    m.count = in.u16();
    m.planCrc = in.u32();
    m.generation = in.u32();
    m.favorites = RecordCodec::readFavorites(in);
    return finished(in, m);
}

std::optional<ReadRecordsRequest> decodeReadRecordsRequest(QByteArrayView payload)
{
    PayloadReader in(payload);
    ReadRecordsRequest m;
    m.selector = qint32(in.u32());
    m.first = in.u16();
    return finished(in, m);
}

std::optional<RecordBatch> decodeRecordBatch(QByteArrayView payload)
{
    PayloadReader in(payload);
    RecordBatch m;
    m.first = in.u16();
    const int n = in.u8();
    // Each record takes at least kMinRecordSize bytes: a count that cannot
    // fit is refused before anything is allocated for it.
    if (!in.ok() || n * RecordCodec::kMinRecordSize > payload.size() - in.position())
        return std::nullopt;
    m.records.reserve(n);
    for (int i = 0; i < n && in.ok(); ++i)
        m.records.append(RecordCodec::readRecord(in));
    return finished(in, m);
}

std::optional<WriteBeginRequest> decodeWriteBeginRequest(QByteArrayView payload)
{
    PayloadReader in(payload);
    WriteBeginRequest m;
    m.selector = qint32(in.u32());
    m.count = in.u16();
    m.planCrc = in.u32();
    m.favorites = RecordCodec::readFavorites(in);
    return finished(in, m);
}

std::optional<Commitment> decodeCommitment(QByteArrayView payload)
{
    PayloadReader in(payload);
    Commitment m;
    const quint8 kind = in.u8();
    if (kind != quint8(protocol::StagedKind::Plan)
        && kind != quint8(protocol::StagedKind::Favorites))
        return std::nullopt;
    m.kind = protocol::StagedKind(kind);
    m.count = in.u16();
    m.crc = in.u32();
    return finished(in, m);
}

std::optional<NakReply> decodeNak(QByteArrayView payload)
{
    PayloadReader in(payload);
    NakReply m;
    m.requestType = in.u8();
    m.reason = protocol::NakReason(in.u8());
    m.text = in.text();
    return finished(in, m);
}

std::optional<qint32> decodeSelector(QByteArrayView payload)
{
    PayloadReader in(payload);
    const qint32 selector = qint32(in.u32());
    return finished(in, selector);
}

std::optional<FavoritesRecord> decodeFavorites(QByteArrayView payload)
{
    PayloadReader in(payload);
    const FavoritesRecord f = RecordCodec::readFavorites(in);
    return finished(in, f);
}

std::optional<quint8> decodeAck(QByteArrayView payload)
{
    PayloadReader in(payload);
    const quint8 type = in.u8();
    return finished(in, type);
}

int recordsThatFit(const QList<QByteArray> &encoded, int first, int maxPayload)
{
    int size = kBatchHeader;
    int n = 0;
    for (int i = first; i < encoded.size() && n < 255; ++i) {
        if (size + encoded[i].size() > maxPayload)
            break;
        size += int(encoded[i].size());
        ++n;
    }
    return n;
}

QByteArray encodeBatch(quint16 first, const QList<QByteArray> &encoded, int from, int n)
{
    PayloadWriter out;
    out.u16(first);
    out.u8(quint8(n));
    for (int i = from; i < from + n; ++i)
        out.raw(encoded[i]);
    return out.bytes();
}

} // namespace plandor::Messages
