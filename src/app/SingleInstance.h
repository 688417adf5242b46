#pragma once

#include <QLockFile>
#include <QString>

namespace plandor {

// One Plandor per database: a lock file beside the database, held while the
// program runs. A lock left behind by a run that crashed does not block: its
// process is gone, so the lock is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &databasePath);

    // Whether this run holds the database now.
    bool acquire();
    // What a second start is told.
    static QString alreadyRunningText();
    static QString lockPathFor(const QString &databasePath);

private:
    QLockFile m_lock;
};

} // namespace plandor
