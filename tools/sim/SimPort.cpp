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

const struct
{
    qint32 baud;
    speed_t code;
} kSpeeds[]
    = { { 4800, B4800 }, { 9600, B9600 }, { 19200, B19200 }, { 38400, B38400 }, { 57600, B57600 },
          { 115200, B115200 }, { 230400, B230400 }, { 460800, B460800 }, { 921600, B921600 } };

} // namespace

speed_t termiosSpeed(qint32 baud)
{
    for (const auto &speed : kSpeeds) {
        if (speed.baud == baud)
            return speed.code;
    }
    return 0;
}

bool isStandardSpeed(speed_t code)
{
    for (const auto &speed : kSpeeds) {
        if (speed.code == code)
            return true;
    }
    return false;
}

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
    const speed_t code = termiosSpeed(baud);
    cfsetspeed(&tio, code != 0 ? code : B115200);
    tcsetattr(m_fd, TCSANOW, &tio);
    m_clientPath = path;
    return true;
}

} // namespace plandor::sim
