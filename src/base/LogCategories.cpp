#include "base/LogCategories.h"

Q_LOGGING_CATEGORY(plandorLink, "plandor.link", QtInfoMsg)
Q_LOGGING_CATEGORY(plandorStore, "plandor.store", QtInfoMsg)
Q_LOGGING_CATEGORY(plandorTransfer, "plandor.transfer", QtInfoMsg)
