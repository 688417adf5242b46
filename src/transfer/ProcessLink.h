#pragma once

#include "transfer/DeviceLink.h"

#include <functional>
#include <memory>

namespace plandor {

// The process-wide link: created once, when the start-up window loads, and
// kept until the process ends.
class ProcessLink
{
public:
    using Factory = std::function<std::unique_ptr<DeviceLink>()>;

    // The link, or null before the start-up window has loaded.
    static DeviceLink *get();
    // Creates the link with the factory unless it exists already.
    static DeviceLink *ensure();
    static void setFactory(Factory factory);
    // Installs a link directly (tests, the command-line client).
    static void set(std::unique_ptr<DeviceLink> link);
    static void reset();
};

} // namespace plandor
