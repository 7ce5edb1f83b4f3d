#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "trees/DependencyTypeIndex.h"
#include "trees/detail/DependencyTypeIndexSlot.h"

using MeshQueries::DependencyTypeIndexSlot;
namespace Keys = MeshQueries::DependencyKeys;

namespace
{

// Counts the registry's index requests and optionally makes them fail; removed on destruction.
class RegistryHook
{
public:
    explicit RegistryHook(bool failing = false) : m_failing(failing)
    {
        MStlBaseDependencies::SetIndexHook(
            [this]
            {
                ++m_calls;
                if (m_failing) throw std::runtime_error("registry unavailable");
            });
    }
    ~RegistryHook() { MStlBaseDependencies::SetIndexHook({}); }
    RegistryHook(RegistryHook const&) = delete;
    RegistryHook& operator=(RegistryHook const&) = delete;

    int Calls() const { return m_calls; }
    void SetFailing(bool failing) { m_failing = failing; }

private:
    std::atomic<int> m_calls{0};
    std::atomic<bool> m_failing;
};

using IndexFunction = std::size_t (*)(MStlBase const*);

std::vector<IndexFunction> AllInstances()
{
    return {&GetDepTypeIndex<Keys::TriangleTreeOfStlConst>,
            &GetDepTypeIndex<Keys::TriangleTreeOfStl>,
            &GetDepTypeIndex<Keys::TriangleTreeOfVisibleConst>,
            &GetDepTypeIndex<Keys::TriangleTreeOfMarked>,
            &GetDepTypeIndex<Keys::TriangleTreeOfSurface>,
            &GetDepTypeIndex<Keys::TriangleTreeOfSurfaceConst>,
            &GetDepTypeIndex<Keys::TriangleTreeOfFeature>,
            &GetDepTypeIndex<Keys::TriangleTreeOfFeatureConst>,
            &GetDepTypeIndex<Keys::TriangleTreeOfMarkedTrianglesConst>,
            &GetDepTypeIndex<Keys::TriangleTreeOfBitMaskTriangles>,
            &GetDepTypeIndex<Keys::TriangleTreeOfBitMaskTrianglesConst>,
            &GetDepTypeIndex<Keys::PointTreeOfStlConst>,
            &GetDepTypeIndex<Keys::PointTreeOfStl>,
            &GetDepTypeIndex<Keys::GraphEdgeTreeOfStlConst>,
            &GetDepTypeIndex<Keys::GraphEdgeTreeOfStl>,
            &GetDepTypeIndex<Keys::GraphEdgeWithoutThicknessTreeOfStlConst>,
            &GetDepTypeIndex<Keys::GraphEdgeWithoutThicknessTreeOfStl>,
            &GetDepTypeIndex<Keys::TriangleTreeMutableOfStlConst>,
            &GetDepTypeIndex<Keys::TriangleTreeMutableOfStl>};
}

} // namespace

// One index per slot, taken from the first mesh and never asked for again; a null mesh before that is
// refused, and a registry failure leaves the slot empty so that the next call asks again.
TEST(DependencyTypeIndexSlot, TakesOneIndexOnceAndAsksAgainAfterAFailure)
{
    MStlBase first, second;
    RegistryHook hook(true);
    DependencyTypeIndexSlot slot;
    EXPECT_THROW(slot.Get(&first), std::runtime_error);
    EXPECT_EQ(hook.Calls(), 1);
    try
    {
        slot.Get(nullptr);
        FAIL() << "no exception";
    }
    catch (std::invalid_argument const& e)
    {
        EXPECT_STREQ(e.what(), "ip_mesh");
    }
    hook.SetFailing(false);
    std::size_t const index = slot.Get(&first);
    EXPECT_EQ(slot.Get(&second), index);
    EXPECT_EQ(slot.Get(nullptr), index);
    EXPECT_EQ(hook.Calls(), 2);
    EXPECT_NE(DependencyTypeIndexSlot().Get(&second), index);
}

TEST(DependencyTypeIndexSlot, ConcurrentFirstCallsTakeASingleIndex)
{
    for (int round = 0; round < 20; ++round)
    {
        MStlBase mesh;
        RegistryHook hook;
        DependencyTypeIndexSlot slot;
        std::atomic<int> waiting{0};
        int const threads = 8;
        std::vector<std::size_t> results(threads);
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back(
                [&, t]
                {
                    ++waiting;
                    while (waiting.load() < threads) std::this_thread::yield();
                    results[t] = slot.Get(&mesh);
                });
        for (auto& w : workers) w.join();
        EXPECT_EQ(hook.Calls(), 1);
        for (std::size_t r : results) EXPECT_EQ(r, results[0]);
    }
}

TEST(GetDepTypeIndex, NineteenDistinctKeysSharedByEveryMeshUnderWhichPropertiesAttach)
{
    MStlBase first, second;
    std::set<std::size_t> keys;
    for (IndexFunction f : AllInstances())
    {
        std::size_t const key = f(&first);
        keys.insert(key);
        EXPECT_EQ(f(&second), key);
        EXPECT_EQ(f(nullptr), key);
    }
    EXPECT_EQ(keys.size(), 19u);

    // Properties attach to one mesh under their own key.
    MStlBase mesh, other;
    EXPECT_EQ(Keys::TriangleTreeOfStlConst::Find(&mesh), nullptr);
    Keys::TriangleTreeOfStlConst::Attach(&mesh, {});
    Keys::PointTreeOfStl::Attach(&mesh, {});
    auto const attached = Keys::TriangleTreeOfStlConst::Find(&mesh);
    ASSERT_NE(attached, nullptr);
    EXPECT_NE(Keys::PointTreeOfStl::Find(&mesh), nullptr);
    EXPECT_NE(static_cast<void const*>(Keys::PointTreeOfStl::Find(&mesh).get()),
              static_cast<void const*>(attached.get()));
    EXPECT_EQ(Keys::TriangleTreeOfStl::Find(&mesh), nullptr);
    EXPECT_EQ(Keys::TriangleTreeOfStlConst::Find(&other), nullptr);
    Keys::TriangleTreeOfFeatureConst::Attach(&other, {});
    EXPECT_NE(Keys::TriangleTreeOfFeatureConst::Find(&other), nullptr);
    EXPECT_EQ(Keys::TriangleTreeOfFeatureConst::Find(&mesh), nullptr);
}
