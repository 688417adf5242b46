#pragma once

#include <QFlags>
#include <QList>
#include <QString>

namespace plandor {

// The differences between two plans, channel by channel: which channels one
// of them lacks and which fields of a channel they hold in common differ.
//
// Channels are paired in three passes, each pairing channels in their order
// among those still unpaired: the same name and frequency; then the same name
// (a retuned channel); then the same frequency (a renamed channel). What is
// left over was added or removed. The ID is not compared: it is the channel's
// position, and the instrument numbers a plan anew in frequency order when it
// receives it, so the same channels in another order are the same plan.
// Frequencies and audio values count as equal when they are the same number
// in single precision, as the instrument keeps them.
class PlanDiff
{
public:
    struct Channel
    {
        qint64 id = 0;
        QString name;
        QString type;
        double freq = 0;
        double audio = 0;
    };

    enum class Field { Name = 1, Type = 2, Freq = 4, Audio = 8 };
    Q_DECLARE_FLAGS(Fields, Field)

    enum class Kind {
        Added, // only in the second plan
        Removed, // only in the first plan
        Changed, // in both, with the fields that differ
    };

    struct Difference
    {
        Kind kind = Kind::Changed;
        int before = -1; // index in the first plan; -1 for Added
        int after = -1; // index in the second plan; -1 for Removed
        Fields fields; // for Changed
    };

    // What turns `before` into `after`, in frequency order; empty when the
    // plans hold the same channels.
    static QList<Difference> compare(const QList<Channel> &before, const QList<Channel> &after);

    static bool sameNumber(double a, double b);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PlanDiff::Fields)

} // namespace plandor
