#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace plandor::test {

// A plandor-sim started for a test (path from $PLANDOR_SIM), with its own
// state file and publish folder. Stopped when destroyed.
class SimProcess
{
public:
    SimProcess(QString statePath, QString portsDir);
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    static QString program();

    // Starts it and waits for its "port:" line; extra arguments go on its
    // command line.
    bool start(const QStringList &arguments = {});
    QString port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }

    // SIGTERM and wait: it withdraws its links.
    void stop();
    // SIGKILL: an instrument that vanishes without a word.
    void kill();
    // SIGUSR2 and wait for "faults: off".
    bool clearFaults();
    // Waits until its output holds the line.
    bool waitForLine(const QString &line, int timeoutMs);
    QString output() const { return m_output; }

private:
    void collect();

    QString m_statePath;
    QString m_portsDir;
    QProcess m_process;
    QString m_port;
    QString m_output;
};

} // namespace plandor::test
