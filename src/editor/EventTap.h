#pragma once

#include <QObject>

#include <functional>

class QEvent;

namespace plandor {

// An event filter that hands the events of the objects it watches to a
// function; the function returns true to consume an event. Lets a window
// area watch its controls without overriding the window's own filter.
class EventTap : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<bool(QObject *watched, QEvent *event)>;

    EventTap(Handler handler, QObject *parent);
    void watch(QObject *object);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
};

} // namespace plandor
