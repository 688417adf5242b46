#pragma once

#include "rules/ChannelRules.h"
#include "store/ChannelColumns.h"

#include <QList>

namespace plandor {

// The channel rules applied to the store's rows: what Open, Paste, Download
// and the command line mark or refuse.
namespace RowChecks {

// Every refused row, with its index in rows (0-based) and the reason.
QList<RowRefusal> check(const QList<ChannelValues> &rows);

} // namespace RowChecks
} // namespace plandor
