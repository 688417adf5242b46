#include "ScriptedLink.h"

namespace plandor::test {

bool ScriptedLink::CheckConnection()
{
    calls.append(QStringLiteral("CheckConnection"));
    return connectionResult;
}

bool ScriptedLink::ReadPlan(qint32, LinkRecordArray &records, FavoritesRecord &favorites)
{
    calls.append(QStringLiteral("ReadPlan"));
    if (readResult) {
        records = planToRead;
        favorites = favoritesToRead;
    }
    return readResult;
}

bool ScriptedLink::WriteFavorites(FavoritesRecord &favorites)
{
    calls.append(QStringLiteral("WriteFavorites"));
    writtenFavorites = favorites;
    return writeFavoritesResult;
}

bool ScriptedLink::WritePlan(const LinkRecordArray &records, qint32, FavoritesRecord &favorites)
{
    calls.append(QStringLiteral("WritePlan"));
    writtenPlan = records;
    writtenFavorites = favorites;
    return writePlanResult;
}

bool ScriptedLink::EndTransfer()
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
