// Laws the equations of motion obey whatever their formulas, and degenerate
// inputs.

#include "bodyrk4.h"
#include "fourbar3dshipclass.h"

#include <gtest/gtest.h>

#include <functional>

using Eigen::Matrix3d;
using Eigen::Vector3d;
using Eigen::Vector4d;
using Eigen::VectorXd;
typedef FourBar3DShipClass Model;
typedef Model::Vector6d Vector6d;
typedef Model::Vector12d Vector12d;

namespace {

const double g = 9.81;
// A body of about 90 kg and 1.7 m.
const Vector4d kMasses(10.9, 17.9, 53.5, 7.3), kLengths(0.49, 0.42, 0.5, 0.31);
const Vector4d kIxy(0.28, 0.33, 1.3, 0.15), kIzz(0.03, 0.05, 0.4, 0.02);

struct Body : Model { Body() { setParameters(kMasses, kLengths, kIxy, kIzz); } };

// Everything computeAccel reads besides q and u.
struct Load
{
    Vector6d shipAngles = Vector6d::Zero(), shipRates = Vector6d::Zero(), shipAccel = Vector6d::Zero();
    Vector12d moments = Vector12d::Zero(), forces = Vector12d::Zero();
    double turn = 0.0;
};

VectorXd accel(const Model &m, const Vector12d &q, const Vector12d &u, const Load &l = Load())
{
    return m.computeAccel(q, u, l.shipAngles, l.shipRates, l.shipAccel, l.moments, l.forces, l.turn);
}

// Child to parent coordinates for X-Y-Z Euler angles.
Matrix3d toParent(const Vector3d &a)
{
    using Eigen::AngleAxisd;
    return (AngleAxisd(a(0), Vector3d::UnitX()) * AngleAxisd(a(1), Vector3d::UnitY())
            * AngleAxisd(a(2), Vector3d::UnitZ())).toRotationMatrix();
}

Eigen::Quaterniond quaternion(const VectorXd &quats, int i)
{
    return Eigen::Quaterniond(quats(4 * i + 3), quats(4 * i), quats(4 * i + 1), quats(4 * i + 2));
}

// Kinetic and potential energy on a still, level deck, from the view pose: the
// centres' velocities and the links' angular velocities by central differences
// along q-dot.
std::pair<double, double> energy(const Model &m, const Vector12d &q, const Vector12d &u)
{
    const double h = 1e-6;
    const Vector12d qdot = accel(m, q, u).head<12>();
    VectorXd points[3], quats[3];
    for (int s = 0; s < 3; ++s)
        m.computeViewPose(q + (s - 1) * h * qdot, Vector6d::Zero(), 0.0, points[s], quats[s]);
    double kinetic = 0.0, potential = 0.0;
    for (int k = 0; k < 4; ++k) {
        const Vector3d v = (points[2] - points[0]).segment<3>(3 * k) / (2 * h);
        const Eigen::Quaterniond turn = quaternion(quats[2], k + 1) * quaternion(quats[0], k + 1).conjugate();
        const Vector3d w = (turn.w() < 0 ? -1.0 : 1.0) * turn.vec() / h; // world frame
        const Vector3d axis = quaternion(quats[1], k + 1) * Vector3d::UnitZ();
        const Matrix3d J = kIxy(k) * Matrix3d::Identity() + (kIzz(k) - kIxy(k)) * axis * axis.transpose();
        kinetic += 0.5 * kMasses(k) * v.squaredNorm() + 0.5 * w.dot(J * w);
        potential += kMasses(k) * g * points[1](3 * k + 2);
    }
    return {kinetic, potential};
}

} // namespace

// No control on a still deck: the body falls far and keeps its energy.
TEST(ModelPhysics, FallingBodyConservesEnergy)
{
    const Body model;
    Vector12d q, u;
    q << 0.01, -0.005, 0, 0, 0.01, 0, -0.01, 0.005, 0, 0.02, -0.01, 0;
    u << 0.03, -0.02, 0, 0, 0.05, 0, -0.04, 0.03, 0, 0.06, -0.05, 0;
    const auto start = energy(model, q, u);
    double drift = 0.0, kinetic = start.first;
    const double dt = 1e-3;
    for (int step = 0; step < 600; ++step) {
        const VectorXd k1 = accel(model, q, u);
        const VectorXd k2 = accel(model, q + dt / 2 * k1.head<12>(), u + dt / 2 * k1.tail<12>());
        const VectorXd k3 = accel(model, q + dt / 2 * k2.head<12>(), u + dt / 2 * k2.tail<12>());
        const VectorXd sum = k1 + 2 * k2 + 2 * k3 + accel(model, q + dt * k3.head<12>(), u + dt * k3.tail<12>());
        q += dt / 6 * sum.head<12>();
        u += dt / 6 * sum.tail<12>();
        const auto e = energy(model, q, u);
        drift = std::max(drift, std::abs(e.first + e.second - start.first - start.second));
        kinetic = std::max(kinetic, e.first);
    }
    EXPECT_GT(q.cwiseAbs().maxCoeff(), 1.0);
    // Measured 3.4e-10 of the largest kinetic energy (RK4 at 1 ms and the
    // differences); the bound is about ten times that.
    EXPECT_LT(drift / kinetic, 3e-9);
}

struct Tilt { int axis; double tilt, turn; };
class SingleLink : public ::testing::TestWithParam<Tilt> {};

// Link 1 alone on a still, level deck is a rigid inverted pendulum about its
// base, whatever its rate and the turn: angular acceleration
// m g (L/2) sin(tilt) / (Ixy + m (L/2)^2) about the tilted axis, none else.
TEST_P(SingleLink, IsAnInvertedPendulum)
{
    const Tilt t = GetParam();
    const double m = 11.0, L = 0.5, Ixy = 0.3;
    Model model;
    model.setParameters(Vector4d(m, 0, 0, 0), Vector4d(L, 0.4, 0.4, 0.2), Vector4d(Ixy, 0, 0, 0),
                        Vector4d(0.05, 0, 0, 0));
    Vector12d q = Vector12d::Zero(), u = Vector12d::Zero();
    q(t.axis) = t.tilt;
    u(t.axis) = 0.7;
    Load load;
    load.turn = t.turn;
    VectorXd expected = VectorXd::Zero(12);
    expected(t.axis) = m * g * (L / 2) * std::sin(t.tilt) / (Ixy + m * L * L / 4);
    EXPECT_LT((accel(model, q, u, load).tail(12) - expected).cwiseAbs().maxCoeff(),
              1e-12 * std::abs(expected(t.axis)));
}
INSTANTIATE_TEST_SUITE_P(Tilts, SingleLink,
                         ::testing::Values(Tilt{0, 0.05, 0.0}, Tilt{1, -0.3, 37.0}, Tilt{0, 1.0, -90.0},
                                           Tilt{1, 1.0, 0.0}));

// d'Alembert: a linear deck acceleration a (ship frame) acts on the body like
// the forces -m_k a at the centres of gravity, a turned into the world once.
TEST(ModelPhysics, DeckAccelerationActsLikeInertialForces)
{
    const Body model;
    std::srand(11);
    for (int i = 0; i < 20; ++i) {
        const Vector12d q = 0.3 * Vector12d::Random(), u = 0.5 * Vector12d::Random();
        Load still;
        still.shipAngles.head<3>() = 0.5 * Vector3d::Random();
        still.shipRates.head<3>() = 0.3 * Vector3d::Random();
        still.shipAccel.head<3>() = Vector3d::Random();
        still.moments = 50.0 * Vector12d::Random();
        still.forces = 20.0 * Vector12d::Random();
        still.turn = 180.0 * Vector3d::Random()(0);
        Load moving = still;
        moving.shipAccel.tail<3>() = Vector3d(1.5, -0.8, 2.0);
        const Vector3d a_W = toParent(still.shipAngles.head<3>()) * moving.shipAccel.tail<3>();
        for (int k = 0; k < 4; ++k)
            still.forces.segment<3>(3 * k) -= kMasses(k) * a_W;
        const VectorXd expected = accel(model, q, u, still);
        EXPECT_LT((accel(model, q, u, moving) - expected).cwiseAbs().maxCoeff(),
                  1e-11 * std::max(1.0, expected.cwiseAbs().maxCoeff()));
    }
}

struct Degenerate { const char *name; std::function<bool()> holds; };
class DegenerateInput : public ::testing::TestWithParam<Degenerate> {};

// Results keep their sizes without reading past the end; not finite where
// nothing finite can be computed.
TEST_P(DegenerateInput, DoesNotCrash)
{
    EXPECT_TRUE(GetParam().holds()) << GetParam().name;
}
const VectorXd none, shortQ = VectorXd::Zero(3);
INSTANTIATE_TEST_SUITE_P(Rows, DegenerateInput, ::testing::Values(
    Degenerate{"massless body: zero accelerations", [] {
        Model m;
        m.setParameters(Vector4d::Zero(), kLengths, Vector4d::Zero(), Vector4d::Zero());
        Load pushed;
        pushed.moments.setConstant(10.0);
        return accel(m, Vector12d::Constant(0.3), Vector12d::Constant(0.5), pushed).tail(12).isZero(0.0);
    }},
    Degenerate{"no parameters", [] {
        const Model m;
        const VectorXd d = accel(m, Vector12d::Zero(), Vector12d::Zero()), p = m.computePose(shortQ, none);
        return d.size() == 27 && !d.allFinite() && p.size() == 12 && !p.allFinite();
    }},
    Degenerate{"short state vectors", [] {
        VectorXd q = shortQ, u, points(2), quats;
        Body().computeViewPose(shortQ, none, 0.0, points, quats);
        bodyRK4Step(Body(), q, u, 0.01, none, none, none, 0.0, Eigen::Vector2d(712.0, 807.0));
        return Body().computeError(shortQ, none, none).size() == 24 && points.size() == 24
            && quats.size() == 20 && q.size() == 12 && u.size() == 12 && !u.allFinite();
    }}));
