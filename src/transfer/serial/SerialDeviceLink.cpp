#include "transfer/serial/SerialDeviceLink.h"

#include "transfer/serial/FrameTransport.h"

#include <QMetaObject>

namespace plandor {

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
    m_deviceName = deviceForPortNumber(port);
}

void SerialDeviceLink::SetPortName(const QString &deviceName)
{
    closePort();
    if (!deviceName.trimmed().isEmpty())
        m_deviceName = deviceName.trimmed();
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

std::optional<Messages::HelloReply> SerialDeviceLink::identity() const
{
    return m_client ? m_client->identity() : std::nullopt;
}

bool SerialDeviceLink::ensureOpen()
{
    if (m_port && m_port->isOpen() && !m_lineBroken)
        return true;
    closePort();
    if (m_deviceName.isEmpty()) {
        m_lastError = QStringLiteral("no serial port chosen");
        return false;
    }
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(m_deviceName);
    if (!port->open(QIODevice::ReadWrite)) {
        m_lastError = QStringLiteral("cannot open %1: %2").arg(m_deviceName, port->errorString());
        return false;
    }
    if (!port->setBaudRate(m_timing.baud) || !port->setDataBits(QSerialPort::Data8)
        || !port->setParity(QSerialPort::NoParity) || !port->setStopBits(QSerialPort::OneStop)
        || !port->setFlowControl(QSerialPort::NoFlowControl)) {
        m_lastError = QStringLiteral("cannot set up %1: %2").arg(m_deviceName, port->errorString());
        return false;
    }
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
    return true;
}

void SerialDeviceLink::closePort()
{
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
    const QString reason = QStringLiteral("the line to %1 failed: %2")
                               .arg(m_deviceName, m_port ? m_port->errorString() : QString());
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

bool SerialDeviceLink::run(const std::function<bool(LinkClient &, QString *)> &operation)
{
    if (m_busy) {
        // A call from inside another call's wait (a timer of the window):
        // the line is in use.
        m_lastError = QStringLiteral("the link is busy with another call");
        return false;
    }
    m_lastError.clear();
    if (!ensureOpen())
        return false;
    m_busy = true;
    QString error;
    const bool ok = operation(*m_client, &error);
    m_busy = false;
    if (ok)
        return true;
    m_lastError = error.isEmpty() ? QStringLiteral("the call failed") : error;
    // After a line error or a silent instrument, start afresh next time: the
    // device may have been replugged, and a half-read reply must not linger.
    if (m_lineBroken || m_transport->failed() || m_transport->lastTimedOut())
        closePort();
    return false;
}

bool SerialDeviceLink::CheckConnection()
{
    return run([](LinkClient &c, QString *e) { return c.hello(e); });
}

bool SerialDeviceLink::ReadPlan(
    qint32 selector, LinkRecordArray &records, FavoritesRecord &favorites)
{
    return run(
        [&](LinkClient &c, QString *e) { return c.readPlan(selector, records, favorites, e); });
}

bool SerialDeviceLink::WriteFavorites(FavoritesRecord &favorites)
{
    return run([&](LinkClient &c, QString *e) { return c.writeFavorites(favorites, e); });
}

bool SerialDeviceLink::WritePlan(
    const LinkRecordArray &records, qint32 selector, FavoritesRecord &favorites)
{
    return run(
        [&](LinkClient &c, QString *e) { return c.writePlan(records, selector, favorites, e); });
}

bool SerialDeviceLink::EndTransfer()
{
    return run([](LinkClient &c, QString *e) { return c.endTransfer(e); });
}

} // namespace plandor
