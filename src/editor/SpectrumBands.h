#pragma once

#include "rules/ChannelOccupancy.h"

#include <QList>
#include <QString>

class QAbstractItemModel;

namespace plandor {

// One channel as the spectrum draws it: from its lower to its upper edge.
struct SpectrumBand
{
    double lower = 0;
    double upper = 0;
    int row = -1; // in the model
    bool digital = false;
    bool overlapping = false; // with another channel
    QString name;
};

// The channels of a plan model as bands across the spectrum, ordered by lower
// edge, with the overlaps marked, and which band lies at a frequency. Kept
// apart from the widget so that the geometry is plain arithmetic.
class SpectrumBands
{
public:
    // Reads every row whose band is known (see ChannelOccupancy), on the
    // raster of the standard among rasters that the plan follows; other rows
    // are not drawn. Overlaps are those the plan check reports.
    void read(const QAbstractItemModel &model, const QList<PlanRaster> &rasters = {});

    const QList<SpectrumBand> &bands() const { return m_bands; }
    int overlapCount() const { return m_overlapCount; }
    double lowest() const { return m_lowest; }
    double highest() const { return m_highest; }

    // The band at freq, within slack MHz of its edges (the one whose centre is
    // nearest when several are); -1 for none.
    int bandAt(double freq, double slack) const;
    // The band of a model row; -1 when the row is not drawn.
    int indexOfRow(int row) const;

private:
    QList<SpectrumBand> m_bands;
    int m_overlapCount = 0;
    double m_lowest = 0;
    double m_highest = 0;
};

} // namespace plandor
