// Baseline for the start-up benchmark: a Qt Widgets program that shows one
// empty window and quits as soon as it is exposed.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

class ExposedWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!reported) {
            reported = true;
            std::printf("shown\n");
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
    }

private:
    bool reported = false;
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ExposedWindow window;
    window.resize(320, 200);
    window.show();
    return app.exec();
}
