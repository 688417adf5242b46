#include "rules/ChannelRules.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "base/NumberText.h"
#include "base/TextCatalogue.h"

#include <cmath>
#include <limits>

namespace plandor {
namespace {

bool isControl(uint code)
{
    return code < 32 || (code >= 127 && code <= 159);
}

// A double as the rules' single-precision number; nothing when it is not
// finite or beyond single precision (1e39 would become infinity).
std::optional<float> singlePrecision(std::optional<double> value)
{
    if (!value || !std::isfinite(*value)
        || std::fabs(*value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*value);
}

ChannelRefusal catalogueRefusal(int column, qint16 id)
{
    return ChannelRefusal { column, id, nullptr };
}

} // namespace

const Phrase ChannelRules::kNameFileCharacters {
    u"'标准频道号' 不能含有制表符、换行等控制字符、\"*\" 或 \"ID\" ！",
    u"'STD CH' must not hold a TAB, a line break or another control character, \"*\" or \"ID\" !"
};

QString ChannelRefusal::text() const
{
    return phrase ? phrase->text() : CatalogueText(messageId);
}

QString ChannelRefusal::text(qint16 languageOffset) const
{
    return phrase ? phrase->text(languageOffset) : TextCatalogue::entry(messageId + languageOffset);
}

qint16 ChannelRules::checkName(QStringView name)
{
    return checkName(name, LanguageOffset);
}

qint16 ChannelRules::checkName(QStringView name, qint16 languageOffset)
{
    // Characters, not UTF-16 units: a character beyond the basic plane is
    // one character (and is then refused for its code).
    const QList<uint> codes = name.toUcs4();
    if (codes.size() < 1 || codes.size() > 3)
        return kNameLengthMessage;
    for (uint code : codes) {
        // The code is the character's byte in the code page the run writes
        // its files in, not its Unicode number.
        const std::optional<uchar> byte = CodePage::singleByte(char32_t(code), languageOffset);
        if (!byte || *byte < 1 || *byte > 254)
            return kNameCharactersMessage;
    }
    return 0;
}

bool ChannelRules::fileCanCarry(QStringView text)
{
    for (QChar c : text) {
        if (isControl(c.unicode()) || c == QLatin1Char('*'))
            return false;
    }
    return !text.contains(QLatin1String("ID"));
}

std::optional<ChannelRefusal> ChannelRules::nameRefusal(QStringView name)
{
    if (const qint16 id = checkName(name))
        return catalogueRefusal(kNameColumn, id);
    if (!fileCanCarry(name))
        return ChannelRefusal { kNameColumn, 0, &kNameFileCharacters };
    return std::nullopt;
}

qint16 ChannelRules::checkFreq(float freq, float audio1)
{
    if (!(freq >= kLowestFreq && freq <= kHighestFreq))
        return kFreqRangeMessage;
    // Each edge is rounded to single precision before it is compared.
    const float half = audio1 / 2.0f;
    const float upper = freq + half;
    const float lower = freq - half;
    if (!(upper <= kHighestFreq && lower >= kLowestFreq))
        return kFreqSumMessage;
    return 0;
}

bool ChannelRules::isKnownType(QStringView type)
{
    return type == QLatin1String("TV") || type == QLatin1String("DIGI");
}

std::optional<ChannelRefusal> ChannelRules::checkChannel(const ChannelFields &channel)
{
    if (auto refusal = nameRefusal(channel.name))
        return refusal;
    if (!isKnownType(channel.type))
        return catalogueRefusal(kTypeColumn, kTypeMessage);
    const bool digital = channel.type == QLatin1String("DIGI");
    const std::optional<float> freq = singlePrecision(channel.freq);
    const std::optional<float> audio1 = singlePrecision(channel.audio1);
    if (!freq)
        return catalogueRefusal(kFreqColumn, kFreqRangeMessage);
    // The audio value is checked before the edges, which are computed from it.
    const float lowest = digital ? kLowestBandwidth : kLowestAudio;
    const float highest = digital ? kHighestBandwidth : kHighestAudio;
    if (!audio1 || !(*audio1 >= lowest && *audio1 <= highest)) {
        if (checkFreq(*freq, 0.0f))
            return catalogueRefusal(kFreqColumn, kFreqRangeMessage);
        return catalogueRefusal(kAudioColumn, digital ? kBandwidthMessage : kAudioMessage);
    }
    if (const qint16 id = checkFreq(*freq, *audio1))
        return catalogueRefusal(kFreqColumn, id);
    return std::nullopt;
}

QList<RowRefusal> ChannelRules::checkPlan(const QList<ChannelFields> &channels)
{
    QList<RowRefusal> refusals;
    for (qsizetype i = 0; i < channels.size(); ++i) {
        if (auto refusal = checkChannel(channels[i]))
            refusals.append(RowRefusal { int(i), *refusal });
    }
    return refusals;
}

float ChannelRules::cellNumber(QStringView text)
{
    const auto value = NumberText::parseNumber(text);
    return value ? float(*value) : 0.0f;
}

double ChannelRules::halfBandwidthShift(QStringView bandwidthText)
{
    return NumberText::leadingNumber(bandwidthText) / 2.0 - 1.25;
}

ChannelRules::TypeChange ChannelRules::typeChange(
    std::optional<ChannelType> before, std::optional<ChannelType> after)
{
    if (before == ChannelType::Tv && after == ChannelType::Digi)
        return TypeChange::TvToDigi;
    if (before == ChannelType::Digi && after == ChannelType::Tv)
        return TypeChange::DigiToTv;
    return TypeChange::None;
}

double ChannelRules::shiftedFreq(double freq, TypeChange change, double shift)
{
    switch (change) {
    case TypeChange::TvToDigi:
        return freq + shift;
    case TypeChange::DigiToTv:
        return freq - shift;
    case TypeChange::None:
        break;
    }
    return freq;
}

std::optional<double> ChannelRules::fromSingle(float value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return NumberText::parseNumber(NumberText::shortest(value));
}

} // namespace plandor
