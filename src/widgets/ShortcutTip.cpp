#include "widgets/ShortcutTip.h"

#include <QAction>

namespace plandor {

void setToolTipWithShortcut(QAction *action, const QString &caption)
{
    QString tip = caption;
    // The dots of a caption that opens a question say nothing in a tooltip.
    for (const QString &dots : { QStringLiteral("..."), QStringLiteral("…") }) {
        if (tip.endsWith(dots))
            tip.chop(dots.size());
    }
    tip.remove(QLatin1Char('&'));
    const QKeySequence keys = action->shortcut();
    if (!keys.isEmpty())
        tip += QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
    action->setToolTip(tip);
}

} // namespace plandor
