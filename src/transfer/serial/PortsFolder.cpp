#include "transfer/serial/PortsFolder.h"

#include "base/Phrase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace plandor {
namespace {

constexpr Phrase kCannotCreate { u"无法建立端口文件夹 %1：%2",
    u"The ports folder %1 cannot be created: %2" };
constexpr Phrase kNotAFolder { u"端口文件夹 %1 是链接或不是文件夹，不予使用。请删除它，让 Plandor "
                               u"重新建立。",
    u"The ports folder %1 is a link or not a folder and is not used. Remove it so that Plandor "
    u"makes its own." };
constexpr Phrase kNotOwned { u"端口文件夹 %1 属于其他用户，不予使用。请删除它，让 Plandor "
                             u"重新建立。",
    u"The ports folder %1 belongs to another user and is not used. Remove it so that Plandor "
    u"makes its own." };
constexpr Phrase kOpenToOthers { u"端口文件夹 %1 其他用户也可写入，不予使用。请删除它，让 Plandor "
                                 u"重新建立。",
    u"The ports folder %1 can be written to by other users and is not used. Remove it so that "
    u"Plandor makes its own." };

} // namespace

PortsFolder::PortsFolder(QString path, State state, QString reason)
    : m_path(std::move(path))
    , m_state(state)
    , m_reason(std::move(reason))
{ }

QString PortsFolder::path()
{
    const QString explicitDir = qEnvironmentVariable("PLANDOR_PORTS_DIR");
    if (!explicitDir.isEmpty())
        return explicitDir;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isWritable())
        return runtime + QStringLiteral("/plandor-ports");
#ifdef Q_OS_UNIX
    return QDir::tempPath() + QStringLiteral("/plandor-ports-") + QString::number(::getuid());
#else
    return QDir::tempPath() + QStringLiteral("/plandor-ports");
#endif
}

PortsFolder PortsFolder::check(bool create)
{
    const QString dir = path();
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(dir);
    struct stat info
    {
    };
    // lstat: a link in the folder's place is not followed.
    if (::lstat(native.constData(), &info) != 0) {
        if (errno != ENOENT)
            return { dir, State::CannotCreate, QString::fromLocal8Bit(std::strerror(errno)) };
        if (!create)
            return { dir, State::Missing };
        // Parents as usual; the folder itself for this user alone.
        QDir().mkpath(QFileInfo(dir).absolutePath());
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return { dir, State::CannotCreate, QString::fromLocal8Bit(std::strerror(errno)) };
        if (::lstat(native.constData(), &info) != 0)
            return { dir, State::CannotCreate, QString::fromLocal8Bit(std::strerror(errno)) };
    }
    if (!S_ISDIR(info.st_mode))
        return { dir, State::NotAFolder };
    if (info.st_uid != ::geteuid())
        return { dir, State::NotOwned };
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return { dir, State::OpenToOthers };
    return { dir, State::Usable };
#else
    if (QFileInfo(dir).isDir())
        return { dir, State::Usable };
    if (!create)
        return { dir, State::Missing };
    return QDir().mkpath(dir) ? PortsFolder { dir, State::Usable }
                              : PortsFolder { dir, State::CannotCreate };
#endif
}

QString PortsFolder::refusal() const
{
    const QString shown = QDir::toNativeSeparators(m_path);
    switch (m_state) {
    case State::Usable:
    case State::Missing:
        return {};
    case State::CannotCreate:
        return kCannotCreate.text().arg(shown, m_reason);
    case State::NotAFolder:
        return kNotAFolder.text().arg(shown);
    case State::NotOwned:
        return kNotOwned.text().arg(shown);
    case State::OpenToOthers:
        return kOpenToOthers.text().arg(shown);
    }
    return {};
}

QStringList PortsFolder::ownLinks() const
{
    if (!usable())
        return {};
    QStringList links;
    const QStringList names = QDir(m_path).entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QString entry = m_path + QLatin1Char('/') + name;
#ifdef Q_OS_UNIX
        struct stat info
        {
        };
        // The link itself, not its target: a link another user planted is
        // never followed.
        if (::lstat(QFile::encodeName(entry).constData(), &info) != 0 || !S_ISLNK(info.st_mode)
            || info.st_uid != ::geteuid())
            continue;
#else
        if (!QFileInfo(entry).isSymLink())
            continue;
#endif
        links.append(entry);
    }
    return links;
}

} // namespace plandor
