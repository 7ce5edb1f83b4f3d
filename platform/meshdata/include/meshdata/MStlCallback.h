#pragma once
// Change notifications of a mesh. A subclass enables the events it wants and receives them through
// HandleEvent on the thread that edits the mesh.
#include "meshdata/MStlFwd.h"
#include <cstdint>

enum MStlCallBackEventID : int
{
    eStlEventTriangleAdded = 1,    // word 0: the triangle just added
    eStlEventTriangleRemoving = 2, // word 0: the triangle about to be removed
    eStlEventTriangleChanged = 3,  // word 0: the triangle whose vertices changed
    eStlEventTrianglesMoved = 19,  // word 0: MStlTriangleList of triangles moved with one vertex
    eStlEventTrianglesBatch = 20,  // word 1: MStlTriangleList of triangles changed by a batch
    eStlEventCount = 64
};

// One entry of a triangle list.
struct MStlTriangleListEntry
{
    MStlTriangle* triangle;
};

// A list of at most 65535 triangles passed with events 19 and 20; longer lists are sent as
// several events.
struct MStlTriangleList
{
    std::uint16_t count;
    MStlTriangleListEntry const* const* entries;
};

class MStlCallback
{
public:
    explicit MStlCallback(MStlBase* mesh);
    virtual ~MStlCallback();
    MStlCallback(MStlCallback const&) = delete;
    MStlCallback& operator=(MStlCallback const&) = delete;

    // data points to an array of machine words (void const*), laid out per event as above.
    virtual void HandleEvent(MStlCallBackEventID id, void const* data) = 0;

    bool IsEventEnabled(MStlCallBackEventID id) const { return (m_enabled >> unsigned(id)) & 1u; }
    MStlBase* GetCallbackMesh() const { return m_mesh; }

protected:
    void _EnableEvent(MStlCallBackEventID id);

private:
    friend class MStlBase;
    MStlBase* m_mesh;
    std::uint64_t m_enabled = 0;
};

// Marks a triangle; a mesh has a default marker that sets the triangle's own mark.
class IStlMarkTriangles
{
public:
    virtual ~IStlMarkTriangles() = default;
    virtual void MarkTriangle(MStlTriangle& triangle) = 0;
};
