// Fuzzes what lies past the check value: message payloads (record batches in
// each layout) and the instrument's handling of requests. The first byte is the message type, the
// rest its payload, so no CRC stands in the way.

#include "transfer/serial/Messages.h"
#include "transfer/serial/Records.h"
#include "transfer/serial/instrument/InstrumentSide.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace plandor;

namespace {

// Decoding then encoding gives the same bytes for the messages whose encoders
// keep every field.
template <typename T> void roundTrip(const std::optional<T> &decoded, QByteArrayView payload)
{
    if (decoded && Messages::encode(*decoded) != payload)
        std::abort();
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameRecords(const QList<LinkRecord> &a, const QList<LinkRecord> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const LinkRecord &x = a[i];
        const LinkRecord &y = b[i];
        if (x.Id != y.Id || x.Type != y.Type || x.Position != y.Position
            || !sameBits(x.Freq, y.Freq) || x.Spare1 != y.Spare1 || x.Name != y.Name
            || !sameBits(x.Audio1, y.Audio1) || x.Spare2 != y.Spare2 || x.SpareText != y.SpareText)
            return false;
    }
    return true;
}

// The compact and packed layouts choose their own short forms, so their bytes
// need not come back; the records must, float bits and all.
void roundTripRecords(QByteArrayView payload, Messages::RecordLayout layout)
{
    const auto decoded = Messages::decodeRecordBatch(payload, layout);
    if (!decoded)
        return;
    const QByteArray again = Messages::encode(*decoded, layout);
    if (again.isEmpty())
        return; // a text over 255 bytes cannot be encoded in any layout
    const auto redecoded = Messages::decodeRecordBatch(again, layout);
    if (!redecoded || redecoded->first != decoded->first
        || !sameRecords(redecoded->records, decoded->records))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray payload(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));

    roundTrip(Messages::decodeRecordBatch(payload), payload);
    roundTripRecords(payload, Messages::RecordLayout::Compact);
    roundTripRecords(payload, Messages::RecordLayout::Packed);
    roundTrip(Messages::decodePlanSummary(payload), payload);
    roundTrip(Messages::decodeWriteBeginRequest(payload), payload);
    if (const auto begin
        = Messages::decodeWriteBeginRequest(payload, Messages::RecordLayout::Packed)) {
        // Its header comes back byte for byte, its records as records.
        Messages::WriteBeginRequest header = *begin;
        header.records.clear();
        const QByteArray again = Messages::encode(header);
        if (!payload.startsWith(again))
            std::abort();
        if (!begin->records.isEmpty())
            roundTripRecords(
                QByteArray(2, '\0') + payload.sliced(again.size()), Messages::RecordLayout::Packed);
    }
    roundTrip(Messages::decodeReadRecordsRequest(payload), payload);
    roundTrip(Messages::decodeCommitment(payload), payload);
    roundTrip(Messages::decodeHelloRequest(payload), payload);
    Messages::decodeHelloReply(payload);
    Messages::decodeIdentity(payload);
    Messages::decodeNak(payload);
    Messages::decodeSelector(payload);
    Messages::decodeFavorites(payload);
    Messages::decodeAck(payload);

    // The instrument must answer anything without failing, and a repeated
    // request must get the very same reply. A fresh instrument for each
    // input: its staging, session version and cached last request must not
    // carry one input's effects into the next.
    InstrumentSide instrument;
    // A session of each version in turn, so that every layout is reached.
    const quint8 version = quint8(1 + size % 3);
    instrument.handle(Frame { quint8(protocol::MessageType::Hello), 0,
        Messages::encode(Messages::HelloRequest { version, version }) });
    const Frame request { data[0], quint8(size), payload };
    const std::optional<Frame> first = instrument.handle(request);
    const std::optional<Frame> again = instrument.handle(request);
    if (first != again)
        std::abort();
    if (first && first->payload.size() > protocol::kMaxPayload)
        std::abort();
    return 0;
}
