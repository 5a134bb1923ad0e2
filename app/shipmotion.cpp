#include "shipmotion.h"

#include "asciidatafile.h"

#include <cmath>
#include <limits>

namespace shipmotion {

namespace {

// The first column of the row that a step reads and whose value is not
// finite; -1 when there is none.
int nonFiniteColumn(const AsciiDataFile &recording, int row)
{
    for (const int first : {attitudeColumn, ratesColumn, linearAccelColumn, angularAccelColumn}) {
        for (int column = first; column < first + 3; ++column) {
            if (!std::isfinite(recording.getValue(row, column)))
                return column;
        }
    }
    return -1;
}

} // namespace

qint64 stepCount(double lastTime, double dt)
{
    // T times the steps per second rather than T / dt: with dt = 0.01 this is
    // exactly 100.0 * T, the count that earlier runs and their result files
    // were made with (1.15 s gives 114 steps, as 100.0 * 1.15 lies just below
    // 115).
    const double quotient = lastTime * (1.0 / dt);
    if (!(quotient > 0.0) || !std::isfinite(quotient))
        return 0;
    if (quotient >= 9.0e18)
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(std::floor(quotient));
}

QString checkRecording(const AsciiDataFile &recording, qint64 steps, double dt)
{
    const int rows = recording.rowCount();
    if (rows == 0)
        return QStringLiteral("it has no data row.");

    double previous = recording.getTime(0);
    for (int r = 0; r < rows; ++r) {
        const double time = recording.getTime(r);
        if (!std::isfinite(time))
            return QStringLiteral("the time of data row %1 is not a number.").arg(r + 1);
        if (time < previous)
            return QStringLiteral("its time column is not ascending: data row %1 goes back "
                                  "from %2 s to %3 s.")
                .arg(r + 1)
                .arg(previous)
                .arg(time);
        previous = time;
    }

    // A run without a step would only replace its result files by empty ones.
    if (lastStepIndex(steps) < 1)
        return QStringLiteral("it ends at %1 s, too short for one step at a timestep of %2 s: "
                              "it must last at least 4 timesteps (%3 s).")
            .arg(recording.getLastTime())
            .arg(dt)
            .arg(4.0 * dt);
    const double firstStep = dt;
    const double lastStep = static_cast<double>(lastStepIndex(steps)) * dt;
    if (recording.getFirstTime() > firstStep)
        return QStringLiteral("it starts at %1 s, after the first step's time of %2 s.")
            .arg(recording.getFirstTime())
            .arg(firstStep);

    // Rows that the steps' interpolations can read: where several rows share
    // a time, the search may land on any of them, so every row up to and
    // including the first one after the last step's time is checked. Row 0
    // also sets the width of every interpolated row.
    int last = 0;
    while (last + 1 < rows && !(recording.getTime(last) > lastStep))
        ++last;
    for (int r = 0; r <= last; ++r) {
        const int width = recording.getRow(r).size();
        if (width < requiredColumns)
            return QStringLiteral("data row %1 has %2 columns, %3 are needed.")
                .arg(r + 1)
                .arg(width)
                .arg(requiredColumns);
        // A value that is not finite would stop the run at the step reading
        // it, after the result files of an earlier run had been given up.
        const int column = nonFiniteColumn(recording, r);
        if (column >= 0)
            return QStringLiteral("data row %1, column %2 is not a finite number.")
                .arg(r + 1)
                .arg(column + 1);
    }
    return QString();
}

bool ShipVectors::allFinite() const
{
    return angles.allFinite() && rates.allFinite() && accel.allFinite();
}

void splitRow(const Eigen::VectorXd &row, double scale, ShipVectors *ship)
{
    // Entry k of the row is recording column k + 1.
    const Eigen::VectorXd s = row.head(requiredColumns - 1) * scale;
    ship->angles.head(3) = s.segment(attitudeColumn - 1, 3);
    ship->rates.head(3) = s.segment(ratesColumn - 1, 3);
    ship->accel.head(3) = s.segment(angularAccelColumn - 1, 3);
    ship->accel.tail(3) = s.segment(linearAccelColumn - 1, 3);
}

double rampScale(double t)
{
    // Ramp-in: the deck starts at rest and reaches the recorded motion at
    // rampTime, so the body is not thrown by a sudden start.
    return t < rampTime ? t / rampTime : 1.0;
}

bool shipVectorsAt(const AsciiDataFile &recording, double t, ShipVectors *ship)
{
    const Eigen::VectorXd row = recording.getInterpolatedRow(t);
    if (row.size() < requiredColumns - 1)
        return false;
    splitRow(row, rampScale(t), ship);
    return true;
}

} // namespace shipmotion
