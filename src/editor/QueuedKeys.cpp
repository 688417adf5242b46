#include "editor/QueuedKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace plandor {

void QueuedKeys::send(QWidget *target, std::initializer_list<int> qtKeys)
{
    send(target, QList<int>(qtKeys));
}

void QueuedKeys::send(QWidget *target, const QList<int> &qtKeys)
{
    if (!target)
        return;
    // Posted events of a widget that is destroyed first are dropped with it.
    for (int key : qtKeys) {
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
    }
}

} // namespace plandor
