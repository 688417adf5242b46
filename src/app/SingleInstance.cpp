#include "app/SingleInstance.h"

#include "base/Phrase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#endif

namespace plandor {
namespace {

constexpr Phrase kAlreadyRunning { u"Plandor 已在使用这个数据库。\n%1\n请使用已打开的窗口。",
    u"Plandor is already running on this database.\n%1\nPlease use the window that is open." };
constexpr Phrase kFolderReadOnly {
    u"数据库所在的文件夹 %1 不可写入（只读，或属于其他用户），Plandor 无法在此保存频道表。\n"
    u"请让该文件夹可写入，或把数据库放到可写入的文件夹中。",
    u"The database folder %1 cannot be written to (it is read-only or belongs to another "
    u"user): Plandor cannot keep its plan there.\nMake the folder writable, or keep the "
    u"database in a folder that is."
};
constexpr Phrase kLockNotPermitted { u"不允许打开数据库 %1 的锁文件 %2：%3",
    u"The lock file %2 of the database %1 may not be opened: %3" };
constexpr Phrase kLockFailed { u"无法锁定数据库 %1（锁文件 %2）：%3",
    u"The database %1 cannot be locked (lock file %2): %3" };

#ifdef Q_OS_UNIX
// Why the lock file could not be opened.
SingleInstance::Outcome outcomeOfErrno(int error)
{
    return error == EACCES || error == EPERM || error == EROFS
        ? SingleInstance::Outcome::NotPermitted
        : SingleInstance::Outcome::Failed;
}
#endif

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

SingleInstance::Outcome SingleInstance::acquire()
{
    m_outcome = tryLock();
    if (m_outcome == Outcome::Acquired)
        listen();
    return m_outcome;
}

SingleInstance::Outcome SingleInstance::tryLock()
{
#ifdef Q_OS_UNIX
    // A lock on the open file rather than a lock file with our process
    // number in it: nothing to write and sync to disk at every start, and
    // nothing stale after a crash.
    if (m_locked)
        return Outcome::Acquired;
    if (!m_lockFile.isOpen()) {
        // Opened here, so that the system's reason is at hand when it fails.
        const int fd = ::open(QFile::encodeName(m_lockFile.fileName()).constData(),
            O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            const int error = errno;
            m_reason = QString::fromLocal8Bit(std::strerror(error));
            return outcomeOfErrno(error);
        }
        m_lockFile.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle);
    }
    m_locked = ::flock(m_lockFile.handle(), LOCK_EX | LOCK_NB) == 0;
    if (m_locked)
        return Outcome::Acquired;
    const int error = errno;
    m_reason = QString::fromLocal8Bit(std::strerror(error));
    m_lockFile.close();
    // flock() refuses with EWOULDBLOCK only when another holds the lock.
    return error == EWOULDBLOCK ? Outcome::HeldByAnother : Outcome::Failed;
#else
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return Outcome::Acquired;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError:
        return Outcome::HeldByAnother;
    case QLockFile::PermissionError:
        return Outcome::NotPermitted;
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    return Outcome::Failed;
#endif
}

QString SingleInstance::failureText() const
{
    const QString database = QDir::toNativeSeparators(m_databasePath);
    switch (m_outcome) {
    case Outcome::Acquired:
        return {};
    case Outcome::HeldByAnother:
        return kAlreadyRunning.text().arg(database);
    case Outcome::NotPermitted: {
        // Most often the whole folder is read-only; else the lock file is
        // another user's.
        const QString folder = QFileInfo(m_databasePath).absolutePath();
        if (!QFileInfo(folder).isWritable())
            return kFolderReadOnly.text().arg(QDir::toNativeSeparators(folder));
        return kLockNotPermitted.text().arg(
            database, QDir::toNativeSeparators(lockPathFor(m_databasePath)), m_reason);
    }
    case Outcome::Failed:
        break;
    }
    return kLockFailed.text().arg(
        database, QDir::toNativeSeparators(lockPathFor(m_databasePath)), m_reason);
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

} // namespace plandor
