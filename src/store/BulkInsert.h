#pragma once

#include "store/ChannelColumns.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace plandor {

// Appends many rows through the engine's own prepared statement, binding each
// value directly; the toolkit's per-value binding costs more than the engine
// itself on large plans. The one place that speaks to the engine's C API.
class BulkInsert
{
public:
    // Nothing when the rows went in, else the engine's reason. Unsupported
    // connections give a reason starting with "unsupported".
    static std::optional<QString> appendRows(const QSqlDatabase &db,
                                             const QList<ChannelValues> &rows);
    static bool supports(const QSqlDatabase &db);
};

} // namespace plandor
