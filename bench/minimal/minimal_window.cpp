// Baseline for the start-up benchmark: a Qt Widgets program that shows one
// empty window and, like the start-up window under the same probe, reports its
// first paint with its peak memory and quits.
#include "StartupProbe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(320, 200);
    plandor::bench::StartupProbe probe;
    probe.watch(&window);
    window.show();
    return app.exec();
}
