#pragma once

#include "transfer/DeviceLink.h"

#include <QStringList>

namespace plandor::test {

// A device link whose results the test sets and whose calls it records.
class ScriptedLink : public DeviceLink
{
public:
    QVariant CheckConnection() override;
    QVariant ReadPlan(qint32 selector, LinkRecordArray &records,
                      FavoritesRecord &favorites) override;
    QVariant WriteFavorites(FavoritesRecord &favorites) override;
    QVariant WritePlan(const LinkRecordArray &records, qint32 selector,
                       FavoritesRecord &favorites) override;
    QVariant EndTransfer() override;
    void SetPort(qint16 port) override;
    void SetPortName(const QString &deviceName) override;

    // Results to give.
    QVariant connectionResult = 1;
    QVariant readResult = 1;
    QVariant writeFavoritesResult = 1;
    QVariant writePlanResult = 1;
    QVariant endResult = 1;
    // What ReadPlan hands out.
    LinkRecordArray planToRead;
    FavoritesRecord favoritesToRead;

    // What was called and handed in.
    QStringList calls;
    QList<qint16> ports;
    QStringList portNames;
    LinkRecordArray writtenPlan;
    FavoritesRecord writtenFavorites;
    qint32 lastSelector = -1;
};

} // namespace plandor::test
