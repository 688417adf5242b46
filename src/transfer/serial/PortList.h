#pragma once

#include <QString>
#include <QStringList>

namespace plandor {

// The serial ports offered to the user: the machine's serial devices in the
// order the system enumerates them, then the ports that simulated instruments
// have published (oldest first), so that a freshly started one is last.
class PortList
{
public:
    static QStringList available();

    // Starts enumerating the machine's ports on another thread, so that the
    // start-up window finds the list ready instead of waiting for the system.
    static void prefetch();

    // Where a simulated instrument publishes its port: a symbolic link to its
    // pseudo-terminal. $PLANDOR_PORTS_DIR, else $XDG_RUNTIME_DIR/plandor-ports,
    // else <temp>/plandor-ports-<user id>.
    static QString publishDirectory();

    // The published ports whose target still exists, oldest first. A publisher
    // names its link "<start time in ms since the epoch, 13 digits>-<name>".
    static QStringList published();
};

} // namespace plandor
