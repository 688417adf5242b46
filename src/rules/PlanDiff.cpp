#include "rules/PlanDiff.h"

#include <QHash>

#include <algorithm>
#include <functional>

namespace plandor {
namespace {

QString numberKey(double value)
{
    return QString::number(double(float(value)), 'g', 9);
}

using KeyOf = std::function<QString(const PlanDiff::Channel &)>;

// Pairs the unpaired channels whose keys agree, each with the first unpaired
// one of the other plan that has its key.
void pairBy(const QList<PlanDiff::Channel> &before, const QList<PlanDiff::Channel> &after,
    const KeyOf &key, QList<int> &partnerOfBefore, QList<int> &partnerOfAfter)
{
    QHash<QString, QList<int>> waiting; // key -> unpaired indices of `after`, in order
    for (int j = 0; j < after.size(); ++j) {
        if (partnerOfAfter[j] < 0)
            waiting[key(after[j])].append(j);
    }
    for (int i = 0; i < before.size(); ++i) {
        if (partnerOfBefore[i] >= 0)
            continue;
        auto it = waiting.find(key(before[i]));
        if (it == waiting.end() || it->isEmpty())
            continue;
        const int j = it->takeFirst();
        partnerOfBefore[i] = j;
        partnerOfAfter[j] = i;
    }
}

} // namespace

bool PlanDiff::sameNumber(double a, double b)
{
    return float(a) == float(b);
}

QList<PlanDiff::Difference> PlanDiff::compare(
    const QList<Channel> &before, const QList<Channel> &after)
{
    QList<int> partnerOfBefore(before.size(), -1);
    QList<int> partnerOfAfter(after.size(), -1);
    pairBy(
        before, after,
        [](const Channel &c) { return c.name + QLatin1Char('\n') + numberKey(c.freq); },
        partnerOfBefore, partnerOfAfter);
    pairBy(
        before, after, [](const Channel &c) { return c.name; }, partnerOfBefore, partnerOfAfter);
    pairBy(
        before, after, [](const Channel &c) { return numberKey(c.freq); }, partnerOfBefore,
        partnerOfAfter);

    QList<Difference> differences;
    for (int i = 0; i < before.size(); ++i) {
        const int j = partnerOfBefore[i];
        if (j < 0) {
            differences.append({ Kind::Removed, i, -1, {} });
            continue;
        }
        const Channel &a = before[i];
        const Channel &b = after[j];
        Fields fields;
        if (a.name != b.name)
            fields |= Field::Name;
        if (a.type != b.type)
            fields |= Field::Type;
        if (!sameNumber(a.freq, b.freq))
            fields |= Field::Freq;
        if (!sameNumber(a.audio, b.audio))
            fields |= Field::Audio;
        if (fields)
            differences.append({ Kind::Changed, i, j, fields });
    }
    for (int j = 0; j < after.size(); ++j) {
        if (partnerOfAfter[j] < 0)
            differences.append({ Kind::Added, -1, j, {} });
    }

    // In frequency order, as the grid and the instrument show channels.
    auto freqOf = [&](const Difference &d) {
        return float(d.after >= 0 ? after[d.after].freq : before[d.before].freq);
    };
    std::stable_sort(differences.begin(), differences.end(),
        [&](const Difference &x, const Difference &y) { return freqOf(x) < freqOf(y); });
    return differences;
}

} // namespace plandor
