#include "transfer/ProcessLink.h"

namespace plandor {
namespace {
std::unique_ptr<DeviceLink> &instance()
{
    static std::unique_ptr<DeviceLink> link;
    return link;
}
ProcessLink::Factory &factory()
{
    static ProcessLink::Factory f;
    return f;
}
} // namespace

DeviceLink *ProcessLink::get()
{
    return instance().get();
}

DeviceLink *ProcessLink::ensure()
{
    if (!instance() && factory())
        instance() = factory()();
    return instance().get();
}

void ProcessLink::setFactory(Factory f)
{
    factory() = std::move(f);
}

void ProcessLink::set(std::unique_ptr<DeviceLink> link)
{
    instance() = std::move(link);
}

void ProcessLink::reset()
{
    instance().reset();
}

} // namespace plandor
