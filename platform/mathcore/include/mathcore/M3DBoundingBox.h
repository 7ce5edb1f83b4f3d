#pragma once
// Axis-aligned box over doubles or integers. A default box is empty (min above max).
#include "mathcore/MMPoint3d.h"
#include <algorithm>
#include <cmath>
#include <limits>

template <class T>
class M3DBoundingBox
{
public:
    T min[3];
    T max[3];

    M3DBoundingBox() { MakeEmpty(); }
    M3DBoundingBox(MMPoint3dIntegerTypes<T> const& lo, MMPoint3dIntegerTypes<T> const& hi) { Set(lo, hi); }
    M3DBoundingBox(T minX, T minY, T minZ, T maxX, T maxY, T maxZ) : min{minX, minY, minZ}, max{maxX, maxY, maxZ} {}

    void MakeEmpty()
    {
        for (int k = 0; k < 3; ++k)
        {
            min[k] = std::numeric_limits<T>::max();
            max[k] = std::numeric_limits<T>::lowest();
        }
    }
    bool IsEmpty() const { return min[0] > max[0] || min[1] > max[1] || min[2] > max[2]; }

    void Set(MMPoint3dIntegerTypes<T> const& lo, MMPoint3dIntegerTypes<T> const& hi)
    {
        for (int k = 0; k < 3; ++k)
        {
            min[k] = lo[k];
            max[k] = hi[k];
        }
    }
    void AddPoint(MMPoint3dIntegerTypes<T> const& p)
    {
        for (int k = 0; k < 3; ++k)
        {
            min[k] = std::min(min[k], p[k]);
            max[k] = std::max(max[k], p[k]);
        }
    }

    T GetMin(int axis) const { return min[axis]; }
    T GetMax(int axis) const { return max[axis]; }
    void SetMin(int axis, T v) { min[axis] = v; }
    void SetMax(int axis, T v) { max[axis] = v; }
    MMPoint3d<T> GetCornerMin() const { return {min[0], min[1], min[2]}; }
    MMPoint3d<T> GetCornerMax() const { return {max[0], max[1], max[2]}; }
    T GetDeltaX() const { return max[0] - min[0]; }
    T GetDeltaY() const { return max[1] - min[1]; }
    T GetDeltaZ() const { return max[2] - min[2]; }

    // Inclusive: boxes that share a face overlap.
    bool OverlapsBoundingBox(M3DBoundingBox const& o) const
    {
        for (int k = 0; k < 3; ++k)
            if (o.min[k] > max[k] || min[k] > o.max[k]) return false;
        return true;
    }
    bool ContainsPoint(MMPoint3d<T> const& p) const
    {
        for (int k = 0; k < 3; ++k)
            if (p[k] < min[k] || p[k] > max[k]) return false;
        return true;
    }

    M3DBoundingBox& operator|=(M3DBoundingBox const& o)
    {
        for (int k = 0; k < 3; ++k)
        {
            min[k] = std::min(min[k], o.min[k]);
            max[k] = std::max(max[k], o.max[k]);
        }
        return *this;
    }
    M3DBoundingBox& operator&=(M3DBoundingBox const& o)
    {
        for (int k = 0; k < 3; ++k)
        {
            min[k] = std::max(min[k], o.min[k]);
            max[k] = std::min(max[k], o.max[k]);
        }
        return *this;
    }

    // Separating-axis test of the box against a triangle (closed sets: touching counts).
    bool DoesIntersectTriangle(MMPoint3d<double> const& a, MMPoint3d<double> const& b,
                               MMPoint3d<double> const& c) const;
};

template <class T>
bool M3DBoundingBox<T>::DoesIntersectTriangle(MMPoint3d<double> const& a, MMPoint3d<double> const& b,
                                              MMPoint3d<double> const& c) const
{
    if (IsEmpty()) return false;
    MMPoint3d<double> const centre{0.5 * (double(min[0]) + double(max[0])), 0.5 * (double(min[1]) + double(max[1])),
                                   0.5 * (double(min[2]) + double(max[2]))};
    MMPoint3d<double> const half{0.5 * (double(max[0]) - double(min[0])), 0.5 * (double(max[1]) - double(min[1])),
                                 0.5 * (double(max[2]) - double(min[2]))};
    MMPoint3d<double> const v[3] = {a - centre, b - centre, c - centre};
    auto separates = [&](MMPoint3d<double> const& axis)
    {
        double const p0 = v[0].Dot(axis), p1 = v[1].Dot(axis), p2 = v[2].Dot(axis);
        double const r = half.x * std::fabs(axis.x) + half.y * std::fabs(axis.y) + half.z * std::fabs(axis.z);
        return std::min({p0, p1, p2}) > r || std::max({p0, p1, p2}) < -r;
    };
    MMPoint3d<double> const e[3] = {v[1] - v[0], v[2] - v[1], v[0] - v[2]};
    MMPoint3d<double> const unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (auto const& u : unit)
        if (separates(u)) return false;
    if (separates(e[0].Cross(e[1]))) return false;
    for (auto const& u : unit)
        for (auto const& ed : e)
            if (separates(u.Cross(ed))) return false;
    return true;
}
