#include "transfer/serial/Cobs.h"

namespace plandor::Cobs {

QByteArray encode(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size() + data.size() / 254 + 1);
    qsizetype codeAt = out.size();
    out.append('\x01');
    quint8 code = 1;
    for (char ch : data) {
        if (ch == 0) {
            out[codeAt] = char(code);
            codeAt = out.size();
            out.append('\x01');
            code = 1;
            continue;
        }
        out.append(ch);
        if (++code == 0xFF) {
            out[codeAt] = char(code);
            codeAt = out.size();
            out.append('\x01');
            code = 1;
        }
    }
    out[codeAt] = char(code);
    return out;
}

std::optional<QByteArray> decode(QByteArrayView encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    qsizetype i = 0;
    const qsizetype n = encoded.size();
    while (i < n) {
        const quint8 code = quint8(encoded[i]);
        if (code == 0 || i + code > n)
            return std::nullopt;
        for (qsizetype k = i + 1; k < i + code; ++k) {
            if (encoded[k] == 0)
                return std::nullopt;
            out.append(encoded[k]);
        }
        i += code;
        // A block shorter than 255 stands for data followed by a zero, except
        // at the very end.
        if (code < 0xFF && i < n)
            out.append('\0');
    }
    return out;
}

} // namespace plandor::Cobs
