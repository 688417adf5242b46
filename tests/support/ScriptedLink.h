#pragma once

#include "transfer/DeviceLink.h"

#include <QStringList>

#include <functional>

namespace plandor::test {

// A device link whose results the test sets and whose calls it records.
class ScriptedLink : public DeviceLink
{
public:
    LinkResult<> CheckConnection() override { return called("CheckConnection", connectionResult); }
    LinkResult<LinkPlan> ReadPlan(qint32) override
    {
        if (duringRead)
            duringRead();
        if (!called("ReadPlan", readResult))
            return failure();
        return LinkPlan { planToRead, favoritesToRead };
    }
    LinkResult<FavoritesRecord> ReadFavorites() override
    {
        if (!called("ReadFavorites", readResult))
            return failure();
        return favoritesToRead;
    }
    LinkResult<> WriteFavorites(const FavoritesRecord &favorites) override
    {
        writtenFavorites = favorites;
        return called("WriteFavorites", writeFavoritesResult);
    }
    LinkResult<> WritePlan(
        const LinkRecordArray &records, qint32, const FavoritesRecord &favorites) override
    {
        std::tie(writtenPlan, writtenFavorites) = std::pair(records, favorites);
        return called("WritePlan", writePlanResult);
    }
    LinkResult<> EndTransfer() override { return called("EndTransfer", endResult); }
    void SetPort(qint16 port) override { ports.append(called("SetPort", port)); }
    void SetOptions(const LinkOptions &options) override
    {
        calls.append(QStringLiteral("SetOptions"));
        if (!options.portName.isEmpty())
            portNames.append(options.portName);
        bauds.append(options.baud);
    }
    InstrumentInfo Instrument() const override { return {}; }
    LinkResult<InstrumentInfo> Identify() override { return InstrumentInfo {}; }
    WriteCheck ConfirmLastWrite() override { return WriteCheck::NotSupported; }
    void ReleasePort() override { }

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
    QList<qint32> bauds;
    LinkRecordArray writtenPlan;
    FavoritesRecord writtenFavorites;

private:
    LinkFailure failure() const { return { LinkFault::Refused, reason }; }
    LinkResult<> called(const char *name, bool result)
    {
        calls.append(QLatin1String(name));
        return result ? LinkResult<>() : LinkResult<>(failure());
    }
    template <typename T> T called(const char *name, T result)
    {
        calls.append(QLatin1String(name));
        return result;
    }
};

} // namespace plandor::test
