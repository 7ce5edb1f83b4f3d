#pragma once
// Zero-filled memory straight from the system, on 2 MiB pages where the system offers them. Large
// buffers that are filled once (a whole file) or probed at random (a hash table) then cost a few
// page faults instead of one per 4 KiB, and random probes stop missing the TLB.
#include <cstddef>
#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace MeshFiles
{
class LargePageBuffer
{
public:
    LargePageBuffer() = default;
    explicit LargePageBuffer(std::size_t bytes)
    {
        m_mappedBytes = bytes + kLargePage;
        void* const base = ::mmap(nullptr, m_mappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) throw std::bad_alloc();
        m_base = base;
        std::uintptr_t const aligned = (std::uintptr_t(base) + kLargePage - 1) & ~std::uintptr_t(kLargePage - 1);
        m_data = reinterpret_cast<void*>(aligned);
        ::madvise(m_data, bytes, MADV_HUGEPAGE); // only a hint; without it the buffer is merely slower
    }
    ~LargePageBuffer()
    {
        if (m_base) ::munmap(m_base, m_mappedBytes);
    }
    LargePageBuffer(LargePageBuffer const&) = delete;
    LargePageBuffer& operator=(LargePageBuffer const&) = delete;
    LargePageBuffer(LargePageBuffer&& o) noexcept { Swap(o); }
    LargePageBuffer& operator=(LargePageBuffer&& o) noexcept
    {
        Swap(o);
        return *this;
    }

    void* Data() const { return m_data; }
    void Swap(LargePageBuffer& o) noexcept
    {
        std::swap(m_base, o.m_base);
        std::swap(m_mappedBytes, o.m_mappedBytes);
        std::swap(m_data, o.m_data);
    }

private:
    static constexpr std::size_t kLargePage = std::size_t(2) << 20;
    void* m_base = nullptr;
    std::size_t m_mappedBytes = 0;
    void* m_data = nullptr;
};
} // namespace MeshFiles
