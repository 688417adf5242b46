#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"
#include "transfer/serial/Messages.h"

#include <QString>

#include <functional>
#include <optional>

namespace plandor {

class FrameTransport;

// The PC's side of the protocol's operations over a FrameTransport: the
// handshake, reading the plan, staging a write and ending it. Each operation
// gives true, or false with the reason in error.
class LinkClient
{
public:
    using Progress = std::function<void(int done, int total)>;

    explicit LinkClient(FrameTransport &transport);

    // Always asks the instrument; refuses one that speaks no version of ours.
    bool hello(QString *error);
    // The instrument's model and serial number; asked for (from 1.2 on) only
    // when neither the handshake nor an earlier answer in this run gave them.
    std::optional<Messages::Identity> identify(QString *error);
    bool readPlan(
        qint32 selector, LinkRecordArray &records, FavoritesRecord &favorites, QString *error);
    bool writeFavorites(const FavoritesRecord &favorites, QString *error);
    bool writePlan(const LinkRecordArray &records, qint32 selector,
        const FavoritesRecord &favorites, QString *error);
    // Makes the last successful write permanent; there must be one. After a
    // panel write from 1.1 on, which the instrument stored at once, it sends
    // nothing.
    bool endTransfer(QString *error);

    // What the last write (plan or panel) of this client was to leave on the
    // instrument, and the commit count before it.
    struct WrittenState
    {
        bool plan = true; // else the panel alone
        quint16 count = 0;
        quint32 planCrc = 0;
        FavoritesRecord favorites;
        quint32 generationBefore = 0;
    };
    const std::optional<WrittenState> &lastWrite() const { return m_lastWrite; }
    // The instrument's plan header (count, CRC, generation, panel), asked
    // anew; a Hello first when no session is open.
    std::optional<Messages::PlanSummary> readSummary(QString *error);

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // A busy instrument is asked again after this pause, 30 times at most.
    static constexpr int kBusyPauseMs = 100;
    // For a harness that plays the instrument in memory: no real pause.
    void setBusyPause(int ms) { m_busyPauseMs = ms; }
    const std::optional<Messages::HelloReply> &identity() const { return m_identity; }

private:
    bool ensureSession(QString *error);
    // The reply of the expected type; a refusal or another type is an error.
    std::optional<QByteArray> request(protocol::MessageType type, const QByteArray &payload,
        protocol::MessageType replyType, int replyWireBytes, QString *error);
    bool acknowledged(protocol::MessageType type, const QByteArray &payload, QString *error);
    Messages::RecordLayout layout() const;
    void report(int done, int total) const;

    FrameTransport &m_transport;
    std::optional<Messages::HelloReply> m_identity;
    std::optional<Messages::Commitment> m_pending;
    bool m_panelStored = false; // a 1.1 panel write waits for no end
    std::optional<WrittenState> m_lastWrite;
    // Commits the instrument has made: from the handshake and every plan
    // header, counted on with each commit this client saw acknowledged.
    quint32 m_generation = 0;
    Progress m_progress;
    int m_busyPauseMs = kBusyPauseMs;
};

} // namespace plandor
