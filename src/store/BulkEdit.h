#pragma once

#include "rules/ChannelRules.h"
#include "store/ChannelColumns.h"

#include <QList>
#include <QString>

#include <variant>

namespace plandor {

// Names counted from a first number: prefix "S", first 2, step 3 gives
// S2, S5, S8, ...
struct NamePattern
{
    QString prefix;
    int first = 1;
    int step = 1;

    QString nameAt(int index) const;
};

// The changes made to every selected channel at once. Each moves a channel
// as the grid's cell would: a new type shifts the frequency by half the
// bandwidth less 1.25 MHz between TV and DIGI.
struct SetType
{
    ChannelType type = ChannelType::Tv;
};
// The Audio1 column: a TV channel's audio offset, a digital one's bandwidth.
struct SetAudio
{
    double value = 0;
};
struct MoveFreq
{
    double offset = 0; // MHz
};
struct Rename
{
    NamePattern names;
};
using BulkChange = std::variant<SetType, SetAudio, MoveFreq, Rename>;

// The channels Fill adds: count channels from firstFreq, step MHz apart.
struct FillRaster
{
    int count = 0;
    double firstFreq = 0;
    double step = 0;
    ChannelType type = ChannelType::Tv;
    double audio1 = 0;
    NamePattern names;
};

// The rows a change gives and every row the channel rules would refuse
// (indexes into rows). The change is taken only when no row is refused.
struct BulkOutcome
{
    QList<ChannelValues> rows;
    QList<RowRefusal> refusals;

    bool accepted() const { return refusals.isEmpty(); }
};

namespace BulkEdit {

// The rows after the change; typeShift is the TV/DIGI frequency shift of
// the run's bandwidth (ChannelRules::halfBandwidthShift). Each new row must
// pass the whole channel rules, as a row written to the store.
BulkOutcome apply(const QList<ChannelValues> &rows, const BulkChange &change, double typeShift);

// The channels of the raster, numbered from firstId.
BulkOutcome fill(const FillRaster &raster, qint64 firstId);

} // namespace BulkEdit
} // namespace plandor
