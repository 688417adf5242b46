#pragma once

#include "rules/ChannelOccupancy.h"

#include <QList>
#include <QString>

#include <optional>

namespace plandor {

// One channel of the plan under check: its ID as text and its values.
struct PlanCheckRow
{
    QString id;
    ChannelFields fields;
};

struct PlanFinding
{
    enum Kind { Overlap, DuplicateId, DuplicateName, Refused, TooMany, OffRaster };
    Kind kind = Overlap;
    QList<int> rows; // 0-based indexes into the checked rows
    QString text; // in the run's language
};

struct PlanCheckOptions
{
    int maxChannels = 255;
    QList<PlanRaster> rasters; // empty: no raster check
};

// What is wrong with a plan as a whole, before it is sent: overlapping
// channels, duplicate IDs and names, channels the rules refuse, more
// channels than the instrument holds, and channels off the raster of the
// standard the plan most resembles. Pure: rows in, findings out.
class PlanCheck
{
public:
    static QList<PlanFinding> run(const QList<PlanCheckRow> &rows, const PlanCheckOptions &options);

    // Where the rows lie and which of them overlap, judged on the raster
    // (when given) of the standard the plan follows.
    struct Occupancy
    {
        QList<std::optional<ChannelSpan>> spans; // one per row
        QList<ChannelOccupancy::Overlap> overlaps; // first and second are rows
        QList<bool> overlapping; // one per row
    };
    static Occupancy occupancy(const QList<PlanCheckRow> &rows, const PlanRaster *raster);

    // The raster most of whose positions the plan's channels sit on: its
    // index, or -1 when none holds at least half of the channels.
    static int closestRaster(const QList<PlanCheckRow> &rows, const QList<PlanRaster> &rasters);
};

} // namespace plandor
