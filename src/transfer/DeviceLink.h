#pragma once

#include "base/Result.h"
#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"

#include <QString>

namespace plandor {

// Why a call to the instrument failed.
enum class LinkFault {
    NoPort, // no port was chosen
    PortUnavailable, // missing, in use by another program, or not ours to open
    NoAnswer, // nothing came back in time, or nothing readable at this rate
    Unplugged, // the line went away during the call
    Refused, // the instrument answered no, or in a way we do not speak
    Busy, // a call was made from inside another call's wait
};

template <typename T = void> using LinkResult = Result<T, LinkFault>;
using LinkFailure = Failure<LinkFault>;

// A plan as it crosses the link: records and the panel.
struct LinkPlan
{
    LinkRecordArray records;
    FavoritesRecord favorites {};
};

// How the link reaches the port beyond the start-up window's port number.
struct LinkOptions
{
    // A device path or a name as the system lists it; when set it wins over
    // the port number, so that a port without a COM number can be used.
    QString portName;
    // The line speed; 0 keeps the protocol's default.
    qint32 baud = 0;
};

// What the instrument said of itself.
struct InstrumentInfo
{
    QString identity; // model and serial number; empty when it said nothing
    int maxChannels = 0; // 0 before it said so
};

// The one object through which Plandor reaches the instrument. Every call is
// synchronous and gives its value or why it failed.
class DeviceLink
{
public:
    virtual ~DeviceLink() = default;

    virtual LinkResult<> CheckConnection() = 0;
    virtual LinkResult<LinkPlan> ReadPlan(qint32 selector) = 0;
    // The instrument's panel alone.
    virtual LinkResult<FavoritesRecord> ReadFavorites() = 0;
    virtual LinkResult<> WriteFavorites(const FavoritesRecord &favorites) = 0;
    virtual LinkResult<> WritePlan(
        const LinkRecordArray &records, qint32 selector, const FavoritesRecord &favorites)
        = 0;
    // Makes the write just made permanent.
    virtual LinkResult<> EndTransfer() = 0;
    // The port number chosen at start-up (COM3 gives 3).
    virtual void SetPort(qint16 port) = 0;
    virtual void SetOptions(const LinkOptions &options) = 0;
    // What the last handshake told (the name only when it came with it or
    // was asked for before).
    virtual InstrumentInfo Instrument() const = 0;
    // The same with the instrument's name, asked for once when the handshake
    // did not give it. Names history entries.
    virtual LinkResult<InstrumentInfo> Identify() = 0;

    // Whether the instrument now holds what the last WritePlan or
    // WriteFavorites sent, asked anew after the write and its end: the way
    // to learn the truth when an acknowledgement was lost.
    enum class WriteCheck {
        NotSupported, // this link cannot ask: trust the results of the calls
        Stored, // the instrument holds exactly what was sent, committed by this write
        NotStored, // it holds something else, or this write did not commit
        Unknown, // it did not answer
    };
    virtual WriteCheck ConfirmLastWrite() = 0;

    // Lets go of the port between transfers, so that another program
    // (plandor-cli, a terminal) can use the instrument while the window is
    // open; the next call opens it again. What the instrument said of itself
    // is kept.
    virtual void ReleasePort() = 0;
};

} // namespace plandor
