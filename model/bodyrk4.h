#ifndef BODYRK4_H
#define BODYRK4_H

#include "fourbar3dshipclass.h"

#include <Eigen/Dense>

// Results of the first stage of a step, from the state at its start: what a
// run records for that step.
struct BodyRK4Stage
{
    Eigen::VectorXd error;      // 24: posError then velError, radians
    Eigen::VectorXd control;    // 24: ctrlMoments then ctrlForces
    Eigen::VectorXd derivative; // 27: stateDerivative (k1)
};

// One classical fourth-order Runge-Kutta step of the body over dt seconds.
// Each stage takes the errors from its own perturbed state while the
// controller sees the state at the start of the step; the ship vectors and the
// turn angle (degrees) hold for all four stages. q and u (12 each) advance in
// place, and the locked rotations (entries 2, 3, 5, 8, 11) are set to zero.
// Returns the first stage's errors, control and derivative.
BodyRK4Stage bodyRK4Step(const FourBar3DShipClass &model, Eigen::VectorXd &q, Eigen::VectorXd &u,
                         double dt, const Eigen::VectorXd &shipAngles,
                         const Eigen::VectorXd &shipRates, const Eigen::VectorXd &shipAccel,
                         double turnAngle, const Eigen::VectorXd &coef);

#endif // BODYRK4_H
