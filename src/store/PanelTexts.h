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
};

} // namespace plandor
