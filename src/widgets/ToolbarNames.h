#pragma once

#include <QObject>
#include <QString>

class QAction;
class QToolBar;

namespace plandor {

// Gives every button of a toolbar the object name of its action (with
// "Button" appended), the action's whole caption (trimmed) as its accessible
// name, and a tooltip that ends in the action's keys, now and whenever an
// action is added or changed, so that screen readers and UI automation reach
// buttons that QToolBar creates on its own and the keys can be learnt from
// the mouse.
class ToolbarNames : public QObject
{
    Q_OBJECT
public:
    static void watch(QToolBar *toolbar);
    // Names the buttons that are there now.
    static void apply(QToolBar *toolbar);
    // The name a screen reader says for the action's button when its caption
    // alone would be ambiguous; empty goes back to the caption.
    static void setAccessibleName(QAction *action, const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ToolbarNames(QToolBar *toolbar);
    bool m_posted = false;
};

} // namespace plandor
