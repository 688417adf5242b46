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
    QString error;
    InstrumentPlan plan;
    if (options->blank) {
        plan.favorites.Unit = kUnitDbmV;
    } else if (QFileInfo::exists(stateFile.path())) {
        const std::optional<InstrumentPlan> loaded = stateFile.load(&error);
        if (!loaded) {
            std::fprintf(stderr, "plandor-sim: cannot read %s: %s\n", qPrintable(stateFile.path()),
                qPrintable(error));
            return 1;
        }
        plan = *loaded;
    } else {
        plan = SimStateFile::defaultPlan();
    }

    InstrumentSide instrument(plan);
    instrument.setStoreHook([&stateFile](const InstrumentPlan &next) {
        QString saveError;
        if (stateFile.save(next, &saveError))
            return true;
        std::fprintf(stderr, "plandor-sim: cannot save %s: %s\n", qPrintable(stateFile.path()),
            qPrintable(saveError));
        return false;
    });
    if (options->protocolVersion)
        instrument.setVersion(*options->protocolVersion);
    instrument.setMaxChannels(options->maxChannels);

    SimPort port;
    const bool opened = options->device.isEmpty()
        ? port.openPseudoTerminal(&error)
        : port.openDevice(options->device, options->deviceBaud(), &error);
    if (!opened) {
        std::fprintf(stderr, "plandor-sim: %s\n", qPrintable(error));
        return 1;
    }
    PortPublisher publisher;
    if (!publisher.publish(port.clientPath(), &error))
        std::fprintf(stderr, "plandor-sim: not published: %s\n", qPrintable(error));
    QString shownPath = port.clientPath();
    if (!options->linkPath.isEmpty()) {
        if (!publisher.addFixedLink(options->linkPath, port.clientPath(), &error)) {
            std::fprintf(stderr, "plandor-sim: %s\n", qPrintable(error));
            return 1;
        }
        shownPath = options->linkPath;
    }
    std::printf("port: %s\n", qPrintable(shownPath));
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
