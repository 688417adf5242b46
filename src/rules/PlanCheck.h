#pragma once

#include "rules/ChannelRules.h"

#include <QList>
#include <QString>

#include <utility>

namespace plandor {

// The band a channel occupies, as the channel rules see it: Freq - Audio1/2
// to Freq + Audio1/2 (for TV the vision carrier and the audio offset, for
// DIGI the centre and the bandwidth).
struct ChannelSpan
{
    double lower = 0;
    double upper = 0;

    static ChannelSpan of(double freq, double audio1)
    {
        return ChannelSpan { freq - audio1 / 2, freq + audio1 / 2 };
    }
};

// One channel of the plan under check: its ID as text and its values.
struct PlanCheckRow
{
    QString id;
    ChannelFields fields;
};

// The channel raster of one standard: the vision carriers a TV channel may
// sit on and the centres a DIGI channel may sit on, each sorted.
struct PlanRaster
{
    QString name; // in the run's language
    QList<double> tvCarriers;
    QList<double> digiCentres;
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
    // Frequencies closer than this (MHz) are the same; edges that overlap
    // by less do not overlap.
    static constexpr double kTolerance = 0.001;

    static QList<PlanFinding> run(const QList<PlanCheckRow> &rows, const PlanCheckOptions &options);

    // Overlapping pairs by one sweep in order of the lower edge: each channel
    // that overlaps another is in at least one pair, and there are fewer
    // pairs than spans. overlapping (when given) gets one flag per span.
    static QList<std::pair<int, int>> overlaps(
        const QList<ChannelSpan> &spans, QList<bool> *overlapping = nullptr);

    // The raster most of whose positions the plan's channels sit on: its
    // index, or -1 when none holds at least half of the channels.
    static int closestRaster(const QList<PlanCheckRow> &rows, const QList<PlanRaster> &rasters);
};

} // namespace plandor
