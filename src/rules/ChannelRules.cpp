#include "rules/ChannelRules.h"

#include "base/NumberText.h"

#include <QList>

namespace plandor {

qint16 ChannelRules::checkName(QStringView name)
{
    // Characters, not UTF-16 units: a character beyond the basic plane is
    // one character (and is then refused for its code).
    const QList<uint> codes = name.toUcs4();
    if (codes.size() < 1 || codes.size() > 3)
        return kNameLengthMessage;
    for (uint code : codes) {
        if (code < 1 || code > 254)
            return kNameCharactersMessage;
    }
    return 0;
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

float ChannelRules::cellNumber(QStringView text)
{
    const auto value = NumberText::parseNumber(text);
    return value ? float(*value) : 0.0f;
}

double ChannelRules::halfBandwidthShift(QStringView bandwidthText)
{
    return NumberText::leadingNumber(bandwidthText) / 2.0 - 1.25;
}

ChannelRules::TypeChange ChannelRules::typeChange(QStringView before, QStringView after)
{
    if (before == QLatin1String("TV") && after == QLatin1String("DIGI"))
        return TypeChange::TvToDigi;
    if (before == QLatin1String("DIGI") && after == QLatin1String("TV"))
        return TypeChange::DigiToTv;
    return TypeChange::None;
}

QString ChannelRules::shiftedFreq(QStringView freqText, TypeChange change, double shift)
{
    const double freq = NumberText::leadingNumber(freqText);
    switch (change) {
    case TypeChange::TvToDigi:
        return NumberText::shortest(freq + shift);
    case TypeChange::DigiToTv:
        return NumberText::shortest(freq - shift);
    case TypeChange::None:
        break;
    }
    return freqText.toString();
}

QString ChannelRules::restoredFreq(float freq)
{
    return NumberText::shortest(freq);
}

} // namespace plandor
