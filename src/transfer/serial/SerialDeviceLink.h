#pragma once

#include "transfer/DeviceLink.h"
#include "transfer/serial/LinkClient.h"
#include "transfer/serial/LinkTiming.h"

#include <QObject>
#include <QSerialPort>

#include <functional>
#include <memory>

namespace plandor {

class FrameTransport;

// The device link over a serial port. The port is opened when a call first
// needs it and kept open; a line error or a call that got no answer closes it,
// and the next call opens it again, so the link recovers when an adapter is
// unplugged and plugged back. Every call ends within the bound that its frames
// and the line speed give (docs/protocol.md); a failure is a 0 result and
// lastError() tells why.
class SerialDeviceLink : public QObject, public DeviceLink
{
    Q_OBJECT
public:
    explicit SerialDeviceLink(QObject *parent = nullptr);
    ~SerialDeviceLink() override;

    bool CheckConnection() override;
    bool ReadPlan(qint32 selector, LinkRecordArray &records, FavoritesRecord &favorites) override;
    // One ReadBegin: the panel comes with the plan's header.
    bool ReadFavorites(FavoritesRecord &favorites) override;
    bool WriteFavorites(FavoritesRecord &favorites) override;
    bool WritePlan(
        const LinkRecordArray &records, qint32 selector, FavoritesRecord &favorites) override;
    bool EndTransfer() override;
    // COMn is the n-th serial device of the system: /dev/ttyS(n-1) on Linux.
    void SetPort(qint16 port) override;
    // A device path (or a name as the system lists it); overrides SetPort's
    // number until SetPort is called again.
    void SetPortName(const QString &deviceName) override;
    QString lastError() const override { return m_lastError; }
    QString InstrumentIdentity() override;
    void SetBaudRate(qint32 baud) override;
    WriteCheck ConfirmLastWrite() override;
    int InstrumentMaxChannels() const override;
    void ReleasePort() override;

    // The device a port number names on this system; empty for 0 or less.
    static QString deviceForPortNumber(qint16 port);
    // The device the next call opens.
    QString deviceName() const { return m_deviceName; }

    void setTiming(const LinkTiming &timing);
    const LinkTiming &timing() const { return m_timing; }
    void setProgress(LinkClient::Progress progress);
    // What the instrument said of itself in the last handshake.
    std::optional<Messages::HelloReply> identity() const;
    // The transport of the open port, for measurements; null when closed.
    const FrameTransport *transport() const { return m_transport.get(); }

private:
    bool ensureOpen();
    void closePort();
    void onPortError(QSerialPort::SerialPortError error);
    // A failure of the line in words a technician acts on.
    QString lineFailureText() const;
    // Runs one operation on the open port and turns its outcome into a result.
    bool run(const std::function<bool(LinkClient &, QString *)> &operation);

    LinkTiming m_timing;
    QString m_deviceName;
    QString m_lastError;
    LinkClient::Progress m_progress;
    std::unique_ptr<QSerialPort> m_port;
    std::unique_ptr<FrameTransport> m_transport;
    std::unique_ptr<LinkClient> m_client;
    std::optional<LinkClient::WrittenState> m_lastWrite;
    // The last handshake's answer, kept when the port is closed.
    std::optional<Messages::HelloReply> m_identity;
    bool m_busy = false;
    bool m_lineBroken = false;
};

} // namespace plandor
