#include "transfer/serial/SerialDeviceLink.h"

#include "transfer/serial/FrameTransport.h"

#include "base/Phrase.h"
#include "transfer/serial/Records.h"

#include <QFileInfo>
#include <QMetaObject>

namespace plandor {

namespace {

constexpr Phrase kNoPort { u"未选择串口", u"no serial port chosen" };
constexpr Phrase kNotThere { u"%1 上没有仪器：仪器已拔出，或串口选错了",
    u"no instrument at %1: it is unplugged, or this is the wrong port" };
constexpr Phrase kInUse { u"%1 正被其他程序占用：请关闭那个程序后再试",
    u"%1 is in use by another program: close that program and try again" };
constexpr Phrase kNoPermission { u"没有使用 %1 的权限", u"no permission to use %1" };
constexpr Phrase kCannotOpen { u"无法打开 %1：%2", u"cannot open %1: %2" };
constexpr Phrase kUnplugged { u"与仪器的连接断开了（仪器已拔出或已关闭）",
    u"the instrument was unplugged or switched off" };
constexpr Phrase kNoAnswer {
    u"仪器在 %1 波特率下没有回答：请检查仪器已开机、已连接，并设为 %1 波特",
    u"no answer from the instrument at %1 baud: check that it is on, connected and set to %1 baud"
};
constexpr Phrase kGarbled { u"仪器的回答在 %1 波特率下无法读懂：请让仪器和本程序使用相同的波特率",
    u"the instrument's answer cannot be read at %1 baud: set the instrument and this program to "
    u"the same rate" };
constexpr Phrase kBusyLink { u"连接正忙于另一个操作", u"the link is busy with another call" };

} // namespace

SerialDeviceLink::SerialDeviceLink(QObject *parent)
    : QObject(parent)
{ }

SerialDeviceLink::~SerialDeviceLink()
{
    closePort();
}

QString SerialDeviceLink::deviceForPortNumber(qint16 port)
{
    if (port <= 0)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

void SerialDeviceLink::SetPort(qint16 port)
{
    closePort();
    m_identity.reset();
    m_deviceName = deviceForPortNumber(port);
}

void SerialDeviceLink::SetOptions(const LinkOptions &options)
{
    closePort();
    LinkTiming timing = m_timing;
    if (options.baud > 0)
        timing.baud = options.baud;
    m_timing = timing;
    if (!options.portName.trimmed().isEmpty()) {
        m_identity.reset();
        m_deviceName = options.portName.trimmed();
    }
}

void SerialDeviceLink::setTiming(const LinkTiming &timing)
{
    closePort();
    m_timing = timing;
}

void SerialDeviceLink::setProgress(LinkClient::Progress progress)
{
    m_progress = std::move(progress);
    if (m_client)
        m_client->setProgress(m_progress);
}

InstrumentInfo SerialDeviceLink::Instrument() const
{
    InstrumentInfo info;
    const auto id = identity();
    if (id && id->identity)
        info.identity = (id->identity->model + QLatin1Char(' ') + id->identity->serial).trimmed();
    if (id)
        info.maxChannels = id->maxChannels;
    return info;
}

LinkResult<InstrumentInfo> SerialDeviceLink::Identify()
{
    // From 1.2 on the handshake names the instrument only by a CRC; the
    // texts are asked for once, on the port of the last call.
    const auto id = identity();
    if (id && !id->identity && m_client && m_client->identity()) {
        if (auto asked = run([](LinkClient &client, QString *error) {
                return client.identify(error).has_value();
            });
            !asked)
            return asked.failure();
    }
    return Instrument();
}

std::optional<Messages::HelloReply> SerialDeviceLink::identity() const
{
    if (m_client && m_client->identity())
        return m_client->identity();
    return m_identity;
}

void SerialDeviceLink::ReleasePort()
{
    // Never from inside a call's wait: the call still uses the port.
    if (!m_busy)
        closePort();
}

LinkResult<> SerialDeviceLink::ensureOpen()
{
    if (m_port && m_port->isOpen() && !m_lineBroken)
        return {};
    closePort();
    const auto unavailable = [](const QString &text) {
        return LinkFailure { LinkFault::PortUnavailable, text };
    };
    if (m_deviceName.isEmpty())
        return LinkFailure { LinkFault::NoPort, kNoPort.text() };
    auto port = std::make_unique<QSerialPort>();
    // The lock is taken on the device itself, so that two names of one port
    // (a link and its target) cannot both open it.
    const QFileInfo device(m_deviceName);
    const bool isPath = m_deviceName.startsWith(QLatin1Char('/'));
    if (isPath && !device.exists())
        return unavailable(kNotThere.text().arg(m_deviceName));
    port->setPortName(isPath ? device.canonicalFilePath() : m_deviceName);
    if (!port->open(QIODevice::ReadWrite)) {
        switch (port->error()) {
        case QSerialPort::DeviceNotFoundError:
            return unavailable(kNotThere.text().arg(m_deviceName));
        case QSerialPort::PermissionError:
            // Qt reports a port locked by another program as a permission
            // error; a device we may not open is told apart by its mode.
            return unavailable((isPath && !(device.isReadable() && device.isWritable()))
                    ? kNoPermission.text().arg(m_deviceName)
                    : kInUse.text().arg(m_deviceName));
        default:
            return unavailable(kCannotOpen.text().arg(m_deviceName, port->errorString()));
        }
    }
    if (!port->setBaudRate(m_timing.baud) || !port->setDataBits(QSerialPort::Data8)
        || !port->setParity(QSerialPort::NoParity) || !port->setStopBits(QSerialPort::OneStop)
        || !port->setFlowControl(QSerialPort::NoFlowControl))
        return unavailable(kCannotOpen.text().arg(m_deviceName, port->errorString()));
    // Some adapters power the instrument's interface from DTR. A
    // pseudo-terminal has no modem lines: that failure is harmless.
    port->setDataTerminalReady(true);
    port->clearError();
    port->clear(QSerialPort::AllDirections);
    connect(port.get(), &QSerialPort::errorOccurred, this, &SerialDeviceLink::onPortError);
    m_lineBroken = false;
    m_port = std::move(port);
    m_transport = std::make_unique<FrameTransport>(m_port.get(), m_timing);
    m_client = std::make_unique<LinkClient>(*m_transport);
    m_client->setProgress(m_progress);
    return {};
}

void SerialDeviceLink::closePort()
{
    if (m_client && m_client->identity())
        m_identity = m_client->identity();
    m_client.reset();
    m_transport.reset();
    if (m_port) {
        m_port->disconnect(this);
        m_port->close();
        m_port.reset();
    }
    m_lineBroken = false;
}

void SerialDeviceLink::onPortError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
        break;
    default:
        // Modem lines on a pseudo-terminal, a time-out of a blocking call:
        // nothing that stops the line.
        return;
    }
    // A vanished peer can raise the same error in a tight loop: act once,
    // and close the port later, never inside this handler.
    if (m_lineBroken)
        return;
    m_lineBroken = true;
    const QString reason = kUnplugged.text();
    if (m_port)
        m_port->disconnect(this);
    if (m_transport)
        m_transport->fail(reason);
    if (!m_busy) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_busy && m_lineBroken)
                    closePort();
            },
            Qt::QueuedConnection);
    }
}

LinkResult<> SerialDeviceLink::run(const std::function<bool(LinkClient &, QString *)> &operation)
{
    // A call from inside another call's wait (a timer of the window): the
    // line is in use.
    if (m_busy)
        return LinkFailure { LinkFault::Busy, kBusyLink.text() };
    if (auto opened = ensureOpen(); !opened)
        return opened;
    m_busy = true;
    QString error;
    const bool ok = operation(*m_client, &error);
    m_busy = false;
    if (ok)
        return {};
    LinkFailure failure { LinkFault::Refused, error };
    if (m_lineBroken || m_transport->failed())
        failure = { LinkFault::Unplugged, kUnplugged.text() };
    else if (m_transport->lastTimedOut())
        failure = { LinkFault::NoAnswer, lineFailureText() };
    // After a line error or a silent instrument, start afresh next time: the
    // device may have been replugged, and a half-read reply must not linger.
    if (failure.fault != LinkFault::Refused)
        closePort();
    return failure;
}

QString SerialDeviceLink::lineFailureText() const
{
    return (m_transport && m_transport->lastGarbled() ? kGarbled : kNoAnswer)
        .text()
        .arg(m_timing.baud);
}

DeviceLink::WriteCheck SerialDeviceLink::ConfirmLastWrite()
{
    // Nothing reached the instrument when the write did not get as far as
    // its first request.
    if (!m_lastWrite)
        return WriteCheck::NotStored;
    const LinkClient::WrittenState sent = *m_lastWrite;
    std::optional<Messages::PlanSummary> held;
    // A second try opens the port afresh, for a line that failed on the way.
    for (int attempt = 0; attempt < 2 && !held; ++attempt)
        (void)run([&](LinkClient &c, QString *e) {
            held = c.readSummary(e);
            return held.has_value();
        });
    if (!held)
        return WriteCheck::Unknown;
    const bool same = held->favorites == sent.favorites
        && (!sent.plan || (held->count == sent.count && held->planCrc == sent.planCrc));
    // The content alone could be an older plan that happens to be equal: the
    // commit count tells whether this write was committed.
    return same && held->generation != sent.generationBefore ? WriteCheck::Stored
                                                             : WriteCheck::NotStored;
}

LinkResult<> SerialDeviceLink::CheckConnection()
{
    return run([](LinkClient &c, QString *e) { return c.hello(e); });
}

LinkResult<LinkPlan> SerialDeviceLink::ReadPlan(qint32 selector)
{
    LinkPlan plan;
    if (auto read = run([&](LinkClient &c, QString *e) {
            return c.readPlan(selector, plan.records, plan.favorites, e);
        });
        !read)
        return read.failure();
    return plan;
}

LinkResult<FavoritesRecord> SerialDeviceLink::ReadFavorites()
{
    std::optional<Messages::PlanSummary> summary;
    if (auto read = run([&](LinkClient &c, QString *e) {
            summary = c.readSummary(e);
            return summary.has_value();
        });
        !read)
        return read.failure();
    return summary->favorites;
}

LinkResult<> SerialDeviceLink::WriteFavorites(const FavoritesRecord &favorites)
{
    m_lastWrite.reset();
    return run([&](LinkClient &c, QString *e) {
        const bool ok = c.writeFavorites(favorites, e);
        m_lastWrite = c.lastWrite();
        return ok;
    });
}

LinkResult<> SerialDeviceLink::WritePlan(
    const LinkRecordArray &records, qint32 selector, const FavoritesRecord &favorites)
{
    m_lastWrite.reset();
    return run([&](LinkClient &c, QString *e) {
        const bool ok = c.writePlan(records, selector, favorites, e);
        m_lastWrite = c.lastWrite();
        return ok;
    });
}

LinkResult<> SerialDeviceLink::EndTransfer()
{
    return run([](LinkClient &c, QString *e) { return c.endTransfer(e); });
}

} // namespace plandor
