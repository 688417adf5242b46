#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"
#include "transfer/serial/Protocol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace plandor {

// Writes the little-endian fields of a message payload.
class PayloadWriter
{
public:
    void u8(quint8 v) { m_bytes.append(char(v)); }
    void u16(quint16 v);
    void u32(quint32 v);
    void f32(float v);
    // An unsigned number in 7-bit groups, low group first, the high bit of a
    // byte telling that another follows: 1 to 5 bytes.
    void varint(quint32 v);
    void raw(QByteArrayView bytes) { m_bytes.append(bytes); }
    // A text as one length byte and its UTF-8 bytes; false (nothing written)
    // when it needs more than 255 bytes.
    bool text(const QString &s);

    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reads the fields PayloadWriter writes. A read past the end, or a text that
// is not valid UTF-8, makes the reader fail; once failed, every read gives 0
// or an empty value, so a decoder checks ok() once at the end.
class PayloadReader
{
public:
    explicit PayloadReader(QByteArrayView bytes)
        : m_bytes(bytes)
    { }

    quint8 u8();
    quint16 u16();
    quint32 u32();
    float f32();
    // Fails on more than 5 bytes, a value beyond 32 bits, or a number not in
    // its shortest form.
    quint32 varint();
    QByteArrayView raw(qsizetype n);
    QString text();
    // n bytes of UTF-8 whose count was given elsewhere.
    QString utf8(qsizetype n);

    bool ok() const { return m_ok; }
    // True when every byte was read and nothing failed.
    bool atEnd() const { return m_ok && m_pos == m_bytes.size(); }
    qsizetype position() const { return m_pos; }

private:
    bool take(qsizetype n);

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

// The payloads of the protocol's messages (docs/protocol.md) and their
// encoders and decoders. A decoder gives nothing unless the payload has
// exactly the layout of its message.
namespace Messages {

// How channel records travel in a batch: the 1.0 layout, record by record,
// the compact layout of protocol 1.1, or the packed layout of 1.2 (a batch
// on a raster of its own); the handshake agrees the version.
enum class RecordLayout { Plain, Compact, Packed };

// The message type's name ("Hello", "Ack" ...); null for a type the
// protocol does not have.
const char *messageName(quint8 type);

// The layout a session of the given protocol version uses.
RecordLayout layoutForVersion(quint8 version);

struct HelloRequest
{
    quint8 versionMin = protocol::kVersionMin;
    quint8 versionMax = protocol::kVersionMax;
    friend bool operator==(const HelloRequest &, const HelloRequest &) = default;
};

// What an instrument says of itself: in the HelloReply before 1.2, in the
// reply to Identify from 1.2 on.
struct Identity
{
    QString model;
    QString serial;
    friend bool operator==(const Identity &, const Identity &) = default;
};

struct HelloReply
{
    quint8 version = 0;
    quint16 maxPayload = 0;
    quint16 maxChannels = 0;
    quint32 generation = 0; // changes with every committed write
    // The CRC of the identity's payload: from 1.2 on the reply carries it
    // instead of the texts, so that a PC that knows them need not ask.
    quint32 identityCrc = 0;
    // The texts, when the reply carries them (before 1.2).
    std::optional<Identity> identity;
    friend bool operator==(const HelloReply &, const HelloReply &) = default;
};

// A plan as the instrument holds it, before its records: ReadBegin's reply.
struct PlanSummary
{
    quint16 count = 0;
    quint32 planCrc = 0;
    quint32 generation = 0;
    FavoritesRecord favorites;
    friend bool operator==(const PlanSummary &, const PlanSummary &) = default;
};

struct ReadRecordsRequest
{
    qint32 selector = 0;
    quint16 first = 0; // index from 0
    friend bool operator==(const ReadRecordsRequest &, const ReadRecordsRequest &) = default;
};

// Consecutive records from index first: ReadRecords' reply and WriteRecords.
struct RecordBatch
{
    quint16 first = 0;
    QList<LinkRecord> records;
    friend bool operator==(const RecordBatch &, const RecordBatch &) = default;
};

struct WriteBeginRequest
{
    qint32 selector = 0;
    quint16 count = 0;
    quint32 planCrc = 0;
    FavoritesRecord favorites;
    // From 1.2 on the write's first records may come with it (from index 0).
    QList<LinkRecord> records;
    friend bool operator==(const WriteBeginRequest &, const WriteBeginRequest &) = default;
};

// WriteCheck (kind Plan) and EndTransfer: what the instrument must hold.
struct Commitment
{
    protocol::StagedKind kind = protocol::StagedKind::Plan;
    quint16 count = 0;
    quint32 crc = 0;
    friend bool operator==(const Commitment &, const Commitment &) = default;
};

struct NakReply
{
    quint8 requestType = 0;
    protocol::NakReason reason = protocol::NakReason::Malformed;
    QString text;
    friend bool operator==(const NakReply &, const NakReply &) = default;
};

QByteArray encode(const HelloRequest &m);
QByteArray encode(const HelloReply &m);
QByteArray encode(const PlanSummary &m);
QByteArray encode(const ReadRecordsRequest &m);
// Empty when a record's text needs more than 255 bytes.
QByteArray encode(const RecordBatch &m, RecordLayout layout = RecordLayout::Plain);
QByteArray encode(const Identity &m);
// The header and, when there are any, the records in the packed layout;
// empty when the records cannot be encoded (more than 255, a text over 255
// bytes).
QByteArray encode(const WriteBeginRequest &m);
QByteArray encode(const Commitment &m);
QByteArray encode(const NakReply &m);
QByteArray encodeSelector(qint32 selector);
QByteArray encodeFavorites(const FavoritesRecord &favorites);
QByteArray encodeAck(quint8 requestType);

std::optional<HelloRequest> decodeHelloRequest(QByteArrayView payload);
std::optional<HelloReply> decodeHelloReply(QByteArrayView payload);
std::optional<PlanSummary> decodePlanSummary(QByteArrayView payload);
std::optional<ReadRecordsRequest> decodeReadRecordsRequest(QByteArrayView payload);
std::optional<RecordBatch> decodeRecordBatch(
    QByteArrayView payload, RecordLayout layout = RecordLayout::Plain);
std::optional<Identity> decodeIdentity(QByteArrayView payload);
// Records after the header only in the packed layout (at least one).
std::optional<WriteBeginRequest> decodeWriteBeginRequest(
    QByteArrayView payload, RecordLayout layout = RecordLayout::Plain);
std::optional<Commitment> decodeCommitment(QByteArrayView payload);
std::optional<NakReply> decodeNak(QByteArrayView payload);
std::optional<qint32> decodeSelector(QByteArrayView payload);
std::optional<FavoritesRecord> decodeFavorites(QByteArrayView payload);
std::optional<quint8> decodeAck(QByteArrayView payload);

// A batch of the records from index first on, as many as fit a payload of
// at most maxPayload bytes (at most 255). taken is 0 when none remains or
// the next does not fit at all (or a text needs more than 255 bytes).
QByteArray packBatch(
    const QList<LinkRecord> &records, int first, int maxPayload, RecordLayout layout, int *taken);
// A WriteBegin of the packed layout carrying as many of the plan's first
// records as fit maxPayload (none when not even one fits).
QByteArray packOpening(
    const WriteBeginRequest &begin, const QList<LinkRecord> &records, int maxPayload, int *taken);

} // namespace Messages
} // namespace plandor
