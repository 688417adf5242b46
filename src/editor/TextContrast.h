#pragma once

#include <QColor>

namespace plandor::TextContrast {

// The contrast of two colours as the accessibility guidelines measure it:
// 1 (none) to 21 (black on white). Text needs 4.5 to be read.
double ratio(const QColor &a, const QColor &b);

constexpr double kReadable = 4.5;

// Black or white, whichever reads better on the background.
QColor textOn(const QColor &background);

// A red for a warning text that reads on the background, light or dark.
QColor warningOn(const QColor &background);

} // namespace plandor::TextContrast
