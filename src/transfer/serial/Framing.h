#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace plandor {

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
} // namespace plandor
