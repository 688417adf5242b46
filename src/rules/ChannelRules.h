#pragma once

#include "base/Phrase.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace plandor {

// What the Type field names: the two kinds the instrument knows, or another
// text a plan file or the instrument brought (kept, and refused by the rules).
enum class ChannelType { Tv, Digi, Other };

// A channel's values as the rules see them, whichever door it came through
// (grid, plan file, paste, the instrument, the command line). A number that
// is missing or not a number is nothing, and the rules refuse it.
struct ChannelFields
{
    QString name;
    QString type;
    std::optional<double> freq;
    std::optional<double> audio1;
};

// Why a channel is refused: the grid column that holds the refused value
// (1 name, 2 type, 3 freq, 4 audio/bandwidth) and the message that says why,
// either a catalogue id or, where the catalogue has no text, a phrase.
struct ChannelRefusal
{
    int column = -1;
    qint16 messageId = 0;
    const Phrase *phrase = nullptr;

    // The message in the run's language, or in the given one.
    QString text() const;
    QString text(qint16 languageOffset) const;

    friend bool operator==(const ChannelRefusal &, const ChannelRefusal &) = default;
};

// A refused channel of a plan: its index in the plan (0-based) and why.
struct RowRefusal
{
    int row = -1;
    ChannelRefusal refusal;

    friend bool operator==(const RowRefusal &, const RowRefusal &) = default;
};

// The rules a channel of the plan must satisfy, as pure functions: what the
// editor's cell and row checks accept, which message refuses a value, and how
// a change of type moves the frequency.
//
// A name is 1 to 3 characters, each a single byte with a code 1..254 in the
// run's code page (Windows-1252 in an English run, so "€" passes; GB18030 in
// a Chinese run, where only ASCII is a single byte), none of them a control
// character (codes below 32, 127 to 159: TAB, CR and LF among them) or "*",
// and it does not contain the two capital letters "ID". The plan file cannot
// carry the last three: a TAB splits a row, "*" makes a panel line, "ID" the
// header line.
class ChannelRules
{
public:
    // Catalogue ids of the messages that refuse a value.
    static constexpr qint16 kNameLengthMessage = 26;
    static constexpr qint16 kNameCharactersMessage = 59;
    static constexpr qint16 kTypeMessage = 39;
    static constexpr qint16 kFreqRangeMessage = 27;
    static constexpr qint16 kFreqSumMessage = 30;
    static constexpr qint16 kAudioMessage = 28;
    static constexpr qint16 kBandwidthMessage = 29;

    // Grid columns the refusals name.
    static constexpr int kNameColumn = 1;
    static constexpr int kTypeColumn = 2;
    static constexpr int kFreqColumn = 3;
    static constexpr int kAudioColumn = 4;

    // Both ends are allowed, in MHz.
    static constexpr float kLowestFreq = 46.0f;
    static constexpr float kHighestFreq = 1000.0f;
    // A TV channel's audio carrier offset and a digital channel's bandwidth.
    static constexpr float kLowestAudio = 0.01f;
    static constexpr float kHighestAudio = 9.99f;
    static constexpr float kLowestBandwidth = 4.0f;
    static constexpr float kHighestBandwidth = 9.9f;

    // The message for a name with a character the plan file cannot carry.
    static const Phrase kNameFileCharacters;

    // 0 when the name passes the grid's catalogue checks; otherwise 26 for a
    // length outside 1..3 characters, 59 for a character that is not a single
    // byte with a code 1..254 in the code page of the run (of the given
    // language): a Chinese character, "é" in a Chinese run, U+0100 in an
    // English one.
    static qint16 checkName(QStringView name);
    static qint16 checkName(QStringView name, qint16 languageOffset);

    // The whole name rule, the characters the file cannot carry included.
    static std::optional<ChannelRefusal> nameRefusal(QStringView name);

    // True when the text holds no TAB, line break or other control character,
    // no "*" and no "ID": the plan file can carry it as a value.
    static bool fileCanCarry(QStringView text);

    // 0 when the frequency passes; otherwise 27 (outside 46..1000) or 30
    // (the channel's edges, Freq -/+ Audio1/2 in single precision, leave
    // 46..1000). The edges are looked at only when the range passes.
    static qint16 checkFreq(float freq, float audio1);

    // "TV" or "DIGI", exactly.
    static bool isKnownType(QStringView type);

    // The whole channel, column by column (name, type, freq, audio), the
    // first refusal or nothing. Audio1 is a TV channel's audio offset
    // (0.01..9.99 MHz, message 28) and a digital channel's bandwidth
    // (4.0..9.9 MHz, message 29); numbers must be finite.
    static std::optional<ChannelRefusal> checkChannel(const ChannelFields &channel);

    // Every refused channel of a plan, in plan order.
    static QList<RowRefusal> checkPlan(const QList<ChannelFields> &channels);

    // A cell read as the rules read numbers: its value in single precision,
    // 0 when the text is not a number.
    static float cellNumber(QStringView text);

    // Half the bandwidth less 1.25 MHz: the distance from a TV channel's
    // vision carrier to the channel's centre. The bandwidth is the leading
    // number of the text, 0 when there is none.
    static double halfBandwidthShift(QStringView bandwidthText);

    enum class TypeChange { None, TvToDigi, DigiToTv };
    static TypeChange typeChange(
        std::optional<ChannelType> before, std::optional<ChannelType> after);

    // The frequency after a change of type: moved up (TV to DIGI) or down
    // (DIGI to TV) by shift; freq itself for TypeChange::None.
    static double shiftedFreq(double freq, TypeChange change, double shift);

    // The number a single-precision value's shortest text names: 100.1f gives
    // 100.1, not 100.09999847412109, as a stored frequency comes back to its
    // cell and a received one is stored. Nothing for a value that is not finite.
    static std::optional<double> fromSingle(float value);
};

} // namespace plandor
