#pragma once

#include "transfer/DeviceLink.h"

#include <QStringList>

namespace plandor::test {

// A device link whose results the test sets and whose calls it records.
class ScriptedLink : public DeviceLink
{
public:
    bool CheckConnection() override;
    bool ReadPlan(qint32 selector, LinkRecordArray &records, FavoritesRecord &favorites) override;
    bool WriteFavorites(FavoritesRecord &favorites) override;
    bool WritePlan(
        const LinkRecordArray &records, qint32 selector, FavoritesRecord &favorites) override;
    bool EndTransfer() override;
    void SetPort(qint16 port) override;
    void SetPortName(const QString &deviceName) override;

    // Results to give.
    bool connectionResult = true;
    bool readResult = true;
    bool writeFavoritesResult = true;
    bool writePlanResult = true;
    bool endResult = true;
    // What ReadPlan hands out.
    LinkRecordArray planToRead;
    FavoritesRecord favoritesToRead;

    // What was called and handed in.
    QStringList calls;
    QList<qint16> ports;
    QStringList portNames;
    LinkRecordArray writtenPlan;
    FavoritesRecord writtenFavorites;
};

} // namespace plandor::test
