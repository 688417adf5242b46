// Baseline for the start-up benchmark: the empty window with one label. Any
// text costs the fonts and the text layout that the empty window never loads,
// so this is the least a window with a caption can take.
#include "StartupProbe.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(320, 200);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("English")));
    plandor::bench::StartupProbe probe;
    probe.watch(&window);
    window.show();
    return app.exec();
}
