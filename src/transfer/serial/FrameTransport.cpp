#include "transfer/serial/FrameTransport.h"

#include "base/LogCategories.h"
#include "base/Phrase.h"
#include "transfer/serial/Messages.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QIODevice>
#include <QRandomGenerator>
#include <QTimer>

namespace plandor {
namespace {

// The link's reasons, in the run's language: they end up in the window's
// messages and the command line's errors.
constexpr Phrase kLineFailed { u"线路出错", u"the line failed" };
constexpr Phrase kPortClosed { u"端口没有打开", u"the port is not open" };
constexpr Phrase kWriteFailed { u"写入端口失败：%1", u"writing to the port failed: %1" };
constexpr Phrase kNoAnswer { u"仪器在 %1 毫秒内没有应答（试了 %2 次）",
    u"no answer from the instrument within %1 ms (%2 tries)" };

// A frame for the trace: its message, number and payload, then the bytes.
QString described(const Frame &frame)
{
    const char *name = Messages::messageName(frame.type);
    return QStringLiteral("%1 seq %2 payload [%3]")
        .arg(name ? QString::fromLatin1(name)
                  : QStringLiteral("type 0x%1").arg(frame.type, 2, 16, QLatin1Char('0')))
        .arg(frame.seq, 2, 16, QLatin1Char('0'))
        .arg(QString::fromLatin1(frame.payload.toHex(' ')));
}

} // namespace

FrameTransport::FrameTransport(QIODevice *device, LinkTiming timing, QObject *parent)
    : QObject(parent)
    , m_device(device)
    , m_timing(timing)
    ,
    // A random start keeps a new session from repeating the number of the
    // last request an instrument cached from an earlier one.
    m_seq(quint8(QRandomGenerator::global()->bounded(256)))
{ }

void FrameTransport::fail(const QString &reason)
{
    if (m_failure.isEmpty())
        m_failure = reason.isEmpty() ? kLineFailed.text() : reason;
    if (m_loop)
        m_loop->quit();
}

std::optional<Frame> FrameTransport::exchange(
    quint8 type, const QByteArray &payload, int replyWireBytes, QString *error)
{
    const quint8 seq = ++m_seq;
    const QByteArray wire = FrameCodec::encode(Frame { type, seq, payload });
    const int timeoutMs = m_timing.replyTimeoutMs(int(wire.size()), replyWireBytes);
    const int attempts = qMax(1, m_timing.attempts);
    QString reason;
    m_timedOut = false;
    m_exchangeBytes = 0;
    m_sawFrame = false;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (failed() || !m_device || !m_device->isOpen()) {
            reason = failed() ? m_failure : kPortClosed.text();
            break;
        }
        if (attempt > 0)
            ++m_retries;
        // Whatever arrived before this attempt (noise, a late reply to an
        // earlier one) must not be mistaken for its reply.
        m_device->readAll();
        m_decoder.reset();
        qCDebug(plandorLink).noquote()
            << "sent" << described(Frame { type, seq, payload }) << "wire" << wire.toHex(' ');
        if (m_device->write(wire) != wire.size()) {
            reason = kWriteFailed.text().arg(m_device->errorString());
            break;
        }
        m_bytesSent += wire.size();
        ++m_roundTrips;
        std::optional<Frame> reply;
        if (waitForReply(seq, timeoutMs, reply))
            return reply;
        m_timedOut = !failed();
        reason = failed() ? m_failure : kNoAnswer.text().arg(timeoutMs).arg(attempt + 1);
        qCDebug(plandorLink).noquote() << "no reply:" << reason;
    }
    if (error)
        *error = reason;
    return std::nullopt;
}

bool FrameTransport::takeReply(quint8 seq, std::optional<Frame> &reply)
{
    const QByteArray bytes = m_device->readAll();
    m_bytesReceived += bytes.size();
    m_exchangeBytes += bytes.size();
    if (!bytes.isEmpty())
        qCDebug(plandorLink).noquote() << "received wire" << bytes.toHex(' ');
    for (Frame &frame : m_decoder.feed(bytes)) {
        m_sawFrame = true;
        qCDebug(plandorLink).noquote() << "received" << described(frame);
        // Replies carry the high bit; anything else, or another number, is
        // an echo or a stale reply.
        if ((frame.type & 0x80) && frame.seq == seq) {
            reply = std::move(frame);
            return true;
        }
    }
    return false;
}

bool FrameTransport::waitForReply(quint8 seq, int timeoutMs, std::optional<Frame> &reply)
{
    if (takeReply(seq, reply))
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(m_device.data(), &QIODevice::readyRead, &loop, [&] {
        if (takeReply(seq, reply))
            loop.quit();
    });
    connect(m_device.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    timer.setTimerType(Qt::PreciseTimer);
    m_loop = &loop;
    for (;;) {
        const qint64 remaining = timeoutMs - clock.elapsed();
        if (reply || failed() || !m_device || remaining <= 0)
            break;
        timer.start(int(remaining));
        // Windows keep repainting and timers keep running; clicks and keys
        // wait until the call returns.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        // A reply that the device buffered without a readyRead is picked up
        // here.
        if (!reply && m_device)
            takeReply(seq, reply);
    }
    m_loop = nullptr;
    return reply.has_value();
}

} // namespace plandor
