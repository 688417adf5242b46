#include "widgets/ToolbarNames.h"

#include <QAction>
#include <QActionEvent>
#include <QTimer>
#include <QToolBar>

namespace plandor {
namespace {

constexpr char kNameProperty[] = "plandorAccessibleName";

// " (Ctrl+U)" after the tooltip, unless it says so already (an action that
// sets its tooltip anew each time, as Undo does, gets it back here).
void addKeysToTip(QAction *action)
{
    const QKeySequence keys = action->shortcut();
    if (keys.isEmpty())
        return;
    const QString suffix
        = QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
    const QString tip = action->toolTip();
    if (!tip.endsWith(suffix))
        action->setToolTip(tip + suffix);
}

} // namespace

ToolbarNames::ToolbarNames(QToolBar *toolbar)
    : QObject(toolbar)
{
    setObjectName(QStringLiteral("toolbarNames"));
    toolbar->installEventFilter(this);
}

void ToolbarNames::watch(QToolBar *toolbar)
{
    if (!toolbar->findChild<ToolbarNames *>(QString(), Qt::FindDirectChildrenOnly))
        new ToolbarNames(toolbar);
    apply(toolbar);
}

void ToolbarNames::apply(QToolBar *toolbar)
{
    for (QAction *action : toolbar->actions()) {
        QWidget *button = toolbar->widgetForAction(action);
        if (!button || action->isSeparator())
            continue;
        if (button->objectName().isEmpty() && !action->objectName().isEmpty())
            button->setObjectName(action->objectName() + QStringLiteral("Button"));
        addKeysToTip(action);
        // The whole caption (the button may show a shorter one) without its
        // mnemonic marker and the blanks some captions carry, as a person
        // reads it.
        QString caption = action->property(kNameProperty).toString();
        if (caption.isEmpty())
            caption = action->text();
        caption.remove(QLatin1Char('&'));
        button->setAccessibleName(caption.trimmed());
        button->setAccessibleDescription(action->toolTip());
    }
}

void ToolbarNames::setAccessibleName(QAction *action, const QString &name)
{
    action->setProperty(kNameProperty, name);
    for (QObject *user : action->associatedObjects()) {
        if (auto *toolbar = qobject_cast<QToolBar *>(user))
            apply(toolbar);
    }
}

bool ToolbarNames::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::ActionAdded || type == QEvent::ActionChanged) && !m_posted) {
        // The toolbar makes the button while it handles the event, after
        // this filter: name it once the event is over.
        m_posted = true;
        auto *toolbar = static_cast<QToolBar *>(watched);
        QTimer::singleShot(0, this, [this, toolbar] {
            m_posted = false;
            apply(toolbar);
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace plandor
