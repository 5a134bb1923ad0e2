#ifndef TESTBODY_H
#define TESTBODY_H

// The fixed unit-test body (89.6121 kg, 1.72 m, default fractions) and small
// helpers shared by the model's tests and benchmark.

#include "accelfullform.h"
#include "fourbar3dshipclass.h"

#include <Eigen/Dense>

#include <cmath>
#include <limits>
#include <random>

namespace testbody {

inline fullform::Body parameters()
{
    const double mass = 89.6121, height = 1.72;
    fullform::Body b;
    b.masses = Eigen::Vector4d(0.122, 0.2, 0.597, 0.081) * mass;
    b.lengths = Eigen::Vector4d(0.285, 0.245, 0.288, 0.182) * height;
    const Eigen::Vector4d ixyFractions(0.416, 0.323, 0.5, 0.495);
    b.Ixy = ixyFractions.cwiseProduct(b.lengths).array().square().matrix().cwiseProduct(b.masses);
    b.Izz = Eigen::Vector4d::Constant(0.25);
    return b;
}

inline void apply(FourBar3DShipClass &model, const fullform::Body &b)
{
    model.setParameters(b.masses, b.lengths, b.Ixy, b.Izz);
}

inline Eigen::VectorXd coefficients() { return Eigen::Vector2d(712.0, 807.0); }

// A random state of the body on a moving ship: angles up to `angle` rad,
// rates up to `rate` rad/s, locked entries included.
struct State
{
    FourBar3DShipClass::Vector12d q, u, ctrlMoments, ctrlForces;
    FourBar3DShipClass::Vector6d shipAngles, shipRates, shipAccel;
    double turnAngle;
};

inline State randomState(std::mt19937 &rng, double angle, double rate)
{
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto fill = [&](auto &v, double scale) {
        for (Eigen::Index i = 0; i < v.size(); ++i)
            v(i) = scale * unit(rng);
    };
    State s;
    fill(s.q, angle);
    fill(s.u, rate);
    fill(s.shipAngles, 0.3);
    fill(s.shipRates, 0.3);
    fill(s.shipAccel, 2.0);
    fill(s.ctrlMoments, 100.0);
    fill(s.ctrlForces, 20.0);
    s.turnAngle = 180.0 * unit(rng);
    return s;
}

// Largest difference, relative where the expected value exceeds 1 in size.
inline double mismatch(const Eigen::VectorXd &actual, const Eigen::VectorXd &expected)
{
    if (actual.size() != expected.size())
        return std::numeric_limits<double>::infinity();
    double worst = 0.0;
    for (Eigen::Index i = 0; i < actual.size(); ++i) {
        const double d = std::abs(actual(i) - expected(i)) / std::max(1.0, std::abs(expected(i)));
        if (std::isnan(d))
            return std::numeric_limits<double>::infinity();
        worst = std::max(worst, d);
    }
    return worst;
}

} // namespace testbody

#endif // TESTBODY_H
