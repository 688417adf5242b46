#include "editor/SpectrumBands.h"

#include "rules/PlanCheck.h"
#include "store/ChannelColumns.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <cmath>
#include <optional>

namespace plandor {
namespace {

std::optional<double> number(const QAbstractItemModel &model, int row, int column)
{
    const QVariant v = model.index(row, column).data(Qt::EditRole);
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

} // namespace

void SpectrumBands::read(const QAbstractItemModel &model)
{
    m_bands.clear();
    const int rows = model.rowCount();
    m_bands.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        const auto freq = number(model, r, ColumnFreq);
        const auto audio = number(model, r, ColumnAudio1);
        if (!freq || !audio)
            continue;
        const ChannelSpan span = ChannelSpan::of(*freq, *audio);
        SpectrumBand b;
        b.lower = std::min(span.lower, span.upper);
        b.upper = std::max(span.lower, span.upper);
        b.row = r;
        b.digital = model.index(r, ColumnType).data().toString() == QLatin1String("DIGI");
        b.name = model.index(r, ColumnName).data().toString();
        m_bands.append(b);
    }
    std::sort(m_bands.begin(), m_bands.end(),
        [](const SpectrumBand &a, const SpectrumBand &b) { return a.lower < b.lower; });

    QList<ChannelSpan> spans;
    spans.reserve(m_bands.size());
    for (const SpectrumBand &b : std::as_const(m_bands))
        spans.append({ b.lower, b.upper });
    QList<bool> overlapping;
    PlanCheck::overlaps(spans, &overlapping);
    m_overlapCount = 0;
    m_lowest = m_highest = 0;
    for (int i = 0; i < m_bands.size(); ++i) {
        m_bands[i].overlapping = overlapping[i];
        m_overlapCount += overlapping[i];
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
