#pragma once
// The two node kinds of the mutable triangle tree; included by M3DTriangleTreeMutable.h.

#include <vector>

namespace MeshQueriesMutable
{

class M3DTriangleTreeMutableStl::BaseNode
{
public:
    BaseNode(M3DTriangleTreeMutableStl* owner, Node* parentNode) : parent(parentNode), tree(owner) {}

    // Recomputes box from below when bboxValid is false.
    virtual void UpdateBBox() = 0;
    // Destroys the subtree below without returning pool memory; the pools are released at once.
    virtual ~BaseNode() = default;
    virtual Leaf* AddTriangle(MStlTriangle* t) = 0;
    virtual void NearestTriangle(MStlTriangle*& result, Point const& p, double& best) = 0;
    virtual void GetTrianglesInsideBBox(std::vector<Triangle>& out, M3DBoundingBox<double> const& box) = 0;
    virtual void GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin, Point const& direction,
                                              double const& tMin, double const& tMax) = 0;
    virtual void ProjectPoint(MStlTriangle*& result, Point const& origin, Point const& direction, double& tMax) = 0;
    // Starts fetching what a visit of this node reads first, so that siblings about to be searched
    // load side by side rather than one stall after another.
    virtual void PrefetchContents() const = 0;
    // Which of the two kinds this is, for searches that walk the tree without recursing.
    virtual bool IsLeaf() const = 0;

    BaseNode(BaseNode const&) = delete;
    BaseNode& operator=(BaseNode const&) = delete;

    // Avoids the virtual call on the common path where the box is current.
    void EnsureBBox()
    {
        if (!bboxValid) UpdateBBox();
    }
    // Marks the ancestors stale, stopping at the first one that already is.
    void InvalidateAncestors();

    GroupBox box;
    bool bboxValid = true;
    Node* parent;
    M3DTriangleTreeMutableStl* tree;
};

class M3DTriangleTreeMutableStl::Node final : public BaseNode
{
public:
    using BaseNode::BaseNode;
    ~Node() override;

    void UpdateBBox() override;
    Leaf* AddTriangle(MStlTriangle* t) override;
    void NearestTriangle(MStlTriangle*& result, Point const& p, double& best) override;
    void GetTrianglesInsideBBox(std::vector<Triangle>& out, M3DBoundingBox<double> const& box) override;
    void GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin, Point const& direction,
                                      double const& tMin, double const& tMax) override;
    void ProjectPoint(MStlTriangle*& result, Point const& origin, Point const& direction, double& tMax) override;
    void PrefetchContents() const override;
    bool IsLeaf() const override { return false; }

    // The children a ray search enters from this node, in the order it enters them: the straddling
    // group first, then the outer groups whose boxes the ray meets within tMax, nearest entry first
    // (slot 2 on a tie). Brings the children's boxes up to date and starts fetching the entered
    // children's contents. Returns how many slots it wrote to order.
    int RaySearchOrder(Point const& origin, Point const& direction, double tMax, int (&order)[3]);

    // Slot 0 below the split value, 1 straddling it, 2 above; null where the group was empty.
    BaseNode* children[3] = {nullptr, nullptr, nullptr};
};

class M3DTriangleTreeMutableStl::Leaf final : public BaseNode
{
public:
    using BaseNode::BaseNode;

    void UpdateBBox() override;
    Leaf* AddTriangle(MStlTriangle* t) override;
    void NearestTriangle(MStlTriangle*& result, Point const& p, double& best) override;
    void GetTrianglesInsideBBox(std::vector<Triangle>& out, M3DBoundingBox<double> const& box) override;
    void GetTrianglesAlongLineSegment(std::vector<Triangle>& out, Point const& origin, Point const& direction,
                                      double const& tMin, double const& tMax) override;
    void ProjectPoint(MStlTriangle*& result, Point const& origin, Point const& direction, double& tMax) override;
    void PrefetchContents() const override;
    bool IsLeaf() const override { return true; }

    // Removes the first occurrence of t by moving the last entry into its place.
    bool Erase(MStlTriangle* t);

    // Insertion order, except where removals moved the last entry forward.
    std::vector<MStlTriangle*> triangles;
};

} // namespace MeshQueriesMutable
