#include "transfer/serial/Messages.h"

#include "transfer/serial/Framing.h"
#include "transfer/serial/Records.h"

#include <QStringDecoder>
#include <QtEndian>

#include <cstring>

namespace plandor {

void PayloadWriter::u16(quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    m_bytes.append(b, 2);
}

void PayloadWriter::u32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    m_bytes.append(b, 4);
}

void PayloadWriter::f32(float v)
{
    // The bit pattern travels unchanged, NaN and negative zero included.
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void PayloadWriter::varint(quint32 v)
{
    while (v >= 0x80) {
        u8(quint8(v | 0x80));
        v >>= 7;
    }
    u8(quint8(v));
}

bool PayloadWriter::text(const QString &s)
{
    const QByteArray utf8 = s.toUtf8();
    if (utf8.size() > protocol::kMaxTextBytes)
        return false;
    u8(quint8(utf8.size()));
    m_bytes.append(utf8);
    return true;
}

bool PayloadReader::take(qsizetype n)
{
    if (!m_ok || n > m_bytes.size() - m_pos) {
        m_ok = false;
        return false;
    }
    return true;
}

quint8 PayloadReader::u8()
{
    if (!take(1))
        return 0;
    return quint8(m_bytes[m_pos++]);
}

quint16 PayloadReader::u16()
{
    if (!take(2))
        return 0;
    const quint16 v = qFromLittleEndian<quint16>(m_bytes.data() + m_pos);
    m_pos += 2;
    return v;
}

quint32 PayloadReader::u32()
{
    if (!take(4))
        return 0;
    const quint32 v = qFromLittleEndian<quint32>(m_bytes.data() + m_pos);
    m_pos += 4;
    return v;
}

float PayloadReader::f32()
{
    const quint32 bits = u32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

quint32 PayloadReader::varint()
{
    quint32 v = 0;
    for (int i = 0; i < 5; ++i) {
        const quint8 b = u8();
        if (!m_ok)
            return 0;
        if (i == 4 && b > 0x0F) // beyond 32 bits
            break;
        v |= quint32(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) {
            if (i > 0 && b == 0) // a longer form than needed
                break;
            return v;
        }
    }
    m_ok = false;
    return 0;
}

QByteArrayView PayloadReader::raw(qsizetype n)
{
    if (n < 0 || !take(n))
        return {};
    const QByteArrayView v = m_bytes.sliced(m_pos, n);
    m_pos += n;
    return v;
}

QString PayloadReader::text()
{
    return utf8(u8());
}

QString PayloadReader::utf8(qsizetype n)
{
    const QByteArrayView bytes = raw(n);
    if (!m_ok)
        return {};
    // A leading byte-order mark is part of the text, not a marker to drop.
    QStringDecoder decoder(QStringDecoder::Utf8,
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString s = decoder.decode(bytes);
    if (decoder.hasError()) {
        m_ok = false;
        return {};
    }
    return s;
}

} // namespace plandor

namespace plandor::Messages {

namespace {

constexpr int kBatchHeader = 3; // first u16, count u8

// The longest start of s whose UTF-8 form takes at most maxBytes.
QString cutToBytes(const QString &s, int maxBytes)
{
    QString cut = s;
    while (cut.toUtf8().size() > maxBytes)
        cut.chop(cut.size() >= 2 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
    return cut;
}

template <typename T> std::optional<T> finished(const PayloadReader &in, T value)
{
    if (!in.atEnd())
        return std::nullopt;
    return value;
}

} // namespace

const char *messageName(quint8 type)
{
    using protocol::MessageType;
    switch (MessageType(type)) {
    case MessageType::Hello:
        return "Hello";
    case MessageType::ReadBegin:
        return "ReadBegin";
    case MessageType::ReadRecords:
        return "ReadRecords";
    case MessageType::WriteFavorites:
        return "WriteFavorites";
    case MessageType::WriteBegin:
        return "WriteBegin";
    case MessageType::WriteRecords:
        return "WriteRecords";
    case MessageType::WriteCheck:
        return "WriteCheck";
    case MessageType::EndTransfer:
        return "EndTransfer";
    case MessageType::Identify:
        return "Identify";
    case MessageType::HelloReply:
        return "HelloReply";
    case MessageType::ReadBeginReply:
        return "ReadBeginReply";
    case MessageType::ReadRecordsReply:
        return "ReadRecordsReply";
    case MessageType::IdentifyReply:
        return "IdentifyReply";
    case MessageType::Ack:
        return "Ack";
    case MessageType::Nak:
        return "Nak";
    }
    return nullptr;
}

RecordLayout layoutForVersion(quint8 version)
{
    if (version >= protocol::kPackedVersion)
        return RecordLayout::Packed;
    return version >= protocol::kCompactVersion ? RecordLayout::Compact : RecordLayout::Plain;
}

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
    if (m.version >= protocol::kPackedVersion)
        out.u32(m.identityCrc);
    else
        out.raw(encode(m.identity.value_or(Identity {})));
    return out.bytes();
}

QByteArray encode(const Identity &m)
{
    PayloadWriter out;
    // Identity texts are the instrument's own; cut rather than refuse.
    out.text(cutToBytes(m.model, protocol::kMaxIdentityBytes));
    out.text(cutToBytes(m.serial, protocol::kMaxIdentityBytes));
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

QByteArray encode(const RecordBatch &m, RecordLayout layout)
{
    if (m.records.size() > 255)
        return {};
    if (layout == RecordLayout::Packed)
        return PackedRecordContext::encodeBatch(m.first, m.records);
    PayloadWriter out;
    out.u16(m.first);
    out.u8(quint8(m.records.size()));
    CompactRecordContext context(m.first);
    for (const LinkRecord &r : m.records) {
        const bool written = layout == RecordLayout::Compact ? context.write(out, r)
                                                             : RecordCodec::writeRecord(out, r);
        if (!written)
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
    if (m.records.isEmpty())
        return out.bytes();
    // The records that follow are a packed batch from index 0 without its
    // "first".
    const QByteArray batch = PackedRecordContext::encodeBatch(0, m.records);
    return batch.isEmpty() ? QByteArray() : out.bytes() + batch.sliced(2);
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
    out.text(cutToBytes(m.text, protocol::kMaxRefusalBytes));
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
    if (!in.ok())
        return std::nullopt;
    if (m.version >= protocol::kPackedVersion) {
        m.identityCrc = in.u32();
        return finished(in, m);
    }
    const qsizetype texts = in.position();
    Identity id;
    id.model = in.text();
    id.serial = in.text();
    // The same key a 1.2 reply carries, so that both can be told apart alike.
    m.identityCrc = Crc32(payload.sliced(qMin(texts, payload.size())));
    m.identity = id;
    return finished(in, m);
}

std::optional<Identity> decodeIdentity(QByteArrayView payload)
{
    PayloadReader in(payload);
    Identity m;
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

std::optional<RecordBatch> decodeRecordBatch(QByteArrayView payload, RecordLayout layout)
{
    PayloadReader in(payload);
    RecordBatch m;
    m.first = in.u16();
    const int n = in.u8();
    const int scale = layout == RecordLayout::Packed ? in.u8() : 0;
    // Each record takes at least one byte (a compact or packed one) or
    // kMinRecordSize bytes: a count that cannot fit is refused before
    // anything is allocated for it.
    const int minSize = layout == RecordLayout::Plain ? RecordCodec::kMinRecordSize : 1;
    if (!in.ok() || n * minSize > payload.size() - in.position()
        || scale > PackedRecordContext::kMaxScale)
        return std::nullopt;
    m.records.reserve(n);
    CompactRecordContext compact(m.first);
    PackedRecordContext packed(m.first, scale);
    for (int i = 0; i < n && in.ok(); ++i) {
        const std::optional<LinkRecord> r = layout == RecordLayout::Plain
            ? std::optional(RecordCodec::readRecord(in))
            : layout == RecordLayout::Compact ? compact.read(in)
                                              : packed.read(in);
        if (!r)
            return std::nullopt;
        m.records.append(*r);
    }
    return finished(in, m);
}

std::optional<WriteBeginRequest> decodeWriteBeginRequest(
    QByteArrayView payload, RecordLayout layout)
{
    PayloadReader in(payload);
    WriteBeginRequest m;
    m.selector = qint32(in.u32());
    m.count = in.u16();
    m.planCrc = in.u32();
    m.favorites = RecordCodec::readFavorites(in);
    if (!in.ok() || layout != RecordLayout::Packed || in.position() == payload.size())
        return finished(in, m);
    // The records that follow are a batch from index 0 without its "first".
    QByteArray batch(2, '\0');
    batch.append(payload.sliced(in.position()));
    const auto records = decodeRecordBatch(batch, layout);
    if (!records || records->records.isEmpty())
        return std::nullopt;
    m.records = records->records;
    return m;
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

QByteArray packOpening(
    const WriteBeginRequest &begin, const QList<LinkRecord> &records, int maxPayload, int *taken)
{
    WriteBeginRequest header = begin;
    header.records.clear();
    const QByteArray bytes = encode(header);
    // A batch's "first" (2 bytes) does not travel here.
    const QByteArray batch
        = PackedRecordContext::packBatch(records, 0, maxPayload - int(bytes.size()) + 2, taken);
    return *taken > 0 ? bytes + batch.sliced(2) : bytes;
}

QByteArray packBatch(
    const QList<LinkRecord> &records, int first, int maxPayload, RecordLayout layout, int *taken)
{
    if (layout == RecordLayout::Packed)
        return PackedRecordContext::packBatch(records, first, maxPayload, taken);
    PayloadWriter body;
    CompactRecordContext context(first);
    int n = 0;
    for (int i = first; i < records.size() && n < 255; ++i) {
        PayloadWriter one;
        // The compact context moves on only with a record that is kept.
        CompactRecordContext next = context;
        const bool written = layout == RecordLayout::Compact
            ? next.write(one, records[i])
            : RecordCodec::writeRecord(one, records[i]);
        if (!written || kBatchHeader + body.bytes().size() + one.bytes().size() > maxPayload)
            break;
        body.raw(one.bytes());
        context = next;
        ++n;
    }
    *taken = n;
    PayloadWriter out;
    out.u16(quint16(first));
    out.u8(quint8(n));
    out.raw(body.bytes());
    return out.bytes();
}

} // namespace plandor::Messages
