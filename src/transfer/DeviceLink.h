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
    virtual bool ReadPlan(qint32 selector, LinkRecordArray &records,
                              FavoritesRecord &favorites) = 0;
    virtual bool WriteFavorites(FavoritesRecord &favorites) = 0;
    virtual bool WritePlan(const LinkRecordArray &records, qint32 selector,
                               FavoritesRecord &favorites) = 0;
    // Makes the write just made permanent.
    virtual bool EndTransfer() = 0;
    // The port number chosen at start-up (COM3 gives 3).
    virtual void SetPort(qint16 port) = 0;

    // A port that has no COM number is also handed over by its device name,
    // so that the link opens the port the user chose.
    virtual void SetPortName(const QString &deviceName) { Q_UNUSED(deviceName) }
    // Why the last call failed, for the window to show; empty when it did not.
    virtual QString lastError() const { return {}; }
};

} // namespace plandor
