#include "rules/FavoritesPanelCheck.h"

#include "base/NumberText.h"
#include "base/ShownValue.h"
#include "base/TextCatalogue.h"

#include <algorithm>
#include <limits>

namespace plandor::FavoritesPanelCheck {
namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

constexpr double kMaxFavorite = 250.0;
constexpr double kMinBandwidth = 4.0;
constexpr double kMaxBandwidth = 9.9;

constexpr Phrase kSpanRounded { u"带宽框中为 %1 MHz；仪器只接受整数 MHz，发送的是 %2 MHz。",
    u"The bandwidth box holds %1 MHz; the instrument takes whole MHz only, so %2 MHz was sent." };

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

const Phrase kUnitRefused { u"'单位' 应该为 dBmV 或 dBuV ！", u"'Unit' should be dBmV or dBuV !" };
const Phrase kSpanNotCarried { u"'带宽' 应为 4 到 10 之间的整数 MHz（仪器只保存整数 MHz）！",
    u"'BW' should be a whole number of MHz from 4 to 10 (the instrument keeps whole MHz only) !" };

qint16 linkSpan(QStringView text)
{
    const double value = NumberText::leadingNumber(text);
    if (const auto span = NumberText::toInt16(value))
        return *span;
    // Beyond 16 bits the nearest end, never a wrapped number.
    return value > 0 ? std::numeric_limits<qint16>::max() : std::numeric_limits<qint16>::min();
}

quint8 linkFavorite(QStringView text)
{
    const double value = NumberText::roundHalfEven(NumberText::leadingNumber(text));
    return quint8(std::clamp(value, 0.0, 255.0));
}

QString spanText(qint16 span)
{
    return NumberText::shortest(double(span));
}

std::optional<QString> roundedSpanNote(QStringView text)
{
    const qint16 sent = linkSpan(text);
    if (double(sent) == NumberText::leadingNumber(text))
        return std::nullopt;
    return kSpanRounded.text().arg(ShownValue::cut(text.trimmed())).arg(sent);
}

bool spanIsUnset(QStringView text)
{
    return text.trimmed().isEmpty() || NumberText::parseNumber(text) == 0.0;
}

bool linkCarries(QStringView text)
{
    if (bandwidthVerdict(text) == BandwidthVerdict::EmptiedSilently)
        return false; // a character other than a digit or a point
    const std::optional<double> value = NumberText::parseNumber(text);
    return value && *value >= kLowestLinkSpan && *value <= kHighestLinkSpan
        && *value == NumberText::roundHalfEven(*value);
}

QString PanelRefusal::text() const
{
    return phrase ? phrase->text() : CatalogueText(messageId);
}

std::optional<PanelRefusal> checkSendable(
    const std::array<QString, 6> &favorites, QStringView unit, QStringView span)
{
    for (int i = 0; i < 6; ++i) {
        if (!favoriteAccepted(favorites[i]))
            return PanelRefusal { kFavoriteBoxes[i], kFavoriteMessageId, nullptr };
    }
    // An unset bandwidth goes out as 0, as the program sends an empty box.
    if (!spanIsUnset(span) && !linkCarries(span))
        return PanelRefusal { kBandwidthBox, 0, &kSpanNotCarried };
    if (!unit.isEmpty() && unit != QLatin1String("dBmV") && unit != QLatin1String("dBuV"))
        return PanelRefusal { kUnitField, 0, &kUnitRefused };
    return std::nullopt;
}

} // namespace plandor::FavoritesPanelCheck
