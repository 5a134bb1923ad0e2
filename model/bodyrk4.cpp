#include "bodyrk4.h"

using Eigen::VectorXd;
typedef FourBar3DShipClass::Vector6d Vector6d;
typedef FourBar3DShipClass::Vector12d Vector12d;

BodyRK4Stage bodyRK4Step(const FourBar3DShipClass &model, VectorXd &q, VectorXd &u, double dt,
                         const VectorXd &shipAngles, const VectorXd &shipRates,
                         const VectorXd &shipAccel, double turnAngle, const VectorXd &coef)
{
    const VectorXd q0 = FourBar3DShipClass::toFixed<12>(q);
    const VectorXd u0 = FourBar3DShipClass::toFixed<12>(u);
    const Vector6d angles = FourBar3DShipClass::toFixed<6>(shipAngles);
    const Vector6d rates = FourBar3DShipClass::toFixed<6>(shipRates);
    const Vector6d accels = FourBar3DShipClass::toFixed<6>(shipAccel);

    BodyRK4Stage first;
    auto stage = [&](const VectorXd &dq, const VectorXd &du, BodyRK4Stage *record) {
        const VectorXd qs = q0 + dq;
        const VectorXd us = u0 + du;
        const VectorXd err = model.computeError(qs, shipAngles, us);
        const VectorXd ctrl = model.computeControl(q0, u0, shipAngles, err.head(12),
                                                   err.segment(12, 12), turnAngle, coef);
        VectorXd derivative = model.computeAccel(qs, us, angles, rates, accels, ctrl.head(12),
                                                 ctrl.segment(12, 12), turnAngle);
        if (record) {
            record->error = err;
            record->control = ctrl;
            record->derivative = derivative;
        }
        return derivative;
    };

    const VectorXd zero = VectorXd::Zero(12);
    const double h = dt * 0.5;
    const VectorXd k1 = stage(zero, zero, &first);
    const VectorXd k2 = stage(h * k1.head(12), h * k1.tail(12), nullptr);
    const VectorXd k3 = stage(h * k2.head(12), h * k2.tail(12), nullptr);
    const VectorXd k4 = stage(dt * k3.head(12), dt * k3.tail(12), nullptr);

    // 0.16666666666666666 is the double nearest to one sixth; multiplying
    // keeps results identical to the stored runs.
    const VectorXd sum = (((k1 + 2.0 * k2) + 2.0 * k3) + k4) * 0.16666666666666666;
    q = q0 + dt * sum.head(12);
    u = u0 + dt * sum.tail(12);

    // Locked rotations: every link's z angle and link 2's x angle.
    for (int i : {2, 3, 5, 8, 11}) {
        q(i) = 0.0;
        u(i) = 0.0;
    }
    return first;
}
