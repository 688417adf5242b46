#pragma once

#include <QString>

namespace plandor::cli {

// plandor-cli check-plan --in FILE: reads a plan file, prints what the plan
// check finds, one finding a line, and returns 0 when it finds nothing, 4
// when it finds something or the file is refused, 2 without a file.
int runCheckPlan(const QString &inPath);

} // namespace plandor::cli
