// Baseline for the start-up benchmark: a Qt Widgets program that shows one
// empty window and, like Plandor under the same probe, reports its first
// paint with its peak memory and quits.
#include "app/StartupProbe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(320, 200);
    plandor::StartupProbe probe;
    probe.watch(&window);
    window.show();
    return app.exec();
}
