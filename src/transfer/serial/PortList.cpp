#include "transfer/serial/PortList.h"

#include "transfer/serial/PortsFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace plandor {

namespace {

QStringList portsFromQt()
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

// "ttyS2" before "ttyS10": the same stem, then the number.
bool naturalLess(const QString &a, const QString &b)
{
    const auto stem = [](const QString &name) {
        qsizetype end = name.size();
        while (end > 0 && name.at(end - 1).isDigit())
            --end;
        return end;
    };
    const qsizetype stemA = stem(a);
    const qsizetype stemB = stem(b);
    const int byStem = QStringView(a).left(stemA).compare(QStringView(b).left(stemB));
    if (byStem != 0)
        return byStem < 0;
    return QStringView(a).mid(stemA).toULongLong() < QStringView(b).mid(stemB).toULongLong();
}

// Bluetooth serial links, virtual null modems and USB gadget ports have no
// parent device in the tty class and are serial ports all the same.
bool isParentlessSerial(const QString &name)
{
    return name.startsWith(QLatin1String("rfcomm")) || name.startsWith(QLatin1String("tnt"))
        || name.startsWith(QLatin1String("ttyGS"));
}

} // namespace

std::optional<QStringList> PortList::fromSysfs(const QString &ttyClassDir)
{
    // The terminals of the tty class that sit on a device are serial ports;
    // consoles and pseudo-terminals do not. A UART whose "type" reads 0 was
    // never found by its driver (the phantom ttyS1..31 of many PCs).
    QDir dir(ttyClassDir);
    if (!dir.exists() || !dir.isReadable())
        return std::nullopt;
    QStringList names;
    const QStringList entries
        = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        const QString entry = dir.filePath(name);
        if (!QFileInfo::exists(entry + QStringLiteral("/device"))) {
            if (isParentlessSerial(name))
                names.append(name);
            continue;
        }
        QFile type(entry + QStringLiteral("/type"));
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0")
            continue;
        names.append(name);
    }
    std::sort(names.begin(), names.end(), naturalLess);
    QStringList ports;
    for (const QString &name : names)
        ports.append(QStringLiteral("/dev/") + name);
    return ports;
}

namespace {

QStringList systemPorts()
{
#ifdef Q_OS_LINUX
    // QSerialPortInfo asks udev about every terminal and opens 8250 UARTs to
    // test them: about 15 ms, more than the start-up window takes to build.
    // The same facts read from sysfs take well under a millisecond.
    if (auto ports = PortList::fromSysfs(QStringLiteral("/sys/class/tty")))
        return *ports;
#endif
    return portsFromQt();
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

} // namespace

QStringList PortList::available(QString *refusal)
{
    return systemPorts() + published(refusal);
}

QStringList PortList::published(QString *refusal)
{
    const PortsFolder folder = PortsFolder::check(false);
    if (refusal)
        *refusal = folder.refusal();
    QStringList result;
    const QStringList links = folder.ownLinks();
    for (const QString &link : links) {
        // A link left by an instrument that has gone (killed, so it could not
        // withdraw it) is removed: its target may be gone or reused.
        if (publisherAlive(QFileInfo(link).fileName()) && QFileInfo::exists(link)) {
            result.append(QFileInfo(link).absoluteFilePath());
            continue;
        }
        QFile::remove(link);
    }
    // Publishers name their links "<start time in ms, 13 digits>-<name>", so
    // the name order is the order in which they started.
    std::sort(result.begin(), result.end(), [](const QString &a, const QString &b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    return result;
}

} // namespace plandor
