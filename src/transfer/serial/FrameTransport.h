#pragma once

#include "transfer/serial/Framing.h"
#include "transfer/serial/LinkTiming.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QEventLoop;
class QIODevice;

namespace plandor {

// Request and reply over any QIODevice (a serial port, a pseudo-terminal, a
// buffer pair): numbers each request, sends it, waits for the reply with the
// same number and retries a bounded number of times. While it waits the
// caller's thread runs a local event loop that repaints windows and runs
// timers but takes no user input.
class FrameTransport : public QObject
{
    Q_OBJECT
public:
    explicit FrameTransport(QIODevice *device, LinkTiming timing, QObject *parent = nullptr);

    // The reply to a request, or nothing with the reason in error. A reply of
    // another number is stale and skipped. replyWireBytes is the longest
    // reply expected, for the time-out.
    std::optional<Frame> exchange(
        quint8 type, const QByteArray &payload, int replyWireBytes, QString *error);

    // Ends a wait at once: the line is gone. Every later exchange fails too.
    void fail(const QString &reason);
    bool failed() const { return !m_failure.isEmpty(); }
    // The last exchange ended without an answer.
    bool lastTimedOut() const { return m_timedOut; }
    // The last exchange got bytes but not one sound frame: the two ends do
    // not hear each other right (most often two different line speeds).
    bool lastGarbled() const { return m_timedOut && m_exchangeBytes > 0 && !m_sawFrame; }

    const LinkTiming &timing() const { return m_timing; }
    // Totals since construction, for measurements.
    qint64 bytesSent() const { return m_bytesSent; }
    qint64 bytesReceived() const { return m_bytesReceived; }
    int roundTrips() const { return m_roundTrips; }
    int retries() const { return m_retries; }

private:
    bool waitForReply(quint8 seq, int timeoutMs, std::optional<Frame> &reply);
    bool takeReply(quint8 seq, std::optional<Frame> &reply);

    QPointer<QIODevice> m_device;
    LinkTiming m_timing;
    FrameDecoder m_decoder;
    quint8 m_seq;
    QString m_failure;
    QEventLoop *m_loop = nullptr;
    bool m_timedOut = false;
    qint64 m_exchangeBytes = 0;
    bool m_sawFrame = false;
    qint64 m_bytesSent = 0;
    qint64 m_bytesReceived = 0;
    int m_roundTrips = 0;
    int m_retries = 0;
};

} // namespace plandor
