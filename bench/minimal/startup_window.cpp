// The program's real start up to the start-up window, with the probe that
// reports its first paint.
#include "StartupProbe.h"

#include "app/ProgramRun.h"

#include <QWidget>

int main(int argc, char **argv)
{
    return plandor::runProgram(argc, argv, [](QWidget &window) {
        auto *probe = new plandor::bench::StartupProbe;
        probe->setParent(&window);
        probe->watch(&window);
    });
}
