// Cost of the equations of motion and of one Runge-Kutta step of the body.
// Goal: computeAccel at most 2 us per call, equal to the plain 18-speed form
// within 1e-10 (relative where a value exceeds 1); the counter "mismatch"
// reports the largest difference over the benchmark's states.

#include "../tests/model/testbody.h"
#include "bodyrk4.h"
#include "fourbar3dshipclass.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<testbody::State> states()
{
    std::mt19937 rng(42);
    std::vector<testbody::State> list;
    for (int i = 0; i < 64; ++i)
        list.push_back(testbody::randomState(rng, 0.2, 0.5));
    return list;
}

void BM_computeAccel(benchmark::State &state)
{
    FourBar3DShipClass model;
    const fullform::Body body = testbody::parameters();
    testbody::apply(model, body);
    const std::vector<testbody::State> list = states();

    double mismatch = 0.0;
    for (const testbody::State &s : list) {
        const Eigen::VectorXd fast = model.computeAccel(s.q, s.u, s.shipAngles, s.shipRates, s.shipAccel,
                                                        s.ctrlMoments, s.ctrlForces, s.turnAngle);
        const Eigen::VectorXd full = fullform::computeAccel(body, s.q, s.u, s.shipAngles, s.shipRates,
                                                            s.shipAccel, s.ctrlMoments, s.ctrlForces,
                                                            s.turnAngle);
        mismatch = std::max(mismatch, testbody::mismatch(fast, full));
    }

    size_t i = 0;
    for (auto _ : state) {
        const testbody::State &s = list[i++ % list.size()];
        benchmark::DoNotOptimize(model.computeAccel(s.q, s.u, s.shipAngles, s.shipRates, s.shipAccel,
                                                    s.ctrlMoments, s.ctrlForces, s.turnAngle));
    }
    state.counters["mismatch"] = mismatch;
}
BENCHMARK(BM_computeAccel);

// The plain form, every 18x18 matrix formed whole, for comparison.
void BM_computeAccelFullForm(benchmark::State &state)
{
    const fullform::Body body = testbody::parameters();
    const std::vector<testbody::State> list = states();
    size_t i = 0;
    for (auto _ : state) {
        const testbody::State &s = list[i++ % list.size()];
        benchmark::DoNotOptimize(fullform::computeAccel(body, s.q, s.u, s.shipAngles, s.shipRates,
                                                        s.shipAccel, s.ctrlMoments, s.ctrlForces,
                                                        s.turnAngle));
    }
}
BENCHMARK(BM_computeAccelFullForm);

// One step of a balancing run: four stages of errors, control and
// accelerations, with the state carried from step to step.
void BM_rk4Step(benchmark::State &state)
{
    FourBar3DShipClass model;
    testbody::apply(model, testbody::parameters());
    const std::vector<testbody::State> list = states();
    const Eigen::VectorXd coef = testbody::coefficients();
    Eigen::VectorXd q = Eigen::VectorXd::Zero(12), u = Eigen::VectorXd::Zero(12);
    size_t i = 0;
    for (auto _ : state) {
        const testbody::State &s = list[i++ % list.size()];
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
