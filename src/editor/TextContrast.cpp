#include "editor/TextContrast.h"

#include <algorithm>
#include <cmath>

namespace plandor::TextContrast {
namespace {

double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

double ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor textOn(const QColor &background)
{
    const QColor black(Qt::black), white(Qt::white);
    return ratio(black, background) >= ratio(white, background) ? black : white;
}

QColor warningOn(const QColor &background)
{
    // From the strongest red down to a pale one: the first that reads.
    for (const QColor red : { QColor(0xc0, 0, 0), QColor(0x9a, 0, 0), QColor(0xff, 0x6b, 0x6b),
             QColor(0xff, 0x9e, 0x9e) }) {
        if (ratio(red, background) >= kReadable)
            return red;
    }
    return textOn(background);
}

} // namespace plandor::TextContrast
