#pragma once

#include <QFile>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#ifndef Q_OS_UNIX
#include <QLockFile>
#endif

namespace plandor {

// One Plandor per database: a lock on a file beside the database, held while
// the program runs. A run that crashed leaves no lock behind: on Unix the
// system drops a process's file locks when it ends, so the file only marks the
// place; elsewhere a lock file whose process is gone is taken over.
//
// A second start asks the first one to come forward by writing to a wake file
// beside the lock, which the first run watches (inotify on Linux): no socket
// or bus is needed, and a platform without file watching just skips it.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Acquired, // this run holds the database
        HeldByAnother, // another run holds it
        NotPermitted, // the lock cannot be made: a read-only or another user's folder
        Failed, // anything else the system reports
    };

    explicit SingleInstance(const QString &databasePath);
    ~SingleInstance() override;
    // Takes the database for this run. Once it holds it, it watches for
    // other starts and emits wakeRequested for each.
    Outcome acquire();
    // What the user is told when acquire() did not take the database: who
    // holds it, or why the lock could not be made, with the path.
    QString failureText() const;
    // Asks the run that holds the database to come forward; false when no
    // run is listening.
    bool wakeHolder() const;
    static QString lockPathFor(const QString &databasePath);
    static QString wakePathFor(const QString &databasePath);

signals:
    void wakeRequested();

private:
    void listen();

    Outcome tryLock();

    QString m_databasePath;
    Outcome m_outcome = Outcome::Failed;
    QString m_reason; // the system's words for a lock that failed
#ifdef Q_OS_UNIX
    QFile m_lockFile;
    bool m_locked = false;
#else
    QLockFile m_lock;
#endif
    QFileSystemWatcher m_watcher;
};

} // namespace plandor
