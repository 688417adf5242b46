#include "rules/PlanCheck.h"

#include "base/Phrase.h"

#include <QHash>
#include <QLocale>

#include <cmath>

namespace plandor {
namespace {

constexpr Phrase kOverlapText { u"第 %1 行 (%2, %3 MHz) 与第 %4 行 (%5, %6 MHz) 的频带重叠 %7 MHz",
    u"Row %1 (%2, %3 MHz) overlaps row %4 (%5, %6 MHz) by %7 MHz" };
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

PlanCheck::Occupancy PlanCheck::occupancy(const QList<PlanCheckRow> &rows, const PlanRaster *raster)
{
    Occupancy out;
    out.spans.reserve(rows.size());
    out.overlapping.fill(false, rows.size());
    QList<ChannelSpan> spans;
    QList<int> rasterSlots;
    QList<int> spanRow;
    for (int r = 0; r < rows.size(); ++r) {
        const ChannelFields &f = rows[r].fields;
        out.spans.append(ChannelOccupancy::of(f, raster));
        if (out.spans.last()) {
            spans.append(*out.spans.last());
            rasterSlots.append(raster ? raster->slotOf(f) : -1);
            spanRow.append(r);
        }
    }
    QList<bool> overlapping;
    for (ChannelOccupancy::Overlap o :
        ChannelOccupancy::overlaps(spans, rasterSlots, &overlapping)) {
        o.first = spanRow[o.first];
        o.second = spanRow[o.second];
        out.overlaps.append(o);
    }
    for (int i = 0; i < spanRow.size(); ++i)
        out.overlapping[spanRow[i]] = overlapping[i];
    return out;
}

int PlanCheck::closestRaster(const QList<PlanCheckRow> &rows, const QList<PlanRaster> &rasters)
{
    int best = -1;
    int bestCount = 0;
    for (int k = 0; k < rasters.size(); ++k) {
        int count = 0;
        for (const PlanCheckRow &row : rows)
            count += rasters[k].slotOf(row.fields) >= 0;
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

    const QString overlapText = kOverlapText.text();
    for (const ChannelOccupancy::Overlap &o : occupancy(rows, raster).overlaps) {
        const int ra = o.first;
        const int rb = o.second;
        out.append({ PlanFinding::Overlap, { ra, rb },
            overlapText.arg(QString::number(ra + 1), label(rows, ra), mhz(*rows[ra].fields.freq),
                QString::number(rb + 1), label(rows, rb), mhz(*rows[rb].fields.freq),
                mhz(std::round(o.width * 1000) / 1000)) });
    }

    if (raster) {
        for (int r = 0; r < rows.size(); ++r) {
            const ChannelFields &f = rows[r].fields;
            if (f.freq && ChannelRules::isKnownType(f.type) && raster->slotOf(f) < 0)
                out.append({ PlanFinding::OffRaster, { r },
                    kOffRasterText.text().arg(r + 1).arg(
                        label(rows, r), mhz(*f.freq), raster->name) });
        }
    }
    return out;
}

} // namespace plandor
