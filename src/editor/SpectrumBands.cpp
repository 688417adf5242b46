#include "editor/SpectrumBands.h"

#include "editor/PlanCheckList.h"
#include "rules/PlanCheck.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <cmath>

namespace plandor {

void SpectrumBands::read(const QAbstractItemModel &model, const QList<PlanRaster> &rasters)
{
    m_bands.clear();
    const QList<PlanCheckRow> rows = PlanCheckList::rowsOf(model);
    const int rasterIndex = PlanCheck::closestRaster(rows, rasters);
    const PlanCheck::Occupancy occupancy
        = PlanCheck::occupancy(rows, rasterIndex >= 0 ? &rasters[rasterIndex] : nullptr);
    m_bands.reserve(rows.size());
    m_overlapCount = 0;
    for (int r = 0; r < rows.size(); ++r) {
        const auto &span = occupancy.spans[r];
        if (!span)
            continue;
        SpectrumBand b;
        b.lower = span->lower;
        b.upper = span->upper;
        b.row = r;
        b.digital = rows[r].fields.type == QLatin1String("DIGI");
        b.overlapping = occupancy.overlapping[r];
        b.name = rows[r].fields.name;
        m_overlapCount += b.overlapping;
        m_bands.append(b);
    }
    std::sort(m_bands.begin(), m_bands.end(),
        [](const SpectrumBand &a, const SpectrumBand &b) { return a.lower < b.lower; });
    m_lowest = m_highest = 0;
    for (int i = 0; i < m_bands.size(); ++i) {
        m_lowest = i == 0 ? m_bands[i].lower : std::min(m_lowest, m_bands[i].lower);
        m_highest = i == 0 ? m_bands[i].upper : std::max(m_highest, m_bands[i].upper);
    }
}

int SpectrumBands::bandAt(double freq, double slack) const
{
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < m_bands.size(); ++i) {
        const SpectrumBand &b = m_bands[i];
        if (b.lower - slack > freq)
            break;
        if (freq > b.upper + slack)
            continue;
        const double distance = std::abs((b.lower + b.upper) / 2 - freq);
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

int SpectrumBands::indexOfRow(int row) const
{
    for (int i = 0; i < m_bands.size(); ++i) {
        if (m_bands[i].row == row)
            return i;
    }
    return -1;
}

} // namespace plandor
