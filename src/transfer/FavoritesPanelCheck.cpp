#include "transfer/FavoritesPanelCheck.h"

#include "base/NumberText.h"

#include <algorithm>

namespace plandor::FavoritesPanelCheck {
namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

constexpr double kMaxFavorite = 250.0;
constexpr double kMinBandwidth = 4.0;
constexpr double kMaxBandwidth = 9.9;

} // namespace

bool favoriteAccepted(QStringView text)
{
    if (!std::all_of(text.begin(), text.end(), isDigit))
        return false;
    // Digits only, so the leading number is the whole text; a run of digits
    // too long for any integer type still compares correctly as a double.
    const double value = NumberText::leadingNumber(text);
    return value >= 0.0 && value <= kMaxFavorite;
}

BandwidthVerdict bandwidthVerdict(QStringView text)
{
    const bool digitsAndPoints = std::all_of(
        text.begin(), text.end(), [](QChar c) { return isDigit(c) || c == QLatin1Char('.'); });
    if (!digitsAndPoints)
        return BandwidthVerdict::EmptiedSilently;
    // "4.5.6" reads as 4.5 and a lone point as 0, which is refused; an empty
    // box reads as 0 too but is let through.
    const double value = NumberText::leadingNumber(text);
    if ((value > kMaxBandwidth || value < kMinBandwidth) && !text.trimmed().isEmpty())
        return BandwidthVerdict::Refused;
    return BandwidthVerdict::Accepted;
}

std::optional<Refusal> check(const std::array<QString, kBoxCount> &texts, qint16 index)
{
    for (int box : kFavoriteBoxes) {
        if (!favoriteAccepted(texts[box]))
            return Refusal { box, kFavoriteMessageId };
    }
    if (index != kBandwidthBox)
        return std::nullopt;
    switch (bandwidthVerdict(texts[kBandwidthBox])) {
    case BandwidthVerdict::EmptiedSilently:
        return Refusal { kBandwidthBox, 0 };
    case BandwidthVerdict::Refused:
        return Refusal { kBandwidthBox, kBandwidthMessageId };
    case BandwidthVerdict::Accepted:
        break;
    }
    return std::nullopt;
}

} // namespace plandor::FavoritesPanelCheck
