#pragma once

#include "rules/PanelTexts.h"
#include "store/ChannelColumns.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

#include <optional>

namespace plandor::cli {

// The pieces of a plan in --json output; the README lists the shapes.

// {"number", "name", "type", "frequencyMHz", "audioMHz"} as the plan file
// holds them (audioMHz is the AUDIO column: the sound carrier of an analogue
// channel, the bandwidth of a digital one); a field without a value is null.
QJsonObject channelJson(const ChannelValues &row);
QJsonArray channelsJson(const QList<ChannelValues> &rows);

// {"favorites": [six numbers], "unit": "dBmV"|"dBuV"|null, "bandwidthMHz"}
// as the instrument holds the panel; null for no panel.
QJsonValue panelJson(const std::optional<PanelTexts> &panel);

} // namespace plandor::cli
