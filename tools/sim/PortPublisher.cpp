#include "PortPublisher.h"

#include "transfer/serial/PortsFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace plandor::sim {

PortPublisher::~PortPublisher()
{
    withdraw();
}

bool PortPublisher::publish(const QString &target, QString *error)
{
    // Only into a folder of this user's alone: anyone who can write there
    // could replace the link with one of their own.
    const PortsFolder folder = PortsFolder::check(true);
    if (!folder.usable()) {
        *error = folder.refusal();
        return false;
    }
    const QString dir = folder.folder();
    const QString name = QStringLiteral("%1-simulated-instrument-%2")
                             .arg(QDateTime::currentMSecsSinceEpoch(), 13, 10, QLatin1Char('0'))
                             .arg(QCoreApplication::applicationPid());
    return addFixedLink(dir + QLatin1Char('/') + name, target, error);
}

bool PortPublisher::addFixedLink(const QString &linkPath, const QString &target, QString *error)
{
    // A link left by an instrument that was killed is replaced.
    if (QFileInfo(linkPath).isSymLink())
        QFile::remove(linkPath);
    if (!QFile::link(target, linkPath)) {
        *error = QStringLiteral("cannot make the link %1").arg(linkPath);
        return false;
    }
    m_target = target;
    m_links.append(linkPath);
    return true;
}

void PortPublisher::withdraw()
{
    for (const QString &link : std::as_const(m_links)) {
        // Leave a link that a newer instrument has taken over.
        if (QFileInfo(link).symLinkTarget() == QFileInfo(m_target).absoluteFilePath())
            QFile::remove(link);
    }
    m_links.clear();
}

} // namespace plandor::sim
