#include "widgets/WindowPlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace plandor {

void WindowPlacement::centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2,
        area.y() + (area.height() - size.height()) / 2);
}

int WindowPlacement::twipsToPixels(const QWidget *widget, int twips)
{
    return int(std::lround(twips * widget->logicalDpiX() / 1440.0));
}

double WindowPlacement::pixelsToTwips(const QWidget *widget, double pixels)
{
    return pixels * 1440.0 / widget->logicalDpiX();
}

QWidget *WindowPlacement::bringForward()
{
    QWidget *window = QApplication::activeModalWidget();
    if (!window)
        window = QApplication::activeWindow();
    if (!window) {
        // The last visible top-level window is the one shown most recently.
        for (QWidget *candidate : QApplication::topLevelWidgets()) {
            const Qt::WindowType type = candidate->windowType();
            if (candidate->isVisible() && (type == Qt::Window || type == Qt::Dialog))
                window = candidate;
        }
    }
    if (!window)
        return nullptr;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace plandor
