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
        ChannelFields fields = RowChecks::fieldsOf(outcome.rows[i]);
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
        const QString before = ChannelColumns::toText(ColumnType, row.values[ColumnType]);
        const auto change = ChannelRules::typeChange(before, c.type);
        row.values[ColumnType] = c.type;
        if (change == ChannelRules::TypeChange::None || row.values[ColumnFreq].isNull())
            return;
        // Through the cell's text, as the Type column moves a frequency.
        const QString moved = ChannelRules::shiftedFreq(
            ChannelColumns::toText(ColumnFreq, row.values[ColumnFreq]), change, typeShift);
        if (const auto value = ChannelColumns::fromText(ColumnFreq, moved))
            row.values[ColumnFreq] = *value;
    }
    void operator()(const SetAudio &c) const { row.values[ColumnAudio1] = c.value; }
    void operator()(const MoveFreq &c) const
    {
        if (!row.values[ColumnFreq].isNull())
            row.values[ColumnFreq] = toHertz(row.values[ColumnFreq].toDouble() + c.offset);
    }
    void operator()(const Rename &c) const { row.values[ColumnName] = c.names.nameAt(index); }
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
        row.values[ColumnId] = firstId + i;
        row.values[ColumnName] = raster.names.nameAt(i);
        row.values[ColumnType] = raster.type;
        row.values[ColumnFreq] = toHertz(raster.firstFreq + i * raster.step);
        row.values[ColumnAudio1] = raster.audio1;
        outcome.rows.append(row);
    }
    checkRows(outcome);
    return outcome;
}

} // namespace BulkEdit
} // namespace plandor
