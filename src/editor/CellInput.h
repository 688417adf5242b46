#pragma once

#include <QString>
#include <QVariant>

namespace plandor {

// What a grid cell is given: a value in its column's kind (as ChannelValues
// holds it), or, for a number column, the text typed when it names no number.
// Such a text is kept in the cell as typed and refused when the row is
// committed.
struct CellInput
{
    QVariant value;
    QString unreadable; // null unless the text names no value

    // A typed text: ID a whole number (halves to even), Freq and Audio1 a
    // number, an empty number cell no value; Name and Type the text itself.
    static CellInput fromText(int column, const QString &text);
    // A value a delegate or a command hands: a text is read as typed, any
    // other value is taken as the column's own.
    static CellInput of(int column, const QVariant &value);
    // The value as a delegate hands it on.
    QVariant handed() const { return unreadable.isNull() ? value : QVariant(unreadable); }
};

} // namespace plandor
