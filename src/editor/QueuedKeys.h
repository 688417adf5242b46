#pragma once

#include <QList>

#include <initializer_list>

class QWidget;

namespace plandor {

// Keystrokes posted to a widget: each key is queued as a press and a release
// and reaches the widget only after the current handler has returned, in
// the order given, as keys the user typed would.
class QueuedKeys
{
public:
    // qtKeys are Qt::Key values, sent without modifiers.
    static void send(QWidget *target, std::initializer_list<int> qtKeys);
    static void send(QWidget *target, const QList<int> &qtKeys);
};

} // namespace plandor
