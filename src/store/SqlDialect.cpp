#include "store/SqlDialect.h"

#include <QRegularExpression>

namespace plandor {

QString SqlDialect::translate(const QString &statement)
{
    QString sql = statement.trimmed();
    // "DELETE * FROM t ..." -> "DELETE FROM t ..."
    static const QRegularExpression deleteStar(QStringLiteral("^delete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    sql.replace(deleteStar, QStringLiteral("DELETE FROM"));
    // A table opened by its name (" ChannelPlanUser ") reads the whole table.
    if (sql.compare(tableName(), Qt::CaseInsensitive) == 0)
        sql = QStringLiteral("SELECT * FROM ") + tableName();
    return sql;
}

QString SqlDialect::selectWithRowId(const QString &statementOrTable)
{
    QString sql = translate(statementOrTable);
    static const QRegularExpression selectStar(QStringLiteral("^select\\s+\\*"),
                                               QRegularExpression::CaseInsensitiveOption);
    sql.replace(selectStar, QStringLiteral("SELECT rowid, *"));
    return sql;
}

} // namespace plandor
