#pragma once

#include "base/Phrase.h"

#include <QString>

namespace plandor {

// The largest plan the instrument takes and what the user is told about a
// larger one.
namespace PlanSizeLimit {

// Position has 8 bits.
constexpr int kMaxChannels = 255;

// "The plan has N channels; the instrument takes at most 255."
extern const Phrase kTooLarge;

bool fits(int channels);

// kTooLarge with its numbers, in the language of the run.
QString tooLargeText(int channels);

} // namespace PlanSizeLimit
} // namespace plandor
