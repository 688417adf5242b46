#include "transfer/PlanSizeLimit.h"

#include "base/Language.h"
#include "transfer/PlanRecords.h"

namespace plandor::PlanSizeLimit {

static_assert(kMaxChannels == PlanRecords::kMaxSendChannels);

bool fits(int channels)
{
    return channels <= kMaxChannels;
}

QString tooLargeText(int channels)
{
    if (LanguageOffset == kChineseOffset)
        return QStringLiteral(u"频道表有 %1 个频道，仪器最多接受 %2 个。")
            .arg(channels)
            .arg(kMaxChannels);
    return QStringLiteral("The plan has %1 channels; the instrument takes at most %2.")
        .arg(channels)
        .arg(kMaxChannels);
}

} // namespace plandor::PlanSizeLimit
