#pragma once

#include "TestTiming.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <csignal>

namespace plandor::test {

// A plandor-sim ($PLANDOR_SIM) with its own state file and publish folder
// (set as PLANDOR_PORTS_DIR for the test and what it starts); stopped with
// SIGTERM (it withdraws its links) when destroyed.
class SimProcess
{
public:
    SimProcess(QString statePath, QString portsDir)
        : m_state(std::move(statePath))
        , m_ports(std::move(portsDir))
    { }
    ~SimProcess() { stop(); }

    QString port() const { return m_port; }

    // (Re)starts it with extra arguments and waits for its "port:" line.
    bool start(const QStringList &arguments = {})
    {
        stop();
        qputenv("PLANDOR_PORTS_DIR", m_ports.toLocal8Bit()); // inherited by all it starts
        m_process.start(qEnvironmentVariable("PLANDOR_SIM"),
            QStringList { QStringLiteral("--state"), m_state } + arguments);
        m_port = waitForLine(QStringLiteral("port: "), 5000).mid(6);
        return !m_port.isEmpty();
    }

    // SIGKILL is an instrument that vanishes without a word.
    void stop(int signal = SIGTERM)
    {
        if (m_process.processId() > 0 && ::kill(pid_t(m_process.processId()), signal) == 0
            && !m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }

    // SIGUSR2, then waits for "faults: off".
    bool clearFaults()
    {
        return m_process.processId() > 0 && ::kill(pid_t(m_process.processId()), SIGUSR2) == 0
            && !waitForLine(QStringLiteral("faults: off"), 3000).isEmpty();
    }

private:
    // The next whole output line that starts with prefix; empty if none came.
    QString waitForLine(const QString &prefix, int timeoutMs)
    {
        const QDeadlineTimer deadline(scaledMs(timeoutMs));
        while (m_process.canReadLine()
            || (!deadline.hasExpired()
                && m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))) {
            const QString line = m_process.canReadLine()
                ? QString::fromLocal8Bit(m_process.readLine()).trimmed()
                : QString(); // the rest of the line is still to come
            if (line.startsWith(prefix))
                return line;
        }
        return {};
    }

    QString m_state, m_ports, m_port;
    QProcess m_process;
};

} // namespace plandor::test
