#include "transfer/serial/PortProbe.h"

#include "base/Phrase.h"
#include "transfer/BaudRates.h"
#include "transfer/serial/Framing.h"
#include "transfer/serial/LinkTiming.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QThread>

#include <vector>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace plandor {

using protocol::MessageType;

namespace {

constexpr Phrase kOn { u"%2 上的 %1", u"%1 on %2" };
constexpr Phrase kUnnamed { u"未具名的仪器", u"an unnamed instrument" };
constexpr Phrase kNoAnswer { u"没有应答", u"no answer" };
constexpr Phrase kInUse { u"正被其他程序占用", u"in use by another program" };
constexpr Phrase kCannotOpen { u"无法打开：%1", u"cannot be opened: %1" };
constexpr Phrase kGone { u"设备不存在", u"the device is not there" };
constexpr Phrase kRefused { u"有仪器应答，但拒绝了握手：%1",
    u"an instrument answers but refuses the handshake: %1" };

// The longest replies, on the wire (as LinkClient budgets them).
constexpr int kHelloReplyWire = 160;
constexpr int kIdentifyReplyWire = 80;
// How often a wait looks whether it was cancelled.
constexpr int kSliceMs = 10;

bool cancelled(const std::atomic_bool *cancel)
{
    return cancel && cancel->load();
}

// Whether another program has the terminal in exclusive mode, as Qt programs
// and most terminal programs set it. Root would be let in all the same and
// would then change the line settings under that program, so this is asked
// before the port is opened for real.
bool heldExclusively(const QString &device)
{
#ifdef Q_OS_LINUX
    const int fd
        = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;
    int exclusive = 0;
    const bool held = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    ::close(fd);
    return held;
#else
    Q_UNUSED(device)
    return false;
#endif
}

// The reply to one request, or nothing. A silent line is given up once the
// first byte of an answer is overdue; an answer under way gets the protocol's
// whole reply time-out.
std::optional<Frame> exchange(QSerialPort &port, MessageType type, const QByteArray &payload,
    quint8 seq, int replyWire, const std::atomic_bool *cancel)
{
    const LinkTiming timing { qint32(port.baudRate()), PortProbe::kAllowanceMs, 1 };
    const QByteArray wire = FrameCodec::encode(Frame { quint8(type), seq, payload });
    const QDeadlineTimer firstByte(
        timing.allowanceMs + timing.wireMs(int(wire.size()) + 1), Qt::PreciseTimer);
    const QDeadlineTimer whole(
        timing.replyTimeoutMs(int(wire.size()), replyWire), Qt::PreciseTimer);
    port.clear(QSerialPort::AllDirections);
    if (port.write(wire) != wire.size())
        return std::nullopt;
    FrameDecoder decoder;
    bool heard = false;
    for (;;) {
        const QDeadlineTimer &deadline = heard ? whole : firstByte;
        if (deadline.hasExpired() || cancelled(cancel)
            || port.error() == QSerialPort::ResourceError)
            return std::nullopt;
        if (port.bytesToWrite() > 0)
            port.waitForBytesWritten(kSliceMs);
        else
            port.waitForReadyRead(
                int(qBound(qint64(1), deadline.remainingTime(), qint64(kSliceMs))));
        const QByteArray bytes = port.readAll();
        heard = heard || !bytes.isEmpty();
        for (Frame &frame : decoder.feed(bytes)) {
            if ((frame.type & 0x80) && frame.seq == seq)
                return std::move(frame);
        }
    }
}

// The Hello at the port's present rate: Answered with the identity, Failed
// for a refusal, nothing when no sound answer came.
std::optional<ProbeResult> askHello(QSerialPort &port, quint8 &seq, const std::atomic_bool *cancel)
{
    const auto reply = exchange(port, MessageType::Hello,
        Messages::encode(Messages::HelloRequest {}), ++seq, kHelloReplyWire, cancel);
    if (!reply)
        return std::nullopt;
    ProbeResult result;
    if (reply->type == quint8(MessageType::Nak)) {
        const auto nak = Messages::decodeNak(reply->payload);
        result.outcome = ProbeResult::Outcome::Failed;
        result.reason = kRefused.text().arg(nak ? nak->text : QString());
        return result;
    }
    const auto hello = reply->type == quint8(MessageType::HelloReply)
        ? Messages::decodeHelloReply(reply->payload)
        : std::nullopt;
    if (!hello)
        return std::nullopt;
    result.outcome = ProbeResult::Outcome::Answered;
    result.identity = hello->identity;
    // From 1.2 on the handshake carries only the identity's CRC.
    if (!result.identity && hello->version >= protocol::kPackedVersion) {
        const auto named
            = exchange(port, MessageType::Identify, {}, ++seq, kIdentifyReplyWire, cancel);
        if (named && named->type == quint8(MessageType::IdentifyReply))
            result.identity = Messages::decodeIdentity(named->payload);
    }
    return result;
}

} // namespace

QString ProbeResult::identityText() const
{
    if (outcome != Outcome::Answered || !identity)
        return {};
    return (identity->model + QLatin1Char(' ') + identity->serial).trimmed();
}

QString ProbeResult::describe() const
{
    switch (outcome) {
    case Outcome::Answered: {
        const QString name = identityText();
        return kOn.text().arg(name.isEmpty() ? kUnnamed.text() : name, device);
    }
    case Outcome::NoAnswer:
        return kNoAnswer.text();
    case Outcome::InUse:
        return kInUse.text();
    case Outcome::Failed:
        break;
    }
    return kCannotOpen.text().arg(reason);
}

ProbeResult PortProbe::probePort(
    const QString &port, const QList<qint32> &rates, const std::atomic_bool *cancel)
{
    ProbeResult result;
    result.port = port;
    const QFileInfo info(port);
    const bool isPath = port.startsWith(QLatin1Char('/'));
    if (isPath && !info.exists()) {
        result.outcome = ProbeResult::Outcome::Failed;
        result.reason = kGone.text();
        return result;
    }
    // The lock is taken on the device itself, as the link takes it.
    result.device = isPath ? info.canonicalFilePath() : port;
    if (isPath && heldExclusively(result.device)) {
        result.outcome = ProbeResult::Outcome::InUse;
        return result;
    }
    QSerialPort serial;
    serial.setPortName(result.device);
    if (!serial.open(QIODevice::ReadWrite)) {
        // Qt reports a port locked by another program as a permission error.
        const bool mayUse = !isPath || (info.isReadable() && info.isWritable());
        result.outcome = serial.error() == QSerialPort::PermissionError && mayUse
            ? ProbeResult::Outcome::InUse
            : ProbeResult::Outcome::Failed;
        result.reason = serial.errorString();
        return result;
    }
    serial.setDataBits(QSerialPort::Data8);
    serial.setParity(QSerialPort::NoParity);
    serial.setStopBits(QSerialPort::OneStop);
    serial.setFlowControl(QSerialPort::NoFlowControl);
    quint8 seq = quint8(QRandomGenerator::global()->bounded(256));
    for (const qint32 rate : rates) {
        if (cancelled(cancel) || !serial.setBaudRate(rate))
            break;
        if (auto answered = askHello(serial, seq, cancel)) {
            answered->port = result.port;
            answered->device = result.device;
            answered->rate = rate;
            return *answered;
        }
    }
    // Closing restores the line settings the port had.
    return result;
}

QList<ProbeResult> PortProbe::probe(const QStringList &ports, const QList<qint32> &rates)
{
    std::vector<ProbeResult> results(size_t(ports.size()));
    std::vector<std::unique_ptr<QThread>> threads;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        threads.emplace_back(QThread::create(
            [&results, &ports, &rates, i] { results[size_t(i)] = probePort(ports.at(i), rates); }));
        threads.back()->start();
    }
    for (const auto &thread : threads)
        thread->wait();
    return QList<ProbeResult>(results.begin(), results.end());
}

QList<qint32> PortProbe::ratesStartingWith(qint32 first)
{
    QList<qint32> rates;
    if (first > 0)
        rates.append(first);
    for (const qint32 rate : BaudRates::kListed) {
        if (rate != first)
            rates.append(rate);
    }
    return rates;
}

PortProber::PortProber(QObject *parent)
    : QObject(parent)
    , m_cancel(std::make_shared<std::atomic_bool>(false))
{
    qRegisterMetaType<ProbeResult>();
}

PortProber::~PortProber()
{
    cancelAll();
    for (QThread *thread : std::as_const(m_running)) {
        thread->wait();
        delete thread;
    }
}

void PortProber::probe(const QString &port, const QList<qint32> &rates)
{
    if (m_running.contains(port))
        return;
    auto result = std::make_shared<ProbeResult>();
    const std::shared_ptr<std::atomic_bool> cancel = m_cancel;
    QThread *thread = QThread::create([result, cancel, port, rates] {
        *result = PortProbe::probePort(port, rates, cancel.get());
    });
    m_running.insert(port, thread);
    // Delivered in this object's thread; dropped with this object.
    connect(thread, &QThread::finished, this, [this, port, result, cancel] {
        if (QThread *done = m_running.take(port)) {
            done->wait();
            done->deleteLater();
        }
        if (!cancel->load())
            emit probed(*result);
    });
    thread->start();
}

void PortProber::cancelAll()
{
    m_cancel->store(true);
    m_cancel = std::make_shared<std::atomic_bool>(false);
}

} // namespace plandor
