#include "rules/PlanSizeLimit.h"

namespace plandor::PlanSizeLimit {

const Phrase kTooLarge { u"频道表有 %1 个频道，仪器最多接受 %2 个。",
    u"The plan has %1 channels; the instrument takes at most %2." };

bool fits(int channels)
{
    return channels <= kMaxChannels;
}

QString tooLargeText(int channels)
{
    return kTooLarge.text().arg(channels).arg(kMaxChannels);
}

} // namespace plandor::PlanSizeLimit
