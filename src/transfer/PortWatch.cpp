#include "transfer/PortWatch.h"

#include "transfer/serial/PortsFolder.h"

#include <QDir>
#include <QFileInfo>

namespace plandor {

PortWatch::PortWatch(QObject *parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &PortWatch::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // The ports folder may just have been made: watch it from now on.
        watchFolders();
        m_settle.start();
    });
}

void PortWatch::start()
{
    watchFolders();
}

void PortWatch::stop()
{
    m_settle.stop();
    const QStringList watched = m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
}

void PortWatch::watchFolders()
{
    const QString published = PortsFolder::path();
    QStringList wanted { QStringLiteral("/dev") };
    wanted << (QFileInfo(published).isDir() ? published : QFileInfo(published).absolutePath());
    const QStringList watched = m_watcher.directories();
    for (const QString &folder : std::as_const(wanted)) {
        if (!watched.contains(folder) && QFileInfo(folder).isDir())
            m_watcher.addPath(folder);
    }
}

} // namespace plandor
