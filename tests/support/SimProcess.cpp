#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>

#include <csignal>

namespace plandor::test {

SimProcess::SimProcess(QString statePath, QString portsDir)
    : m_statePath(std::move(statePath))
    , m_portsDir(std::move(portsDir))
{ }

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::program()
{
    return qEnvironmentVariable("PLANDOR_SIM");
}

void SimProcess::collect()
{
    m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
}

bool SimProcess::waitForLine(const QString &line, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        collect();
        if (m_output.split(QLatin1Char('\n')).contains(line))
            return true;
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

bool SimProcess::start(const QStringList &arguments)
{
    stop();
    m_output.clear();
    m_port.clear();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), m_portsDir);
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(program(), QStringList { QStringLiteral("--state"), m_statePath } + arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        collect();
        for (const QString &l : m_output.split(QLatin1Char('\n'))) {
            if (l.startsWith(QLatin1String("port: ")) && m_output.contains(l + QLatin1Char('\n'))) {
                m_port = l.mid(6);
                return true;
            }
        }
        if (m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(100);
    }
    return false;
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    collect();
}

void SimProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(3000);
    collect();
}

bool SimProcess::clearFaults()
{
    if (m_process.state() == QProcess::NotRunning)
        return false;
    ::kill(pid_t(m_process.processId()), SIGUSR2);
    return waitForLine(QStringLiteral("faults: off"), 3000);
}

} // namespace plandor::test
