#include "store/PlanComparison.h"

#include "base/Phrase.h"

namespace plandor {
namespace {

constexpr Phrase kAdded { u"新增  %1（仅在%2中）", u"added    %1 (only in %2)" };
constexpr Phrase kRemoved { u"缺少  %1（仅在%2中）", u"removed  %1 (only in %2)" };
constexpr Phrase kChanged { u"不同  %1：%2", u"changed  %1: %2" };

const int kComparedColumns[] = { ColumnName, ColumnType, ColumnFreq, ColumnAudio1 };
const PlanDiff::Field kComparedFields[] = { PlanDiff::Field::Name, PlanDiff::Field::Type,
    PlanDiff::Field::Freq, PlanDiff::Field::Audio };

} // namespace

PlanComparison::PlanComparison(
    const QList<ChannelValues> &before, const QList<ChannelValues> &after)
    : m_before(before)
    , m_after(after)
    , m_differences(PlanDiff::compare(channels(before), channels(after)))
{ }

QList<PlanDiff::Channel> PlanComparison::channels(const QList<ChannelValues> &rows)
{
    QList<PlanDiff::Channel> list;
    list.reserve(rows.size());
    for (const ChannelValues &row : rows) {
        PlanDiff::Channel channel;
        channel.id = row.value(ColumnId).toLongLong();
        channel.name = row.value(ColumnName).toString();
        channel.type = row.value(ColumnType).toString();
        channel.freq = row.value(ColumnFreq).toDouble();
        channel.audio = row.value(ColumnAudio1).toDouble();
        list.append(channel);
    }
    return list;
}

QString PlanComparison::channelText(const ChannelValues &row)
{
    QStringList parts { QStringLiteral("ID") + QLatin1Char(' ')
        + ChannelColumns::toText(ColumnId, row.value(ColumnId)) };
    for (const int column : kComparedColumns)
        parts.append(ChannelColumns::toText(column, row.value(column)));
    return parts.join(QLatin1Char(' '));
}

QString PlanComparison::changeText(const PlanDiff::Difference &difference) const
{
    QStringList parts;
    if (difference.before < 0 || difference.after < 0)
        return {};
    const ChannelValues &a = m_before[difference.before];
    const ChannelValues &b = m_after[difference.after];
    for (int k = 0; k < 4; ++k) {
        if (!difference.fields.testFlag(kComparedFields[k]))
            continue;
        const int column = kComparedColumns[k];
        parts.append(ChannelColumns::fieldName(column) + QLatin1Char(' ')
            + ChannelColumns::toText(column, a.value(column)) + QStringLiteral(" -> ")
            + ChannelColumns::toText(column, b.value(column)));
    }
    return parts.join(QStringLiteral(", "));
}

QStringList PlanComparison::lines(const QString &beforeName, const QString &afterName) const
{
    QStringList lines;
    for (const PlanDiff::Difference &d : m_differences) {
        switch (d.kind) {
        case PlanDiff::Kind::Added:
            lines.append(kAdded.text().arg(channelText(m_after[d.after]), afterName));
            break;
        case PlanDiff::Kind::Removed:
            lines.append(kRemoved.text().arg(channelText(m_before[d.before]), beforeName));
            break;
        case PlanDiff::Kind::Changed:
            lines.append(kChanged.text().arg(channelText(m_before[d.before]), changeText(d)));
            break;
        }
    }
    return lines;
}

} // namespace plandor
