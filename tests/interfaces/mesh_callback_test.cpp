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

TEST(MeshCallbacks, AddRemoveAndChangeReportTheTriangleAtTheRightMoment)
{
    MStlBase mesh;
    MStlPoint* a = mesh.AddPoint(0, 0, 0);
    MStlPoint* b = mesh.AddPoint(5, 0, 0);
    MStlPoint* c = mesh.AddPoint(0, 5, 0);
    MStlPoint* d = mesh.AddPoint(0, 0, 5);
    Recorder recorder(&mesh, kAll);
    recorder.onEvent = [&](Event const& e)
    {
        MStlTriangle* t = e.triangles.front();
        // Added and removing triangles are full members of the mesh when the event arrives.
        if (e.id != eStlEventTriangleChanged)
        {
            EXPECT_EQ(mesh.GetTriangle(t->GetElementIndex()), t);
        }
        if (e.id == eStlEventTriangleRemoving)
        {
            EXPECT_EQ(t->GetMesh(), &mesh);
        }
        if (e.id == eStlEventTriangleChanged)
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
    for (Event const& e : recorder.events) got.emplace_back(e.id, e.triangles.front());
    EXPECT_EQ(got, expected);
}

TEST(MeshCallbacks, OnlyEnabledEventsArriveAndDestroyedCallbacksOrMeshesAreLetGo)
{
    auto mesh = std::make_unique<MStlBase>();
    MStlPoint* a = mesh->AddPoint(0, 0, 0);
    Recorder removals(mesh.get(), {eStlEventTriangleRemoving});
    auto transient = std::make_unique<Recorder>(mesh.get(), kAll);
    MStlTriangle* t = mesh->AddTriangle(a, a, a);
    EXPECT_TRUE(removals.events.empty());
    EXPECT_EQ(transient->events.size(), 1u);
    transient.reset();
    mesh->RemoveTriangle(t); // the destroyed recorder must not be called (the sanitizer build checks)
    ASSERT_EQ(removals.events.size(), 1u);
    EXPECT_FALSE(removals.IsEventEnabled(eStlEventTriangleAdded));
    EXPECT_TRUE(removals.IsEventEnabled(eStlEventTriangleRemoving));
    mesh.reset();
    EXPECT_EQ(removals.GetCallbackMesh(), nullptr);
}

TEST(MeshCallbacks, MovingPointsListsEachAffectedTriangleOnce)
{
    MStlBase mesh;
    std::vector<MStlPoint*> p;
    for (int i = 0; i < 8; ++i) p.push_back(mesh.AddPoint(i, i * i, 3 * i));
    for (int i = 0; i + 2 < 8; ++i) mesh.AddTriangle(p[i], p[i + 1], p[i + 2]);
    mesh.AddTriangle(p[0], p[0], p[4]); // uses the point twice, listed once
    Recorder recorder(&mesh, kAll);
    auto expectListed = [&](MStlCallBackEventID id, std::vector<MStlPoint*> const& moved)
    {
        ASSERT_EQ(recorder.events.size(), 1u);
        Event const& e = recorder.events.front();
        EXPECT_EQ(e.id, id);
        EXPECT_EQ(e.listCount, e.triangles.size());
        EXPECT_EQ(e.triangles.size(), std::set<MStlTriangle*>(e.triangles.begin(), e.triangles.end()).size());
        EXPECT_EQ(std::set<MStlTriangle*>(e.triangles.begin(), e.triangles.end()), TrianglesAround(mesh, moved));
        recorder.events.clear();
    };
    mesh.MovePoint(p[0], MMPoint3d<long>(-3, 4, 5000000000L));
    EXPECT_EQ(p[0]->z, 2147483647) << "positions beyond 32 bits saturate";
    expectListed(eStlEventTrianglesMoved, {p[0]});
    std::vector<MStlPoint*> const moved = {p[1], p[2], p[6]};
    mesh.MovePoints(moved, {MMPoint3d<long>(1, 1, 1), MMPoint3d<long>(2, 2, 2), MMPoint3d<long>(6, 6, 6)});
    EXPECT_EQ(p[2]->GetInteger(), MMPoint3d<long>(2, 2, 2));
    expectListed(eStlEventTrianglesBatch, moved);
    EXPECT_THROW(mesh.MovePoints(moved, {MMPoint3d<long>(0, 0, 0)}), std::invalid_argument);
    EXPECT_TRUE(recorder.events.empty());
}

TEST(MeshCallbacks, LongTriangleListsAreSplitIntoChunksOfAtMost65535)
{
    MStlBase mesh;
    MStlPoint* hub = mesh.AddPoint(0, 0, 0);
    std::vector<MStlPoint*> rim;
    for (int i = 0; i < 400; ++i) rim.push_back(mesh.AddPoint(100 * (i % 20), 100 * (i / 20), 7));
    std::size_t const fan = 65535 + 1200;
    for (std::size_t i = 0; i < fan; ++i) mesh.AddTriangle(hub, rim[i % 400], rim[(i * 7 + 1) % 400]);
    Recorder recorder(&mesh, kAll);
    for (bool batch : {false, true})
    {
        recorder.events.clear();
        if (batch)
            mesh.MovePoints({hub}, {MMPoint3d<long>(1, 2, 3)});
        else
            mesh.MovePoint(hub, MMPoint3d<long>(3, 2, 1));
        ASSERT_EQ(recorder.events.size(), 2u);
        std::set<MStlTriangle*> seen;
        for (Event const& e : recorder.events)
        {
            EXPECT_EQ(e.id, batch ? eStlEventTrianglesBatch : eStlEventTrianglesMoved);
            EXPECT_EQ(e.listCount, e.triangles.size());
            for (MStlTriangle* t : e.triangles) EXPECT_TRUE(seen.insert(t).second) << "reported twice";
        }
        EXPECT_EQ(recorder.events[0].listCount, 65535u);
        EXPECT_EQ(recorder.events[1].listCount, 1200u);
        EXPECT_EQ(seen.size(), fan);
    }
}
