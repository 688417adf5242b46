#include "store/BulkEdit.h"

#include "store/RowChecks.h"

#include <QHash>

#include <cmath>

namespace plandor {
namespace {

// Sums of MHz values keep to the hertz, so that 55.25 + 0.1 is stored as
// 55.35 and not as 55.35000000000001.
double toHertz(double mhz)
{
    return std::round(mhz * 1e6) / 1e6;
}

void checkRows(BulkOutcome &outcome)
{
    // The name rule asks the code page about every character, which costs
    // more than all the other rules together; a plan repeats its names (the
    // instrument takes 255 channels), so each name is looked at once.
    QHash<QString, std::optional<ChannelRefusal>> names;
    for (qsizetype i = 0; i < outcome.rows.size(); ++i) {
        ChannelFields fields = outcome.rows[i].fields();
        auto name = names.constFind(fields.name);
        if (name == names.cend())
            name = names.insert(fields.name, ChannelRules::nameRefusal(fields.name));
        std::optional<ChannelRefusal> refusal = *name;
        if (!refusal) {
            // The rest of the rules, in their order, after a name that passes.
            fields.name = QStringLiteral("1");
            refusal = ChannelRules::checkChannel(fields);
        }
        if (refusal)
            outcome.refusals.append(RowRefusal { int(i), *refusal });
    }
}

// What each change does to one row.
struct Changer
{
    ChannelValues &row;
    int index;
    double typeShift;

    void operator()(const SetType &c) const
    {
        const auto change = ChannelRules::typeChange(row.type, c.type);
        row.type = c.type;
        row.otherType.clear();
        // A new type moves the frequency as the Type column does.
        if (row.freq)
            row.freq = ChannelRules::shiftedFreq(*row.freq, change, typeShift);
    }
    void operator()(const SetAudio &c) const { row.audio1 = c.value; }
    void operator()(const MoveFreq &c) const
    {
        if (row.freq)
            row.freq = toHertz(*row.freq + c.offset);
    }
    void operator()(const Rename &c) const { row.name = c.names.nameAt(index); }
};

} // namespace

QString NamePattern::nameAt(int index) const
{
    return prefix + QString::number(qint64(first) + qint64(index) * step);
}

namespace BulkEdit {

BulkOutcome apply(const QList<ChannelValues> &rows, const BulkChange &change, double typeShift)
{
    BulkOutcome outcome;
    outcome.rows = rows;
    for (qsizetype i = 0; i < outcome.rows.size(); ++i)
        std::visit(Changer { outcome.rows[i], int(i), typeShift }, change);
    checkRows(outcome);
    return outcome;
}

BulkOutcome fill(const FillRaster &raster, qint64 firstId)
{
    BulkOutcome outcome;
    outcome.rows.reserve(raster.count);
    for (int i = 0; i < raster.count; ++i) {
        ChannelValues row;
        row.id = firstId + i;
        row.name = raster.names.nameAt(i);
        row.type = raster.type;
        row.freq = toHertz(raster.firstFreq + i * raster.step);
        row.audio1 = raster.audio1;
        outcome.rows.append(row);
    }
    checkRows(outcome);
    return outcome;
}

} // namespace BulkEdit
} // namespace plandor
