#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"

#include <QString>
#include <QVariant>

namespace plandor {

// The one object through which Plandor reaches the instrument. Every call is
// synchronous. A result equal to 0, or an empty (invalid) variant, is a
// failure; any other value is success. Callers go only by the result.
class DeviceLink
{
public:
    virtual ~DeviceLink() = default;

    virtual QVariant CheckConnection() = 0;
    // Sizes and fills records (its bounds are the link's) and favourites.
    virtual QVariant ReadPlan(qint32 selector, LinkRecordArray &records,
                              FavoritesRecord &favorites) = 0;
    virtual QVariant WriteFavorites(FavoritesRecord &favorites) = 0;
    virtual QVariant WritePlan(const LinkRecordArray &records, qint32 selector,
                               FavoritesRecord &favorites) = 0;
    // Makes the write just made permanent.
    virtual QVariant EndTransfer() = 0;
    // The port number chosen at start-up (COM3 gives 3).
    virtual void SetPort(qint16 port) = 0;

    // A port that has no COM number is also handed over by its device name,
    // so that the link opens the port the user chose.
    virtual void SetPortName(const QString &deviceName) { Q_UNUSED(deviceName) }
    // Why the last call failed, for the window to show; empty when it did not.
    virtual QString lastError() const { return {}; }
};

// A link result as a 16-bit integer: empty or non-numeric reads as 0.
qint16 LinkResult(const QVariant &result);

} // namespace plandor
