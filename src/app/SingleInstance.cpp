#include "app/SingleInstance.h"

#include "base/Phrase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#endif

namespace plandor {
namespace {

constexpr Phrase kAlreadyRunning { u"Plandor 已在使用这个数据库。\n%1\n请使用已打开的窗口。",
    u"Plandor is already running on this database.\n%1\nPlease use the window that is open." };

} // namespace

SingleInstance::SingleInstance(const QString &databasePath)
    : m_databasePath(databasePath)
#ifdef Q_OS_UNIX
    , m_lockFile(lockPathFor(databasePath))
#else
    , m_lock(lockPathFor(databasePath))
#endif
{
#ifndef Q_OS_UNIX
    // Only a lock whose process is gone is stale, however old it is.
    m_lock.setStaleLockTime(0);
#endif
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString &path) {
        // A writer that replaced the file ends the watch: watch it again.
        if (!m_watcher.files().contains(path) && QFile::exists(path))
            m_watcher.addPath(path);
        emit wakeRequested();
    });
}

SingleInstance::~SingleInstance()
{
#ifdef Q_OS_UNIX
    // The lock file stays: removing it could let a start that has just
    // opened it lock a file that the next start no longer sees.
    if (m_locked)
        QFile::remove(wakePathFor(m_databasePath));
#else
    if (m_lock.isLocked())
        QFile::remove(wakePathFor(m_databasePath));
#endif
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
    if (!tryLock())
        return false;
    listen();
    return true;
}

bool SingleInstance::tryLock()
{
#ifdef Q_OS_UNIX
    // A lock on the open file rather than a lock file with our process
    // number in it: nothing to write and sync to disk at every start, and
    // nothing stale after a crash.
    if (m_locked)
        return true;
    if (!m_lockFile.isOpen() && !m_lockFile.open(QIODevice::ReadWrite))
        return false;
    m_locked = ::flock(m_lockFile.handle(), LOCK_EX | LOCK_NB) == 0;
    if (!m_locked)
        m_lockFile.close();
    return m_locked;
#else
    return m_lock.isLocked() || m_lock.tryLock(0);
#endif
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
