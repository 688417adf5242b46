#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"
#include "transfer/serial/Framing.h"
#include "transfer/serial/Protocol.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace plandor {

// What the instrument keeps: its channel plan and its settings panel.
struct InstrumentPlan
{
    QList<LinkRecord> records;
    // Before any write: no favourite, no span, dBmV (a panel the content
    // rules accept, so that a plan read from a new instrument goes back).
    FavoritesRecord favorites { 0, 0, 0, 0, 0, 0, 0, kUnitDbmV, 0 };
    quint32 generation = 1;

    friend bool operator==(const InstrumentPlan &, const InstrumentPlan &) = default;
};

// The instrument's end of the protocol (docs/protocol.md), the reference for
// firmware: answers each request frame. Plan writes go to a staging area;
// only EndTransfer with the right count and whole-plan CRC replaces the kept
// plan, and only if the store hook accepts it. From 1.1 on a panel write is
// stored at once; in 1.2 the batch that completes a write is checked as it
// arrives. A request that repeats the last one (same sequence
// number, type and payload) gets the cached reply again without being carried
// out twice; a Hello is always carried out.
class InstrumentSide
{
public:
    // Called with the plan about to be kept; false refuses the commit (the
    // kept plan stays as it was).
    using StoreHook = std::function<bool(const InstrumentPlan &)>;

    explicit InstrumentSide(InstrumentPlan plan = {});

    // The reply to one request; nothing for a frame that needs none.
    std::optional<Frame> handle(const Frame &request);
    // Bytes in, reply bytes out: framing, then handle() for each frame.
    QByteArray feed(QByteArrayView bytes);

    const InstrumentPlan &plan() const { return m_plan; }
    void setStoreHook(StoreHook hook) { m_store = std::move(hook); }
    void setRefuseWrites(bool refuse) { m_refuseWrites = refuse; }
    // The newest version this instrument speaks (1 imitates 1.0 firmware);
    // a version above ours is spoken alone (imitates a newer, incompatible one).
    void setVersion(quint8 version) { m_version = version; }
    void setMaxChannels(quint16 n) { m_maxChannels = n; }
    void setIdentity(const QString &model, const QString &serial);
    bool hasStaging() const { return m_staged != Staged::None; }
    // The version of the session the last Hello opened (1 before any).
    quint8 sessionVersion() const { return m_session; }

    // The content rules; a refusal text, or nothing when the values pass.
    static std::optional<QString> refuseRecord(const LinkRecord &record, int index);
    static std::optional<QString> refusePanel(const FavoritesRecord &favorites);

private:
    enum class Staged { None, Plan, Favorites };

    Frame reply(const Frame &request);
    Frame ack(const Frame &request) const;
    Frame nak(const Frame &request, protocol::NakReason reason, const QString &text) const;
    // The reason a content refusal gives: 11, or 2 from 1.0 firmware.
    protocol::NakReason contentRefusal() const;
    Frame onHello(const Frame &request);
    Frame onReadBegin(const Frame &request) const;
    Frame onReadRecords(const Frame &request) const;
    Frame onWriteFavorites(const Frame &request);
    Frame onWriteBegin(const Frame &request);
    Frame onWriteRecords(const Frame &request);
    Frame onWriteCheck(const Frame &request);
    Frame onEndTransfer(const Frame &request);
    Frame onIdentify(const Frame &request) const;
    // Appends records from index first to the plan being staged, checked.
    Frame stageRecords(const Frame &request, quint16 first, const QList<LinkRecord> &records);
    bool commit(InstrumentPlan next);
    void discardStaging();

    InstrumentPlan m_plan;
    StoreHook m_store;
    bool m_refuseWrites = false;
    quint8 m_version = protocol::kVersionMax;
    quint8 m_session = 1;
    quint16 m_maxChannels = protocol::kMaxChannels;
    QString m_model = QStringLiteral("Simulated meter");
    QString m_serial = QStringLiteral("SIM-0001");

    Staged m_staged = Staged::None;
    bool m_stagedChecked = false;
    quint16 m_stagedCount = 0;
    quint32 m_stagedCrc = 0;
    FavoritesRecord m_stagedFavorites;
    QList<LinkRecord> m_stagedRecords;

    std::optional<Frame> m_lastRequest;
    Frame m_lastReply;
    FrameDecoder m_decoder;
};

} // namespace plandor
