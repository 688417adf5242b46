// Fuzzes what lies past the check value: message payloads and the
// instrument's handling of requests. The first byte is the message type, the
// rest its payload, so no CRC stands in the way.

#include "transfer/serial/Messages.h"
#include "transfer/serial/RecordCodec.h"
#include "transfer/serial/instrument/InstrumentSide.h"

#include <cstdint>
#include <cstdlib>

using namespace plandor;

namespace {

// Decoding then encoding gives the same bytes for the messages whose encoders
// keep every field.
template <typename T> void roundTrip(const std::optional<T> &decoded, QByteArrayView payload)
{
    if (decoded && Messages::encode(*decoded) != payload)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray payload(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));

    roundTrip(Messages::decodeRecordBatch(payload), payload);
    roundTrip(Messages::decodePlanSummary(payload), payload);
    roundTrip(Messages::decodeWriteBeginRequest(payload), payload);
    roundTrip(Messages::decodeReadRecordsRequest(payload), payload);
    roundTrip(Messages::decodeCommitment(payload), payload);
    roundTrip(Messages::decodeHelloRequest(payload), payload);
    Messages::decodeHelloReply(payload);
    Messages::decodeNak(payload);
    Messages::decodeSelector(payload);
    Messages::decodeFavorites(payload);
    Messages::decodeAck(payload);

    // The instrument must answer anything without failing, and a repeated
    // request must get the very same reply. A fresh instrument for each
    // input: its staging, session version and cached last request must not
    // carry one input's effects into the next.
    InstrumentSide instrument;
    const Frame request { data[0], quint8(size), payload };
    const std::optional<Frame> first = instrument.handle(request);
    const std::optional<Frame> again = instrument.handle(request);
    if (first != again)
        std::abort();
    if (first && first->payload.size() > protocol::kMaxPayload)
        std::abort();
    return 0;
}
