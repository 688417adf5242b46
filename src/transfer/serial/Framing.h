#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// The line's framing: COBS byte stuffing, the CRC-32 check, a frame's bytes
// and the decoder that cuts a byte stream into frames.
namespace plandor {

// Consistent Overhead Byte Stuffing: the encoded bytes hold no 0x00, so 0x00
// can delimit frames; it costs one byte per 254 started.
namespace Cobs {

QByteArray encode(QByteArrayView data);
// Nothing when the bytes are not a valid encoding (a 0x00 inside, or a code
// byte that points past the end).
std::optional<QByteArray> decode(QByteArrayView encoded);

} // namespace Cobs

// CRC-32 (IEEE 802.3, reflected, init and final XOR 0xFFFFFFFF): check value
// 0xCBF43926 for "123456789". Unlike a zero-initialised CRC-16 it sees
// inserted leading zero bytes.
quint32 Crc32(QByteArrayView data, quint32 previous = 0);

// One message on the line: its type, the sequence number that pairs a reply
// with its request, and the payload.
struct Frame
{
    quint8 type = 0;
    quint8 seq = 0;
    QByteArray payload;

    friend bool operator==(const Frame &, const Frame &) = default;
};

// A frame's bytes on the line: 0x00, COBS(type, seq, payload, CRC-32 LE), 0x00.
namespace FrameCodec {

// The payload must not exceed protocol::kMaxPayload (asserted).
QByteArray encode(const Frame &frame);
// The body between two delimiters, still COBS-encoded. Nothing when it is not
// a valid frame: bad COBS, too short or too long, or a CRC that does not match.
std::optional<Frame> decodeBody(QByteArrayView encodedBody);

} // namespace FrameCodec

// Cuts a byte stream into frames. Bytes arrive in any fragments; whatever is
// not a valid frame (noise, a damaged or overlong frame) is counted and
// skipped up to the next 0x00, where decoding starts afresh.
class FrameDecoder
{
public:
    // Appends bytes and returns the frames they complete, in order.
    QList<Frame> feed(QByteArrayView bytes);
    // Forgets a partial frame (before a retry).
    void reset();

    // Stretches between delimiters that were not valid frames.
    int rejected() const { return m_rejected; }

private:
    QByteArray m_body;
    bool m_overflow = false;
    int m_rejected = 0;
};

} // namespace plandor
