#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"
#include "transfer/serial/Payload.h"

#include <QList>

#include <optional>

namespace plandor {

// The channel and panel records as they travel inside message payloads.
// A channel: Position u8, Freq f32, Audio1 f32, Type and Name as counted
// UTF-8 texts. Id and the spare fields do not travel.
namespace RecordCodec {

constexpr int kFavoritesSize = 10;
// A channel whose texts are both empty.
constexpr int kMinRecordSize = 1 + 4 + 4 + 1 + 1;

// False when a text needs more than 255 UTF-8 bytes.
bool writeRecord(PayloadWriter &out, const LinkRecord &record);
LinkRecord readRecord(PayloadReader &in);
// The bytes of one record; empty when it cannot be encoded.
QByteArray encodeRecord(const LinkRecord &record);

void writeFavorites(PayloadWriter &out, const FavoritesRecord &favorites);
FavoritesRecord readFavorites(PayloadReader &in);

// The whole-plan check: CRC-32 over the records' encodings in order.
quint32 planCrc(const QList<QByteArray> &encodedRecords);
// The same over records, in their 1.0 encoding whatever layout carried them.
quint32 planCrc(const QList<LinkRecord> &records);
// The check of a panel written alone: CRC-32 over its 10 bytes.
quint32 favoritesCrc(const FavoritesRecord &favorites);

} // namespace RecordCodec
} // namespace plandor
