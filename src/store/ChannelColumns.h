#pragma once

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

// One row's values in column order (ID, CHName, Type, Freq, Audio1); a null
// QVariant is a field without a value.
struct ChannelValues
{
    QVariant values[kChannelColumnCount];

    friend bool operator==(const ChannelValues &a, const ChannelValues &b)
    {
        for (int i = 0; i < kChannelColumnCount; ++i) {
            if (a.values[i] != b.values[i])
                return false;
        }
        return true;
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

class ChannelColumns
{
public:
    // The catalogue text of a column's heading in the grid, and that text
    // in the run's language without its layout blanks.
    static qint16 headingId(int column);
    static QString fieldName(int column);

    // A text converted to the column's kind, as the store holds it: ID a
    // whole number (halves to even), CHName and Type the text itself, Freq and
    // Audio1 a number. Nothing when the text cannot be converted (a text that
    // is not a number, an empty text for a number column, a number that does
    // not fit); the store never turns such a text into 0.
    static std::optional<QVariant> fromText(int column, const QString &text);

    // A value as the engine gives it back, in the column's kind: whole
    // numbers for ID, doubles for Freq and Audio1, texts otherwise; null stays null.
    static QVariant fromEngine(int column, const QVariant &value);

    // A stored value as text for the plan file and the link: numbers in
    // their shortest form (46, 4.5, 55.25), null as an empty text.
    static QString toText(int column, const QVariant &value);
};

} // namespace plandor
