// Cost of the equations of motion and of one Runge-Kutta step of the body.
// Goal: computeAccel at most 2 us per call.

#include "bodyrk4.h"
#include "fourbar3dshipclass.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// The unit-test body: 89.6121 kg, 1.72 m, the default fractions.
void setBody(FourBar3DShipClass &model)
{
    const Eigen::Vector4d masses = Eigen::Vector4d(0.122, 0.2, 0.597, 0.081) * 89.6121;
    const Eigen::Vector4d lengths = Eigen::Vector4d(0.285, 0.245, 0.288, 0.182) * 1.72;
    const Eigen::Vector4d gyration = Eigen::Vector4d(0.416, 0.323, 0.5, 0.495).cwiseProduct(lengths);
    model.setParameters(masses, lengths, gyration.cwiseProduct(gyration).cwiseProduct(masses),
                        Eigen::Vector4d::Constant(0.25));
}

// Random states of the body on a moving ship: small angles and rates, the
// locked entries included, any turn.
struct State
{
    FourBar3DShipClass::Vector12d q, u, ctrlMoments, ctrlForces;
    FourBar3DShipClass::Vector6d shipAngles, shipRates, shipAccel;
    double turnAngle;
};

std::vector<State> states()
{
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto fill = [&](auto &v, double scale) {
        for (Eigen::Index i = 0; i < v.size(); ++i)
            v(i) = scale * unit(rng);
    };
    std::vector<State> list(64);
    for (State &s : list) {
        fill(s.q, 0.2);
        fill(s.u, 0.5);
        fill(s.shipAngles, 0.3);
        fill(s.shipRates, 0.3);
        fill(s.shipAccel, 2.0);
        fill(s.ctrlMoments, 100.0);
        fill(s.ctrlForces, 20.0);
        s.turnAngle = 180.0 * unit(rng);
    }
    return list;
}

void BM_computeAccel(benchmark::State &state)
{
    FourBar3DShipClass model;
    setBody(model);
    const std::vector<State> list = states();
    size_t i = 0;
    for (auto _ : state) {
        const State &s = list[i++ % list.size()];
        benchmark::DoNotOptimize(model.computeAccel(s.q, s.u, s.shipAngles, s.shipRates, s.shipAccel,
                                                    s.ctrlMoments, s.ctrlForces, s.turnAngle));
    }
}
BENCHMARK(BM_computeAccel);

// One step of a balancing run: four stages of errors, control and
// accelerations, with the state carried from step to step.
void BM_rk4Step(benchmark::State &state)
{
    FourBar3DShipClass model;
    setBody(model);
    const std::vector<State> list = states();
    const Eigen::VectorXd coef = Eigen::Vector2d(712.0, 807.0);
    Eigen::VectorXd q = Eigen::VectorXd::Zero(12), u = Eigen::VectorXd::Zero(12);
    size_t i = 0;
    for (auto _ : state) {
        const State &s = list[i++ % list.size()];
        // Small ship motion keeps the body balancing however long the run.
        const Eigen::VectorXd angles = 0.1 * s.shipAngles, rates = 0.1 * s.shipRates,
                              accels = 0.1 * s.shipAccel;
        benchmark::DoNotOptimize(
            bodyRK4Step(model, q, u, 0.01, angles, rates, accels, s.turnAngle, coef));
    }
    state.counters["finite"] = q.allFinite() && u.allFinite() ? 1 : 0;
}
BENCHMARK(BM_rk4Step);

} // namespace

BENCHMARK_MAIN();
