#pragma once

#include <QList>
#include <QString>

namespace plandor {

// One channel as the device link exchanges it. The fields keep the order of
// the instrument's 36-byte record: Id, Type, Position, Freq, Spare1, Name,
// Audio1, Spare2, SpareText. Texts are owned; copying a record copies them.
struct LinkRecord
{
    qint32 Id = 0;
    QString Type;
    quint8 Position = 0;
    float Freq = 0.0f;
    quint32 Spare1 = 0;
    QString Name;
    float Audio1 = 0.0f;
    quint32 Spare2 = 0;
    QString SpareText;

    friend bool operator==(const LinkRecord &, const LinkRecord &) = default;
};

// A one-dimensional array of records with its lower bound: a sent array runs
// 1..n; a received one has whatever bounds the link gave it.
struct LinkRecordArray
{
    int lowerBound = 1;
    QList<LinkRecord> items;

    int upperBound() const { return lowerBound + int(items.size()) - 1; }
    bool isEmpty() const { return items.isEmpty(); }
    // Element at index i of the array's own bounds.
    LinkRecord &at(int i) { return items[i - lowerBound]; }
    const LinkRecord &at(int i) const { return items[i - lowerBound]; }

    friend bool operator==(const LinkRecordArray &, const LinkRecordArray &) = default;
};

} // namespace plandor
