// Rotations, quaternions and Euler rates; parameters and equality; poses,
// tracking errors and the balance controller.

#include "fourbar3dshipclass.h"
#include "testbody.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using Eigen::Matrix3d;
using Eigen::Vector3d;
using Eigen::Vector4d;
using Eigen::VectorXd;
typedef FourBar3DShipClass Model;

namespace {

const double kPsi90 = 90.0 * 3.14159 / 180.0;

Matrix3d Rx(double a) { return Eigen::AngleAxisd(a, Vector3d::UnitX()).toRotationMatrix(); }
Matrix3d Ry(double a) { return Eigen::AngleAxisd(a, Vector3d::UnitY()).toRotationMatrix(); }
Matrix3d Rz(double a) { return Eigen::AngleAxisd(a, Vector3d::UnitZ()).toRotationMatrix(); }

::testing::AssertionResult near(const Eigen::MatrixXd &a, const Eigen::MatrixXd &b, double tol = 1e-12)
{
    if (a.rows() != b.rows() || a.cols() != b.cols())
        return ::testing::AssertionFailure() << "shapes differ";
    if (!((a - b).cwiseAbs().maxCoeff() <= tol))
        return ::testing::AssertionFailure() << "\n" << a << "\n  !=\n" << b;
    return ::testing::AssertionSuccess();
}

VectorXd vec(std::initializer_list<double> values)
{
    VectorXd v(values.size());
    int i = 0;
    for (double x : values)
        v(i++) = x;
    return v;
}

VectorXd unit(int size, int index, double value = 1.0)
{
    VectorXd v = VectorXd::Zero(size);
    v(index) = value;
    return v;
}

} // namespace

TEST(ModelRotations, RotationMatrixMapsParentToChild)
{
    EXPECT_TRUE(near(Model::rotationMatrix(Vector3d::Zero()), Matrix3d::Identity()));
    const double a = 0.3;
    Matrix3d expected;
    expected << 1, 0, 0, 0, std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a);
    EXPECT_TRUE(near(Model::rotationMatrix(Vector3d(a, 0, 0)), expected));
    expected << std::cos(a), 0, -std::sin(a), 0, 1, 0, std::sin(a), 0, std::cos(a);
    EXPECT_TRUE(near(Model::rotationMatrix(Vector3d(0, a, 0)), expected));
    expected << std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a), 0, 0, 0, 1;
    EXPECT_TRUE(near(Model::rotationMatrix(Vector3d(0, 0, a)), expected));

    std::mt19937 rng(3);
    std::uniform_real_distribution<double> angle(-3.0, 3.0);
    for (int i = 0; i < 100; ++i) {
        const Vector3d v(angle(rng), angle(rng), angle(rng));
        const Matrix3d R = Model::rotationMatrix(v);
        EXPECT_TRUE(near(R, (Rx(v(0)) * Ry(v(1)) * Rz(v(2))).transpose()));
        EXPECT_TRUE(near(R, Model::rotationMatrix(Vector3d(0, 0, v(2))) * Model::rotationMatrix(Vector3d(0, v(1), 0))
                                * Model::rotationMatrix(Vector3d(v(0), 0, 0))));
        const Vector3d axis(std::sin(v(1)), -std::sin(v(0)) * std::cos(v(1)), std::cos(v(0)) * std::cos(v(1)));
        EXPECT_TRUE(near(R.transpose() * Vector3d::UnitZ(), axis));
    }
}

TEST(ModelRotations, SkewMatrixIsTheCrossProduct)
{
    const Vector3d v(1.5, -2.0, 0.25), w(-0.3, 0.7, 4.0);
    EXPECT_TRUE(near(Model::skewMatrix(v) * w, v.cross(w)));
    EXPECT_TRUE(near(Model::skewMatrix(v).transpose(), -Model::skewMatrix(v)));
}

// A child turning with angular velocity w (its own frame) changes its
// rotation as dR/dt = -skew(w) R; the Euler-angle rates must agree.
TEST(ModelRotations, EulerRatesFollowTheAngularVelocity)
{
    EXPECT_TRUE(near(Model::eulerRateMatrix(Vector3d::Zero()), Matrix3d::Identity()));
    EXPECT_TRUE(near(Model::angularVelocityMatrix(Vector3d::Zero()), Matrix3d::Identity()));
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> angle(-1.2, 1.2);
    for (int i = 0; i < 50; ++i) {
        const Vector3d a(angle(rng), angle(rng), angle(rng));
        const Vector3d w(angle(rng), angle(rng), angle(rng));
        EXPECT_TRUE(near(Model::eulerRateMatrix(a) * Model::angularVelocityMatrix(a), Matrix3d::Identity()));

        const Vector3d adot = Model::eulerRateMatrix(a) * w;
        const double h = 1e-6;
        const Matrix3d Rdot = (Model::rotationMatrix(a + h * adot) - Model::rotationMatrix(a - h * adot)) / (2 * h);
        EXPECT_TRUE(near(Rdot, -Model::skewMatrix(w) * Model::rotationMatrix(a), 1e-8));

        // angularAcceleration is the time derivative of A(a) * adot.
        const Vector3d add(angle(rng), angle(rng), angle(rng));
        auto omega = [&](double t) {
            const Vector3d at = a + adot * t + 0.5 * add * t * t;
            return Vector3d(Model::angularVelocityMatrix(at) * (adot + add * t));
        };
        EXPECT_TRUE(near(Model::angularAcceleration(a, adot, add), (omega(h) - omega(-h)) / (2 * h), 1e-7));
    }
}

TEST(ModelRotations, QuaternionsOfRotations)
{
    EXPECT_TRUE(near(Model::rotationToQuaternion(Matrix3d::Identity()), Vector4d(0, 0, 0, 1)));
    for (double c : {0.4, -2.5, 3.1}) {
        const Vector4d expected(0, 0, std::sin(c / 2), std::cos(c / 2));
        EXPECT_TRUE(near(Model::rotationToQuaternion(Model::rotationMatrix(Vector3d(0, 0, c)).transpose()), expected));
    }
    // Half turns take the w = 0 branch.
    EXPECT_TRUE(near(Model::rotationToQuaternion(Vector3d(1, -1, -1).asDiagonal().toDenseMatrix()), Vector4d(1, 0, 0, 0)));
    EXPECT_TRUE(near(Model::rotationToQuaternion(Vector3d(-1, 1, -1).asDiagonal().toDenseMatrix()), Vector4d(0, 1, 0, 0)));
    EXPECT_TRUE(near(Model::rotationToQuaternion(Vector3d(-1, -1, 1).asDiagonal().toDenseMatrix()), Vector4d(0, 0, 1, 0)));

    // Any rotation short of a half turn: the quaternion rebuilds the matrix.
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> angle(-1.0, 1.0);
    for (int i = 0; i < 50; ++i) {
        const Matrix3d R = Model::rotationMatrix(Vector3d(angle(rng), angle(rng), angle(rng))).transpose();
        const Vector4d q = Model::rotationToQuaternion(R);
        EXPECT_TRUE(near(Eigen::Quaterniond(q(3), q(0), q(1), q(2)).toRotationMatrix(), R));
    }

    // Rounding just past a half turn: finite, not NaN.
    Matrix3d almost = Vector3d(1, -1, -1).asDiagonal();
    almost(1, 1) -= 1e-15;
    almost(2, 2) -= 1e-15;
    EXPECT_TRUE(Model::rotationToQuaternion(almost).allFinite());
}

TEST(ModelRotations, Sign)
{
    EXPECT_EQ(Model::sign(-2.0), -1);
    EXPECT_EQ(Model::sign(-0.0), 0);
    EXPECT_EQ(Model::sign(0.0), 0);
    EXPECT_EQ(Model::sign(1e-300), 1);
}

TEST(ModelParameters, EqualityComparesLengthsMassesAndInertias)
{
    const fullform::Body b = testbody::parameters();
    Model first, second;
    EXPECT_EQ(first.lengths().size(), 0);
    EXPECT_EQ(first.masses().size(), 0);
    testbody::apply(first, b);
    testbody::apply(second, b);
    EXPECT_TRUE(first == second);

    for (int which = 0; which < 4; ++which) {
        for (int k = 0; k < 4; ++k) {
            fullform::Body changed = b;
            Eigen::Vector4d *vectors[4] = {&changed.masses, &changed.lengths, &changed.Ixy, &changed.Izz};
            (*vectors[which])(k) *= 1.01;
            testbody::apply(second, changed);
            EXPECT_FALSE(first == second) << "vector " << which << " entry " << k;
        }
    }
    // The last call wins.
    testbody::apply(second, b);
    EXPECT_TRUE(first == second);
    // Vectors of another size compare unequal rather than failing.
    second.setParameters(b.masses.head<3>(), b.lengths, b.Ixy, b.Izz);
    EXPECT_FALSE(first == second);
}

class ModelGeometry : public ::testing::Test
{
protected:
    void SetUp() override { testbody::apply(model, body); }

    VectorXd stackedCentres() const
    {
        const Eigen::Vector4d L = body.lengths;
        return vec({0, 0, L(0) / 2, 0, 0, L(0) + L(1) / 2, 0, 0, L(0) + L(1) + L(2) / 2, 0, 0,
                    L(0) + L(1) + L(2) + L(3) / 2});
    }

    fullform::Body body = testbody::parameters();
    Model model;
};

TEST_F(ModelGeometry, PoseOfTheLinks)
{
    EXPECT_TRUE(near(model.computePose(VectorXd::Zero(12), VectorXd::Zero(6)), stackedCentres()));
    EXPECT_TRUE(near(model.computePose(VectorXd::Zero(12), vec({0.3, -0.2, 0.1, 0, 0, 0})), stackedCentres()));

    // Link 2 tilted about x: links 2 to 4 swing into -y about the top of link 1.
    const double a = 0.2, L1 = body.lengths(0);
    const VectorXd pose = model.computePose(unit(12, 3, a), VectorXd::Zero(6));
    EXPECT_TRUE(near(pose.head<3>(), Vector3d(0, 0, L1 / 2)));
    const double r = body.lengths(1) / 2;
    EXPECT_TRUE(near(pose.segment<3>(3), Vector3d(0, -r * std::sin(a), L1 + r * std::cos(a))));
}

TEST_F(ModelGeometry, ViewPoseInTheWorld)
{
    const Eigen::Vector4d L = body.lengths;
    VectorXd points = VectorXd::Zero(24), quats = VectorXd::Zero(20);
    model.computeViewPose(VectorXd::Zero(12), VectorXd::Zero(6), 0.0, points, quats);
    VectorXd tops(12);
    tops << 0, 0, L(0), 0, 0, L(0) + L(1), 0, 0, L(0) + L(1) + L(2), 0, 0, L.sum();
    EXPECT_TRUE(near(points.head(12), stackedCentres()));
    EXPECT_TRUE(near(points.tail(12), tops));
    for (int k = 0; k < 5; ++k)
        EXPECT_TRUE(near(quats.segment<4>(4 * k), Vector4d(0, 0, 0, 1)));

    // A ship roll alone tilts everything with the deck.
    const double a = 0.1;
    model.computeViewPose(VectorXd::Zero(12), vec({a, 0, 0, 0, 0, 0}), 0.0, points, quats);
    EXPECT_TRUE(near(points.segment<3>(12), Vector3d(0, -L(0) * std::sin(a), L(0) * std::cos(a))));
    for (int k = 0; k < 5; ++k)
        EXPECT_TRUE(near(quats.segment<4>(4 * k), Vector4d(std::sin(a / 2), 0, 0, std::cos(a / 2))));

    // A turn alone leaves an upright body in place and turns the links about z.
    model.computeViewPose(VectorXd::Zero(12), VectorXd::Zero(6), 90.0, points, quats);
    EXPECT_TRUE(near(points.head(12), stackedCentres()));
    EXPECT_TRUE(near(quats.head<4>(), Vector4d(0, 0, 0, 1)));
    for (int k = 1; k < 5; ++k)
        EXPECT_TRUE(near(quats.segment<4>(4 * k), Vector4d(0, 0, std::sin(kPsi90 / 2), std::cos(kPsi90 / 2))));
}

TEST_F(ModelGeometry, TrackingErrors)
{
    const VectorXd ship = vec({0.3, 0.2, -0.1, 0, 0, 0});
    const VectorXd still = VectorXd::Zero(12);
    VectorXd e = model.computeError(unit(12, 0, 0.1), ship, still);
    EXPECT_NEAR(e(0), 0.1, 1e-14);
    EXPECT_NEAR(e(1), 0.0, 1e-14);
    e = model.computeError(unit(12, 1, 0.1), ship, still);
    EXPECT_NEAR(e(0), 0.0, 1e-14);
    EXPECT_NEAR(e(1), 0.1, 1e-14);
    e = model.computeError(unit(12, 2, 0.7), ship, still);
    EXPECT_NEAR(e(0), 0.0, 1e-14);
    EXPECT_NEAR(e(1), 0.0, 1e-14);
    EXPECT_EQ(e(2), 0.7);
    VectorXd q = vec({0.1, 0.1, 0, 0.2, -0.3, 0.4, 0.5, -0.6, 0.7, 0.8, 0.9, -1.0});
    e = model.computeError(q, ship, still);
    EXPECT_NEAR(e(0), 0.1, 1e-14);
    EXPECT_NEAR(e(1), std::atan2(std::sin(0.1), std::cos(0.1) * std::cos(0.1)), 1e-14);
    EXPECT_GT(e(1), 0.1);
    EXPECT_TRUE(near(e.segment(2, 10), q.segment(2, 10), 0.0));
    EXPECT_TRUE(near(e.tail(12), VectorXd::Zero(12), 0.0));

    // With q zero the rates add up link by link.
    const VectorXd u = VectorXd::LinSpaced(12, 0.1, 1.2);
    e = model.computeError(VectorXd::Zero(12), ship, u);
    for (int k = 0; k < 4; ++k) {
        Vector3d sum = Vector3d::Zero();
        for (int j = 0; j <= k; ++j)
            sum += u.segment<3>(3 * j);
        EXPECT_TRUE(near(e.segment<3>(12 + 3 * k), sum));
    }
    // The rates are expressed in the person frame.
    e = model.computeError(unit(12, 0, 0.1), ship, unit(12, 4));
    EXPECT_TRUE(near(e.segment<3>(12), Vector3d::Zero()));
    for (int k = 1; k < 4; ++k)
        EXPECT_TRUE(near(e.segment<3>(12 + 3 * k), Vector3d(0, std::cos(0.1), std::sin(0.1))));
    // The ship's attitude plays no part.
    EXPECT_EQ(model.computeError(q, ship, u), model.computeError(q, VectorXd::Zero(6), u));
}

TEST_F(ModelGeometry, BalanceControllerWorkedExamples)
{
    const VectorXd coef = testbody::coefficients();
    const double c0 = coef(0), c1 = coef(1);
    const VectorXd zero12 = VectorXd::Zero(12), zero6 = VectorXd::Zero(6);
    auto control = [&](const VectorXd &pos, const VectorXd &vel, const VectorXd &u, double turn) {
        return model.computeControl(zero12, u, zero6, pos, vel, turn, coef);
    };
    EXPECT_TRUE(near(control(zero12, zero12, zero12, 0.0), VectorXd::Zero(24), 0.0));

    const double x = 0.01;
    VectorXd expected = VectorXd::Zero(24);
    expected(0) = -0.4 * c0 * x;
    expected(3) = 1.6 * c0 * x;
    expected(6) = -1.5 * c0 * x;
    expected(9) = -0.1 * c0 * x;
    EXPECT_TRUE(near(control(unit(12, 0, x), zero12, zero12, 0.0), expected, 1e-11));

    const double y = -0.02;
    expected.setZero();
    expected(1) = -1.1 * c1 * y;
    expected(4) = 0.7 * c1 * y;
    expected(7) = -1.5 * c1 * y;
    expected(10) = -0.1 * c1 * y;
    EXPECT_TRUE(near(control(unit(12, 1, y), zero12, zero12, 0.0), expected, 1e-11));

    const double r = 0.3;
    EXPECT_TRUE(near(control(zero12, unit(12, 0, r), zero12, 0.0), unit(24, 0, -0.3 * c0 * r), 1e-11));
    for (int i : {2, 3, 5, 8, 11}) {
        EXPECT_TRUE(near(control(zero12, unit(12, i, r), zero12, 0.0), VectorXd::Zero(24), 0.0)) << i;
        EXPECT_TRUE(near(control(unit(12, i, r), zero12, zero12, 0.0), VectorXd::Zero(24), 0.0)) << i;
    }

    // Damping: the rates as they come, z entries included.
    const VectorXd u = VectorXd::LinSpaced(12, -0.6, 0.5);
    VectorXd damping = VectorXd::Zero(24);
    damping.head(12) = -10.0 * u;
    EXPECT_TRUE(near(control(zero12, zero12, u, 0.0), damping, 1e-13));

    // Turned by 90 degrees: link 1's local x moment points along the turned x.
    const VectorXd turned = control(unit(12, 0, x), zero12, zero12, 90.0);
    const double m = -2.0 * c0 * x;
    const double m3 = -1.6 * c0 * x;
    // Entry 0 is netted against link 3, entry 1 against link 2 (no x gain).
    EXPECT_TRUE(near(turned.head<3>(), Vector3d((m - m3) * std::cos(kPsi90), m * std::sin(kPsi90), 0), 1e-11));

    // Extra coefficients are ignored.
    const VectorXd e = vec({0.01, -0.02, 0, 0, 0.03, 0, -0.01, 0.02, 0, 0.05, -0.04, 0});
    EXPECT_EQ(model.computeControl(e, u, zero6, e, e, 30.0, vec({712.0, 807.0, 5.0})),
              model.computeControl(e, u, zero6, e, e, 30.0, coef));
}

// Short vectors and a model without parameters: no crash, no read past the
// end; the results are not finite where nothing finite can be computed.
TEST(ModelRobustness, ShortVectorsAndMissingParameters)
{
    Model bare;
    const VectorXd q12 = VectorXd::Constant(12, 0.1), zero6 = VectorXd::Zero(6);
    EXPECT_FALSE(bare.computePose(q12, zero6).allFinite());
    EXPECT_EQ(bare.computePose(q12, zero6).size(), 12);

    Model model;
    testbody::apply(model, testbody::parameters());
    const VectorXd shortQ = VectorXd::Constant(5, 0.1);
    const VectorXd none;
    EXPECT_EQ(model.computePose(shortQ, none).size(), 12);
    EXPECT_FALSE(model.computePose(shortQ, none).allFinite());
    EXPECT_EQ(model.computeError(shortQ, none, none).size(), 24);
    // Outputs of the wrong size are resized.
    VectorXd points(3), quats;
    model.computeViewPose(shortQ, none, 0.0, points, quats);
    EXPECT_EQ(points.size(), 24);
    EXPECT_EQ(quats.size(), 20);
#ifdef QT_NO_DEBUG
    // A short coefficient vector stops debug builds at an assertion.
    EXPECT_FALSE(model.computeControl(q12, q12, zero6, q12, q12, 0.0, vec({712.0})).allFinite());
#endif
    EXPECT_EQ(model.computeControl(shortQ, none, none, none, none, 0.0, testbody::coefficients()).size(), 24);

    // Short parameter vectors leave the missing links without geometry.
    model.setParameters(vec({1.0, 2.0}), vec({0.5}), none, none);
    EXPECT_EQ(model.masses().size(), 2);
    EXPECT_TRUE(model.computePose(VectorXd::Zero(12), zero6).head<3>().allFinite());
    EXPECT_FALSE(model.computePose(VectorXd::Zero(12), zero6).tail<3>().allFinite());
}
