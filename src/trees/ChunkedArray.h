#pragma once

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>
#include <vector>

namespace MeshQueries
{

// Segmented array of fixed 1024-entry chunks. Growing adds chunks one at a time, so an entry never
// moves in memory while the array lives and filling never copies entries; shrinking frees the
// chunks that are no longer needed.
template <class T>
class ChunkedArray
{
public:
    static constexpr std::size_t kChunkShift = 10;
    static constexpr std::size_t kChunkSize = std::size_t(1) << kChunkShift;
    static constexpr std::size_t kChunkMask = kChunkSize - 1;

    ChunkedArray() = default;
    ChunkedArray(ChunkedArray const&) = delete;
    ChunkedArray& operator=(ChunkedArray const&) = delete;
    ChunkedArray(ChunkedArray&& other) noexcept { Swap(other); }
    ChunkedArray& operator=(ChunkedArray&& other) noexcept
    {
        ChunkedArray(std::move(other)).Swap(*this);
        return *this;
    }
    ~ChunkedArray() { _FreeChunksFrom(0); }

    std::size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    std::size_t Capacity() const { return m_chunks.size() * kChunkSize; }
    std::size_t NumberOfChunks() const { return m_chunks.size(); }

    T& operator[](std::size_t i) { return m_chunks[i >> kChunkShift][i & kChunkMask]; }
    T const& operator[](std::size_t i) const { return m_chunks[i >> kChunkShift][i & kChunkMask]; }

    // The chunk holding entry i, and how many entries of that chunk from i on are in use.
    T* ChunkAt(std::size_t i) { return &(*this)[i]; }
    T const* ChunkAt(std::size_t i) const { return &(*this)[i]; }
    std::size_t ContiguousFrom(std::size_t i) const
    {
        std::size_t const toChunkEnd = kChunkSize - (i & kChunkMask);
        return std::min(toChunkEnd, m_size - i);
    }

    void PushBack(T const& value)
    {
        if (m_size == Capacity()) _AddChunk();
        (*this)[m_size] = value;
        ++m_size;
    }

    // Entries past the old size take the given value; chunks beyond the new size are freed.
    void Resize(std::size_t size, T const& value)
    {
        while (Capacity() < size) _AddChunk();
        for (std::size_t i = m_size; i < size; ++i) (*this)[i] = value;
        m_size = size;
        _FreeChunksFrom((size + kChunkMask) >> kChunkShift);
    }

    // Entries past the old size are default values; those in newly added chunks already are.
    void Resize(std::size_t size)
    {
        std::size_t const reused = std::min(size, Capacity());
        for (std::size_t i = m_size; i < reused; ++i) (*this)[i] = T();
        while (Capacity() < size) _AddChunk();
        m_size = size;
        _FreeChunksFrom((size + kChunkMask) >> kChunkShift);
    }

    // Makes an empty array `size` entries long without allocating its chunks: each must be given by
    // AllocateChunk before its entries are used. Distinct threads may allocate (and then fill)
    // distinct chunks at the same time, which spreads the first touch of the memory over them.
    void ResizeUnallocated(std::size_t size)
    {
        if (m_size != 0) throw std::logic_error("ChunkedArray::ResizeUnallocated on a non-empty array");
        m_chunks.assign((size + kChunkMask) >> kChunkShift, nullptr);
        m_size = size;
    }
    // Allocates chunk k (entries k * kChunkSize on) with default values.
    void AllocateChunk(std::size_t k) { m_chunks[k] = new T[kChunkSize](); }

    void Clear() { Resize(0); }

    void SwapEntries(std::size_t a, std::size_t b)
    {
        using std::swap;
        swap((*this)[a], (*this)[b]);
    }

    void Swap(ChunkedArray& other) noexcept
    {
        m_chunks.swap(other.m_chunks);
        std::swap(m_size, other.m_size);
    }

private:
    void _AddChunk()
    {
        // Reserve the table slot first so that a failing allocation leaks nothing.
        if (m_chunks.size() == m_chunks.capacity()) m_chunks.reserve(std::max<std::size_t>(16, 2 * m_chunks.size()));
        m_chunks.push_back(new T[kChunkSize]());
    }
    void _FreeChunksFrom(std::size_t keep)
    {
        while (m_chunks.size() > keep)
        {
            delete[] m_chunks.back();
            m_chunks.pop_back();
        }
    }

    std::vector<T*> m_chunks;
    std::size_t m_size = 0;
};

} // namespace MeshQueries
