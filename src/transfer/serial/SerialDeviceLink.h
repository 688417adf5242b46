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
// and the line speed give (docs/protocol.md).
class SerialDeviceLink : public QObject, public DeviceLink
{
    Q_OBJECT
public:
    explicit SerialDeviceLink(QObject *parent = nullptr);
    ~SerialDeviceLink() override;

    LinkResult<> CheckConnection() override;
    LinkResult<LinkPlan> ReadPlan(qint32 selector) override;
    // One ReadBegin: the panel comes with the plan's header.
    LinkResult<FavoritesRecord> ReadFavorites() override;
    LinkResult<> WriteFavorites(const FavoritesRecord &favorites) override;
    LinkResult<> WritePlan(
        const LinkRecordArray &records, qint32 selector, const FavoritesRecord &favorites) override;
    LinkResult<> EndTransfer() override;
    // COMn is the n-th serial device of the system: /dev/ttyS(n-1) on Linux.
    void SetPort(qint16 port) override;
    // A port name overrides SetPort's number until SetPort is called again.
    void SetOptions(const LinkOptions &options) override;
    InstrumentInfo Instrument() const override;
    LinkResult<InstrumentInfo> Identify() override;
    WriteCheck ConfirmLastWrite() override;
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
    LinkResult<> ensureOpen();
    void closePort();
    void onPortError(QSerialPort::SerialPortError error);
    // A failure of the line in words a technician acts on.
    QString lineFailureText() const;
    // Runs one operation on the open port and turns its outcome into a result.
    LinkResult<> run(const std::function<bool(LinkClient &, QString *)> &operation);

    LinkTiming m_timing;
    QString m_deviceName;
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
