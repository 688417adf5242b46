#include "transfer/serial/PortList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <future>
#include <mutex>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace plandor {

namespace {

QStringList systemPorts()
{
    QStringList ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
#ifdef Q_OS_WIN
        ports.append(info.portName());
#else
        ports.append(info.systemLocation());
#endif
    }
    return ports;
}

// A publisher's link ends in "-<process id>"; false when that process is
// gone (its pseudo-terminal number may already serve someone else).
bool publisherAlive(const QString &fileName)
{
#ifdef Q_OS_UNIX
    bool ok = false;
    const qint64 pid = fileName.section(QLatin1Char('-'), -1).toLongLong(&ok);
    if (ok && pid > 0)
        return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
#else
    Q_UNUSED(fileName)
#endif
    return true;
}

std::mutex g_prefetchMutex;
std::future<QStringList> g_prefetched;

} // namespace

void PortList::prefetch()
{
    std::lock_guard lock(g_prefetchMutex);
    if (!g_prefetched.valid())
        g_prefetched = std::async(std::launch::async, systemPorts);
}

QStringList PortList::available()
{
    QStringList ports;
    {
        std::lock_guard lock(g_prefetchMutex);
        // A prefetched list serves once; later calls enumerate afresh.
        ports = g_prefetched.valid() ? g_prefetched.get() : systemPorts();
    }
    ports += published();
    return ports;
}

QString PortList::publishDirectory()
{
    const QString explicitDir = qEnvironmentVariable("PLANDOR_PORTS_DIR");
    if (!explicitDir.isEmpty())
        return explicitDir;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isWritable())
        return runtime + QStringLiteral("/plandor-ports");
#ifdef Q_OS_UNIX
    return QDir::tempPath() + QStringLiteral("/plandor-ports-") + QString::number(getuid());
#else
    return QDir::tempPath() + QStringLiteral("/plandor-ports");
#endif
}

QStringList PortList::published()
{
    QDir dir(publishDirectory());
    if (!dir.exists())
        return {};
    QFileInfoList entries = dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    // A link left by an instrument that has gone (killed, so it could not
    // withdraw it) is removed: its target may be gone or reused.
    entries.erase(
        std::remove_if(entries.begin(), entries.end(),
            [](const QFileInfo &fi) {
                if (!fi.isSymLink())
                    return true;
                if (publisherAlive(fi.fileName()) && QFileInfo::exists(fi.symLinkTarget()))
                    return false;
                QFile::remove(fi.absoluteFilePath());
                return true;
            }),
        entries.end());
    // Publishers name their links "<start time in ms, 13 digits>-<name>", so
    // the name order is the order in which they started.
    std::sort(entries.begin(), entries.end(),
        [](const QFileInfo &a, const QFileInfo &b) { return a.fileName() < b.fileName(); });
    QStringList result;
    for (const QFileInfo &fi : entries)
        result.append(fi.absoluteFilePath());
    return result;
}

} // namespace plandor
