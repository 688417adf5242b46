#include "SimPort.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace plandor::sim {

namespace {

QString lastErrno(const char *what)
{
    return QStringLiteral("%1: %2").arg(
        QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

speed_t speedFor(qint32 baud)
{
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B115200;
    }
}

} // namespace

SimPort::~SimPort()
{
    close();
}

void SimPort::close()
{
    if (m_heldClientFd >= 0)
        ::close(m_heldClientFd);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = m_heldClientFd = -1;
}

bool SimPort::openPseudoTerminal(QString *error)
{
    close();
    m_fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0 || grantpt(m_fd) != 0 || unlockpt(m_fd) != 0) {
        *error = lastErrno("posix_openpt");
        close();
        return false;
    }
    // A new pseudo-terminal is in cooked mode and would mangle binary frames.
    termios tio {};
    if (tcgetattr(m_fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    const char *name = ptsname(m_fd);
    if (!name) {
        *error = lastErrno("ptsname");
        close();
        return false;
    }
    m_clientPath = QString::fromLocal8Bit(name);
    m_heldClientFd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_heldClientFd >= 0 && tcgetattr(m_heldClientFd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_heldClientFd, TCSANOW, &tio);
    }
    return true;
}

bool SimPort::openDevice(const QString &path, qint32 baud, QString *error)
{
    close();
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        *error = lastErrno("open");
        return false;
    }
    termios tio {};
    if (tcgetattr(m_fd, &tio) != 0) {
        *error = lastErrno("tcgetattr");
        close();
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    cfsetspeed(&tio, speedFor(baud > 0 ? baud : 115200));
    tcsetattr(m_fd, TCSANOW, &tio);
    m_clientPath = path;
    return true;
}

} // namespace plandor::sim
