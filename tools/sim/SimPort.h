#pragma once

#include <QString>

#include <termios.h>

namespace plandor::sim {

// The termios code of a standard line rate; 0 for a rate it has none for.
speed_t termiosSpeed(qint32 baud);
// Whether a termios code is that of one of those rates.
bool isStandardSpeed(speed_t code);

// The instrument's end of the line: the master side of a new
// pseudo-terminal in raw mode, or a serial device. Closes what it opened.
class SimPort
{
public:
    SimPort() = default;
    ~SimPort();
    SimPort(const SimPort &) = delete;
    SimPort &operator=(const SimPort &) = delete;

    bool openPseudoTerminal(QString *error);
    bool openDevice(const QString &path, qint32 baud, QString *error);
    void close();

    int fd() const { return m_fd; }
    // The path a client opens.
    const QString &clientPath() const { return m_clientPath; }

private:
    int m_fd = -1;
    // The pseudo-terminal's client side, held open so that reads on the
    // master do not fail with EIO while no client is connected.
    int m_heldClientFd = -1;
    QString m_clientPath;
};

} // namespace plandor::sim
