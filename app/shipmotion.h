#ifndef SHIPMOTION_H
#define SHIPMOTION_H

#include <QString>

#include <Eigen/Dense>

class AsciiDataFile;

// How a run reads the ship-motion recording: the number of steps it takes
// from the recording, the checks made before the first step, and the three
// ship vectors of one step. Kept apart from the main window so that tests
// reach it without widgets.
//
// Recording columns (0-based, column 0 the time in s): 4-6 attitude X-Y-Z
// Euler angles (rad), 10-12 angular rates (rad/s), 13-15 linear
// accelerations (m/s^2), 16-18 angular accelerations (rad/s^2).
namespace shipmotion {

// Columns a recording must have in every row that a run reads.
constexpr int requiredColumns = 19;
// The first of the three columns of each ship vector that a step reads.
constexpr int attitudeColumn = 4;
constexpr int ratesColumn = 10;
constexpr int linearAccelColumn = 13;
constexpr int angularAccelColumn = 16;
// Longest run accepted, in steps: beyond it the result tables alone would
// take gigabytes.
constexpr qint64 maxSteps = 10000000;
// The ship motion grows in linearly over the first seconds of a run.
constexpr double rampTime = 3.0;

// Steps derived from the recording's last time T and the timestep dt:
// floor(T / dt), computed as floor(T * (1 / dt)) so that dt = 0.01 gives
// exactly floor(100.0 * T). A run takes steps i = 1 ... N - 3 at t = i * dt,
// all inside the recording. 0 when the quotient is not a finite positive
// number; a quotient beyond the range of qint64 is clamped to its maximum.
qint64 stepCount(double lastTime, double dt);

// The index of a run's last step from the count N that stepCount gives: a run
// takes the steps i = 1 ... N - 3, none when that is below 1.
constexpr qint64 lastStepIndex(qint64 steps)
{
    return steps - 3;
}

// Checks a loaded recording for a run of `steps` steps of dt seconds. Empty
// when the run may start; otherwise one sentence: no data row, a time column
// that goes back, too short a recording for one step, a first time after the
// first step's time, or, among the rows from row 0 up to the first row after
// the last step's time, a row with fewer than requiredColumns cells or with a
// cell that a step reads holding a value that is not finite (rows beyond and
// the columns no step reads stay unchecked).
QString checkRecording(const AsciiDataFile &recording, qint64 steps, double dt);

// The ship vectors of one step (6 entries each; entries 3-5 of angles and
// rates stay 0). accel holds the angular accelerations in 0-2 and the linear
// ones in 3-5.
struct ShipVectors
{
    Eigen::VectorXd angles = Eigen::VectorXd::Zero(6);
    Eigen::VectorXd rates = Eigen::VectorXd::Zero(6);
    Eigen::VectorXd accel = Eigen::VectorXd::Zero(6);

    bool allFinite() const;
};

// The factor the recorded motion is scaled by at time t: t / rampTime while t
// is below rampTime, then 1.
double rampScale(double t);

// The recording interpolated at t, scaled by rampScale(t), and split into
// the three ship vectors. False (vectors untouched) when t lies outside the
// recording or its row is too narrow.
bool shipVectorsAt(const AsciiDataFile &recording, double t, ShipVectors *ship);

// Splits an interpolated row (entry k is recording column k + 1) into the
// ship vectors after scaling it by `scale`. The row needs at least
// requiredColumns - 1 entries.
void splitRow(const Eigen::VectorXd &row, double scale, ShipVectors *ship);

} // namespace shipmotion

#endif // SHIPMOTION_H
