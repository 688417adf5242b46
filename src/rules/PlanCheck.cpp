#include "rules/PlanCheck.h"

#include "base/Phrase.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace plandor {
namespace {

constexpr Phrase kOverlapText { u"第 %1 行 (%2) 与第 %3 行 (%4) 的频带重叠",
    u"Row %1 (%2) overlaps row %3 (%4)" };
constexpr Phrase kDuplicateIdText { u"ID %1 重复：第 %2 行",
    u"ID %1 is used more than once: rows %2" };
constexpr Phrase kDuplicateNameText { u"频道名 \"%1\" 重复：第 %2 行",
    u"Name \"%1\" is used more than once: rows %2" };
constexpr Phrase kRefusedText { u"第 %1 行 (%2)：%3", u"Row %1 (%2): %3" };
constexpr Phrase kTooManyText { u"频道表有 %1 个频道，仪器最多容纳 %2 个",
    u"The plan has %1 channels; the instrument holds at most %2" };
constexpr Phrase kOffRasterText { u"第 %1 行 (%2)：%3 MHz 不是 %4 的频道",
    u"Row %1 (%2): %3 MHz is not a channel of %4" };

QString mhz(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString rowList(const QList<int> &rows)
{
    QStringList texts;
    for (int r : rows)
        texts << QString::number(r + 1);
    return texts.join(QStringLiteral(", "));
}

// The position of value in a sorted raster, or -1.
int rasterPosition(const QList<double> &raster, double value)
{
    auto it = std::lower_bound(raster.begin(), raster.end(), value - PlanCheck::kTolerance);
    if (it != raster.end() && std::abs(*it - value) < PlanCheck::kTolerance)
        return int(it - raster.begin());
    return -1;
}

// Where a row sits on a raster: the position among TV carriers, or among
// DIGI centres offset by the carrier count; -1 when off the raster.
int rasterSlot(const PlanRaster &raster, const ChannelFields &f)
{
    if (!f.freq)
        return -1;
    if (f.type == QLatin1String("TV"))
        return rasterPosition(raster.tvCarriers, *f.freq);
    if (f.type == QLatin1String("DIGI")) {
        const int p = rasterPosition(raster.digiCentres, *f.freq);
        return p < 0 ? -1 : int(raster.tvCarriers.size()) + p;
    }
    return -1;
}

const QString &label(const QList<PlanCheckRow> &rows, int r)
{
    return rows[r].fields.name;
}

// Rows that share a key (trimmed, non-empty), one finding per key.
void findDuplicates(const QList<PlanCheckRow> &rows, PlanFinding::Kind kind, const Phrase &phrase,
    QString (*keyOf)(const PlanCheckRow &), QList<PlanFinding> &out)
{
    QHash<QString, QList<int>> seen;
    QStringList order;
    for (int r = 0; r < rows.size(); ++r) {
        const QString key = keyOf(rows[r]);
        if (key.isEmpty())
            continue;
        auto &list = seen[key];
        if (list.isEmpty())
            order << key;
        list << r;
    }
    for (const QString &key : order) {
        const QList<int> &list = seen[key];
        if (list.size() > 1)
            out.append({ kind, list, phrase.text().arg(key, rowList(list)) });
    }
}

} // namespace

QList<std::pair<int, int>> PlanCheck::overlaps(
    const QList<ChannelSpan> &spans, QList<bool> *overlapping)
{
    QList<int> order(spans.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&spans](int a, int b) {
        return spans[a].lower < spans[b].lower || (spans[a].lower == spans[b].lower && a < b);
    });
    if (overlapping)
        overlapping->fill(false, spans.size());
    QList<std::pair<int, int>> pairs;
    int reach = -1; // the channel reaching highest so far
    for (int i : order) {
        if (reach >= 0 && spans[i].lower < spans[reach].upper - kTolerance) {
            pairs.append({ std::min(reach, i), std::max(reach, i) });
            if (overlapping)
                (*overlapping)[reach] = (*overlapping)[i] = true;
        }
        if (reach < 0 || spans[i].upper > spans[reach].upper)
            reach = i;
    }
    return pairs;
}

int PlanCheck::closestRaster(const QList<PlanCheckRow> &rows, const QList<PlanRaster> &rasters)
{
    int best = -1;
    int bestCount = 0;
    for (int k = 0; k < rasters.size(); ++k) {
        int count = 0;
        for (const PlanCheckRow &row : rows)
            count += rasterSlot(rasters[k], row.fields) >= 0;
        if (count > bestCount) {
            best = k;
            bestCount = count;
        }
    }
    return bestCount * 2 >= rows.size() && bestCount > 0 ? best : -1;
}

QList<PlanFinding> PlanCheck::run(const QList<PlanCheckRow> &rows, const PlanCheckOptions &options)
{
    QList<PlanFinding> out;
    if (rows.size() > options.maxChannels)
        out.append({ PlanFinding::TooMany, {},
            kTooManyText.text().arg(rows.size()).arg(options.maxChannels) });

    // Every channel the rules refuse, as the editor and the plan file would.
    for (int r = 0; r < rows.size(); ++r) {
        if (const auto refusal = ChannelRules::checkChannel(rows[r].fields))
            out.append({ PlanFinding::Refused, { r },
                kRefusedText.text().arg(r + 1).arg(label(rows, r), refusal->text()) });
    }

    findDuplicates(
        rows, PlanFinding::DuplicateId, kDuplicateIdText,
        [](const PlanCheckRow &row) { return row.id.trimmed(); }, out);
    findDuplicates(
        rows, PlanFinding::DuplicateName, kDuplicateNameText,
        [](const PlanCheckRow &row) { return row.fields.name; }, out);

    const int rasterIndex = closestRaster(rows, options.rasters);
    const PlanRaster *raster = rasterIndex >= 0 ? &options.rasters[rasterIndex] : nullptr;

    // Channels with both numbers take part in the overlap check.
    QList<ChannelSpan> spans;
    QList<int> spanRow;
    for (int r = 0; r < rows.size(); ++r) {
        const ChannelFields &f = rows[r].fields;
        if (f.freq && f.audio1) {
            spans.append(ChannelSpan::of(*f.freq, *f.audio1));
            spanRow.append(r);
        }
    }
    const QString overlapText = kOverlapText.text();
    for (const auto &[a, b] : overlaps(spans)) {
        const int ra = spanRow[a];
        const int rb = spanRow[b];
        // Two different channels of the standard itself overlap by design
        // (Japan's 7 and 8): not a fault of the plan.
        if (raster) {
            const int sa = rasterSlot(*raster, rows[ra].fields);
            const int sb = rasterSlot(*raster, rows[rb].fields);
            if (sa >= 0 && sb >= 0 && sa != sb)
                continue;
        }
        out.append({ PlanFinding::Overlap, { ra, rb },
            overlapText.arg(QString::number(ra + 1), label(rows, ra), QString::number(rb + 1),
                label(rows, rb)) });
    }

    if (raster) {
        for (int r = 0; r < rows.size(); ++r) {
            const ChannelFields &f = rows[r].fields;
            if (f.freq && ChannelRules::isKnownType(f.type) && rasterSlot(*raster, f) < 0)
                out.append({ PlanFinding::OffRaster, { r },
                    kOffRasterText.text().arg(r + 1).arg(
                        label(rows, r), mhz(*f.freq), raster->name) });
        }
    }
    return out;
}

} // namespace plandor
