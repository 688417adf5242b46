// How long finding the instrument takes. First, probing 8 silent ports at
// once at every listed rate, and one silent port at one rate and at all of
// them. Then, with the start-up window on screen, the time from a simulated
// instrument publishing its port to the window listing it and to the window
// showing its identity (the window watches the folders where ports appear and
// reads the list a moment after a change). Prints the median and slowest of
// the rounds.
//
// Usage: bench_port_probe [rounds]   (plandor-sim from $PLANDOR_SIM, or the
// build folder above this program's)
#include "BenchTiming.h"

#include "app/ui/Form1.h"
#include "base/Language.h"
#include "transfer/serial/PortList.h"
#include "transfer/serial/PortProbe.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <stdlib.h>
#include <unistd.h>

using namespace plandor;
using namespace plandor::bench;

namespace {

// A pseudo-terminal nobody answers on: its far end is held and never read.
class SilentLine
{
public:
    SilentLine()
        : m_fd(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (m_fd >= 0 && ::grantpt(m_fd) == 0 && ::unlockpt(m_fd) == 0)
            m_path = QString::fromLocal8Bit(::ptsname(m_fd));
    }
    ~SilentLine()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SilentLine(const SilentLine &) = delete;
    SilentLine &operator=(const SilentLine &) = delete;
    QString path() const { return m_path; }

private:
    int m_fd;
    QString m_path;
};

void report(const char *what, QList<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%-52s median %7.1f ms  slowest %7.1f ms  (%lld rounds)\n", what,
        times[times.size() / 2], times.last(), qlonglong(times.size()));
}

// Runs the event loop until done() holds or timeoutMs passes; false on timeout.
bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void silentPorts(int rounds)
{
    SilentLine lines[8];
    QStringList ports;
    for (const SilentLine &line : lines)
        ports << line.path();
    const QList<qint32> allRates = PortProbe::ratesStartingWith(9600);
    QList<double> eight, oneAtOne, oneAtAll;
    for (int round = 0; round < rounds; ++round) {
        eight << ms([&] { PortProbe::probe(ports, allRates); });
        oneAtOne << ms([&] { PortProbe::probePort(ports[0], { 9600 }); });
        oneAtAll << ms([&] { PortProbe::probePort(ports[0], allRates); });
    }
    std::printf("listed rates: %lld\n", qlonglong(allRates.size()));
    report("8 silent ports at once, every listed rate", eight);
    report("1 silent port, 9600 only", oneAtOne);
    report("1 silent port, every listed rate", oneAtAll);
}

// One round: starts the simulator and times how long the window takes to
// list its port and to show who it is. False when either never happened.
bool appearing(const QString &sim, const QString &state, QComboBox &ports, QLabel &status,
    double &listedMs, double &shownMs)
{
    QProcess process;
    process.start(sim, { QStringLiteral("--state"), state });
    QString port;
    if (!waitFor(
            [&] {
                while (process.canReadLine()) {
                    const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
                    if (line.startsWith(QLatin1String("port: ")))
                        port = line.mid(6);
                }
                return !port.isEmpty();
            },
            5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    const bool listed = waitFor(
        [&] {
            for (int i = 0; i < ports.count(); ++i) {
                if (QFileInfo(ports.itemText(i)).canonicalFilePath() == port)
                    return true;
            }
            return false;
        },
        5000);
    listedMs = clock.nsecsElapsed() / 1e6;
    const bool shown = listed
        && waitFor([&] { return status.text().endsWith(QLatin1String(" on ") + port); }, 5000);
    shownMs = clock.nsecsElapsed() / 1e6;
    process.terminate();
    process.waitForFinished(3000);
    // The window drops the port before the next round starts another one.
    waitFor([&] { return ports.count() == 0; }, 5000);
    return shown;
}

bool portAppearing(int rounds)
{
    QString sim = qEnvironmentVariable("PLANDOR_SIM");
    if (sim.isEmpty())
        sim = QDir(QCoreApplication::applicationDirPath())
                  .filePath(QStringLiteral("../plandor-sim"));
    QTemporaryDir dir;
    qputenv("PLANDOR_PORTS_DIR", QFile::encodeName(dir.filePath(QStringLiteral("ports"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    // Only the ports simulators publish: no machine port to probe.
    Form1 form([] { return PortList::published(); }, [] { return quint16(kLangIdEnglishUS); });
    form.show();
    auto *ports = form.findChild<QComboBox *>(QStringLiteral("Combo1"));
    auto *status = form.findChild<QLabel *>(QStringLiteral("Label6"));
    if (!ports || !status)
        return false;
    QList<double> listed, shown;
    for (int round = 0; round < rounds; ++round) {
        double listedMs = 0, shownMs = 0;
        if (!appearing(sim, dir.filePath(QStringLiteral("sim.state")), *ports, *status, listedMs,
                shownMs)) {
            std::fprintf(stderr, "round %d: the simulator's port was not found (%s)\n", round,
                qPrintable(status->text()));
            return false;
        }
        listed << listedMs;
        shown << shownMs;
    }
    report("port published -> listed in the window", listed);
    report("port published -> identity shown", shown);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    silentPorts(rounds);
    return portAppearing(rounds) ? 0 : 1;
}
