#include "transfer/serial/RecordCodec.h"

#include "transfer/serial/Crc32.h"

namespace plandor::RecordCodec {

bool writeRecord(PayloadWriter &out, const LinkRecord &record)
{
    PayloadWriter one;
    one.u8(record.Position);
    one.f32(record.Freq);
    one.f32(record.Audio1);
    if (!one.text(record.Type) || !one.text(record.Name))
        return false;
    out.raw(one.bytes());
    return true;
}

LinkRecord readRecord(PayloadReader &in)
{
    LinkRecord record;
    record.Position = in.u8();
    record.Freq = in.f32();
    record.Audio1 = in.f32();
    record.Type = in.text();
    record.Name = in.text();
    return record;
}

QByteArray encodeRecord(const LinkRecord &record)
{
    PayloadWriter out;
    if (!writeRecord(out, record))
        return {};
    return out.bytes();
}

void writeFavorites(PayloadWriter &out, const FavoritesRecord &f)
{
    out.u8(f.Favorite1);
    out.u8(f.Favorite2);
    out.u8(f.Favorite3);
    out.u8(f.Favorite4);
    out.u8(f.Favorite5);
    out.u8(f.Favorite6);
    out.u16(quint16(f.Span));
    out.u8(f.Unit);
    out.u8(f.Filler);
}

FavoritesRecord readFavorites(PayloadReader &in)
{
    FavoritesRecord f;
    f.Favorite1 = in.u8();
    f.Favorite2 = in.u8();
    f.Favorite3 = in.u8();
    f.Favorite4 = in.u8();
    f.Favorite5 = in.u8();
    f.Favorite6 = in.u8();
    f.Span = qint16(in.u16());
    f.Unit = in.u8();
    f.Filler = in.u8();
    return f;
}

quint32 planCrc(const QList<QByteArray> &encodedRecords)
{
    quint32 crc = 0;
    for (const QByteArray &bytes : encodedRecords)
        crc = Crc32(bytes, crc);
    return crc;
}

quint32 planCrc(const QList<LinkRecord> &records)
{
    quint32 crc = 0;
    for (const LinkRecord &r : records)
        crc = Crc32(encodeRecord(r), crc);
    return crc;
}

quint32 favoritesCrc(const FavoritesRecord &favorites)
{
    PayloadWriter out;
    writeFavorites(out, favorites);
    return Crc32(out.bytes());
}

} // namespace plandor::RecordCodec
