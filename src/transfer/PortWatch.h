#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace plandor {

// Tells at once when the folders where serial ports appear change: /dev (a
// USB adapter plugged in) and the folder where simulated instruments publish
// theirs. Reading the port list stays the caller's; this only says when to
// read it again, a moment after the change so that a new device node has its
// permissions and a new link its target. A folder that does not exist yet is
// noticed through its parent.
class PortWatch : public QObject
{
    Q_OBJECT

public:
    // How long after a change the list is read: long enough for the system
    // to finish making the device, short against a person's waiting.
    static constexpr int kSettleMs = 100;

    explicit PortWatch(QObject *parent = nullptr);

    void start();
    void stop();

signals:
    void changed();

private:
    void watchFolders();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace plandor
