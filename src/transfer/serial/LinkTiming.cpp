#include "transfer/serial/LinkTiming.h"

#include <QtGlobal>

namespace plandor {

int LinkTiming::wireMs(int bytes) const
{
    const qint64 bits = qint64(bytes) * protocol::kBitsPerByte * 1000;
    const qint64 baudRate = qMax<qint64>(1, baud);
    return int((bits + baudRate - 1) / baudRate);
}

int LinkTiming::replyTimeoutMs(int requestWireBytes, int replyWireBytes) const
{
    // Twice the wire time leaves room for an adapter that delivers in bursts.
    return allowanceMs + 2 * wireMs(requestWireBytes + replyWireBytes);
}

int LinkTiming::exchangeBoundMs(int requestWireBytes, int replyWireBytes) const
{
    return qMax(1, attempts) * replyTimeoutMs(requestWireBytes, replyWireBytes);
}

} // namespace plandor
