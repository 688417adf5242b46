#pragma once

#include "base/Phrase.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace plandor {

// What the favourites panel accepts in its boxes, as pure functions over the
// boxes' texts. The window runs check() on every change of a box and carries
// out the refusal it returns.
namespace FavoritesPanelCheck {

// The boxes of Text1 that hold favourite channel IDs, in the order they are
// checked; box 4 is the bandwidth.
constexpr std::array<int, 6> kFavoriteBoxes = { 0, 1, 2, 3, 5, 6 };
constexpr int kBandwidthBox = 4;
constexpr int kBoxCount = 7;

constexpr qint16 kFavoriteMessageId = 67; // "Please input correct ID "
constexpr qint16 kBandwidthMessageId = 29; // "'BW' should be from 4.0 to 9.9 MHz !"

// A favourite box passes when empty, or when it holds digits only with a value
// 0..250.
bool favoriteAccepted(QStringView text);

enum class BandwidthVerdict {
    Accepted,
    EmptiedSilently, // a character that is neither a digit nor a point
    Refused, // a value outside 4.0..9.9 in a box that is not blank
};
BandwidthVerdict bandwidthVerdict(QStringView text);

// The box to empty, and the catalogue id of the message to show first (0: no
// message).
struct Refusal
{
    int box = -1;
    qint16 messageId = 0;

    friend bool operator==(const Refusal &, const Refusal &) = default;
};

// The first refusal a change of box index brings: the six favourites are
// checked in their order whatever box changed; the bandwidth only when it is
// the box that changed. Nothing when every box checked passes.
std::optional<Refusal> check(const std::array<QString, kBoxCount> &texts, qint16 index);

// The bandwidth on the link is whole MHz from 4 to 10: what the box's 4.0 to
// 9.9 gives at a send, rounded (9.9 gives 10). The window rounds its box and
// says so when the sent value differs; a plan file or the command line gives
// the value to send, which must then be one of those whole numbers, so that
// nothing is changed on the way and a plan read from an instrument can be
// sent back as it is.
constexpr int kLowestLinkSpan = 4;
constexpr int kHighestLinkSpan = 10;

// The box's leading number to the nearest whole number, halves to even (8.5
// gives 8, 9.9 gives 10), held to 16 bits: the Span the window sends.
qint16 linkSpan(QStringView text);

// A favourite box's leading number in the 8-bit field it travels in. The
// panel check refuses anything above 250 before a send, so out-of-range
// values are only clamped here (300 gives 255, a negative number 0) rather
// than wrapped; an empty box gives 0.
quint8 linkFavorite(QStringView text);

// The bandwidth box's text for a Span the instrument sent: its shortest
// decimal form ("8").
QString spanText(qint16 span);

// What the user is told after a send that changed the box's number (8.5
// sent as 8); nothing when the instrument got the box's own number.
std::optional<QString> roundedSpanNote(QStringView text);

// Empty, or a number that is 0: a bandwidth nobody set, sent as 0.
bool spanIsUnset(QStringView text);

// A bandwidth to send as it is: digits and at most one point, a whole number
// of MHz from 4 to 10 ("8", "8.0", "10"; not "8.5", "9.9", "11").
bool linkCarries(QStringView text);

// The level unit's field, beside the boxes of Text1.
constexpr int kUnitField = 7;
extern const Phrase kUnitRefused;
// A plan file's or the command line's bandwidth the link cannot carry as it is.
extern const Phrase kSpanNotCarried;

// Why a panel cannot be sent: the box (or kUnitField) and its message, a
// catalogue id or a phrase.
struct PanelRefusal
{
    int box = -1;
    qint16 messageId = 0;
    const Phrase *phrase = nullptr;

    QString text() const;
    friend bool operator==(const PanelRefusal &, const PanelRefusal &) = default;
};

// A panel as a plan file or the command line gives it, to be sent as it is:
// each favourite empty or 0..250 (67); the bandwidth not set (sent as 0) or
// one linkCarries() (kSpanNotCarried); the unit empty (sent as dBuV),
// "dBmV" or "dBuV". The first refusal in box order, or nothing.
std::optional<PanelRefusal> checkSendable(
    const std::array<QString, 6> &favorites, QStringView unit, QStringView span);

} // namespace FavoritesPanelCheck
} // namespace plandor
