#include "transfer/serial/FrameDecoder.h"

#include "transfer/serial/Protocol.h"

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
