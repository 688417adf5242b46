#pragma once

#include <QString>

namespace plandor {

// The settings panel as texts, as its boxes hold them. favorites[0..5] are the
// six favourite channel IDs in their own order (boxes Text1(0), (1), (2), (3),
// (5), (6)); span is the bandwidth box Text1(4); unit the level unit
// ("dBuV", "dBmV" or empty when none is chosen).
struct PanelTexts
{
    QString favorites[6];
    QString unit;
    QString span;

    friend bool operator==(const PanelTexts &a, const PanelTexts &b)
    {
        for (int i = 0; i < 6; ++i) {
            if (a.favorites[i] != b.favorites[i])
                return false;
        }
        return a.unit == b.unit && a.span == b.span;
    }

    // No favourite, no unit and no bandwidth (empty or 0): what a plan made
    // from a table holds. Nobody set it, so it is no panel at all.
    bool isBlank() const
    {
        for (const QString &favorite : favorites) {
            if (!favorite.trimmed().isEmpty())
                return false;
        }
        bool number = false;
        const QString bandwidth = span.trimmed();
        return unit.trimmed().isEmpty()
            && (bandwidth.isEmpty() || (bandwidth.toDouble(&number) == 0 && number));
    }
};

} // namespace plandor
