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
    // The machine's ports, then the published ones. A ports folder that is
    // not used is told of in refusal (naming it), else refusal is cleared.
    static QStringList available(QString *refusal = nullptr);

    // The serial devices that a Linux tty class directory (/sys/class/tty)
    // describes, as /dev paths in natural order; nothing when it cannot be
    // read, so that the caller asks the toolkit instead.
    static std::optional<QStringList> fromSysfs(const QString &ttyClassDir);

    // The published ports whose target still exists, oldest first, from the
    // ports folder (PortsFolder). A publisher names its link
    // "<start time in ms since the epoch, 13 digits>-<name>-<process id>".
    static QStringList published(QString *refusal = nullptr);
};

} // namespace plandor
