#pragma once

#include <QObject>

class QToolBar;

namespace plandor {

// Gives every button of a toolbar the object name of its action (with
// "Button" appended) and the action's whole caption as its accessible name, now and
// whenever an action is added or its caption changes, so that screen readers
// and UI automation reach buttons that QToolBar creates on its own.
class ToolbarNames : public QObject
{
    Q_OBJECT
public:
    static void watch(QToolBar *toolbar);
    // Names the buttons that are there now.
    static void apply(QToolBar *toolbar);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ToolbarNames(QToolBar *toolbar);
    bool m_posted = false;
};

} // namespace plandor
