#pragma once

class QWidget;

namespace plandor {

// Window geometry helpers shared by both windows.
class WindowPlacement
{
public:
    // left = (screen width - window width) / 2, top likewise.
    static void centreOnScreen(QWidget *window);
    // Twips (1440 per inch) in pixels at the window's logical DPI, and back.
    static int twipsToPixels(const QWidget *widget, int twips);
    static double pixelsToTwips(const QWidget *widget, double pixels);
    // Brings the program's front window (an open dialog first) forward and
    // restores it when minimised; the window system may still only flash it.
    // Returns the window, or nullptr when none is shown.
    static QWidget *bringForward();
};

} // namespace plandor
