#pragma once

#include <QLoggingCategory>

// Plandor's logging categories, silent unless asked for (a trace file, or
// QT_LOGGING_RULES="plandor.*.debug=true"): every frame on the serial line,
// the store's connection, the transfers' outcomes.
Q_DECLARE_LOGGING_CATEGORY(plandorLink)
Q_DECLARE_LOGGING_CATEGORY(plandorStore)
Q_DECLARE_LOGGING_CATEGORY(plandorTransfer)
