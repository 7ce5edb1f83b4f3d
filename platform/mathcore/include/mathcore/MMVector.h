#pragma once
// Fixed-size vector of N values; the corner type of MBoundingBoxND.
#include <array>
#include <cstddef>

template <class T, std::size_t N>
struct MMVector
{
    std::array<T, N> v{};

    MMVector() = default;
    MMVector(T a, T b, T c) : v{{a, b, c}} { static_assert(N == 3, "three values need N == 3"); }

    T& operator[](std::size_t i) { return v[i]; }
    T const& operator[](std::size_t i) const { return v[i]; }
    static constexpr std::size_t Size() { return N; }
    bool operator==(MMVector const& o) const { return v == o.v; }
    bool operator!=(MMVector const& o) const { return v != o.v; }
};
