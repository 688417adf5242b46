#pragma once

#include "transfer/LinkRecord.h"
#include "transfer/serial/Payload.h"

#include <QList>

#include <array>
#include <optional>

namespace plandor {

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

} // namespace plandor
