#pragma once
// Affine transform of 3-D space: a 3x3 linear part and a translation.
#include "mathcore/MMPoint3d.h"

class MMTransformMatrix
{
public:
    // Identity.
    MMTransformMatrix();
    MMTransformMatrix(MMTransformMatrix const&) = default;
    MMTransformMatrix& operator=(MMTransformMatrix const&) = default;
    virtual ~MMTransformMatrix() = default;

    // Row-major 3x3 linear part followed by the translation.
    MMTransformMatrix(double const linear[3][3], MMPoint3d<double> const& translation);

    static MMTransformMatrix Translation(MMPoint3d<double> const& offset);
    // Right-handed rotation by angleRadians about an axis through the origin; a zero axis gives the identity.
    static MMTransformMatrix Rotation(MMPoint3d<double> const& axis, double angleRadians);
    static MMTransformMatrix Scaling(double factor);

    // Inverts in place; returns false and leaves the matrix unchanged when it is singular.
    virtual bool Invert();
    // this = this * m: the result applies m first, then the old this.
    MMTransformMatrix& PostMultiply(MMTransformMatrix const& m);
    // Maps a point (with translation) or, when isDirection is true, a direction (without).
    virtual MMPoint3d<double> Transform(MMPoint3d<double> const& p, bool isDirection) const;

    double Get(int row, int column) const { return m_[row][column]; }
    bool IsIdentity() const;

private:
    double m_[3][4];
};
