#pragma once

#include <QByteArrayView>

namespace plandor {

// CRC-32 (IEEE 802.3, reflected, init and final XOR 0xFFFFFFFF): check value
// 0xCBF43926 for "123456789". Unlike a zero-initialised CRC-16 it sees
// inserted leading zero bytes.
quint32 Crc32(QByteArrayView data, quint32 previous = 0);

} // namespace plandor
