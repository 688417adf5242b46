#include "transfer/serial/Payload.h"

#include "transfer/serial/Protocol.h"

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
