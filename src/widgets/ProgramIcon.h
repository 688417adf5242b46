#pragma once

#include <QIcon>

class QWidget;

namespace plandor {

// The program's own icon in every size it is drawn at (16 to 256 pixels),
// so that a title bar, a task bar and a screen at twice the scale each get a
// sharp picture rather than a scaled one.
class ProgramIcon
{
public:
    static QIcon icon();
    // The icon on window, and on the application for its dialogs.
    static void apply(QWidget &window);
};

} // namespace plandor
