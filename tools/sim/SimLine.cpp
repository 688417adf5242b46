#include "SimLine.h"

#include "SimPort.h"

#include "transfer/serial/Messages.h"
#include "transfer/serial/Protocol.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace plandor::sim {

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_unplug = 0;
volatile std::sig_atomic_t g_faultsOff = 0;

qint64 nowUs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.nsecsElapsed() / 1000;
}

const char *requestName(quint8 type)
{
    const char *name = (type & 0x80) ? nullptr : Messages::messageName(type);
    return name ? name : "other";
}

} // namespace

bool SimLine::rateMismatch() const
{
    // The two ends of a pseudo-terminal share one set of line settings, so
    // the rate the client chose is seen here.
    const speed_t line = termiosSpeed(m_baud);
    termios tio {};
    if (line == 0 || tcgetattr(m_fd, &tio) != 0)
        return false;
    const speed_t client = cfgetospeed(&tio);
    return client != line && isStandardSpeed(client);
}

void SimLine::requestStop()
{
    g_stop = 1;
}

void SimLine::requestUnplug()
{
    g_unplug = 1;
}

void SimLine::requestFaultsOff()
{
    g_faultsOff = 1;
}

SimLine::SimLine(int fd, InstrumentSide &instrument, const SimOptions &options)
    : m_fd(fd)
    , m_instrument(instrument)
    , m_faults(options.faults)
    , m_byteUs(options.baud > 0
              ? (qint64(protocol::kBitsPerByte) * 1000000 + options.baud - 1) / options.baud
              : 0)
    , m_baud(options.baud)
    , m_random(options.faults.seed)
    , m_tracePath(options.tracePath)
{
    // The standard output is not closed by the trace's end.
    if (options.tracePath == QLatin1String("-"))
        m_trace = { stdout, [](std::FILE *) { return 0; } };
    else if (!options.tracePath.isEmpty())
        m_trace = { std::fopen(options.tracePath.toLocal8Bit().constData(), "a"), std::fclose };
}

bool SimLine::chance(double rate)
{
    if (rate <= 0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < rate;
}

SimLine::End SimLine::run()
{
    for (;;) {
        if (g_stop)
            return End::Stopped;
        if (g_unplug || m_unplug)
            return End::Unplugged;
        if (g_faultsOff) {
            g_faultsOff = 0;
            m_faults = FaultSettings {};
            m_instrument.setRefuseWrites(false);
            // Replies still held back would delay every later one.
            m_output.clear();
            m_outputFreeUs = 0;
            std::fputs("faults: off\n", stdout);
            std::fflush(stdout);
        }
        const qint64 now = nowUs();
        pollfd p { m_fd, POLLIN, 0 };
        if (!m_output.empty() && m_output.front().dueUs <= now)
            p.events |= POLLOUT;
        const int ready = ::poll(&p, 1, pollTimeoutMs(now));
        if (ready < 0 && errno != EINTR)
            return End::Stopped;
        if (ready > 0 && (p.revents & POLLIN))
            receive(nowUs());
        handleDueInput(nowUs());
        sendDueOutput(nowUs());
    }
}

int SimLine::pollTimeoutMs(qint64 now) const
{
    // Wake for the next byte due either way; otherwise now and then, to see
    // the signals.
    qint64 next = now + 50000;
    if (!m_input.empty())
        next = std::min(next, m_input.front().dueUs);
    if (!m_output.empty())
        next = std::min(next, m_output.front().dueUs);
    return int(std::max<qint64>(0, (next - now + 999) / 1000));
}

void SimLine::receive(qint64 now)
{
    char buffer[4096];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n <= 0) {
        // EIO: no client has the port open. Keep serving; the next client
        // gets a clean line.
        if (n < 0 && errno == EIO)
            ::usleep(20000);
        return;
    }
    // Bytes sent at another rate arrive as other bytes.
    const bool garbled = rateMismatch();
    for (ssize_t i = 0; i < n; ++i) {
        char byte = garbled ? char(m_random() & 0xFF) : buffer[i];
        if (chance(m_faults.dropRate))
            continue;
        if (chance(m_faults.corruptRate))
            byte = char(quint8(byte) ^ (1u << (m_random() % 8)));
        // On a real line the bytes arrive one wire time apart.
        m_inputFreeUs = std::max(m_inputFreeUs, now) + m_byteUs;
        m_input.push_back({ byte, m_inputFreeUs });
    }
}

void SimLine::handleDueInput(qint64 now)
{
    QByteArray due;
    while (!m_input.empty() && m_input.front().dueUs <= now) {
        due.append(m_input.front().byte);
        m_input.pop_front();
    }
    if (due.isEmpty())
        return;
    for (const Frame &request : m_decoder.feed(due)) {
        ++m_requests;
        if (m_faults.unplugAfter > 0 && m_requests >= m_faults.unplugAfter) {
            m_unplug = true;
            return;
        }
        if (m_faults.loseRequest == m_requests)
            m_lostRequest = request;
        if (m_lostRequest && *m_lostRequest == request)
            continue;
        if (m_faults.loseReply == m_requests)
            m_lostReply = request;
        if (m_trace) {
            // Read by tests that count sessions, and by people timing a line.
            std::fprintf(m_trace.get(), "request: %s %lld %lld\n", requestName(request.type),
                qint64(request.payload.size()), now / 1000);
            std::fflush(m_trace.get());
        }
        answer(request, now);
    }
}

void SimLine::answer(const Frame &request, qint64 now)
{
    m_instrument.setRefuseWrites(m_faults.refuseWrites);
    std::optional<Frame> reply = m_instrument.handle(request);
    if (!reply || m_faults.silent || (m_lostReply && *m_lostReply == request))
        return;
    QByteArray wire;
    for (int i = 0; i < m_faults.preamble; ++i)
        wire.append(char(m_random() & 0xFF));
    wire.append(chance(m_faults.malformedRate) ? malformed(*reply) : FrameCodec::encode(*reply));
    qint64 start = now;
    if (chance(m_faults.delayRate))
        start += qint64(m_faults.delayMs) * 1000;
    queueOutput(wire, start);
}

QByteArray SimLine::malformed(const Frame &reply)
{
    switch (m_random() % 3) {
    case 0: {
        // A sound frame whose payload is cut short or runs on: a layout of
        // fixed size must see it as well as one with texts.
        Frame cut = reply;
        const qsizetype by = 1 + m_random() % 4;
        if (m_random() % 2 == 0 && cut.payload.size() >= by)
            cut.payload.chop(by);
        else
            cut.payload.append(QByteArray(by, char(0xEE)));
        return FrameCodec::encode(cut);
    }
    case 1: {
        // A frame with a wrong check value.
        QByteArray wire = FrameCodec::encode(reply);
        wire[wire.size() - 2] = char(wire[wire.size() - 2] == '\x01' ? 0x02 : 0x01);
        return wire;
    }
    default: {
        // Delimiters without a frame between them and a lone code byte.
        return QByteArray("\0\0\x05\0", 4);
    }
    }
}

void SimLine::queueOutput(const QByteArray &bytes, qint64 startUs)
{
    for (char byte : bytes) {
        if (chance(m_faults.dropRate))
            continue;
        if (chance(m_faults.corruptRate))
            byte = char(quint8(byte) ^ (1u << (m_random() % 8)));
        m_outputFreeUs = std::max(m_outputFreeUs, startUs) + m_byteUs;
        m_output.push_back({ byte, m_outputFreeUs });
        if (chance(m_faults.noiseRate)) {
            m_outputFreeUs += m_byteUs;
            m_output.push_back({ char(m_random() & 0xFF), m_outputFreeUs });
        }
    }
}

void SimLine::sendDueOutput(qint64 now)
{
    QByteArray due;
    for (const TimedByte &b : m_output) {
        if (b.dueUs > now)
            break;
        due.append(b.byte);
    }
    if (due.isEmpty())
        return;
    const ssize_t written = ::write(m_fd, due.constData(), size_t(due.size()));
    if (written > 0)
        m_output.erase(m_output.begin(), m_output.begin() + written);
}

} // namespace plandor::sim
