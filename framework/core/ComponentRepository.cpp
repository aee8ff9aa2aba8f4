#include "ComponentRepository.h"

#include <algorithm>
#include <mutex>

namespace Ulmar {

namespace {

struct Registry
{
    std::mutex mutex;
    ComponentRepository::List components;
};

Registry& registry()
{
    // Components register from static initialisers of other translation units: construct on first use.
    static Registry instance;
    return instance;
}

// Begin() and End() iterate over this thread's snapshot, so that Add/Remove (from this loop or another
// thread) never invalidate the iterators. The snapshot keeps its components alive until the next Begin()
// on the same thread, or until the thread ends.
ComponentRepository::List& snapshot()
{
    thread_local ComponentRepository::List instance;
    return instance;
}

} // namespace

void ComponentRepository::Add(const std::shared_ptr<Component>& component)
{
    if (!component)
        return;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (std::find(r.components.begin(), r.components.end(), component) == r.components.end())
        r.components.push_back(component);
}

void ComponentRepository::Remove(const std::shared_ptr<Component>& component)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.components.erase(std::remove(r.components.begin(), r.components.end(), component), r.components.end());
}

ComponentRepository::const_iterator ComponentRepository::Begin()
{
    List& s = snapshot();
    s = Components();
    return s.cbegin();
}

ComponentRepository::const_iterator ComponentRepository::End()
{
    return snapshot().cend();
}

void ComponentRepository::ReleaseSnapshot()
{
    List().swap(snapshot());
}

ComponentRepository::List ComponentRepository::Components()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.components;
}

} // namespace Ulmar
