#include "transfer/DeviceLink.h"

#include <cmath>

namespace plandor {

qint16 LinkResult(const QVariant &result)
{
    if (!result.isValid() || result.isNull())
        return 0;
    bool ok = false;
    const double value = result.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    if (value == 0.0)
        return 0;
    // Any non-zero value is success, even one that does not fit 16 bits.
    const double rounded = std::nearbyint(value);
    if (rounded == 0.0 || rounded < -32768.0 || rounded > 32767.0)
        return 1;
    return qint16(rounded);
}

} // namespace plandor
