#pragma once

#include "transfer/FavoritesRecord.h"
#include "transfer/LinkRecord.h"

#include <QString>

#include <optional>

namespace plandor {

// What a channel record and a panel on the line may hold (docs/protocol.md,
// "Content rules"): the instrument refuses a write that breaks them, and the
// PC refuses a plan read that breaks them. Each gives the refusal text, naming
// the channel and the field, or nothing when the values pass.
namespace ContentRules {

// The record at index (from 0) of a plan.
std::optional<QString> refuseRecord(const LinkRecord &record, int index);
std::optional<QString> refusePanel(const FavoritesRecord &favorites);

} // namespace ContentRules
} // namespace plandor
