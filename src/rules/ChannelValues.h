#pragma once

#include "rules/ChannelRules.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace plandor {

// The columns of the channel table ChannelPlanUser, in their binding order.
enum ChannelColumn : int {
    ColumnId = 0,
    ColumnName = 1, // CHName
    ColumnType = 2,
    ColumnFreq = 3,
    ColumnAudio1 = 4,
};
constexpr int kChannelColumnCount = 5;

// One channel's values, typed. A field without a value is an empty optional,
// or a null string for the name (an empty name is a value: the engine keeps
// the two apart).
struct ChannelValues
{
    std::optional<qint64> id;
    QString name;
    std::optional<ChannelType> type;
    QString otherType; // the text of an Other type
    std::optional<double> freq;
    std::optional<double> audio1;

    // "TV", "DIGI", the other text, or a null string when there is no type.
    QString typeText() const;
    // A null text clears the type; any other text is one of the kinds.
    void setTypeText(const QString &text);
    static QString typeName(ChannelType type);

    // A column as the engine binds and gives it: qint64 for ID, doubles for
    // Freq and Audio1, texts otherwise; a null QVariant for no value.
    QVariant value(int column) const;
    // The reverse; a value of another kind is converted (a text in a number
    // column as the engine does it).
    void setValue(int column, const QVariant &value);

    // The values as the channel rules read them (no name or type: empty).
    ChannelFields fields() const;

    friend bool operator==(const ChannelValues &a, const ChannelValues &b)
    {
        return a.id == b.id && a.name == b.name && a.name.isNull() == b.name.isNull()
            && a.type == b.type && a.otherType == b.otherType && a.freq == b.freq
            && a.audio1 == b.audio1;
    }
};

// A row of the channel table with its identity (the engine's rowid), which
// stays the same when the row's ID is edited or duplicated.
struct StoredRow
{
    qint64 rowId = 0;
    ChannelValues values;

    friend bool operator==(const StoredRow &a, const StoredRow &b)
    {
        return a.rowId == b.rowId && a.values == b.values;
    }
};

} // namespace plandor
