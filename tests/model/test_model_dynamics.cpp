// Equations of motion and the Runge-Kutta step: agreement with the plain
// 18-speed form, invariants, and physical laws that do not come from the
// model's own formulas.

#include "accelfullform.h"
#include "bodyrk4.h"
#include "fourbar3dshipclass.h"
#include "testbody.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using Eigen::Matrix3d;
using Eigen::Vector3d;
using Eigen::VectorXd;
typedef FourBar3DShipClass::Vector6d Vector6d;
typedef FourBar3DShipClass::Vector12d Vector12d;

namespace {

VectorXd accel(const FourBar3DShipClass &model, const testbody::State &s)
{
    return model.computeAccel(s.q, s.u, s.shipAngles, s.shipRates, s.shipAccel, s.ctrlMoments,
                              s.ctrlForces, s.turnAngle);
}

VectorXd accelFullForm(const fullform::Body &body, const testbody::State &s)
{
    return fullform::computeAccel(body, s.q, s.u, s.shipAngles, s.shipRates, s.shipAccel,
                                  s.ctrlMoments, s.ctrlForces, s.turnAngle);
}

testbody::State restState()
{
    testbody::State s;
    s.q.setZero();
    s.u.setZero();
    s.shipAngles.setZero();
    s.shipRates.setZero();
    s.shipAccel.setZero();
    s.ctrlMoments.setZero();
    s.ctrlForces.setZero();
    s.turnAngle = 0.0;
    return s;
}

const int kFree[7] = {15, 16, 19, 21, 22, 24, 25};
const int kAlwaysZero[8] = {12, 13, 14, 17, 18, 20, 23, 26};

class ModelDynamics : public ::testing::Test
{
protected:
    void SetUp() override { testbody::apply(model, body); }

    fullform::Body body = testbody::parameters();
    FourBar3DShipClass model;
};

} // namespace

// The reduced computation against every matrix formed whole: balancing-size
// states, large angles with a tilted, turning ship, and locked rates non-zero.
TEST_F(ModelDynamics, AgreesWithFullForm)
{
    std::mt19937 rng(20240611);
    double worst = 0.0;
    for (int i = 0; i < 3000; ++i) {
        const double angle = i < 1000 ? 0.1 : 1.2;
        testbody::State s = testbody::randomState(rng, angle, i < 1000 ? 0.5 : 3.0);
        if (i % 3 == 0) {
            for (int locked : {2, 3, 5, 8, 11})
                s.u(locked) = 0.0;
        }
        worst = std::max(worst, testbody::mismatch(accel(model, s), accelFullForm(body, s)));
    }
    EXPECT_LT(worst, 1e-10);
}

TEST_F(ModelDynamics, UprightBodyAtRestStaysAtRest)
{
    for (double turn : {0.0, 7.3, 45.0, -90.0, 90.0, 180.0}) {
        testbody::State s = restState();
        s.turnAngle = turn;
        const VectorXd d = accel(model, s);
        ASSERT_EQ(d.size(), 27);
        EXPECT_LT(d.cwiseAbs().maxCoeff(), 1e-12) << "turn " << turn;
    }
}

TEST_F(ModelDynamics, StructureOfTheDerivative)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        const testbody::State s = testbody::randomState(rng, 1.0, 2.0);
        const VectorXd d = accel(model, s);
        ASSERT_EQ(d.size(), 27);
        for (int z : kAlwaysZero)
            EXPECT_EQ(d(z), 0.0) << "entry " << z;
        // q-dot = blockdiag(Euler-rate matrices) u.
        for (int k = 0; k < 4; ++k) {
            const Vector3d expected = FourBar3DShipClass::eulerRateMatrix(s.q.segment<3>(3 * k))
                * s.u.segment<3>(3 * k);
            EXPECT_LT((d.segment<3>(3 * k) - expected).norm(), 1e-14);
        }
        // Entries of the ship vectors beyond the third are not read.
        testbody::State t = s;
        t.shipAngles.tail<3>().setConstant(5.0);
        t.shipRates.tail<3>().setConstant(-5.0);
        EXPECT_EQ(accel(model, t), d);
    }
}

// d'Alembert: a linear deck acceleration a (ship frame) acts on the body like
// the forces -m_k R0^T a at the centres of gravity. A tilted ship must rotate
// the acceleration into the world once.
TEST_F(ModelDynamics, DeckAccelerationActsLikeInertialForces)
{
    std::mt19937 rng(11);
    for (int i = 0; i < 50; ++i) {
        testbody::State s = testbody::randomState(rng, 0.3, 0.5);
        s.shipAngles.head<3>() = Vector3d(0.4, -0.3, 0.7);
        const Vector3d aShip(1.5, -0.8, 2.0);
        testbody::State accelerated = s;
        accelerated.shipAccel.tail<3>() = aShip;
        testbody::State loaded = s;
        loaded.shipAccel.tail<3>().setZero();
        const Vector3d aWorld = FourBar3DShipClass::rotationMatrix(s.shipAngles.head<3>()).transpose() * aShip;
        for (int k = 0; k < 4; ++k)
            loaded.ctrlForces.segment<3>(3 * k) -= body.masses(k) * aWorld;
        EXPECT_LT(testbody::mismatch(accel(model, accelerated), accel(model, loaded)), 1e-11);
    }
}

// Link 1 alone on a still, level deck is a rigid inverted pendulum about its
// base: angular acceleration m g (L/2) sin(tilt) / (Ixy + m (L/2)^2).
TEST_F(ModelDynamics, SingleLinkIsAnInvertedPendulum)
{
    const double m = 11.0, L = 0.5, Ixy = 0.3;
    model.setParameters(Eigen::Vector4d(m, 0, 0, 0), Eigen::Vector4d(L, 0.4, 0.4, 0.2),
                        Eigen::Vector4d(Ixy, 0, 0, 0), Eigen::Vector4d(0.05, 0, 0, 0));
    for (int axis : {0, 1}) {
        for (double tilt : {0.05, -0.3, 1.0}) {
            for (double turn : {0.0, 37.0}) {
                testbody::State s = restState();
                s.q(axis) = tilt;
                s.u(axis) = 0.7;
                s.turnAngle = turn;
                const VectorXd d = accel(model, s);
                const double expected = m * 9.81 * (L / 2) * std::sin(tilt) / (Ixy + m * L * L / 4);
                EXPECT_NEAR(d(15 + axis), expected, 1e-12 * std::abs(expected));
                for (int f : kFree) {
                    if (f != 15 + axis) {
                        EXPECT_NEAR(d(f), 0.0, 1e-14) << "axis " << axis << " entry " << f;
                    }
                }
            }
        }
    }
}

namespace {

// Kinetic and potential energy of the body on a still, level deck, from the
// centres of gravity's velocities and the links' angular velocities, both
// found by central differences of the poses along q-dot.
std::pair<double, double> bodyEnergy(const FourBar3DShipClass &model, const fullform::Body &body,
                                     const Vector12d &q, const Vector12d &u)
{
    Vector12d qdot;
    for (int k = 0; k < 4; ++k)
        qdot.segment<3>(3 * k) = FourBar3DShipClass::eulerRateMatrix(q.segment<3>(3 * k)) * u.segment<3>(3 * k);
    const double h = 1e-6;
    const VectorXd none = VectorXd::Zero(6);
    const VectorXd pose = model.computePose(q, none);
    const VectorXd velocity =
        (model.computePose(q + h * qdot, none) - model.computePose(q - h * qdot, none)) / (2 * h);
    auto orientations = [](const Vector12d &angles, Matrix3d Q[4]) {
        Matrix3d P = Matrix3d::Identity();
        for (int k = 0; k < 4; ++k) {
            P = FourBar3DShipClass::rotationMatrix(angles.segment<3>(3 * k)) * P;
            Q[k] = P.transpose(); // link to world
        }
    };
    Matrix3d Q[4], Qp[4], Qm[4];
    orientations(q, Q);
    orientations(q + h * qdot, Qp);
    orientations(q - h * qdot, Qm);

    double kinetic = 0.0, potential = 0.0;
    for (int k = 0; k < 4; ++k) {
        const Matrix3d W = (Qp[k] - Qm[k]) / (2 * h) * Q[k].transpose();
        const Vector3d omega(W(2, 1), W(0, 2), W(1, 0));
        const Matrix3d J = Q[k] * Vector3d(body.Ixy(k), body.Ixy(k), body.Izz(k)).asDiagonal() * Q[k].transpose();
        kinetic += 0.5 * body.masses(k) * velocity.segment<3>(3 * k).squaredNorm() + 0.5 * omega.dot(J * omega);
        potential += body.masses(k) * 9.81 * pose(3 * k + 2);
    }
    return {kinetic, potential};
}

// Integrates the unloaded body on a still, level deck for 0.6 s and returns the
// worst change of its energy relative to the largest kinetic energy reached.
// All twelve angles are integrated: the locked rates stay zero on their own,
// and zeroing the locked angles would move the body.
template <typename Derivative>
double energyDrift(const FourBar3DShipClass &model, const fullform::Body &body, Derivative derivative)
{
    Vector12d q, u;
    q << 0.01, -0.005, 0.0, 0.0, 0.01, 0.0, -0.01, 0.005, 0.0, 0.02, -0.01, 0.0;
    u << 0.03, -0.02, 0.0, 0.0, 0.05, 0.0, -0.04, 0.03, 0.0, 0.06, -0.05, 0.0;
    const auto start = bodyEnergy(model, body, q, u);
    const double e0 = start.first + start.second;
    double drift = 0.0, kinetic = start.first;
    const double dt = 1e-3;
    for (int step = 0; step < 600; ++step) {
        const VectorXd k1 = derivative(q, u);
        const VectorXd k2 = derivative(q + dt / 2 * k1.head<12>(), u + dt / 2 * k1.tail<12>());
        const VectorXd k3 = derivative(q + dt / 2 * k2.head<12>(), u + dt / 2 * k2.tail<12>());
        const VectorXd k4 = derivative(q + dt * k3.head<12>(), u + dt * k3.tail<12>());
        const VectorXd sum = (k1 + 2 * k2 + 2 * k3 + k4) / 6.0;
        q += dt * sum.head<12>();
        u += dt * sum.tail<12>();
        const auto e = bodyEnergy(model, body, q, u);
        drift = std::max(drift, std::abs(e.first + e.second - e0));
        kinetic = std::max(kinetic, e.first);
    }
    // By then the body has fallen far: its angles are large.
    EXPECT_GT(q.cwiseAbs().maxCoeff(), 1.0);
    for (int locked : {2, 3, 5, 8, 11})
        EXPECT_LT(std::abs(u(locked)), 1e-12);
    return drift / kinetic;
}

} // namespace

TEST_F(ModelDynamics, FallingBodyConservesEnergy)
{
    const Vector6d zero6 = Vector6d::Zero();
    const Vector12d zero12 = Vector12d::Zero();
    const double drift = energyDrift(model, body, [&](const Vector12d &q, const Vector12d &u) {
        return model.computeAccel(q, u, zero6, zero6, zero6, zero12, zero12, 0.0);
    });
    // Measured 4e-10 (RK4 at 1 ms and the differences of the energy sum).
    EXPECT_LT(drift, 1e-8);

    // The check is sharp enough to see the velocity terms that come from the
    // rotation of the partial velocities with the link angles.
    const double driftWithout = energyDrift(model, body, [&](const Vector12d &q, const Vector12d &u) {
        return fullform::computeAccel(body, q, u, zero6, zero6, zero6, zero12, zero12, 0.0, false);
    });
    std::printf("drift %.3e without %.3e\n", drift, driftWithout);
    EXPECT_GT(driftWithout, 1e-3);
}

TEST_F(ModelDynamics, MasslessBodyGetsZeroAccelerations)
{
    const Eigen::Vector4d zero = Eigen::Vector4d::Zero();
    model.setParameters(zero, body.lengths, zero, zero);
    std::mt19937 rng(13);
    const VectorXd d = accel(model, testbody::randomState(rng, 0.5, 1.0));
    for (int f : kFree)
        EXPECT_EQ(d(f), 0.0);
}

TEST_F(ModelDynamics, DegenerateInputsDoNotCrash)
{
    testbody::State s = restState();
    s.q(1) = M_PI / 2;
    s.u(0) = 0.3;
    EXPECT_EQ(accel(model, s).size(), 27);

    FourBar3DShipClass bare;
    const VectorXd d = accel(bare, restState());
    ASSERT_EQ(d.size(), 27);
    EXPECT_FALSE(d.allFinite());

    // A step from short vectors gives back twelve entries each, not finite.
    VectorXd shortQ = VectorXd::Zero(3), shortU;
    const VectorXd zero6 = VectorXd::Zero(6);
    bodyRK4Step(model, shortQ, shortU, 0.01, VectorXd(), zero6, zero6, 0.0, testbody::coefficients());
    EXPECT_EQ(shortQ.size(), 12);
    EXPECT_EQ(shortU.size(), 12);
    EXPECT_FALSE(shortU.allFinite());
}
