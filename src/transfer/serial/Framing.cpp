#include "transfer/serial/Frame.h"

#include "transfer/serial/Cobs.h"
#include "transfer/serial/Crc32.h"
#include "transfer/serial/Protocol.h"

#include <QtEndian>

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
