#include "base/ShownValue.h"

#include "base/Phrase.h"

namespace plandor::ShownValue {
namespace {

constexpr Phrase kCutOff { u"…（共 %1 个字符）", u"… (%1 characters)" };

} // namespace

QString cut(QStringView value)
{
    if (value.size() <= kMaxShown)
        return value.toString();
    qsizetype kept = kMaxShown;
    // A character beyond the basic plane is not split in two.
    if (value[kept - 1].isHighSurrogate())
        --kept;
    return value.left(kept).toString() + kCutOff.text().arg(value.size());
}

} // namespace plandor::ShownValue
