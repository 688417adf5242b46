#pragma once

#include "store/PlanOrder.h"

#include <QString>

namespace plandor {

// The one place that names the plan's table and columns in the engine's SQL.
// Statements are built from these pieces inside the store; no SQL text
// crosses the store's interface.
class SqlDialect
{
public:
    static QString tableName() { return QStringLiteral("ChannelPlanUser"); }
    // The five columns in binding order: "ID, CHName, Type, Freq, Audio1".
    static QString columns();
    // The table as the store creates it when the file has none.
    static QString createTable();
    // The one INSERT: the row's identity (null for a new one) and its five values.
    static QString insertRow();
    // The settings panel and caption that go with the plan: one value a name.
    static QString detailsTableName() { return QStringLiteral("PlanDetails"); }
    static QString createDetailsTable();
    // An ORDER BY clause; rows the order does not tell apart keep their stored order.
    static QString orderBy(PlanOrder order);
};

} // namespace plandor
