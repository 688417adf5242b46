#pragma once

#include <QString>

namespace plandor::cli {

// At most this many findings are listed, then how many more there are.
constexpr int kListedFindings = 50;

// plandor-cli check-plan --in FILE: reads a plan file, prints what the plan
// check finds and what else send would refuse (no channel, the panel; a
// file without a panel has none to check), one finding a line, and returns
// 0 when it finds nothing, 4 when it finds something or the file is refused,
// 2 without a file.
int runCheckPlan(const QString &inPath);

} // namespace plandor::cli
