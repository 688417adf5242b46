#pragma once

#include <QList>

namespace plandor {

// The IDs of the channels selected at the last Copy, in the order the grid
// listed them. Process-wide and kept until the program ends: only Copy
// replaces it and only Paste reads it. It holds identifiers, not contents, so
// a Paste copies whatever rows carry these IDs at that time.
extern QList<qint16> CopiedIds;

} // namespace plandor
