#pragma once

#include "transfer/serial/Protocol.h"

namespace plandor {

// The waiting rules of the PC side, derived from the line speed so that a
// slow line gets the time its frames need and a dead one is given up on in a
// known time. docs/protocol.md states the formulas and the bounds they give.
struct LinkTiming
{
    qint32 baud = protocol::kDefaultBaud;
    // Time the instrument may take to act on a request, plus the latency of
    // a USB adapter.
    int allowanceMs = 250;
    // Tries of one request, the first included.
    int attempts = 3;

    // Wire time of n bytes at 10 bits per byte, rounded up.
    int wireMs(int bytes) const;
    // How long one attempt waits for its reply, counted from the moment the
    // request is handed to the port.
    int replyTimeoutMs(int requestWireBytes, int replyWireBytes) const;
    // The longest one exchange (all attempts) can take.
    int exchangeBoundMs(int requestWireBytes, int replyWireBytes) const;
};

} // namespace plandor
