#pragma once

#include "rules/ChannelRules.h"

#include <QList>
#include <QString>

#include <optional>

namespace plandor {

// The band a channel occupies on the cable, in MHz.
struct ChannelSpan
{
    double lower = 0;
    double upper = 0;
};

// The channel raster of one standard: the vision carriers a TV channel may
// sit on (with each channel's bandwidth) and the centres a DIGI channel may
// sit on, each sorted.
struct PlanRaster
{
    QString name; // in the run's language
    QList<double> tvCarriers;
    QList<double> digiCentres;
    // One per TV carrier; when empty, the bandwidth follows the audio offset.
    QList<double> tvBandwidths;

    // Where a channel sits: its position among the TV carriers, or among the
    // DIGI centres counted after the carriers; -1 off the raster.
    int slotOf(const ChannelFields &f) const;
};

// Which part of the spectrum a channel takes, for the plan check's overlaps
// and the spectrum view alike. Wider than the channel rules' Freq +- Audio1/2:
// an analogue channel fills its whole channel, not only the span between its
// carriers.
class ChannelOccupancy
{
public:
    // Frequencies closer than this (MHz) are the same; edges that overlap by
    // less do not overlap.
    static constexpr double kTolerance = 0.001;
    // A vision carrier sits this far above its channel's lower edge in every
    // system in use.
    static constexpr double kVisionAboveEdge = 1.25;

    // The channel bandwidth of a TV system from its sound carrier offset:
    // 4.5 MHz is M/N (6 MHz), 5.5 is B (7 MHz) in VHF and G (8 MHz) in UHF,
    // 6.0 and 6.5 are I, D/K and L (8 MHz). Offsets between take the nearer.
    static double tvBandwidth(double vision, double audioOffset);

    // The band a channel occupies: TV from its vision carrier - 1.25 MHz over
    // the channel bandwidth (the standard's, when the carrier is on the given
    // raster), anything else its centre +- Audio1/2. Nothing when a number
    // is missing.
    static std::optional<ChannelSpan> of(
        const ChannelFields &f, const PlanRaster *raster = nullptr);

    struct Overlap
    {
        int first = -1; // indexes into the spans, first < second
        int second = -1;
        double width = 0; // MHz both occupy
    };

    // Overlapping pairs in one sweep in order of the lower edge: every
    // channel that overlaps another is in at least one pair, and there are
    // fewer pairs than spans. Two spans with different raster slots (>= 0)
    // (two channels of the standard itself, Japan's 7 and 8) do not count.
    // overlapping, when given, gets one flag per span.
    static QList<Overlap> overlaps(const QList<ChannelSpan> &spans,
        const QList<int> &rasterSlots = {}, QList<bool> *overlapping = nullptr);
};

} // namespace plandor
