#pragma once

#include "rules/ChannelValues.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace plandor {

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
