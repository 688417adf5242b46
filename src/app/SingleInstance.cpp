#include "app/SingleInstance.h"

#include "base/Phrase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace plandor {
namespace {

constexpr Phrase kAlreadyRunning { u"Plandor 已在使用这个数据库。\n%1\n请使用已打开的窗口。",
    u"Plandor is already running on this database.\n%1\nPlease use the window that is open." };

} // namespace

SingleInstance::SingleInstance(const QString &databasePath)
    : m_databasePath(databasePath)
    , m_lock(lockPathFor(databasePath))
{
    // Only a lock whose process is gone is stale, however old it is.
    m_lock.setStaleLockTime(0);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString &path) {
        // A writer that replaced the file ends the watch: watch it again.
        if (!m_watcher.files().contains(path) && QFile::exists(path))
            m_watcher.addPath(path);
        emit wakeRequested();
    });
}

SingleInstance::~SingleInstance()
{
    if (m_lock.isLocked())
        QFile::remove(wakePathFor(m_databasePath));
}

QString SingleInstance::lockPathFor(const QString &databasePath)
{
    return databasePath + QStringLiteral(".lock");
}

QString SingleInstance::wakePathFor(const QString &databasePath)
{
    return databasePath + QStringLiteral(".wake");
}

bool SingleInstance::acquire()
{
    if (m_lock.isLocked())
        return true;
    if (!m_lock.tryLock(0))
        return false;
    listen();
    return true;
}

void SingleInstance::listen()
{
    const QString path = wakePathFor(m_databasePath);
    QFile file(path);
    // Created empty by the holder, so that a second start only ever writes
    // to a file that someone watches.
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.close();
        m_watcher.addPath(path);
    }
}

bool SingleInstance::wakeHolder() const
{
    QFile file(wakePathFor(m_databasePath));
    // Only an existing file: the holder made it; a missing one means no run
    // listens (an older one, or a platform without it).
    if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(QByteArray::number(QDateTime::currentMSecsSinceEpoch())) > 0;
}

QString SingleInstance::alreadyRunningText()
{
    return kAlreadyRunning.text();
}

} // namespace plandor
