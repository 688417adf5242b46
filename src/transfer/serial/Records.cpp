#include "transfer/serial/Records.h"

#include "transfer/serial/Framing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace plandor::RecordCodec {

bool writeRecord(PayloadWriter &out, const LinkRecord &record)
{
    PayloadWriter one;
    one.u8(record.Position);
    one.f32(record.Freq);
    one.f32(record.Audio1);
    if (!one.text(record.Type) || !one.text(record.Name))
        return false;
    out.raw(one.bytes());
    return true;
}

LinkRecord readRecord(PayloadReader &in)
{
    LinkRecord record;
    record.Position = in.u8();
    record.Freq = in.f32();
    record.Audio1 = in.f32();
    record.Type = in.text();
    record.Name = in.text();
    return record;
}

QByteArray encodeRecord(const LinkRecord &record)
{
    PayloadWriter out;
    if (!writeRecord(out, record))
        return {};
    return out.bytes();
}

void writeFavorites(PayloadWriter &out, const FavoritesRecord &f)
{
    out.u8(f.Favorite1);
    out.u8(f.Favorite2);
    out.u8(f.Favorite3);
    out.u8(f.Favorite4);
    out.u8(f.Favorite5);
    out.u8(f.Favorite6);
    out.u16(quint16(f.Span));
    out.u8(f.Unit);
    out.u8(f.Filler);
}

FavoritesRecord readFavorites(PayloadReader &in)
{
    FavoritesRecord f;
    f.Favorite1 = in.u8();
    f.Favorite2 = in.u8();
    f.Favorite3 = in.u8();
    f.Favorite4 = in.u8();
    f.Favorite5 = in.u8();
    f.Favorite6 = in.u8();
    f.Span = qint16(in.u16());
    f.Unit = in.u8();
    f.Filler = in.u8();
    return f;
}

quint32 planCrc(const QList<QByteArray> &encodedRecords)
{
    quint32 crc = 0;
    for (const QByteArray &bytes : encodedRecords)
        crc = Crc32(bytes, crc);
    return crc;
}

quint32 planCrc(const QList<LinkRecord> &records)
{
    quint32 crc = 0;
    for (const LinkRecord &r : records)
        crc = Crc32(encodeRecord(r), crc);
    return crc;
}

quint32 favoritesCrc(const FavoritesRecord &favorites)
{
    PayloadWriter out;
    writeFavorites(out, favorites);
    return Crc32(out.bytes());
}

} // namespace plandor::RecordCodec

namespace plandor {

namespace {

// Shared by the compact and the packed layouts.
constexpr qint64 kRasterLimit = 1000000000; // |k| at most 10^9 raster steps

quint32 bitsOf(float v)
{
    quint32 b;
    std::memcpy(&b, &v, 4);
    return b;
}

float fromBits(quint32 b)
{
    float v;
    std::memcpy(&v, &b, 4);
    return v;
}

quint32 zigzag(qint32 v)
{
    return (quint32(v) << 1) ^ quint32(v >> 31);
}

qint32 unzigzag(quint32 v)
{
    return qint32((v >> 1) ^ (~(v & 1) + 1));
}

int varintSize(quint32 v)
{
    int n = 1;
    for (; v >= 0x80; v >>= 7)
        ++n;
    return n;
}

// The flag byte that leads every compact record.
namespace CompactFlags {
constexpr quint8 kExplicitPosition = 0x01;
constexpr int kTypeShift = 1; // 0 "TV", 1 "DIGI", 2 text follows
constexpr int kFreqShift = 3; // 0 same step, 1 step follows, 2 raw float
constexpr int kAudioShift = 5; // 0 same as last of its type, 1 raster value, 2 raw float
constexpr quint8 kNameFollows = 0x80; // else: the previous name counted up
} // namespace CompactFlags

enum Mode : quint8 { Same = 0, Varint = 1, Raw = 2 };

// The first byte of a packed record. Short form: bit 7 set.
constexpr quint8 kShortForm = 0x80;
constexpr quint8 kShortLong = 0x40; // two more bytes follow, else one
constexpr quint8 kShortDigi = 0x20; // else TV
constexpr int kShortLowBits = 5;
// The second of two bytes: its top two bits pick one of the slot's recent
// audios, the other six carry the step's top bits.
constexpr int kShortHighBits = 6;
constexpr int kShortPickShift = 6;
constexpr qint64 kShortSmallSteps = qint64(1) << 13;
constexpr qint64 kShortSteps = qint64(1) << (13 + kShortHighBits);

// Long form: bits 0-1 type, 2-3 frequency, 4-5 audio, 6 name follows.
namespace LongForm {
constexpr int kFreqShift = 2;
constexpr int kAudioShift = 4;
constexpr quint8 kNameFollows = 0x40;
} // namespace LongForm
enum TypeMode : quint8 { Tv = 0, Digi = 1, TypeText = 2, PositionAndType = 3 };
enum FreqMode : quint8 { SameStep = 0, NewStep = 1, RawFreq = 2, BitDelta = 3 };
enum AudioMode : quint8 { LastAudio = 0, RasterAudio = 1, RawAudio = 2, PreviousAudio = 3 };

// Name codes: 1600 s1 + 40 s2 + s3 below this; a counted text of up to 255
// bytes from here on.
constexpr int kSymbolCodes = 64000;
constexpr int kTextCodes = kSymbolCodes + 256;
constexpr char kSymbols[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-./";
static_assert(sizeof(kSymbols) == 40); // 39 symbols and "none"

int symbolOf(QChar c)
{
    const char *at = c.unicode() < 0x80 && c.unicode() != 0
        ? std::strchr(kSymbols, char(c.unicode()))
        : nullptr;
    return at ? int(at - kSymbols) + 1 : 0;
}

// A name's code and the bytes after it; nothing for a text past 255 bytes.
std::optional<QByteArray> nameBytes(const QString &name)
{
    PayloadWriter out;
    if (const auto code = PackedRecordContext::symbolCode(name)) {
        out.u16(*code);
        return out.bytes();
    }
    const QByteArray utf8 = name.toUtf8();
    if (utf8.size() > 255)
        return std::nullopt;
    out.u16(quint16(kSymbolCodes + utf8.size()));
    out.raw(utf8);
    return out.bytes();
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
        flags |= CompactFlags::kExplicitPosition;
        body.u8(record.Position);
    }
    const int slot = typeSlot(record.Type);
    flags |= quint8((slot == 2 ? 2 : slot) << CompactFlags::kTypeShift);
    if (slot == 2 && !body.text(record.Type))
        return false;

    const std::optional<qint32> k = rasterStep(record.Freq);
    if (!k) {
        flags |= quint8(Raw << CompactFlags::kFreqShift);
        body.f32(record.Freq);
    } else if (qint64(*k) - m_k != m_step) {
        const qint64 step = qint64(*k) - m_k;
        flags |= quint8(Varint << CompactFlags::kFreqShift);
        body.varint(zigzag(qint32(step))); // |step| <= 2 * 10^9 fits 32 bits
    }

    if (bitsOf(record.Audio1) != m_audioBits[size_t(slot)]) {
        if (const auto a = rasterStep(record.Audio1)) {
            flags |= quint8(Varint << CompactFlags::kAudioShift);
            body.varint(zigzag(*a));
        } else {
            flags |= quint8(Raw << CompactFlags::kAudioShift);
            body.f32(record.Audio1);
        }
    }

    if (nextName(m_name) != record.Name) {
        flags |= CompactFlags::kNameFollows;
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
    r.Position = (flags & CompactFlags::kExplicitPosition) ? in.u8() : quint8(m_position + 1);

    const std::optional<QString> type = readType((flags >> CompactFlags::kTypeShift) & 3, in);
    if (!type)
        return std::nullopt;
    r.Type = *type;

    std::optional<qint64> k; // wide, so that a sum past the limit is seen, not wrapped
    switch ((flags >> CompactFlags::kFreqShift) & 3) {
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

    if (!readAudio((flags >> CompactFlags::kAudioShift) & 3, in, r))
        return std::nullopt;

    if (flags & CompactFlags::kNameFollows) {
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

PackedRecordContext::PackedRecordContext(int first, int scale)
    : m_unit(std::pow(10.0, scale))
    , m_position(quint8(first))
{ }

std::optional<quint16> PackedRecordContext::symbolCode(const QString &name)
{
    if (name.isEmpty() || name.size() > 3)
        return std::nullopt;
    int code = 0;
    for (qsizetype i = 0; i < 3; ++i) {
        const int symbol = i < name.size() ? symbolOf(name.at(i)) : 0;
        if (i < name.size() && symbol == 0)
            return std::nullopt;
        code = code * 40 + symbol;
    }
    return quint16(code);
}

std::optional<QString> PackedRecordContext::symbolName(quint16 code)
{
    if (code >= kSymbolCodes)
        return std::nullopt;
    const int symbols[3] = { code / 1600, code / 40 % 40, code % 40 };
    // A first symbol, and "none" only at the end.
    if (symbols[0] == 0 || (symbols[1] == 0 && symbols[2] != 0))
        return std::nullopt;
    QString name;
    for (int s : symbols) {
        if (s != 0)
            name.append(QLatin1Char(kSymbols[s - 1]));
    }
    return name;
}

std::optional<qint64> PackedRecordContext::rasterStep(float value) const
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Of the k that give the same float, the one nearest to value x 10^scale.
    const double scaled = std::round(double(value) * m_unit);
    if (std::fabs(scaled) > double(kRasterLimit))
        return std::nullopt;
    const qint64 k = qint64(scaled);
    if (bitsOf(fromRaster(k)) != bitsOf(value))
        return std::nullopt; // off the raster, or negative zero
    return k;
}

float PackedRecordContext::fromRaster(qint64 k) const
{
    // Both divisions are correctly rounded, so every side gets the same bits.
    return float(double(k) / m_unit);
}

int PackedRecordContext::typeSlot(const QString &type)
{
    if (type == QLatin1String("TV"))
        return 0;
    if (type == QLatin1String("DIGI"))
        return 1;
    return 2;
}

void PackedRecordContext::remember(const LinkRecord &record, std::optional<qint64> k)
{
    m_position = record.Position;
    if (k) {
        m_step = *k - m_k;
        m_k = *k;
    }
    m_freqBits = bitsOf(record.Freq);
    // The audio moves to the front of its slot's recent ones; a new one
    // pushes the oldest out.
    auto &recent = m_recentAudio[size_t(typeSlot(record.Type))];
    const quint32 audio = bitsOf(record.Audio1);
    auto at = std::find(recent.begin(), recent.end(), audio);
    if (at == recent.end())
        at = recent.end() - 1;
    std::rotate(recent.begin(), at, at + 1);
    recent.front() = audio;
    m_name = record.Name;
}

bool PackedRecordContext::writeLongBody(PayloadWriter &body, quint8 &flags,
    const LinkRecord &record, std::optional<qint64> &k, int pick, const QByteArray *name) const
{
    const int slot = typeSlot(record.Type);
    if (record.Position != quint8(m_position + 1)) {
        flags |= PositionAndType;
        body.u8(record.Position);
        if (!body.text(record.Type))
            return false;
    } else if (slot == 2) {
        flags |= TypeText;
        if (!body.text(record.Type))
            return false;
    } else {
        flags |= quint8(slot);
    }

    const qint64 step = k ? *k - m_k : 0;
    if (k && step != m_step && varintSize(zigzag(qint32(step))) > 4)
        k.reset(); // a raw value is shorter
    if (k && step != m_step) {
        flags |= quint8(NewStep << LongForm::kFreqShift);
        body.varint(zigzag(qint32(step))); // |step| <= 2 * 10^9 fits 32 bits
    } else if (!k) {
        const quint32 delta = zigzag(qint32(bitsOf(record.Freq) - m_freqBits));
        if (varintSize(delta) < 4) {
            flags |= quint8(BitDelta << LongForm::kFreqShift);
            body.varint(delta);
        } else {
            flags |= quint8(RawFreq << LongForm::kFreqShift);
            body.f32(record.Freq);
        }
    }

    if (pick != 0) {
        const std::optional<qint64> a = rasterStep(record.Audio1);
        if (pick == 1) {
            flags |= quint8(PreviousAudio << LongForm::kAudioShift);
        } else if (a && varintSize(zigzag(qint32(*a))) < 4) {
            flags |= quint8(RasterAudio << LongForm::kAudioShift);
            body.varint(zigzag(qint32(*a)));
        } else {
            flags |= quint8(RawAudio << LongForm::kAudioShift);
            body.f32(record.Audio1);
        }
    }
    if (name) {
        flags |= LongForm::kNameFollows;
        body.raw(*name);
    }
    return true;
}

bool PackedRecordContext::write(PayloadWriter &out, const LinkRecord &record)
{
    const int slot = typeSlot(record.Type);
    const bool countedUp = CompactRecordContext::nextName(m_name) == record.Name;
    const std::optional<QByteArray> name = nameBytes(record.Name);
    if (!name && !countedUp)
        return false;
    // Where several k give the float, the one the same step reaches costs
    // nothing; else the one nearest to it.
    std::optional<qint64> k = m_k + m_step;
    if (std::abs(*k) > kRasterLimit || bitsOf(fromRaster(*k)) != bitsOf(record.Freq))
        k = rasterStep(record.Freq);
    const auto &recent = m_recentAudio[size_t(slot)];
    const auto recentAt = std::find(recent.begin(), recent.end(), bitsOf(record.Audio1));
    const int pick = recentAt == recent.end() ? -1 : int(recentAt - recent.begin());

    PayloadWriter body;
    quint8 flags = 0;
    std::optional<qint64> longK = k;
    if (!writeLongBody(body, flags, record, longK, pick, countedUp ? nullptr : &*name))
        return false;

    // The short form, when it can say the record and is shorter.
    const qint64 step = k ? *k - m_k : 0;
    if (record.Position == quint8(m_position + 1) && slot != 2 && k && step >= 0
        && step < kShortSteps && pick >= 0 && name) {
        const bool small = pick == 0 && step < kShortSmallSteps;
        if ((small ? 2 : 3) + name->size() < 1 + body.bytes().size()) {
            out.u8(quint8(kShortForm | (small ? 0 : kShortLong) | (slot == 1 ? kShortDigi : 0)
                | (step & 0x1F)));
            out.u8(quint8(step >> kShortLowBits));
            if (!small)
                out.u8(quint8(pick << kShortPickShift | step >> (kShortLowBits + 8)));
            out.raw(*name);
            remember(record, k);
            return true;
        }
    }
    out.u8(flags);
    out.raw(body.bytes());
    remember(record, longK);
    return true;
}

std::optional<QString> PackedRecordContext::readName(PayloadReader &in)
{
    const quint16 code = in.u16();
    if (code < kSymbolCodes)
        return in.ok() ? symbolName(code) : std::nullopt;
    if (code < kTextCodes)
        return in.utf8(code - kSymbolCodes);
    return std::nullopt;
}

bool PackedRecordContext::readShort(
    quint8 first, PayloadReader &in, LinkRecord &r, std::optional<qint64> &k) const
{
    qint64 step = (first & 0x1F) | qint64(in.u8()) << kShortLowBits;
    int pick = 0;
    if (first & kShortLong) {
        const quint8 high = in.u8();
        step |= qint64(high & ((1 << kShortHighBits) - 1)) << (kShortLowBits + 8);
        pick = high >> kShortPickShift;
    }
    r.Type = (first & kShortDigi) ? QStringLiteral("DIGI") : QStringLiteral("TV");
    k = m_k + step;
    if (std::abs(*k) > kRasterLimit)
        return false;
    r.Freq = fromRaster(*k);
    std::memcpy(&r.Audio1, &m_recentAudio[size_t(typeSlot(r.Type))][size_t(pick)], 4);
    const std::optional<QString> name = readName(in);
    r.Name = name.value_or(QString());
    return name.has_value();
}

bool PackedRecordContext::readLong(
    quint8 first, PayloadReader &in, LinkRecord &r, std::optional<qint64> &k) const
{
    switch (first & 3) {
    case Tv:
        r.Type = QStringLiteral("TV");
        break;
    case Digi:
        r.Type = QStringLiteral("DIGI");
        break;
    case TypeText:
        r.Type = in.text();
        // The shortcuts are the only way to say "TV" and "DIGI" here.
        if (typeSlot(r.Type) != 2)
            return false;
        break;
    default:
        r.Position = in.u8();
        r.Type = in.text();
    }

    switch ((first >> LongForm::kFreqShift) & 3) {
    case SameStep:
        k = m_k + m_step;
        break;
    case NewStep:
        k = m_k + unzigzag(in.varint());
        break;
    case RawFreq:
        r.Freq = in.f32();
        break;
    default:
        r.Freq = fromBits(m_freqBits + quint32(unzigzag(in.varint())));
    }
    if (k) {
        if (std::abs(*k) > kRasterLimit)
            return false;
        r.Freq = fromRaster(*k);
    }

    const size_t slot = size_t(typeSlot(r.Type));
    switch ((first >> LongForm::kAudioShift) & 3) {
    case LastAudio:
        std::memcpy(&r.Audio1, &m_recentAudio[slot][0], 4);
        break;
    case RasterAudio: {
        const qint64 a = unzigzag(in.varint());
        if (std::abs(a) > kRasterLimit)
            return false;
        r.Audio1 = fromRaster(a);
        break;
    }
    case RawAudio:
        r.Audio1 = in.f32();
        break;
    default:
        std::memcpy(&r.Audio1, &m_recentAudio[slot][1], 4);
    }

    const std::optional<QString> name
        = (first & LongForm::kNameFollows) ? readName(in) : CompactRecordContext::nextName(m_name);
    r.Name = name.value_or(QString());
    return name.has_value();
}

std::optional<LinkRecord> PackedRecordContext::read(PayloadReader &in)
{
    const quint8 first = in.u8();
    if (!in.ok())
        return std::nullopt;
    LinkRecord r;
    r.Position = quint8(m_position + 1);
    std::optional<qint64> k;
    const bool read = (first & kShortForm) ? readShort(first, in, r, k) : readLong(first, in, r, k);
    if (!read || !in.ok())
        return std::nullopt;
    remember(r, k);
    return r;
}

QByteArray PackedRecordContext::pack(
    const QList<LinkRecord> &records, int from, quint16 first, int maxPayload, int *taken)
{
    constexpr int kHeader = 4; // first u16, n u8, scale u8
    PayloadWriter none;
    none.u16(first);
    none.u16(0); // no record, scale 0
    QByteArray best = none.bytes();
    int bestTaken = 0;
    for (int scale = 0; scale <= kMaxScale; ++scale) {
        PayloadWriter body;
        PackedRecordContext context(first, scale);
        int n = 0;
        for (qsizetype i = from; i < records.size() && n < 255; ++i) {
            PayloadWriter one;
            // The context moves on only with a record that is kept.
            PackedRecordContext next = context;
            if (!next.write(one, records[i])
                || kHeader + body.bytes().size() + one.bytes().size() > maxPayload)
                break;
            body.raw(one.bytes());
            context = next;
            ++n;
        }
        // The most records, then the fewest bytes, then the coarsest raster.
        if (n > bestTaken
            || (n > 0 && n == bestTaken && kHeader + body.bytes().size() < best.size())) {
            PayloadWriter out;
            out.u16(first);
            out.u8(quint8(n));
            out.u8(quint8(scale));
            out.raw(body.bytes());
            best = out.bytes();
            bestTaken = n;
        }
    }
    *taken = bestTaken;
    return best;
}

QByteArray PackedRecordContext::packBatch(
    const QList<LinkRecord> &records, int first, int maxPayload, int *taken)
{
    return pack(records, first, quint16(first), maxPayload, taken);
}

QByteArray PackedRecordContext::encodeBatch(quint16 first, const QList<LinkRecord> &records)
{
    int taken = 0;
    const QByteArray bytes = pack(records, 0, first, std::numeric_limits<int>::max(), &taken);
    return taken == records.size() ? bytes : QByteArray();
}

} // namespace plandor

namespace plandor::ContentRules {

namespace {

// The instrument's own limits of what it can tune and show.
constexpr float kLowestFreq = 5.0f;
constexpr float kHighestFreq = 1000.0f;
constexpr float kHighestAudio = 10.0f;
constexpr int kHighestFavorite = 250;
constexpr int kHighestSpan = 10;

bool nameCharacterAllowed(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0xFE);
}

} // namespace

std::optional<QString> refuseRecord(const LinkRecord &r, int index)
{
    const QString where = QStringLiteral("channel %1: ").arg(index + 1);
    if (r.Position != index + 1)
        return where + QStringLiteral("position");
    if (r.Type != QLatin1String("TV") && r.Type != QLatin1String("DIGI"))
        return where + QStringLiteral("type");
    if (r.Name.isEmpty() || r.Name.size() > 3
        || !std::all_of(r.Name.begin(), r.Name.end(), nameCharacterAllowed))
        return where + QStringLiteral("name");
    if (!std::isfinite(r.Freq) || r.Freq < kLowestFreq || r.Freq > kHighestFreq)
        return where + QStringLiteral("frequency");
    if (!std::isfinite(r.Audio1) || r.Audio1 < 0.0f || r.Audio1 > kHighestAudio)
        return where + QStringLiteral("audio/bandwidth");
    return std::nullopt;
}

std::optional<QString> refusePanel(const FavoritesRecord &f)
{
    for (quint8 id :
        { f.Favorite1, f.Favorite2, f.Favorite3, f.Favorite4, f.Favorite5, f.Favorite6 })
        if (id > kHighestFavorite)
            return QStringLiteral("favourite above 250");
    if (f.Span < 0 || f.Span > kHighestSpan)
        return QStringLiteral("span");
    if (f.Unit != kUnitDbuV && f.Unit != kUnitDbmV)
        return QStringLiteral("unit");
    if (f.Filler != 0)
        return QStringLiteral("filler");
    return std::nullopt;
}

} // namespace plandor::ContentRules
