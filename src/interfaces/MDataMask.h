#pragma once
// One value of type T per triangle, kept in blocks of 1024 entries (element index / 1024 picks the
// block). Registered with the mesh's data-mask owner, it follows additions, removals and the
// renumbering of triangles. Entries are read and written by a triangle or its element index
// (unchecked: the index must be below Size()), in constant time. Not synchronised: concurrent
// writers need a lock, which the library's operators take when they write a caller's mask.
#include "meshdata/IDataMask.h"
#include "meshdata/MStlTriangle.h"
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

template <class Element, class T>
class MDataMask;

template <class T>
class MDataMask<MStlTriangle, T> : public MDataMaskBase<MStlTriangle>
{
public:
    static constexpr std::size_t BlockSize = 1024;

    MDataMask(IDataMaskOwner& owner, T const& defaultValue = T())
        : MDataMaskBase<MStlTriangle>(&owner), m_default(defaultValue)
    {
        Resize(owner.GetMaskElementCount());
    }

    T const& GetInfo(MStlTriangle const* t) const { return At(std::size_t(t->GetElementIndex())); }
    T const& GetInfo(MStlTriangle const& t) const { return At(std::size_t(t.GetElementIndex())); }
    T const& GetInfoByIndex(std::size_t i) const { return At(i); }
    void SetInfo(MStlTriangle const* t, T const& value) { At(std::size_t(t->GetElementIndex())) = value; }
    void SetInfo(MStlTriangle const& t, T const& value) { At(std::size_t(t.GetElementIndex())) = value; }
    void SetInfoByIndex(std::size_t i, T const& value) { At(i) = value; }
    void SetAll(T const& value)
    {
        for (std::size_t i = 0; i < m_size; ++i) At(i) = value;
    }

    std::size_t Size() const { return m_size; }
    T const& GetDefault() const { return m_default; }

    void CopyEntry(std::size_t from, std::size_t to) override { At(to) = At(from); }
    void SwapEntries(std::size_t a, std::size_t b) override
    {
        using std::swap;
        swap(At(a), At(b));
    }
    void Resize(std::size_t n) override
    {
        std::size_t const blocks = (n + BlockSize - 1) / BlockSize;
        while (m_blocks.size() < blocks)
        {
            m_blocks.emplace_back(new T[BlockSize]);
            for (std::size_t i = 0; i < BlockSize; ++i) m_blocks.back()[i] = m_default;
        }
        // Entries beyond the new size return to the default, so that regrowth starts clean.
        for (std::size_t i = n; i < m_size; ++i) At(i) = m_default;
        m_blocks.resize(blocks);
        m_size = n;
    }
    void ResetEntry(std::size_t i) override { At(i) = m_default; }
    void AssignFrom(IDataMask const& other) override
    {
        auto const& o = dynamic_cast<MDataMask const&>(other);
        Resize(o.m_size);
        for (std::size_t i = 0; i < m_size; ++i) At(i) = o.At(i);
    }

private:
    T& At(std::size_t i) { return m_blocks[i / BlockSize][i % BlockSize]; }
    T const& At(std::size_t i) const { return m_blocks[i / BlockSize][i % BlockSize]; }

    T m_default;
    std::vector<std::unique_ptr<T[]>> m_blocks;
    std::size_t m_size = 0;
};
