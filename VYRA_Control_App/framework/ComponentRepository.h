#pragma once

#include <memory>
#include <vector>

#include "Component.h"

namespace Ulmar {

// The process-wide list of components, in registration order.
class ComponentRepository
{
public:
    using List = std::vector<std::shared_ptr<Component>>;
    using const_iterator = List::const_iterator;

    // Adds a component once; adding it again does nothing.
    static void Add(const std::shared_ptr<Component>& component);
    static void Remove(const std::shared_ptr<Component>& component);
    // Iteration is over a snapshot taken by Begin(); End() belongs to the same snapshot. The snapshot is
    // per thread and stays valid until the next Begin() on that thread, so Add/Remove during the loop (or
    // from other threads) never invalidate it; it keeps its components alive until then, until
    // ReleaseSnapshot(), or until the thread ends.
    static const_iterator Begin();
    static const_iterator End();
    // Drops this thread's snapshot (ComponentConfigurator::Shutdown does), so that components removed
    // from the repository are destroyed with the life cycle rather than at thread exit.
    static void ReleaseSnapshot();
    static List Components();

    template <typename T> static std::shared_ptr<T> FindFirst()
    {
        for (const auto& c : Components())
            if (auto t = std::dynamic_pointer_cast<T>(c))
                return t;
        return nullptr;
    }
};

} // namespace Ulmar
