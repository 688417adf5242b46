#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"

#include <QString>

namespace plandor {

// The one object through which Plandor reaches the instrument. Every call is
// synchronous and tells whether it succeeded; lastError() says why it did not.
class DeviceLink
{
public:
    virtual ~DeviceLink() = default;

    virtual bool CheckConnection() = 0;
    // Sizes and fills records (its bounds are the link's) and favourites.
    virtual bool ReadPlan(qint32 selector, LinkRecordArray &records, FavoritesRecord &favorites)
        = 0;
    // The instrument's panel alone. A link that cannot ask for less reads
    // the whole plan for it.
    virtual bool ReadFavorites(FavoritesRecord &favorites)
    {
        LinkRecordArray records;
        return ReadPlan(0, records, favorites);
    }
    virtual bool WriteFavorites(FavoritesRecord &favorites) = 0;
    virtual bool WritePlan(
        const LinkRecordArray &records, qint32 selector, FavoritesRecord &favorites)
        = 0;
    // Makes the write just made permanent.
    virtual bool EndTransfer() = 0;
    // The port number chosen at start-up (COM3 gives 3).
    virtual void SetPort(qint16 port) = 0;

    // A port that has no COM number is also handed over by its device name,
    // so that the link opens the port the user chose.
    virtual void SetPortName(const QString &deviceName) { Q_UNUSED(deviceName) }
    // Why the last call failed, for the window to show; empty when it did not.
    virtual QString lastError() const { return {}; }
    // What the instrument says of itself (model and serial number), from the
    // last handshake or asked once after it; empty when it said nothing.
    // Names history entries.
    virtual QString InstrumentIdentity() { return {}; }

    // The line speed chosen at start-up (the Rate box); the port is opened
    // at this rate and the waits follow it.
    virtual void SetBaudRate(qint32 baud) { Q_UNUSED(baud) }

    // Whether the instrument now holds what the last WritePlan or
    // WriteFavorites sent, asked anew after the write and its end: the way
    // to learn the truth when an acknowledgement was lost.
    enum class WriteCheck {
        NotSupported, // this link cannot ask: trust the results of the calls
        Stored, // the instrument holds exactly what was sent, committed by this write
        NotStored, // it holds something else, or this write did not commit
        Unknown, // it did not answer
    };
    virtual WriteCheck ConfirmLastWrite() { return WriteCheck::NotSupported; }

    // The most channels the instrument takes, once it has said so; 0 before.
    virtual int InstrumentMaxChannels() const { return 0; }

    // Lets go of the port between transfers, so that another program
    // (plandor-cli, a terminal) can use the instrument while the window is
    // open; the next call opens it again. What the instrument said of itself
    // is kept.
    virtual void ReleasePort() { }
};

} // namespace plandor
