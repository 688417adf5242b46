#include "transfer/serial/CompactRecords.h"

#include <cmath>
#include <cstring>

namespace plandor {

namespace {

// The flag byte that leads every compact record.
constexpr quint8 kExplicitPosition = 0x01;
constexpr int kTypeShift = 1; // 0 "TV", 1 "DIGI", 2 text follows
constexpr int kFreqShift = 3; // 0 same step, 1 step follows, 2 raw float
constexpr int kAudioShift = 5; // 0 same as last of its type, 1 raster value, 2 raw float
constexpr quint8 kNameFollows = 0x80; // else: the previous name counted up

enum Mode : quint8 { Same = 0, Varint = 1, Raw = 2 };

constexpr qint64 kRasterLimit = 1000000000; // 10^9 steps of 10 kHz

quint32 bitsOf(float v)
{
    quint32 b;
    std::memcpy(&b, &v, 4);
    return b;
}

quint32 zigzag(qint32 v)
{
    return (quint32(v) << 1) ^ quint32(v >> 31);
}

qint32 unzigzag(quint32 v)
{
    return qint32((v >> 1) ^ (~(v & 1) + 1));
}

} // namespace

CompactRecordContext::CompactRecordContext(int first)
    : m_position(quint8(first))
{ }

std::optional<qint32> CompactRecordContext::rasterStep(float value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double scaled = std::round(double(value) * 100.0);
    if (std::fabs(scaled) > double(kRasterLimit))
        return std::nullopt;
    const qint32 k = qint32(scaled);
    if (bitsOf(fromRaster(k)) != bitsOf(value))
        return std::nullopt; // off the raster, or negative zero
    return k;
}

float CompactRecordContext::fromRaster(qint32 k)
{
    // Both divisions are correctly rounded, so every side gets the same bits.
    return float(double(k) / 100.0);
}

std::optional<QString> CompactRecordContext::nextName(const QString &name)
{
    qsizetype digits = 0;
    while (digits < name.size() && digits < 10 && name.at(name.size() - 1 - digits).unicode() >= '0'
        && name.at(name.size() - 1 - digits).unicode() <= '9')
        ++digits;
    if (digits == 0 || digits > 9)
        return std::nullopt;
    const qint64 n = name.right(digits).toLongLong();
    return name.left(name.size() - digits) + QString::number(n + 1);
}

int CompactRecordContext::typeSlot(const QString &type)
{
    if (type == QLatin1String("TV"))
        return 0;
    if (type == QLatin1String("DIGI"))
        return 1;
    return 2;
}

void CompactRecordContext::remember(const LinkRecord &record, std::optional<qint32> k)
{
    m_position = record.Position;
    if (k) {
        m_step = *k - m_k;
        m_k = *k;
    }
    m_audioBits[size_t(typeSlot(record.Type))] = bitsOf(record.Audio1);
    m_name = record.Name;
}

bool CompactRecordContext::write(PayloadWriter &out, const LinkRecord &record)
{
    PayloadWriter body;
    quint8 flags = 0;
    if (record.Position != quint8(m_position + 1)) {
        flags |= kExplicitPosition;
        body.u8(record.Position);
    }
    const int slot = typeSlot(record.Type);
    flags |= quint8((slot == 2 ? 2 : slot) << kTypeShift);
    if (slot == 2 && !body.text(record.Type))
        return false;

    const std::optional<qint32> k = rasterStep(record.Freq);
    if (!k) {
        flags |= quint8(Raw << kFreqShift);
        body.f32(record.Freq);
    } else if (qint64(*k) - m_k != m_step) {
        const qint64 step = qint64(*k) - m_k;
        flags |= quint8(Varint << kFreqShift);
        body.varint(zigzag(qint32(step))); // |step| <= 2 * 10^9 fits 32 bits
    }

    if (bitsOf(record.Audio1) != m_audioBits[size_t(slot)]) {
        if (const auto a = rasterStep(record.Audio1)) {
            flags |= quint8(Varint << kAudioShift);
            body.varint(zigzag(*a));
        } else {
            flags |= quint8(Raw << kAudioShift);
            body.f32(record.Audio1);
        }
    }

    if (nextName(m_name) != record.Name) {
        flags |= kNameFollows;
        if (!body.text(record.Name))
            return false;
    }
    out.u8(flags);
    out.raw(body.bytes());
    remember(record, k);
    return true;
}

std::optional<QString> CompactRecordContext::readType(int code, PayloadReader &in)
{
    switch (code) {
    case 0:
        return QStringLiteral("TV");
    case 1:
        return QStringLiteral("DIGI");
    case 2: {
        const QString type = in.text();
        // The shortcuts are the only way to say "TV" and "DIGI".
        return typeSlot(type) == 2 ? std::optional(type) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool CompactRecordContext::readAudio(int code, PayloadReader &in, LinkRecord &r) const
{
    switch (code) {
    case Same:
        std::memcpy(&r.Audio1, &m_audioBits[size_t(typeSlot(r.Type))], 4);
        return true;
    case Varint: {
        const qint32 a = unzigzag(in.varint());
        if (std::abs(qint64(a)) > kRasterLimit)
            return false;
        r.Audio1 = fromRaster(a);
        return true;
    }
    case Raw:
        r.Audio1 = in.f32();
        return true;
    default:
        return false;
    }
}

std::optional<LinkRecord> CompactRecordContext::read(PayloadReader &in)
{
    const quint8 flags = in.u8();
    if (!in.ok())
        return std::nullopt;
    LinkRecord r;
    r.Position = (flags & kExplicitPosition) ? in.u8() : quint8(m_position + 1);

    const std::optional<QString> type = readType((flags >> kTypeShift) & 3, in);
    if (!type)
        return std::nullopt;
    r.Type = *type;

    std::optional<qint64> k; // wide, so that a sum past the limit is seen, not wrapped
    switch ((flags >> kFreqShift) & 3) {
    case Same:
        k = qint64(m_k) + m_step;
        break;
    case Varint:
        k = qint64(m_k) + unzigzag(in.varint());
        break;
    case Raw:
        r.Freq = in.f32();
        break;
    default:
        return std::nullopt;
    }
    // Only the k this record arrives at counts: the step it replaces may
    // have pointed anywhere.
    if (k) {
        if (std::abs(*k) > kRasterLimit)
            return std::nullopt;
        r.Freq = fromRaster(qint32(*k));
    }

    if (!readAudio((flags >> kAudioShift) & 3, in, r))
        return std::nullopt;

    if (flags & kNameFollows) {
        r.Name = in.text();
    } else {
        const std::optional<QString> next = nextName(m_name);
        if (!next)
            return std::nullopt;
        r.Name = *next;
    }
    if (!in.ok())
        return std::nullopt;
    remember(r, k ? std::optional<qint32>(qint32(*k)) : std::nullopt);
    return r;
}

} // namespace plandor
