#pragma once

#include "SimOptions.h"

#include "transfer/serial/Framing.h"
#include "transfer/serial/instrument/InstrumentSide.h"

#include <QByteArray>

#include <cstdio>
#include <deque>
#include <memory>
#include <random>

namespace plandor::sim {

// Serves the instrument's side on a file descriptor: reads requests, lets the
// instrument answer, and puts the faults and the line timing of the options
// on the bytes both ways. Runs until stopped by a signal or unplugged.
class SimLine
{
public:
    SimLine(int fd, InstrumentSide &instrument, const SimOptions &options);

    // False when a trace was asked for and its file cannot be written.
    bool traceReady() const { return m_trace || m_tracePath.isEmpty(); }

    enum class End { Stopped, Unplugged };
    End run();

    // Async-signal-safe requests, polled by run().
    static void requestStop();
    static void requestUnplug();
    static void requestFaultsOff();

private:
    struct TimedByte
    {
        char byte;
        qint64 dueUs;
    };

    void receive(qint64 nowUs);
    void handleDueInput(qint64 nowUs);
    void answer(const Frame &request, qint64 nowUs);
    void queueOutput(const QByteArray &bytes, qint64 startUs);
    void sendDueOutput(qint64 nowUs);
    int pollTimeoutMs(qint64 nowUs) const;
    bool chance(double rate);
    // The client opened the port at another standard rate than the line's.
    bool rateMismatch() const;
    QByteArray malformed(const Frame &reply);

    int m_fd;
    InstrumentSide &m_instrument;
    FaultSettings m_faults;
    qint64 m_byteUs; // wire time of one byte, 0 for no line timing
    qint32 m_baud;
    std::mt19937 m_random;
    FrameDecoder m_decoder;
    std::deque<TimedByte> m_input;
    std::deque<TimedByte> m_output;
    qint64 m_inputFreeUs = 0;
    qint64 m_outputFreeUs = 0;
    int m_requests = 0;
    std::optional<Frame> m_lostRequest; // its repeats are lost too
    std::optional<Frame> m_lostReply;
    bool m_unplug = false;
    QString m_tracePath;
    // Where each request is noted; null for no trace.
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> m_trace { nullptr, std::fclose };
};

} // namespace plandor::sim
