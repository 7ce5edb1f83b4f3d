#pragma once

#include <cstddef>

#include "interfaces/Export.h"
#include "interfaces/MathCore.h"
#include "interfaces/MeshData.h"

namespace MeshQueries
{

// Exact geometry of triangle pairs. Triangles are three vertex positions in winding order and a
// normal that the caller passes in (never recomputed here); edge i runs from vertex i to vertex
// (i + 1) mod 3. Thresholds are absolute, in internal length units.
// Every function here is pure: it never throws, keeps no state and may run on any number of
// threads at once; each costs a constant number of operations.

// Parallelism, degeneracy and coplanarity threshold (2^-26).
constexpr double kTriangleDistanceEpsilon = 1.4901161193847656e-8;

// True when segment P-Q crosses the interior of the triangle V with plane normal n; a segment that
// only touches an edge or a vertex, or lies (nearly) in the plane, does not cross. X, when given,
// receives the crossing point.
VZ_API bool SegmentCrossesTriangle(MMPoint3d<double> const V[3], MMPoint3d<double> const& n, MMPoint3d<double> const& P,
                                   MMPoint3d<double> const& Q, MMPoint3d<double>* X = nullptr);

// Parameter of the orthogonal projection of X on the line A-B (0 at A, 1 at B), not clamped; 0.5 for
// an A-B shorter than the square root of the threshold.
VZ_API double SegmentParameter(MMPoint3d<double> const& X, MMPoint3d<double> const& A, MMPoint3d<double> const& B);

// Parameters s on P0-P1 and t on Q0-Q1 of the closest points of the two lines, not clamped. For
// nearly parallel or degenerate lines one parameter is exactly 0.
VZ_API void ClosestLineParameters(MMPoint3d<double> const& P0, MMPoint3d<double> const& P1, MMPoint3d<double> const& Q0,
                                  MMPoint3d<double> const& Q1, double* s, double* t);

// Squared minimum distance between triangles A and B; pA and pB, when given, receive the closest
// point on A and on B. For crossing triangles both receive the first crossing point found.
VZ_API double TriangleDistanceSqr(MMPoint3d<double> const A[3], MMPoint3d<double> const& nA,
                                  MMPoint3d<double> const B[3], MMPoint3d<double> const& nB,
                                  MMPoint3d<double>* pA = nullptr, MMPoint3d<double>* pB = nullptr);

// The same for two mesh triangles (T0 is A, T1 is B); 0 when T1 is null.
VZ_API double TriangleDistanceSqr(MStlTriangle const* T0, MStlTriangle const* T1, MMPoint3d<double>* pA = nullptr,
                                  MMPoint3d<double>* pB = nullptr);

// Length of v, scaled so that squaring the components cannot overflow.
VZ_API double SafeLength(MMPoint3d<double> const& v);

// v divided by its plain length, or v unchanged when that length is 0.
VZ_API MMPoint3d<double> Normalized(MMPoint3d<double> const& v);

// Unit normal of a compact-mesh triangle, oriented by its winding (zero for a collapsed one).
VZ_API MMPoint3d<double> CompactTriangleNormal(MStlCompact const& compact, std::size_t triangle);

} // namespace MeshQueries
