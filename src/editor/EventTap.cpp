#include "editor/EventTap.h"

namespace plandor {

EventTap::EventTap(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{ }

void EventTap::watch(QObject *object)
{
    object->installEventFilter(this);
}

bool EventTap::eventFilter(QObject *watched, QEvent *event)
{
    if (m_handler && m_handler(watched, event))
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace plandor
