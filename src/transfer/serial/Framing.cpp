#include "transfer/serial/Framing.h"

#include "transfer/serial/Protocol.h"

#include <QtEndian>

#include <array>

namespace plandor::Cobs {

QByteArray encode(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size() + data.size() / 254 + 1);
    qsizetype codeAt = out.size();
    out.append('\x01');
    quint8 code = 1;
    for (char ch : data) {
        if (ch == 0) {
            out[codeAt] = char(code);
            codeAt = out.size();
            out.append('\x01');
            code = 1;
            continue;
        }
        out.append(ch);
        if (++code == 0xFF) {
            out[codeAt] = char(code);
            codeAt = out.size();
            out.append('\x01');
            code = 1;
        }
    }
    out[codeAt] = char(code);
    return out;
}

std::optional<QByteArray> decode(QByteArrayView encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    qsizetype i = 0;
    const qsizetype n = encoded.size();
    while (i < n) {
        const quint8 code = quint8(encoded[i]);
        if (code == 0 || i + code > n)
            return std::nullopt;
        for (qsizetype k = i + 1; k < i + code; ++k) {
            if (encoded[k] == 0)
                return std::nullopt;
            out.append(encoded[k]);
        }
        i += code;
        // A block shorter than 255 stands for data followed by a zero, except
        // at the very end.
        if (code < 0xFF && i < n)
            out.append('\0');
    }
    return out;
}

} // namespace plandor::Cobs

namespace plandor {

namespace {

constexpr std::array<quint32, 256> makeTable()
{
    std::array<quint32, 256> table {};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}

constexpr auto kTable = makeTable();

} // namespace

quint32 Crc32(QByteArrayView data, quint32 previous)
{
    // Chaining: previous is a finished CRC; undo its final XOR to continue.
    quint32 c = previous ^ 0xFFFFFFFFu;
    for (char ch : data)
        c = kTable[(c ^ quint8(ch)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

} // namespace plandor

namespace plandor::FrameCodec {

QByteArray encode(const Frame &frame)
{
    Q_ASSERT(frame.payload.size() <= protocol::kMaxPayload);
    QByteArray body;
    body.reserve(protocol::kHeaderSize + frame.payload.size() + protocol::kCrcSize);
    body.append(char(frame.type));
    body.append(char(frame.seq));
    body.append(frame.payload);
    char crc[4];
    qToLittleEndian<quint32>(Crc32(body), crc);
    body.append(crc, 4);

    QByteArray wire;
    wire.reserve(body.size() + body.size() / 254 + 3);
    // The leading delimiter ends whatever garbage came before.
    wire.append('\0');
    wire.append(Cobs::encode(body));
    wire.append('\0');
    return wire;
}

std::optional<Frame> decodeBody(QByteArrayView encodedBody)
{
    if (encodedBody.size() > protocol::kMaxEncodedBody)
        return std::nullopt;
    const std::optional<QByteArray> body = Cobs::decode(encodedBody);
    if (!body || body->size() < protocol::kHeaderSize + protocol::kCrcSize
        || body->size() > protocol::kMaxBody)
        return std::nullopt;
    const qsizetype dataSize = body->size() - protocol::kCrcSize;
    const quint32 expected = qFromLittleEndian<quint32>(body->constData() + dataSize);
    if (Crc32(QByteArrayView(body->constData(), dataSize)) != expected)
        return std::nullopt;
    Frame frame;
    frame.type = quint8(body->at(0));
    frame.seq = quint8(body->at(1));
    frame.payload = body->mid(protocol::kHeaderSize, dataSize - protocol::kHeaderSize);
    return frame;
}

} // namespace plandor::FrameCodec

namespace plandor {

QList<Frame> FrameDecoder::feed(QByteArrayView bytes)
{
    QList<Frame> frames;
    for (char ch : bytes) {
        if (ch != 0) {
            // Past the largest frame nothing valid can follow: stop storing
            // and wait for the next delimiter.
            if (m_body.size() < protocol::kMaxEncodedBody)
                m_body.append(ch);
            else
                m_overflow = true;
            continue;
        }
        if (m_overflow) {
            ++m_rejected;
        } else if (!m_body.isEmpty()) {
            if (std::optional<Frame> frame = FrameCodec::decodeBody(m_body))
                frames.append(std::move(*frame));
            else
                ++m_rejected;
        }
        m_body.clear();
        m_overflow = false;
    }
    return frames;
}

void FrameDecoder::reset()
{
    m_body.clear();
    m_overflow = false;
}

} // namespace plandor
