#include "store/SqlDialect.h"

namespace plandor {

QString SqlDialect::columns()
{
    return QStringLiteral("ID, CHName, Type, Freq, Audio1");
}

QString SqlDialect::createTable()
{
    // STRICT makes the engine refuse a text that is not a number in Freq or
    // Audio1 instead of storing it as text.
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (ID INTEGER, CHName TEXT, Type TEXT, "
                          "Freq REAL, Audio1 REAL) STRICT")
        .arg(tableName());
}

QString SqlDialect::createDetailsTable()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS %1 (Name TEXT PRIMARY KEY, Value TEXT) STRICT")
        .arg(detailsTableName());
}

QString SqlDialect::insertRow()
{
    return QStringLiteral("INSERT INTO %1 (rowid, %2) VALUES (?, ?, ?, ?, ?, ?)")
        .arg(tableName(), columns());
}

QString SqlDialect::orderBy(PlanOrder order)
{
    switch (order) {
    case PlanOrder::ByFreq:
        return QStringLiteral("ORDER BY Freq, rowid");
    case PlanOrder::ById:
        return QStringLiteral("ORDER BY ID, rowid");
    case PlanOrder::Stored:
        break;
    }
    return QStringLiteral("ORDER BY rowid");
}

} // namespace plandor
