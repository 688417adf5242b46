#include "rules/ChannelOccupancy.h"

#include <QStringView>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <utility>

namespace plandor {
namespace {

// The position of value in a sorted raster, or -1.
int positionIn(const QList<double> &raster, double value)
{
    auto it = std::lower_bound(raster.begin(), raster.end(), value - ChannelOccupancy::kTolerance);
    if (it != raster.end() && std::abs(*it - value) < ChannelOccupancy::kTolerance)
        return int(it - raster.begin());
    return -1;
}

bool isTv(const ChannelFields &f)
{
    return f.type == QLatin1String("TV");
}

} // namespace

int PlanRaster::slotOf(const ChannelFields &f) const
{
    if (!f.freq)
        return -1;
    if (isTv(f))
        return positionIn(tvCarriers, *f.freq);
    if (f.type == QLatin1String("DIGI")) {
        const int p = positionIn(digiCentres, *f.freq);
        return p < 0 ? -1 : int(tvCarriers.size()) + p;
    }
    return -1;
}

double ChannelOccupancy::tvBandwidth(double vision, double audioOffset)
{
    if (audioOffset < 5.0)
        return 6.0;
    if (audioOffset < 5.75)
        return vision < 300.0 ? 7.0 : 8.0;
    return 8.0;
}

std::optional<ChannelSpan> ChannelOccupancy::of(const ChannelFields &f, const PlanRaster *raster)
{
    if (!f.freq || !std::isfinite(*f.freq))
        return std::nullopt;
    const double freq = *f.freq;
    if (isTv(f)) {
        std::optional<double> bandwidth;
        if (raster) {
            const int p = positionIn(raster->tvCarriers, freq);
            if (p >= 0 && p < raster->tvBandwidths.size())
                bandwidth = raster->tvBandwidths[p];
        }
        if (!bandwidth && f.audio1 && std::isfinite(*f.audio1))
            bandwidth = tvBandwidth(freq, std::abs(*f.audio1));
        if (!bandwidth)
            return std::nullopt;
        const double lower = freq - kVisionAboveEdge;
        return ChannelSpan { lower, lower + *bandwidth };
    }
    if (!f.audio1 || !std::isfinite(*f.audio1))
        return std::nullopt;
    const double half = std::abs(*f.audio1) / 2;
    return ChannelSpan { freq - half, freq + half };
}

QList<ChannelOccupancy::Overlap> ChannelOccupancy::overlaps(
    const QList<ChannelSpan> &spans, const QList<int> &rasterSlots, QList<bool> *overlapping)
{
    const int n = int(spans.size());
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&spans](int a, int b) {
        return spans[a].lower < spans[b].lower || (spans[a].lower == spans[b].lower && a < b);
    });
    auto shareTheStandard = [&rasterSlots](int a, int b) {
        return a < rasterSlots.size() && b < rasterSlots.size() && rasterSlots[a] >= 0
            && rasterSlots[b] >= 0 && rasterSlots[a] != rasterSlots[b];
    };
    QList<bool> flagged(n, false);
    QList<Overlap> pairs;
    // The spans begun and not yet ended, by upper edge; the unflagged ones
    // also on their own, so that each is flagged at most once.
    std::set<std::pair<double, int>> open;
    std::set<std::pair<double, int>> openUnflagged;
    for (int i : order) {
        const double lower = spans[i].lower;
        for (auto *set : { &open, &openUnflagged }) {
            while (!set->empty() && set->begin()->first <= lower + kTolerance)
                set->erase(set->begin());
        }
        auto width = [&](int j) { return std::min(spans[i].upper, spans[j].upper) - lower; };
        // The pair: the open span reaching highest that counts.
        for (auto it = open.rbegin(); it != open.rend(); ++it) {
            const int j = it->second;
            if (!shareTheStandard(i, j) && width(j) > kTolerance) {
                pairs.append({ std::min(i, j), std::max(i, j), width(j) });
                flagged[i] = true;
                break;
            }
        }
        // Every other span it overlaps is flagged too.
        for (auto it = openUnflagged.begin(); it != openUnflagged.end();) {
            const int j = it->second;
            if (!shareTheStandard(i, j) && width(j) > kTolerance) {
                flagged[i] = flagged[j] = true;
                it = openUnflagged.erase(it);
            } else {
                ++it;
            }
        }
        open.insert({ spans[i].upper, i });
        if (!flagged[i])
            openUnflagged.insert({ spans[i].upper, i });
    }
    if (overlapping)
        *overlapping = flagged;
    return pairs;
}

} // namespace plandor
