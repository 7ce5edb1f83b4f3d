// Affine transforms against the same maps applied by hand: points, directions, composition and
// inverses; the closed forms of translations and rotations; singular matrices left alone.
#include <gtest/gtest.h>

#include "interfaces/MathCore.h"
#include "support/random_scene.h"
#include <cmath>
#include <limits>
#include <random>

namespace
{
double Distance(MMPoint3d<double> const& a, MMPoint3d<double> const& b) { return (a - b).Length(); }

struct RandomAffine
{
    double linear[3][3];
    MMPoint3d<double> translation;
    MMTransformMatrix matrix;
};

// A random affine map whose linear part is well away from singular (diagonal dominance).
RandomAffine MakeRandomAffine(std::mt19937& rng)
{
    std::uniform_real_distribution<double> u(-1.0, 1.0), scale(0.2, 50.0), shift(-1e5, 1e5);
    RandomAffine r{};
    double const s = scale(rng);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.linear[i][j] = s * (u(rng) + (i == j ? 4.0 * (u(rng) < 0 ? -1 : 1) : 0.0));
    r.translation = {shift(rng), shift(rng), shift(rng)};
    r.matrix = MMTransformMatrix(r.linear, r.translation);
    return r;
}

// Applied by hand, independently of the class.
MMPoint3d<double> Apply(RandomAffine const& a, MMPoint3d<double> const& p)
{
    MMPoint3d<double> out = a.translation;
    for (int i = 0; i < 3; ++i) out[i] += a.linear[i][0] * p.x + a.linear[i][1] * p.y + a.linear[i][2] * p.z;
    return out;
}

// Entry by entry, NaN matching NaN.
void ExpectSameEntries(MMTransformMatrix const& a, MMTransformMatrix const& b)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_TRUE(a.Get(r, c) == b.Get(r, c) || (std::isnan(a.Get(r, c)) && std::isnan(b.Get(r, c))))
                << r << "," << c;
}
} // namespace

TEST(Transforms, PointsDirectionsCompositionAndInversesAgreeWithTheMapsAppliedByHand)
{
    using vz_test::RandomPoint;
    std::mt19937 rng(3);
    for (int trial = 0; trial < 200; ++trial)
    {
        RandomAffine const a = MakeRandomAffine(rng), b = MakeRandomAffine(rng);
        MMPoint3d<double> const p = RandomPoint(rng, -1e3, 1e3), d = RandomPoint(rng, -10, 10);
        EXPECT_LE(Distance(a.matrix.Transform(p, false), Apply(a, p)), 1e-9 * (1 + Apply(a, p).Length()));
        // A direction moves without the translation: the difference of two mapped points.
        MMPoint3d<double> const dd = Apply(a, p + d) - Apply(a, p);
        EXPECT_LE(Distance(a.matrix.Transform(d, true), dd), 1e-6 * (1 + dd.Length()));
        // PostMultiply applies its argument first.
        MMTransformMatrix ab = a.matrix;
        ab.PostMultiply(b.matrix);
        MMPoint3d<double> const expected = Apply(a, Apply(b, p));
        EXPECT_LE(Distance(ab.Transform(p, false), expected), 1e-9 * (1 + expected.Length()));
        // (A B)^-1 = B^-1 A^-1, and A^-1 undoes A
        MMTransformMatrix inverseAb = ab, inverseA = a.matrix, inverseB = b.matrix;
        ASSERT_TRUE(inverseAb.Invert() && inverseA.Invert() && inverseB.Invert());
        MMPoint3d<double> const q = RandomPoint(rng, -1e3, 1e3);
        MMPoint3d<double> const viaParts = inverseB.Transform(inverseA.Transform(q, false), false);
        EXPECT_LE(Distance(inverseAb.Transform(q, false), viaParts), 1e-7 * (1 + viaParts.Length()));
        EXPECT_LE(Distance(inverseA.Transform(Apply(a, q), false), q), 1e-7 * (1 + q.Length()));
        MMTransformMatrix both = a.matrix;
        both.PostMultiply(inverseA);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(both.Get(r, c), r == c ? 1.0 : 0.0, 1e-12);
        EXPECT_LE(both.Transform({0, 0, 0}, false).Length(), 1e-7);
        EXPECT_EQ(MMTransformMatrix().Transform(p, false), p);
    }
    EXPECT_TRUE(MMTransformMatrix().IsIdentity());
    MMTransformMatrix const shift = MMTransformMatrix::Translation({1, -2, 3});
    EXPECT_EQ(shift.Transform({1, 1, 1}, false), MMPoint3d<double>(2, -1, 4));
    EXPECT_EQ(shift.Transform({1, 1, 1}, true), MMPoint3d<double>(1, 1, 1));
    MMTransformMatrix const quarter = MMTransformMatrix::Rotation({0, 0, 2}, M_PI / 2);
    EXPECT_LE(Distance(quarter.Transform({1, 0, 0}, false), {0, 1, 0}), 1e-15); // right-handed
    EXPECT_TRUE(MMTransformMatrix::Rotation({0, 0, 0}, 1.0).IsIdentity());
    // Uniformly tiny but regular maps invert too.
    double const tiny[3][3] = {{1e-6, 0, 0}, {0, 2e-6, 0}, {0, 0, 1e-6}};
    MMTransformMatrix small(tiny, {1, 1, 1});
    ASSERT_TRUE(small.Invert());
    EXPECT_LE(Distance(small.Transform({1 + 1e-6, 1 + 2e-6, 1 + 3e-6}, false), {1, 1, 3}), 1e-6);
}

TEST(Transforms, SingularMatricesAreNotInvertedAndStayUnchanged)
{
    double const rankTwo[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 1, 5}};
    double const rankOne[3][3] = {{1, 2, 3}, {2, 4, 6}, {-1, -2, -3}};
    double const zero[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    double const nearly[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1e-17}};
    double const withNaN[3][3] = {{1, 0, 0}, {0, std::numeric_limits<double>::quiet_NaN(), 0}, {0, 0, 1}};
    double const withInf[3][3] = {{1, 0, 0}, {0, std::numeric_limits<double>::infinity(), 0}, {0, 0, 1}};
    for (auto const* linear : {rankTwo, rankOne, zero, nearly, withNaN, withInf})
    {
        MMTransformMatrix m(linear, {7, 8, 9});
        MMTransformMatrix const before = m;
        EXPECT_FALSE(m.Invert());
        ExpectSameEntries(m, before);
    }
}
