#include "editor/PlanFileDrop.h"

#include "editor/EditorWindow.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>

namespace plandor {

PlanFileDrop *PlanFileDrop::attach(EditorWindow &window)
{
    if (auto *existing = window.findChild<PlanFileDrop *>())
        return existing;
    return new PlanFileDrop(window);
}

PlanFileDrop::PlanFileDrop(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
{
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

QString PlanFileDrop::planFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("txt") && suffix != QLatin1String("csv"))
        return {};
    return QFileInfo(path).isFile() ? path : QString();
}

bool PlanFileDrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != &m_window
        || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QObject::eventFilter(watched, event);
    // A drag enter is a drag move is a drop event, as far as the data goes.
    auto *drop = static_cast<QDropEvent *>(event);
    const QString path = m_window.isTransferring() ? QString() : planFile(drop->mimeData());
    if (path.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    // Opened once the drop is over: the source of the drag is not held up by
    // the questions and messages of the opening.
    if (type == QEvent::Drop)
        QTimer::singleShot(0, &m_window, [this, path] { m_window.openPlanFile(path); });
    return true;
}

} // namespace plandor
