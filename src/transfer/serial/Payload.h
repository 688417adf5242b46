#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace plandor {

// Writes the little-endian fields of a message payload.
class PayloadWriter
{
public:
    void u8(quint8 v) { m_bytes.append(char(v)); }
    void u16(quint16 v);
    void u32(quint32 v);
    void f32(float v);
    // An unsigned number in 7-bit groups, low group first, the high bit of a
    // byte telling that another follows: 1 to 5 bytes.
    void varint(quint32 v);
    void raw(QByteArrayView bytes) { m_bytes.append(bytes); }
    // A text as one length byte and its UTF-8 bytes; false (nothing written)
    // when it needs more than 255 bytes.
    bool text(const QString &s);

    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reads the fields PayloadWriter writes. A read past the end, or a text that
// is not valid UTF-8, makes the reader fail; once failed, every read gives 0
// or an empty value, so a decoder checks ok() once at the end.
class PayloadReader
{
public:
    explicit PayloadReader(QByteArrayView bytes)
        : m_bytes(bytes)
    { }

    quint8 u8();
    quint16 u16();
    quint32 u32();
    float f32();
    // Fails on more than 5 bytes, a value beyond 32 bits, or a number not in
    // its shortest form.
    quint32 varint();
    QByteArrayView raw(qsizetype n);
    QString text();
    // n bytes of UTF-8 whose count was given elsewhere.
    QString utf8(qsizetype n);

    bool ok() const { return m_ok; }
    // True when every byte was read and nothing failed.
    bool atEnd() const { return m_ok && m_pos == m_bytes.size(); }
    qsizetype position() const { return m_pos; }

private:
    bool take(qsizetype n);

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

} // namespace plandor
