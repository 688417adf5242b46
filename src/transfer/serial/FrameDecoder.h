#pragma once

#include "transfer/serial/Frame.h"

#include <QByteArray>
#include <QList>

namespace plandor {

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
