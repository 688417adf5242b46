#pragma once

#include <functional>

class QWidget;

namespace plandor {

// The program's whole run: message boxes, the one-instance guard, the device
// link, the start-up window, and the store opened once that window is on
// screen. `beforeShow` sees the start-up window before it is first shown (the
// start-up benchmark watches its first paint there). Returns the exit code.
int runProgram(int &argc, char **argv, const std::function<void(QWidget &)> &beforeShow = {});

} // namespace plandor
