// Change notifications: which events arrive, when, and the layout of their data words.
#include <gtest/gtest.h>

#include "interfaces/MeshData.h"
#include <algorithm>
#include <functional>
#include <set>
#include <vector>

namespace
{
struct Event
{
    MStlCallBackEventID id;
    std::vector<MStlTriangle*> triangles; // word 0 for events 1-3, the list for events 19 and 20
    std::size_t listCount = 0;
};

// Records every enabled event; the list of events 19 and 20 is read from the word the event uses.
class Recorder : public MStlCallback
{
public:
    Recorder(MStlBase* mesh, std::vector<MStlCallBackEventID> const& ids) : MStlCallback(mesh)
    {
        for (MStlCallBackEventID id : ids) _EnableEvent(id);
    }

    void HandleEvent(MStlCallBackEventID id, void const* data) override
    {
        void const* const* words = static_cast<void const* const*>(data);
        Event e{id, {}, 0};
        if (id == eStlEventTrianglesMoved || id == eStlEventTrianglesBatch)
        {
            EXPECT_EQ(words[id == eStlEventTrianglesMoved ? 1 : 0], nullptr) << "the other word stays empty";
            auto const* list = static_cast<MStlTriangleList const*>(words[id == eStlEventTrianglesMoved ? 0 : 1]);
            e.listCount = list->count;
            for (std::size_t i = 0; i < list->count; ++i) e.triangles.push_back(list->entries[i]->triangle);
        }
        else
        {
            e.triangles.push_back(const_cast<MStlTriangle*>(static_cast<MStlTriangle const*>(words[0])));
        }
        if (onEvent) onEvent(e);
        events.push_back(e);
    }

    std::vector<Event> events;
    std::function<void(Event const&)> onEvent;
};

std::vector<MStlCallBackEventID> const kAll = {eStlEventTriangleAdded, eStlEventTriangleRemoving,
                                               eStlEventTriangleChanged, eStlEventTrianglesMoved,
                                               eStlEventTrianglesBatch};

std::set<MStlTriangle*> TrianglesAround(MStlBase const& mesh, std::vector<MStlPoint*> const& points)
{
    std::set<MStlTriangle*> out;
    for (MStlTriangle* t : mesh.GetTriangles())
        for (int k = 0; k < 3; ++k)
            if (std::find(points.begin(), points.end(), t->GetPoint(k)) != points.end()) out.insert(t);
    return out;
}
} // namespace

TEST(MeshCallbacks, EnabledEventsReportTheTriangleAtTheRightMomentAndDestroyedPartiesAreLetGo)
{
    auto owned = std::make_unique<MStlBase>();
    MStlBase& mesh = *owned;
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(5, 0, 0);
    MStlPoint* c = mesh.AddPoint(0, 5, 0);
    MStlPoint* d = mesh.AddPoint(0, 0, 5);
    Recorder removals(&mesh, {eStlEventTriangleRemoving});
    auto recorder = std::make_unique<Recorder>(&mesh, kAll);
    recorder->onEvent = [&](Event const& e)
    {
        MStlTriangle* t = e.triangles.front();
        // Added and removing triangles are full members of the mesh when the event arrives.
        if (e.id != eStlEventTriangleChanged)
        {
            EXPECT_EQ(mesh.GetTriangle(t->GetElementIndex()), t);
            EXPECT_EQ(t->GetMesh(), &mesh);
        }
        else
        {
            EXPECT_EQ(t->GetPoint(2), d) << "reported with its new vertices";
        }
    };
    MStlTriangle* t = mesh.AddTriangle(a, b, c);
    MStlTriangle* u = mesh.AddTriangle(a, c, b);
    mesh.ChangeTriangle(t, a, b, d);
    mesh.RemoveTriangle(u);
    mesh.InvertAll(); // no events
    std::vector<std::pair<MStlCallBackEventID, MStlTriangle*>> got, expected = {{eStlEventTriangleAdded, t},
                                                                                {eStlEventTriangleAdded, u},
                                                                                {eStlEventTriangleChanged, t},
                                                                                {eStlEventTriangleRemoving, u}};
    for (Event const& e : recorder->events) got.emplace_back(e.id, e.triangles.front());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(removals.events.size(), 1u) << "only enabled events arrive";
    EXPECT_FALSE(removals.IsEventEnabled(eStlEventTriangleAdded));
    EXPECT_TRUE(removals.IsEventEnabled(eStlEventTriangleRemoving));

    recorder.reset();
    mesh.RemoveTriangle(t); // the destroyed recorder must not be called (the sanitizer build checks)
    EXPECT_EQ(removals.events.size(), 2u);
    owned.reset();
    EXPECT_EQ(removals.GetCallbackMesh(), nullptr);
}

// A hub shared by more triangles than one event may list, one of them using the hub twice, and a
// triangle away from the hub.
TEST(MeshCallbacks, MovingPointsListsEachAffectedTriangleOnceInChunksOfAtMost65535)
{
    MStlBase mesh;
    MStlPoint* hub = mesh.AddPoint(0, 0, 0);
    std::vector<MStlPoint*> rim;
    for (int i = 0; i < 400; ++i) rim.push_back(mesh.AddPoint(100 * (i % 20), 100 * (i / 20), 7));
    std::size_t const fan = 65535 + 1200;
    for (std::size_t i = 0; i + 1 < fan; ++i) mesh.AddTriangle(hub, rim[i % 400], rim[(i * 7 + 1) % 400]);
    mesh.AddTriangle(hub, hub, rim[3]);
    mesh.AddTriangle(rim[0], rim[1], rim[2]);
    Recorder recorder(&mesh, kAll);
    auto expectListed = [&](MStlCallBackEventID id, std::vector<MStlPoint*> const& moved)
    {
        std::set<MStlTriangle*> const expected = TrianglesAround(mesh, moved);
        ASSERT_EQ(recorder.events.size(), expected.size() > 65535 ? 2u : 1u);
        EXPECT_EQ(recorder.events[0].listCount, std::min<std::size_t>(expected.size(), 65535));
        std::set<MStlTriangle*> seen;
        for (Event const& e : recorder.events)
        {
            EXPECT_EQ(e.id, id);
            EXPECT_EQ(e.listCount, e.triangles.size());
            for (MStlTriangle* t : e.triangles) EXPECT_TRUE(seen.insert(t).second) << "reported twice";
        }
        EXPECT_EQ(seen, expected);
        recorder.events.clear();
    };
    mesh.MovePoint(hub, MMPoint3d<long>(-3, 4, 5000000000L));
    EXPECT_EQ(hub->z, 2147483647) << "positions beyond 32 bits saturate";
    expectListed(eStlEventTrianglesMoved, {hub});
    mesh.MovePoints({hub}, {MMPoint3d<long>(1, 2, 3)});
    expectListed(eStlEventTrianglesBatch, {hub});
    std::vector<MStlPoint*> const moved = {rim[1], rim[2], rim[6]};
    mesh.MovePoints(moved, {MMPoint3d<long>(1, 1, 1), MMPoint3d<long>(2, 2, 2), MMPoint3d<long>(6, 6, 6)});
    EXPECT_EQ(rim[2]->GetInteger(), MMPoint3d<long>(2, 2, 2));
    expectListed(eStlEventTrianglesBatch, moved);
    EXPECT_THROW(mesh.MovePoints(moved, {MMPoint3d<long>(0, 0, 0)}), std::invalid_argument);
    EXPECT_TRUE(recorder.events.empty());
}
