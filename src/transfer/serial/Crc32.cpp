#include "transfer/serial/Crc32.h"

#include <array>

namespace plandor {

namespace {

constexpr std::array<quint32, 256> makeTable()
{
    std::array<quint32, 256> table {};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}

constexpr auto kTable = makeTable();

} // namespace

quint32 Crc32(QByteArrayView data, quint32 previous)
{
    // Chaining: previous is a finished CRC; undo its final XOR to continue.
    quint32 c = previous ^ 0xFFFFFFFFu;
    for (char ch : data)
        c = kTable[(c ^ quint8(ch)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

} // namespace plandor
