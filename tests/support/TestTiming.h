#pragma once

#include <QString>

#include <cmath>

namespace plandor::test {

// How many times slower than a quiet developer machine this run may be.
// PLANDOR_TIME_FACTOR sets it (CI sets it; a sanitizer build or a busy
// machine wants 3 to 10); unset, malformed or below 1 it is 1.
inline double timeFactor()
{
    static const double factor = [] {
        bool ok = false;
        const double v = qEnvironmentVariable("PLANDOR_TIME_FACTOR").toDouble(&ok);
        return ok && v >= 1.0 ? v : 1.0;
    }();
    return factor;
}

// A wall-clock allowance of `ms` on a quiet machine, for this run: for time
// limits of the code under test and for upper bounds a test checks.
inline int scaledMs(int ms)
{
    return int(std::lround(ms * timeFactor()));
}

} // namespace plandor::test
