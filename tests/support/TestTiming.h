#pragma once

#include <QString>

#include <cmath>

namespace plandor::test {

// A wall-clock allowance of `ms` on a quiet machine, for this run: for time
// limits of the code under test and for upper bounds a test checks.
// PLANDOR_TIME_FACTOR says how many times slower than a quiet developer
// machine this run may be (CI sets it; a sanitizer build or a busy machine
// wants 3 to 10); unset, malformed or below 1 it is 1.
inline int scaledMs(int ms)
{
    // A text that is no number reads as 0.
    static const double factor = qMax(1.0, qEnvironmentVariable("PLANDOR_TIME_FACTOR").toDouble());
    return int(std::lround(ms * factor));
}

} // namespace plandor::test
