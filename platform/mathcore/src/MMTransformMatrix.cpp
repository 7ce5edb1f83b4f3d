#include "mathcore/MMTransformMatrix.h"

#include <algorithm>
#include <cmath>

MMTransformMatrix::MMTransformMatrix()
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) m_[r][c] = (r == c) ? 1.0 : 0.0;
}

MMTransformMatrix::MMTransformMatrix(double const linear[3][3], MMPoint3d<double> const& translation)
{
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 3; ++c) m_[r][c] = linear[r][c];
        m_[r][3] = translation[r];
    }
}

MMTransformMatrix MMTransformMatrix::Translation(MMPoint3d<double> const& offset)
{
    MMTransformMatrix t;
    for (int r = 0; r < 3; ++r) t.m_[r][3] = offset[r];
    return t;
}

MMTransformMatrix MMTransformMatrix::Rotation(MMPoint3d<double> const& axis, double angleRadians)
{
    double const len = axis.Length();
    if (len == 0.0) return MMTransformMatrix();
    MMPoint3d<double> const a = axis / len;
    double const c = std::cos(angleRadians), s = std::sin(angleRadians), k = 1.0 - c;
    double const lin[3][3] = {{c + a.x * a.x * k, a.x * a.y * k - a.z * s, a.x * a.z * k + a.y * s},
                              {a.y * a.x * k + a.z * s, c + a.y * a.y * k, a.y * a.z * k - a.x * s},
                              {a.z * a.x * k - a.y * s, a.z * a.y * k + a.x * s, c + a.z * a.z * k}};
    return MMTransformMatrix(lin, MMPoint3d<double>(0, 0, 0));
}

MMTransformMatrix MMTransformMatrix::Scaling(double factor)
{
    double const lin[3][3] = {{factor, 0, 0}, {0, factor, 0}, {0, 0, factor}};
    return MMTransformMatrix(lin, MMPoint3d<double>(0, 0, 0));
}

bool MMTransformMatrix::Invert()
{
    double const(&a)[3][4] = m_;
    double const c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    double const c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    double const c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    double const det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    double scale = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) scale = std::max(scale, std::fabs(a[r][c]));
    // Relative test, so that a uniformly tiny but regular matrix still inverts.
    if (!std::isfinite(det) || scale == 0.0 || std::fabs(det) <= 1e-14 * scale * scale * scale) return false;
    double inv[3][3];
    inv[0][0] = c00 / det;
    inv[1][0] = c01 / det;
    inv[2][0] = c02 / det;
    inv[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det;
    inv[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det;
    inv[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det;
    inv[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det;
    inv[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det;
    inv[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det;
    double t[3];
    for (int r = 0; r < 3; ++r) t[r] = -(inv[r][0] * a[0][3] + inv[r][1] * a[1][3] + inv[r][2] * a[2][3]);
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 3; ++c) m_[r][c] = inv[r][c];
        m_[r][3] = t[r];
    }
    return true;
}

MMTransformMatrix& MMTransformMatrix::PostMultiply(MMTransformMatrix const& m)
{
    double out[3][4];
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            double v = 0.0;
            for (int k = 0; k < 3; ++k) v += m_[r][k] * m.m_[k][c];
            out[r][c] = v;
        }
        out[r][3] += m_[r][3];
    }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) m_[r][c] = out[r][c];
    return *this;
}

MMPoint3d<double> MMTransformMatrix::Transform(MMPoint3d<double> const& p, bool isDirection) const
{
    double const w = isDirection ? 0.0 : 1.0;
    return {m_[0][0] * p.x + m_[0][1] * p.y + m_[0][2] * p.z + w * m_[0][3],
            m_[1][0] * p.x + m_[1][1] * p.y + m_[1][2] * p.z + w * m_[1][3],
            m_[2][0] * p.x + m_[2][1] * p.y + m_[2][2] * p.z + w * m_[2][3]};
}

bool MMTransformMatrix::IsIdentity() const
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            if (m_[r][c] != ((r == c) ? 1.0 : 0.0)) return false;
    return true;
}
