#pragma once

#include <QString>

namespace plandor {
class DeviceLink;
}

namespace plandor::cli {

// plandor-cli diff: the differences between a plan file (or table) and the
// instrument's plan (link given, againstPath empty), or between two files
// (link null). One line per differing channel, then the settings panel as the
// instrument would hold it when both sides have one (a blank panel is none).
// Returns 0 when the plans are equal, 1 when they differ, 2 without --in, 3 when the
// instrument is unreachable, 4 when a file is refused, 5 when reading fails.
int runDiff(DeviceLink *link, const QString &inPath, const QString &againstPath);

} // namespace plandor::cli
