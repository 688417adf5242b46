#pragma once

#include "rules/ChannelValues.h"
#include "rules/PanelTexts.h"
#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"

#include <QList>

namespace plandor {

// Conversions between the plan's rows and panel and the records that travel
// through the device link. Pure functions, shared by the editor window and the
// command-line client.
namespace PlanRecords {

// The largest plan the link can carry: Position has 8 bits.
constexpr int kMaxSendChannels = 255;

// Rows, already in the order to send (frequency order), as the sent array:
// bounds 1..n, Position i, Id 0, Type, Freq, Audio1 and Name from CHName. A
// null field counts as an empty text or 0.
LinkRecordArray toSendRecords(const QList<ChannelValues> &rows);

// The rows a received array stores: ID = the record's index in the array's own
// bounds, CHName = Name, Type, Freq, Audio1; stops before the first record
// whose Freq is 0. Frequencies and audio offsets are stored as the number
// their shortest single-precision text names (100.1, not 100.099998474121).
QList<ChannelValues> fromReceived(const LinkRecordArray &records);

// The panel as sent: each favourite's leading number into 8 bits (empty 0),
// the bandwidth's leading number to the nearest whole number with halves to
// even, Unit 2 for exactly "dBmV" and 1 otherwise.
FavoritesRecord toFavorites(const PanelTexts &panel);

// The panel texts a received record gives: favourites as decimal text, span
// as its shortest text ("8"), unit "dBuV" for 1, "dBmV" for 2 and empty for
// any other value (the caller then leaves its unit as it was).
PanelTexts fromFavorites(const FavoritesRecord &favorites);

} // namespace PlanRecords
} // namespace plandor
