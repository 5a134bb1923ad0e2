// The model against independently computed reference tables: 2000 states of
// a balancing run over the sample recording, with the fixed unit-test body.

#include "asciidatafile.h"
#include "bodyrk4.h"
#include "fourbar3dshipclass.h"
#include "testbody.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using Eigen::VectorXd;

namespace {

const double kTolerance = 1e-9;

class ModelReference : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const char *names[5] = {"matOutXXX92.csv", "matOutPos92.csv", "matOutError92.csv",
                                "matOutControl92.csv", "matOutAccel92.csv"};
        for (int i = 0; i < 5; ++i) {
            tables[i] = new AsciiDataFile;
            const QString path = testsupport::dataPath(QString("reference/reftables/") + names[i]);
            loaded = tables[i]->loadFile(path, ",") && loaded;
        }
    }
    static void TearDownTestSuite()
    {
        for (AsciiDataFile *&t : tables) {
            delete t;
            t = nullptr;
        }
    }

    void SetUp() override
    {
        ASSERT_TRUE(loaded);
        ASSERT_EQ(input().rowCount(), 2000);
        for (int i = 1; i < 5; ++i)
            ASSERT_EQ(tables[i]->rowCount(), input().rowCount());
        testbody::apply(model, testbody::parameters());
    }

    static AsciiDataFile &input() { return *tables[0]; }
    // Columns first to first + n - 1 of a row, counted from 0 (0 is the time).
    static VectorXd columns(int table, int row, int first, int n)
    {
        VectorXd v(n);
        for (int i = 0; i < n; ++i)
            v(i) = tables[table]->getValue(row, first + i);
        return v;
    }
    static VectorXd q(int row) { return columns(0, row, 1, 12); }
    static VectorXd shipAngles(int row) { return columns(0, row, 13, 6); }
    static VectorXd u(int row) { return columns(0, row, 19, 12); }
    static VectorXd shipRates(int row) { return columns(0, row, 31, 6); }
    static VectorXd shipAccel(int row) { return columns(0, row, 37, 6); }
    // The person turns by -90 degrees once the time is past 7.933 s.
    static double turnAngle(int row) { return input().getValue(row, 0) > 7.933 ? -90.0 : 0.0; }

    // Element by element; the message names the first element that differs.
    static ::testing::AssertionResult agrees(const VectorXd &actual, const VectorXd &expected)
    {
        if (actual.size() != expected.size())
            return ::testing::AssertionFailure() << "size " << actual.size() << " != " << expected.size();
        for (Eigen::Index i = 0; i < actual.size(); ++i) {
            if (!(std::abs(actual(i) - expected(i)) <= kTolerance))
                return ::testing::AssertionFailure()
                    << "entry " << i << ": " << actual(i) << " != " << expected(i);
        }
        return ::testing::AssertionSuccess();
    }

    static AsciiDataFile *tables[5];
    static bool loaded;
    FourBar3DShipClass model;
};

AsciiDataFile *ModelReference::tables[5] = {};
bool ModelReference::loaded = true;

} // namespace

TEST_F(ModelReference, PoseErrorControlAndAccelerationOfEveryRow)
{
    const VectorXd coef = testbody::coefficients();
    for (int r = 0; r < input().rowCount(); ++r) {
        ASSERT_TRUE(agrees(model.computePose(q(r), shipAngles(r)), columns(1, r, 1, 12))) << "pose, row " << r;

        // Errors are stored in degrees, converted with the five-digit pi.
        const VectorXd err = model.computeError(q(r), shipAngles(r), u(r)) * 180.0 / 3.14159;
        ASSERT_TRUE(agrees(err, columns(2, r, 1, 24))) << "error, row " << r;

        // The controller is fed the table's errors turned back into radians.
        const VectorXd posError = columns(2, r, 1, 12) * 3.14159 / 180.0;
        const VectorXd velError = columns(2, r, 13, 12) * 3.14159 / 180.0;
        const VectorXd ctrl = model.computeControl(q(r), u(r), shipAngles(r), posError, velError,
                                                   turnAngle(r), coef);
        ASSERT_TRUE(agrees(ctrl, columns(3, r, 1, 24))) << "control, row " << r;

        const VectorXd d = model.computeAccel(q(r), u(r), shipAngles(r), shipRates(r), shipAccel(r),
                                              columns(3, r, 1, 12), columns(3, r, 13, 12), turnAngle(r));
        ASSERT_TRUE(agrees(d, columns(4, r, 1, 27))) << "acceleration, row " << r;
    }
}

// One step per row from the zero state reproduces the next row's state, and
// the first stage of each step gives that row's errors, control and
// derivative.
TEST_F(ModelReference, RungeKuttaStepsReproduceTheRun)
{
    VectorXd qs = VectorXd::Zero(12), us = VectorXd::Zero(12);
    const VectorXd coef = testbody::coefficients();
    for (int r = 0; r + 1 < input().rowCount(); ++r) {
        const BodyRK4Stage first = bodyRK4Step(model, qs, us, 0.01, shipAngles(r), shipRates(r),
                                               shipAccel(r), turnAngle(r), coef);
        ASSERT_TRUE(agrees(first.error * 180.0 / 3.14159, columns(2, r, 1, 24))) << "row " << r;
        ASSERT_TRUE(agrees(first.control, columns(3, r, 1, 24))) << "row " << r;
        ASSERT_TRUE(agrees(first.derivative, columns(4, r, 1, 27))) << "row " << r;
        ASSERT_TRUE(agrees(qs, q(r + 1))) << "q after row " << r;
        ASSERT_TRUE(agrees(us, u(r + 1))) << "u after row " << r;
    }
}
