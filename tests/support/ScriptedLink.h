#pragma once

#include "transfer/DeviceLink.h"

#include <QStringList>

#include <functional>

namespace plandor::test {

// A device link whose results the test sets and whose calls it records.
class ScriptedLink : public DeviceLink
{
public:
    bool CheckConnection() override { return called("CheckConnection", connectionResult); }
    bool ReadPlan(qint32, LinkRecordArray &records, FavoritesRecord &favorites) override
    {
        if (duringRead)
            duringRead();
        if (readResult)
            std::tie(records, favorites) = std::pair(planToRead, favoritesToRead);
        return called("ReadPlan", readResult);
    }
    bool WriteFavorites(FavoritesRecord &favorites) override
    {
        writtenFavorites = favorites;
        return called("WriteFavorites", writeFavoritesResult);
    }
    bool WritePlan(const LinkRecordArray &records, qint32, FavoritesRecord &favorites) override
    {
        std::tie(writtenPlan, writtenFavorites) = std::pair(records, favorites);
        return called("WritePlan", writePlanResult);
    }
    bool EndTransfer() override { return called("EndTransfer", endResult); }
    void SetPort(qint16 port) override { ports.append(called("SetPort", port)); }
    void SetPortName(const QString &n) override { portNames.append(called("SetPortName", n)); }
    QString lastError() const override { return reason; }

    // Results to give, and the reason a failed call gives.
    bool connectionResult = true, readResult = true, writeFavoritesResult = true,
         writePlanResult = true, endResult = true;
    QString reason;
    // What ReadPlan hands out, and what it runs first (as a link waiting for
    // the instrument runs the window's events).
    LinkRecordArray planToRead;
    FavoritesRecord favoritesToRead;
    std::function<void()> duringRead;

    // What was called and handed in.
    QStringList calls;
    QList<qint16> ports;
    QStringList portNames;
    LinkRecordArray writtenPlan;
    FavoritesRecord writtenFavorites;

private:
    template <typename T> T called(const char *name, T result)
    {
        calls.append(QLatin1String(name));
        return result;
    }
};

} // namespace plandor::test
