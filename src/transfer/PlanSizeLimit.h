#pragma once

#include <QString>

namespace plandor {

// The largest plan the link can carry and what the user is told about a larger
// one. The text catalogue has no entry for this, so the text lives here, in the
// two languages the catalogue has.
namespace PlanSizeLimit {

// Position has 8 bits.
constexpr int kMaxChannels = 255;

bool fits(int channels);

// "The plan has N channels; the instrument takes at most 255." in the
// language of the run.
QString tooLargeText(int channels);

} // namespace PlanSizeLimit
} // namespace plandor
