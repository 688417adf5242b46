#pragma once

#include <QString>

namespace plandor {

// The statements of the plan are written in the desktop database's dialect
// ("delete * from ChannelPlanUser", "DELETE * FROM ChannelPlanUser WHERE ID=3",
// a table opened by its name). This is the one place that turns them into
// the embedded engine's SQL; column names already match without regard to case.
class SqlDialect
{
public:
    // A statement as the engine runs it.
    static QString translate(const QString &statement);
    // A SELECT, or a bare table name, as a query that also yields each row's
    // identity (the engine's rowid) as its first column.
    static QString selectWithRowId(const QString &statementOrTable);
    static QString tableName() { return QStringLiteral("ChannelPlanUser"); }
};

} // namespace plandor
