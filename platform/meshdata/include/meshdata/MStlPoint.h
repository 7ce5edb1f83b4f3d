#pragma once
// A mesh vertex: integer coordinates in internal length units, shared by the triangles that use it.
#include "mathcore/MMPoint3d.h"
#include "meshdata/MStlFwd.h"
#include <cstdint>

class MStlPoint
{
public:
    MStlPoint(std::int32_t x_, std::int32_t y_, std::int32_t z_) : x(x_), y(y_), z(z_) {}
    MStlPoint(MStlPoint const&) = delete;
    MStlPoint& operator=(MStlPoint const&) = delete;

    std::int32_t x, y, z;

    operator MMPoint3d<double>() const { return {double(x), double(y), double(z)}; }
    MMPoint3d<double> Get() const { return {double(x), double(y), double(z)}; }
    MMPoint3d<long> GetInteger() const { return {long(x), long(y), long(z)}; }

    // Moves the vertex without notifying anyone; coordinates beyond the 32-bit range saturate.
    // Use MStlBase::MovePoint to move it with change notifications.
    void Set(MMPoint3dIntegerTypes<long> const& p);

    // Position of this point in its mesh's point order.
    std::size_t GetIndex() const { return m_index; }
    // First triangle of the list of triangles that use this point (null when none does).
    MStlTriangle* GetFirstTriangle() const { return m_firstTriangle; }

private:
    friend class MStlBase;
    friend class MStlTriangle;
    MStlTriangle* m_firstTriangle = nullptr;
    std::size_t m_index = 0;
};
