#include "app/SingleInstance.h"

#include "base/Phrase.h"

#include <QDir>

namespace plandor {
namespace {

constexpr Phrase kAlreadyRunning { u"Plandor 已在使用这个数据库。\n%1\n请使用已打开的窗口。",
    u"Plandor is already running on this database.\n%1\nPlease use the window that is open." };

} // namespace

SingleInstance::SingleInstance(const QString &databasePath)
    : m_lock(lockPathFor(databasePath))
{
    // Only a lock whose process is gone is stale, however old it is.
    m_lock.setStaleLockTime(0);
}

QString SingleInstance::lockPathFor(const QString &databasePath)
{
    return databasePath + QStringLiteral(".lock");
}

bool SingleInstance::acquire()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}

QString SingleInstance::alreadyRunningText()
{
    return kAlreadyRunning.text();
}

} // namespace plandor
