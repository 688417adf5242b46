// Fuzzes the frame layer: arbitrary bytes from the line, in arbitrary
// fragments. Every frame that comes out must encode and decode back to itself.

#include "transfer/serial/Framing.h"
#include "transfer/serial/Protocol.h"

#include <cstdint>
#include <cstdlib>

using namespace plandor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // The first byte chooses where the stream is split, as readyRead would.
    const qsizetype cut = size ? qsizetype(data[0]) % qsizetype(size) : 0;
    FrameDecoder whole;
    FrameDecoder split;
    const QList<Frame> frames = whole.feed(bytes);
    QList<Frame> parts = split.feed(bytes.first(cut));
    parts += split.feed(bytes.sliced(cut));
    if (frames != parts)
        std::abort();

    for (const Frame &f : frames) {
        if (f.payload.size() > protocol::kMaxPayload)
            std::abort();
        const QByteArray wire = FrameCodec::encode(f);
        FrameDecoder again;
        if (again.feed(wire) != QList<Frame> { f })
            std::abort();
    }

    if (const auto decoded = Cobs::decode(bytes)) {
        if (Cobs::encode(*decoded).size() > decoded->size() + decoded->size() / 254 + 1)
            std::abort();
    }
    return 0;
}
