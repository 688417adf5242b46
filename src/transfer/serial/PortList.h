#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace plandor {

// The serial ports offered to the user: the machine's serial devices in their
// natural order (ttyS2 before ttyS10), then the ports that simulated instruments
// have published (oldest first), so that a freshly started one is last.
class PortList
{
public:
    static QStringList available();

    // The serial devices that a Linux tty class directory (/sys/class/tty)
    // describes, as /dev paths in natural order; nothing when it cannot be
    // read, so that the caller asks the toolkit instead.
    static std::optional<QStringList> fromSysfs(const QString &ttyClassDir);

    // Where a simulated instrument publishes its port: a symbolic link to its
    // pseudo-terminal. $PLANDOR_PORTS_DIR, else $XDG_RUNTIME_DIR/plandor-ports,
    // else <temp>/plandor-ports-<user id>.
    static QString publishDirectory();

    // The published ports whose target still exists, oldest first. A publisher
    // names its link "<start time in ms since the epoch, 13 digits>-<name>".
    static QStringList published();
};

} // namespace plandor
