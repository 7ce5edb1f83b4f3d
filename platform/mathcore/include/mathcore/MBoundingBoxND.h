#pragma once
// N-dimensional axis-aligned box with MMVector corners; empty when default-constructed.
#include "mathcore/MMVector.h"
#include <algorithm>
#include <cstddef>
#include <limits>

template <class T, std::size_t N>
class MBoundingBoxND
{
public:
    MBoundingBoxND()
    {
        for (std::size_t k = 0; k < N; ++k)
        {
            m_min[k] = std::numeric_limits<T>::max();
            m_max[k] = std::numeric_limits<T>::lowest();
        }
    }
    MBoundingBoxND(MMVector<T, N> const& lo, MMVector<T, N> const& hi) : m_min(lo), m_max(hi) {}
    ~MBoundingBoxND() = default;
    MBoundingBoxND(MBoundingBoxND const&) = default;
    MBoundingBoxND& operator=(MBoundingBoxND const&) = default;

    MMVector<T, N> const& GetCornerMin() const { return m_min; }
    MMVector<T, N> const& GetCornerMax() const { return m_max; }
    void SetCornerMin(MMVector<T, N> const& v) { m_min = v; }
    void SetCornerMax(MMVector<T, N> const& v) { m_max = v; }

    bool IsEmpty() const
    {
        for (std::size_t k = 0; k < N; ++k)
            if (m_min[k] > m_max[k]) return true;
        return false;
    }
    // Grows this box in place to contain the other.
    MBoundingBoxND& Union(MBoundingBoxND const& o)
    {
        for (std::size_t k = 0; k < N; ++k)
        {
            m_min[k] = std::min(m_min[k], o.m_min[k]);
            m_max[k] = std::max(m_max[k], o.m_max[k]);
        }
        return *this;
    }
    // Inclusive containment.
    bool GetHasPoint(MMVector<T, N> const& p) const
    {
        for (std::size_t k = 0; k < N; ++k)
            if (p[k] < m_min[k] || p[k] > m_max[k]) return false;
        return true;
    }

private:
    MMVector<T, N> m_min;
    MMVector<T, N> m_max;
};
