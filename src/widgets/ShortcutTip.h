#pragma once

#include <QString>

class QAction;

namespace plandor {

// Sets an action's tooltip to its caption followed by its shortcut, as
// "Open (Ctrl+O)", so that the keys can be learnt from the mouse.
void setToolTipWithShortcut(QAction *action, const QString &caption);

} // namespace plandor
