#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"
#include "transfer/serial/Messages.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace plandor {

// The channel and panel records as they travel inside message payloads.
// A channel: Position u8, Freq f32, Audio1 f32, Type and Name as counted
// UTF-8 texts. Id and the spare fields do not travel.
namespace RecordCodec {

constexpr int kFavoritesSize = 10;
// A channel whose texts are both empty.
constexpr int kMinRecordSize = 1 + 4 + 4 + 1 + 1;

// False when a text needs more than 255 UTF-8 bytes.
bool writeRecord(PayloadWriter &out, const LinkRecord &record);
LinkRecord readRecord(PayloadReader &in);
// The bytes of one record; empty when it cannot be encoded.
QByteArray encodeRecord(const LinkRecord &record);

void writeFavorites(PayloadWriter &out, const FavoritesRecord &favorites);
FavoritesRecord readFavorites(PayloadReader &in);

// The whole-plan check: CRC-32 over the records' encodings in order.
quint32 planCrc(const QList<QByteArray> &encodedRecords);
// The same over records, in their 1.0 encoding whatever layout carried them.
quint32 planCrc(const QList<LinkRecord> &records);
// The check of a panel written alone: CRC-32 over its 10 bytes.
quint32 favoritesCrc(const FavoritesRecord &favorites);

} // namespace RecordCodec

// The compact channel layout of protocol 1.1 (docs/protocol.md, "Compact
// records"). A record leans on the records before it in the same batch: a
// frequency as a step on the 10 kHz raster (or the same step again), the
// audio offset as the last one of its type, the name as the previous name
// counted up. Anything the shortcuts cannot say exactly travels as it is, so
// every float bit pattern and every name comes back unchanged.
class CompactRecordContext
{
public:
    // A batch starting at index first: positions count on from first.
    explicit CompactRecordContext(int first);

    // Appends one record; false (nothing written) when a text needs more than
    // 255 bytes.
    bool write(PayloadWriter &out, const LinkRecord &record);
    // Reads one record; nothing when the bytes are not a compact record.
    std::optional<LinkRecord> read(PayloadReader &in);

    // k with float(k / 100) == value, bit for bit, |k| <= 10^9; nothing for a
    // value off the raster (negative zero, NaN, fractions of 10 kHz).
    static std::optional<qint32> rasterStep(float value);
    static float fromRaster(qint32 k);
    // The name counted up by one ("C12" -> "C13", "9" -> "10"); nothing for a
    // name that does not end in 1 to 9 digits.
    static std::optional<QString> nextName(const QString &name);

private:
    static int typeSlot(const QString &type);
    void remember(const LinkRecord &record, std::optional<qint32> k);
    // The type and the audio of a record from their 2-bit codes; nothing,
    // or false, when the bytes say nothing sound.
    static std::optional<QString> readType(int code, PayloadReader &in);
    bool readAudio(int code, PayloadReader &in, LinkRecord &record) const;

    quint8 m_position;
    qint32 m_k = 0;
    qint32 m_step = 0;
    std::array<quint32, 3> m_audioBits {}; // last audio of TV, DIGI, other
    QString m_name;
};

// The packed channel layout of protocol 1.2 (docs/protocol.md, "Packed
// records"). Like the 1.1 compact layout a record leans on the records
// before it in the same batch, but the batch names its own raster (10 kHz,
// 1 kHz, 100 Hz ...): a TV or DIGI channel that lies up to 2^19 raster steps
// above the one before, with one of the four last audios of its type,
// travels in a short form of 2 or 3 bytes plus its name, and a name of one to three digits,
// capitals and "-./" takes 2 bytes. Anything the shortcuts cannot say
// exactly travels as it is, so every float bit pattern and every name comes
// back unchanged.
class PackedRecordContext
{
public:
    // The largest scale: a raster of 1 Hz.
    static constexpr int kMaxScale = 6;

    // A batch starting at index first, on the raster of 10^-scale MHz.
    PackedRecordContext(int first, int scale);

    // Appends one record in its shortest form; false (nothing written) when
    // a text needs more than 255 bytes.
    bool write(PayloadWriter &out, const LinkRecord &record);
    // Reads one record; nothing when the bytes are not a packed record.
    std::optional<LinkRecord> read(PayloadReader &in);

    // The 2-byte code of a name of 1 to 3 symbols; nothing for another name.
    static std::optional<quint16> symbolCode(const QString &name);
    // The name a code below 64000 stands for; nothing for an invalid one.
    static std::optional<QString> symbolName(quint16 code);

    // A batch payload (header and records) of the records from index first
    // on, as many as fit maxPayload bytes and at most 255, at the scale that
    // takes the most of them in the fewest bytes. taken is 0 when none fits
    // (or a text needs more than 255 bytes).
    static QByteArray packBatch(
        const QList<LinkRecord> &records, int first, int maxPayload, int *taken);
    // All the records as one batch from index first, at the scale that takes
    // the fewest bytes; empty when they are more than 255 or a text needs
    // more than 255 bytes.
    static QByteArray encodeBatch(quint16 first, const QList<LinkRecord> &records);

private:
    static QByteArray pack(
        const QList<LinkRecord> &records, int from, quint16 first, int maxPayload, int *taken);
    // k with raster(k) == value bit for bit, |k| <= 10^9, at this scale.
    std::optional<qint64> rasterStep(float value) const;
    float fromRaster(qint64 k) const;
    static int typeSlot(const QString &type);
    void remember(const LinkRecord &record, std::optional<qint64> k);
    // The long form's flags and the bytes after them; k is cleared where a
    // raw frequency is shorter than the step. pick is the recent audio the
    // record uses, -1 for none; name the name's bytes, null when it counts up.
    bool writeLongBody(PayloadWriter &body, quint8 &flags, const LinkRecord &record,
        std::optional<qint64> &k, int pick, const QByteArray *name) const;
    static std::optional<QString> readName(PayloadReader &in);
    // Each fills r (its position already the next one) and the raster step
    // k it names; false when the bytes say nothing sound.
    bool readShort(quint8 first, PayloadReader &in, LinkRecord &r, std::optional<qint64> &k) const;
    bool readLong(quint8 first, PayloadReader &in, LinkRecord &r, std::optional<qint64> &k) const;

    double m_unit; // 10^scale raster steps to a MHz
    quint8 m_position;
    qint64 m_k = 0;
    qint64 m_step = 0;
    quint32 m_freqBits = 0;
    // The four most recent audios of each type slot (TV, DIGI, other), the
    // last one first.
    std::array<std::array<quint32, 4>, 3> m_recentAudio {};
    QString m_name;
};

// What a channel record and a panel on the line may hold (docs/protocol.md,
// "Content rules"): the instrument refuses a write that breaks them, and the
// PC refuses a plan read that breaks them. Each gives the refusal text, naming
// the channel and the field, or nothing when the values pass.
namespace ContentRules {

// The record at index (from 0) of a plan.
std::optional<QString> refuseRecord(const LinkRecord &record, int index);
std::optional<QString> refusePanel(const FavoritesRecord &favorites);

} // namespace ContentRules

} // namespace plandor
