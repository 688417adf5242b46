// plandor-sim: a simulated instrument on a pseudo-terminal, for trying
// Plandor and for its tests.

#include "PortPublisher.h"
#include "SimLine.h"
#include "SimOptions.h"
#include "SimPort.h"
#include "SimStateFile.h"

#include "transfer/serial/instrument/InstrumentSide.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

using namespace plandor;
using namespace plandor::sim;

namespace {

void installSignals()
{
    struct sigaction sa
    {
    };
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a signal ends the wait in poll() at once.
    sa.sa_handler = [](int) { SimLine::requestStop(); };
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sa.sa_handler = [](int) { SimLine::requestUnplug(); };
    sigaction(SIGUSR1, &sa, nullptr);
    sa.sa_handler = [](int) { SimLine::requestFaultsOff(); };
    sigaction(SIGUSR2, &sa, nullptr);
    // A client that goes away must not end the instrument.
    std::signal(SIGPIPE, SIG_IGN);
}

// The plan the instrument starts with: blank, the state file's, or the
// default one when there is no state file yet. Nothing (and the reason on
// stderr) when the state file cannot be read.
std::optional<InstrumentPlan> startingPlan(const SimOptions &options, const SimStateFile &stateFile)
{
    if (options.blank) {
        InstrumentPlan plan;
        plan.favorites.Unit = kUnitDbmV;
        return plan;
    }
    if (!QFileInfo::exists(stateFile.path()))
        return SimStateFile::defaultPlan();
    QString error;
    const std::optional<InstrumentPlan> loaded = stateFile.load(&error);
    if (!loaded)
        std::fprintf(stderr, "plandor-sim: cannot read %s: %s\n", qPrintable(stateFile.path()),
            qPrintable(error));
    return loaded;
}

// Every plan the instrument stores goes to the state file, so that the next
// run starts from it; a failed save refuses the store.
void saveEveryStore(InstrumentSide &instrument, const SimStateFile &stateFile)
{
    instrument.setStoreHook([&stateFile](const InstrumentPlan &next) {
        QString saveError;
        if (stateFile.save(next, &saveError))
            return true;
        std::fprintf(stderr, "plandor-sim: cannot save %s: %s\n", qPrintable(stateFile.path()),
            qPrintable(saveError));
        return false;
    });
}

// A new pseudo-terminal, or the given device; false (and the reason on
// stderr) when it cannot be opened.
bool openPort(SimPort &port, const SimOptions &options)
{
    QString error;
    const bool opened = options.device.isEmpty()
        ? port.openPseudoTerminal(&error)
        : port.openDevice(options.device, options.deviceBaud(), &error);
    if (!opened)
        std::fprintf(stderr, "plandor-sim: %s\n", qPrintable(error));
    return opened;
}

// Makes the port findable and gives the path to show: the fixed link when
// one was asked for. An unpublished port still serves; nothing when the
// fixed link cannot be made.
std::optional<QString> publishPort(
    PortPublisher &publisher, const SimPort &port, const SimOptions &options)
{
    QString error;
    if (!publisher.publish(port.clientPath(), &error))
        std::fprintf(stderr, "plandor-sim: not published: %s\n", qPrintable(error));
    if (options.linkPath.isEmpty())
        return port.clientPath();
    if (!publisher.addFixedLink(options.linkPath, port.clientPath(), &error)) {
        std::fprintf(stderr, "plandor-sim: %s\n", qPrintable(error));
        return std::nullopt;
    }
    return options.linkPath;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plandor-sim"));
    const std::optional<SimOptions> options = ParseSimOptions(app.arguments());
    if (!options)
        return 2;
    installSignals();

    const SimStateFile stateFile(options->statePath);
    const std::optional<InstrumentPlan> plan = startingPlan(*options, stateFile);
    if (!plan)
        return 1;
    InstrumentSide instrument(*plan);
    saveEveryStore(instrument, stateFile);
    if (options->protocolVersion)
        instrument.setVersion(*options->protocolVersion);
    instrument.setMaxChannels(options->maxChannels);

    SimPort port;
    if (!openPort(port, *options))
        return 1;
    PortPublisher publisher;
    const std::optional<QString> shownPath = publishPort(publisher, port, *options);
    if (!shownPath)
        return 1;
    std::printf("port: %s\n", qPrintable(*shownPath));
    std::fflush(stdout);

    SimLine line(port.fd(), instrument, *options);
    if (!line.traceReady()) {
        std::fprintf(
            stderr, "plandor-sim: cannot write the trace to %s\n", qPrintable(options->tracePath));
        publisher.withdraw();
        return 1;
    }
    const SimLine::End end = line.run();
    publisher.withdraw();
    port.close();
    if (end == SimLine::End::Unplugged) {
        std::puts("unplugged");
        std::fflush(stdout);
    }
    return 0;
}
