#pragma once

#include <QString>
#include <QStringList>

namespace plandor::sim {

// Symbolic links to the simulated port: the one Plandor's start-up window
// finds (in the ports folder, PortsFolder, named by the start time so the
// newest is listed last) and an optional fixed one. Removed again on
// destruction, if they still point at the same port.
class PortPublisher
{
public:
    PortPublisher() = default;
    ~PortPublisher();
    PortPublisher(const PortPublisher &) = delete;
    PortPublisher &operator=(const PortPublisher &) = delete;

    bool publish(const QString &target, QString *error);
    bool addFixedLink(const QString &linkPath, const QString &target, QString *error);
    void withdraw();

    const QStringList &links() const { return m_links; }

private:
    QStringList m_links;
    QString m_target;
};

} // namespace plandor::sim
