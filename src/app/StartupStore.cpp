#include "app/StartupStore.h"

#include "base/MessageBox.h"
#include "base/TextCatalogue.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace plandor {

StartupStore::StartupStore(QString path)
    : m_path(std::move(path))
{ }

ChannelStore &StartupStore::store()
{
    if (m_store)
        return *m_store;
    m_store.emplace(m_path);
    // A damaged database was moved aside for a fresh one: the user learns
    // where the old file went. One that cannot be opened at all is explained
    // with its path; the editor then reports each operation that fails.
    if (const QString moved = m_store->movedAsideText(); !moved.isEmpty())
        MessageBox::show(moved, MessageStyle::ExclamationOk, CatalogueText(2));
    else if (!m_store->isOpen())
        MessageBox::show(m_store->errorText(), MessageStyle::ExclamationOk, CatalogueText(2));
    return *m_store;
}

void StartupStore::openAfterFirstPaint(QWidget *window)
{
    window->installEventFilter(this);
}

bool StartupStore::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Queued, so that the painted window reaches the screen first.
        QTimer::singleShot(0, this, [this] { store(); });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace plandor
