#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace plandor::test {

// A file system of its own, 64 KiB of memory (tmpfs), mounted on an existing
// folder for the fixture's lifetime: filled to its last byte to try writes on
// a real full disk, or read-only, which stops root as well. Mounting needs
// root; where it is refused, mounted() is false and why() says why.
class SmallDisk
{
public:
    enum class Mode { Writable, ReadOnly };

    explicit SmallDisk(const QString &folder, Mode mode = Mode::Writable)
        : m_folder(QFile::encodeName(folder))
    {
        const unsigned long flags = mode == Mode::ReadOnly ? MS_RDONLY : 0;
        if (::mount("tmpfs", m_folder.constData(), "tmpfs", flags, "size=64k,mode=0755") == 0)
            m_mounted = true;
        else
            m_why = QStringLiteral("cannot mount a tmpfs on %1: %2")
                        .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY(SmallDisk)

    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }

    // Fills the disk with a file "filler" until it takes not one byte more.
    bool fill() const
    {
        const int fd = ::open((m_folder + "/filler").constData(), O_WRONLY | O_CREAT, 0600);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) { }
        const bool full = errno == ENOSPC && ::write(fd, "f", 1) < 0 && errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    QString m_why;
};

} // namespace plandor::test
