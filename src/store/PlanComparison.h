#pragma once

#include "rules/PlanDiff.h"
#include "store/ChannelColumns.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace plandor {

// Two stored plans compared with PlanDiff, and the differences in words, one
// line each, as plandor-cli prints them and the compare view lists them.
class PlanComparison
{
public:
    PlanComparison(const QList<ChannelValues> &before, const QList<ChannelValues> &after);

    static QList<PlanDiff::Channel> channels(const QList<ChannelValues> &rows);

    const QList<PlanDiff::Difference> &differences() const { return m_differences; }
    bool equal() const { return m_differences.isEmpty(); }
    const QList<ChannelValues> &before() const { return m_before; }
    const QList<ChannelValues> &after() const { return m_after; }

    // A channel as "ID 3 C3 TV 55.25 6.5".
    static QString channelText(const ChannelValues &row);
    // The changed fields as "Freq 55.25 -> 57.25, Type TV -> DIGI".
    QString changeText(const PlanDiff::Difference &difference) const;
    // One line per difference, in the run's language; beforeName and
    // afterName say where a channel is found alone.
    QStringList lines(const QString &beforeName, const QString &afterName) const;

private:
    QList<ChannelValues> m_before, m_after;
    QList<PlanDiff::Difference> m_differences;
};

} // namespace plandor
