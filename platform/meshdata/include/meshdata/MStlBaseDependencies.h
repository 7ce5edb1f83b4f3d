#pragma once
// Objects attached to a mesh under keys that are unique across the process.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

class MStlBaseDependencies
{
public:
    // An index never handed out before in this process, valid as a key on every mesh.
    std::size_t GetNewDependencyIndex();

    void SetDependency(std::size_t index, std::shared_ptr<void> object);
    // Null when nothing is attached under index.
    std::shared_ptr<void> GetDependency(std::size_t index) const;
    void RemoveDependency(std::size_t index);

    // Test hook: when set, GetNewDependencyIndex calls it first (it may throw).
    static void SetIndexHook(std::function<void()> hook);

private:
    mutable std::mutex m_mutex;
    std::map<std::size_t, std::shared_ptr<void>> m_objects;
};
