#pragma once
// The triangles of a mesh by edge, kept in step with the triangles' vertex lists, so that the
// neighbour across an edge and the number of triangles on an edge are found in constant time
// whatever the number of triangles at the edge's points.
//
// Each unordered pair of points that some triangle joins by an edge has one entry holding two
// lists, one per direction in which triangles run the edge. A triangle sits in a list once per
// directed edge (its first edge with those two ends in that order), linked through its own
// per-edge link fields. Every list is ordered like the points' triangle lists: most recently
// linked triangle first.
#include "meshdata/MStlFwd.h"
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class MStlEdgeIndex
{
public:
    // How a triangle uses the edge from a to b, judged at its first corner at a that has b as its
    // next or previous corner.
    enum Use
    {
        eNone,
        eForward, // runs the edge from a to b
        eBackward // runs it from b to a
    };
    static Use Classify(MStlTriangle const* t, MStlPoint const* a, MStlPoint const* b);

    // Adds t (already holding its points and its link sequence number) to the lists of its edges,
    // in front: t must be the most recently linked triangle of the mesh.
    void Link(MStlTriangle* t);
    void Unlink(MStlTriangle* t);
    // After t's winding was reversed: moves t to the lists of its edges' new directions, keeping
    // each list ordered by link sequence number.
    void Relink(MStlTriangle* t, MStlPoint* const (&oldPoints)[3]);

    // The first triangle other than skip, in list order, that runs the edge from a to b; null when
    // there is none.
    MStlTriangle* FirstRunning(MStlPoint const* a, MStlPoint const* b, MStlTriangle const* skip) const;

    // Triangles on edge a-b, each once, split by Classify(t, a, b).
    struct Counts
    {
        std::size_t forward = 0;
        std::size_t backward = 0;
    };
    Counts Count(MStlPoint const* a, MStlPoint const* b) const;
    // Calls visit once for each triangle on edge a-b.
    void ForEachOnEdge(MStlPoint const* a, MStlPoint const* b,
                       std::function<void(MStlTriangle const*)> const& visit) const;

    // Makes room for the edges of that many more triangles.
    void Reserve(std::size_t triangles);

private:
    struct Key
    {
        MStlPoint const* low;
        MStlPoint const* high;
        bool operator==(Key const& o) const { return low == o.low && high == o.high; }
    };
    struct Entry
    {
        MStlTriangle* head[2] = {nullptr, nullptr}; // [0]: low to high, [1]: high to low
        // Triangles on the edge by Classify(t, low, high) and by Classify(t, high, low); 32 bits
        // keep a slot small (a mesh with 4 billion triangles on one edge is out of reach).
        std::uint32_t lowHigh[3] = {0, 0, 0};
        std::uint32_t highLow[3] = {0, 0, 0};
    };
    // Open addressing with linear probing: one cache line per lookup in the usual case; an empty
    // slot has a null low point.
    struct Slot
    {
        Key key{nullptr, nullptr};
        Entry entry;
    };
    std::size_t Home(Key const& k) const;
    Entry* Find(Key const& k);
    Entry const* Find(Key const& k) const;
    Entry& FindOrAdd(Key const& k);
    void Erase(Key const& k);
    void Rehash(std::size_t slots);

    static Key KeyOf(MStlPoint const* a, MStlPoint const* b) { return std::less<>()(a, b) ? Key{a, b} : Key{b, a}; }
    void Insert(MStlTriangle* t, int slot, bool atFront);
    void Remove(MStlTriangle* t, int slot);
    void CountOnEdges(MStlTriangle const* t, MStlPoint* const (&points)[3], int sign);

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};
