#pragma once
// Point / vector of three coordinates, the math core's basic value type.
#include <cmath>

template <class T>
struct MMPoint3d
{
    T x{}, y{}, z{};

    constexpr MMPoint3d() = default;
    constexpr MMPoint3d(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}
    template <class U>
    explicit constexpr MMPoint3d(MMPoint3d<U> const& o)
        : x(static_cast<T>(o.x)), y(static_cast<T>(o.y)), z(static_cast<T>(o.z))
    {
    }

    T& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    T const& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    MMPoint3d operator+(MMPoint3d const& o) const { return {x + o.x, y + o.y, z + o.z}; }
    MMPoint3d operator-(MMPoint3d const& o) const { return {x - o.x, y - o.y, z - o.z}; }
    MMPoint3d operator-() const { return {-x, -y, -z}; }
    MMPoint3d operator*(T s) const { return {x * s, y * s, z * s}; }
    MMPoint3d operator/(T s) const { return {x / s, y / s, z / s}; }
    MMPoint3d& operator+=(MMPoint3d const& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    MMPoint3d& operator-=(MMPoint3d const& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    MMPoint3d& operator*=(T s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    MMPoint3d& operator/=(T s)
    {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }
    bool operator==(MMPoint3d const& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(MMPoint3d const& o) const { return !(*this == o); }

    T Dot(MMPoint3d const& o) const { return x * o.x + y * o.y + z * o.z; }
    MMPoint3d Cross(MMPoint3d const& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    T LengthSquared() const { return Dot(*this); }
    T Length() const { return std::sqrt(LengthSquared()); }
};

template <class T>
inline MMPoint3d<T> operator*(T s, MMPoint3d<T> const& p)
{
    return p * s;
}

template <class T>
inline T Dot(MMPoint3d<T> const& a, MMPoint3d<T> const& b)
{
    return a.Dot(b);
}
template <class T>
inline MMPoint3d<T> Cross(MMPoint3d<T> const& a, MMPoint3d<T> const& b)
{
    return a.Cross(b);
}

// The point type accepted by box and vertex operations.
template <class T>
using MMPoint3dIntegerTypes = MMPoint3d<T>;

// A triangle value of three corners.
template <class P>
struct MTriangle3D
{
    P p[3];
    MTriangle3D() = default;
    MTriangle3D(P const& a, P const& b, P const& c) : p{a, b, c} {}
    P& operator[](int i) { return p[i]; }
    P const& operator[](int i) const { return p[i]; }
};
