#pragma once

#include <QFileSystemWatcher>
#include <QLockFile>
#include <QObject>
#include <QString>

namespace plandor {

// One Plandor per database: a lock file beside the database, held while the
// program runs. A lock left behind by a run that crashed does not block: its
// process is gone, so the lock is taken over.
//
// A second start asks the first one to come forward by writing to a wake file
// beside the lock, which the first run watches (inotify on Linux): no socket
// or bus is needed, and a platform without file watching just skips it.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &databasePath);
    ~SingleInstance() override;
    // Whether this run holds the database now. Once it does, it watches for
    // other starts and emits wakeRequested for each.
    bool acquire();
    // Asks the run that holds the database to come forward; false when no
    // run is listening.
    bool wakeHolder() const;
    // What a second start is told.
    static QString alreadyRunningText();
    static QString lockPathFor(const QString &databasePath);
    static QString wakePathFor(const QString &databasePath);

signals:
    void wakeRequested();

private:
    void listen();

    QString m_databasePath;
    QLockFile m_lock;
    QFileSystemWatcher m_watcher;
};

} // namespace plandor
