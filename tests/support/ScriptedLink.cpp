#include "ScriptedLink.h"

namespace plandor::test {

QVariant ScriptedLink::CheckConnection()
{
    calls.append(QStringLiteral("CheckConnection"));
    return connectionResult;
}

QVariant ScriptedLink::ReadPlan(qint32 selector, LinkRecordArray &records,
                                FavoritesRecord &favorites)
{
    calls.append(QStringLiteral("ReadPlan"));
    lastSelector = selector;
    if (LinkResult(readResult) != 0) {
        records = planToRead;
        favorites = favoritesToRead;
    }
    return readResult;
}

QVariant ScriptedLink::WriteFavorites(FavoritesRecord &favorites)
{
    calls.append(QStringLiteral("WriteFavorites"));
    writtenFavorites = favorites;
    return writeFavoritesResult;
}

QVariant ScriptedLink::WritePlan(const LinkRecordArray &records, qint32 selector,
                                 FavoritesRecord &favorites)
{
    calls.append(QStringLiteral("WritePlan"));
    writtenPlan = records;
    lastSelector = selector;
    writtenFavorites = favorites;
    return writePlanResult;
}

QVariant ScriptedLink::EndTransfer()
{
    calls.append(QStringLiteral("EndTransfer"));
    return endResult;
}

void ScriptedLink::SetPort(qint16 port)
{
    calls.append(QStringLiteral("SetPort"));
    ports.append(port);
}

void ScriptedLink::SetPortName(const QString &deviceName)
{
    calls.append(QStringLiteral("SetPortName"));
    portNames.append(deviceName);
}

} // namespace plandor::test
