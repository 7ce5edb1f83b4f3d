#pragma once

#include <cstddef>
#include <new>

namespace MeshQueriesMutable
{

// Boost pool allocator whose chunks start on a cache line. With blocks a multiple of the line size,
// every tree node then begins on a line, and the box a traversal tests sits in the node's first line.
struct CacheLineAllocator
{
    typedef std::size_t size_type;
    typedef std::ptrdiff_t difference_type;
    static constexpr std::size_t kLine = 64;

    static char* malloc(size_type const bytes)
    {
        return static_cast<char*>(::operator new(bytes, std::align_val_t(kLine), std::nothrow));
    }
    static void free(char* const block) { ::operator delete(block, std::align_val_t(kLine)); }
};

} // namespace MeshQueriesMutable
