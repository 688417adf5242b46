#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace plandor {

// Consistent Overhead Byte Stuffing: the encoded bytes hold no 0x00, so 0x00
// can delimit frames; it costs one byte per 254 started.
namespace Cobs {

QByteArray encode(QByteArrayView data);
// Nothing when the bytes are not a valid encoding (a 0x00 inside, or a code
// byte that points past the end).
std::optional<QByteArray> decode(QByteArrayView encoded);

} // namespace Cobs
} // namespace plandor
