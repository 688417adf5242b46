#pragma once

#include <QString>
#include <QStringView>

namespace plandor {

// The rules a channel of the plan must satisfy, as pure functions: what the
// editor's cell and row checks accept, which catalogue message refuses a
// value, and how a change of type moves the frequency.
class ChannelRules
{
public:
    // Catalogue ids of the messages that refuse a value.
    static constexpr qint16 kNameLengthMessage = 26;
    static constexpr qint16 kNameCharactersMessage = 59;
    static constexpr qint16 kTypeMessage = 39;
    static constexpr qint16 kFreqRangeMessage = 27;
    static constexpr qint16 kFreqSumMessage = 30;

    // Both ends are allowed, in MHz.
    static constexpr float kLowestFreq = 46.0f;
    static constexpr float kHighestFreq = 1000.0f;

    // 0 when the name passes; otherwise the message that refuses it: 26 for
    // a length outside 1..3 characters, 59 for a character whose code lies
    // outside 1..254 (anything beyond single-byte Latin-1, such as Chinese).
    static qint16 checkName(QStringView name);

    // 0 when the frequency passes; otherwise 27 (outside 46..1000) or 30
    // (the channel's edges, Freq -/+ Audio1/2 in single precision, leave
    // 46..1000). The edges are looked at only when the range passes.
    static qint16 checkFreq(float freq, float audio1);

    // "TV" or "DIGI", exactly.
    static bool isKnownType(QStringView type);

    // A cell read as the rules read numbers: its value in single precision,
    // 0 when the text is not a number.
    static float cellNumber(QStringView text);

    // Half the bandwidth less 1.25 MHz: the distance from a TV channel's
    // vision carrier to the channel's centre. The bandwidth is the leading
    // number of the text, 0 when there is none.
    static double halfBandwidthShift(QStringView bandwidthText);

    enum class TypeChange { None, TvToDigi, DigiToTv };
    static TypeChange typeChange(QStringView before, QStringView after);

    // The Freq cell after a change of type: the leading number of freqText
    // moved up (TV to DIGI) or down (DIGI to TV) by shift, as the shortest
    // text of the double result. freqText itself for TypeChange::None.
    static QString shiftedFreq(QStringView freqText, TypeChange change, double shift);

    // A stored frequency as the cell gets it back: the shortest text of the
    // single-precision number.
    static QString restoredFreq(float freq);
};

} // namespace plandor
