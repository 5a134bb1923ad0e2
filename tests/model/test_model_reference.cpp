// The model against reference tables computed outside the project by two
// independent implementations: 2000 states of a balancing run over the
// sample recording, with the fixed unit-test body, every entry within 1e-9.

#include "asciidatafile.h"
#include "bodyrk4.h"
#include "fourbar3dshipclass.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using Eigen::VectorXd;

namespace {

const double kDegrees = 180.0 / 3.14159; // the tables' own conversion

class ModelReference : public ::testing::Test
{
protected:
    enum Table { Input, Pose, Error, Control, Accel };

    static void SetUpTestSuite()
    {
        const char *names[5] = {"matOutXXX92.csv", "matOutPos92.csv", "matOutError92.csv",
                                "matOutControl92.csv", "matOutAccel92.csv"};
        tables = new AsciiDataFile[5];
        for (int i = 0; i < 5; ++i)
            tables[i].loadFile(testsupport::dataPath(QString("reference/reftables/") + names[i]), ",");
    }

    static void TearDownTestSuite() { delete[] tables; }

    void SetUp() override
    {
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(tables[i].rowCount(), 2000) << "table " << i;
        // The fixed unit-test body: 89.6121 kg, 1.72 m, the default fractions.
        const Eigen::Vector4d masses = Eigen::Vector4d(0.122, 0.2, 0.597, 0.081) * 89.6121;
        const Eigen::Vector4d lengths = Eigen::Vector4d(0.285, 0.245, 0.288, 0.182) * 1.72;
        const Eigen::Vector4d radii = Eigen::Vector4d(0.416, 0.323, 0.5, 0.495).cwiseProduct(lengths);
        model.setParameters(masses, lengths, radii.cwiseAbs2().cwiseProduct(masses),
                            Eigen::Vector4d::Constant(0.25));
    }

    // n entries of a row from column first on (column 0 is the time).
    static VectorXd columns(Table table, int row, int first, int n)
    {
        VectorXd v(n);
        for (int i = 0; i < n; ++i)
            v(i) = tables[table].getValue(row, first + i);
        return v;
    }
    static VectorXd q(int r) { return columns(Input, r, 1, 12); }
    static VectorXd shipAngles(int r) { return columns(Input, r, 13, 6); }
    static VectorXd u(int r) { return columns(Input, r, 19, 12); }
    static VectorXd shipRates(int r) { return columns(Input, r, 31, 6); }
    static VectorXd shipAccel(int r) { return columns(Input, r, 37, 6); }
    // The person turns by -90 degrees once the time is past 7.933 s.
    static double turnAngle(int r) { return tables[Input].getTime(r) > 7.933 ? -90.0 : 0.0; }

    // Entry by entry; the message names the first entry that differs.
    static ::testing::AssertionResult agrees(const VectorXd &actual, const VectorXd &expected)
    {
        for (Eigen::Index i = 0; i < std::max(actual.size(), expected.size()); ++i) {
            if (i >= actual.size() || i >= expected.size() || !(std::abs(actual(i) - expected(i)) <= 1e-9))
                return ::testing::AssertionFailure() << "entry " << i << " of " << actual.transpose();
        }
        return ::testing::AssertionSuccess();
    }

    static AsciiDataFile *tables;
    FourBar3DShipClass model;
    const VectorXd coef = Eigen::Vector2d(712.0, 807.0);
};

AsciiDataFile *ModelReference::tables = nullptr;

} // namespace

TEST_F(ModelReference, PoseErrorControlAndAccelerationOfEveryRow)
{
    for (int r = 0; r < 2000; ++r) {
        ASSERT_TRUE(agrees(model.computePose(q(r), shipAngles(r)), columns(Pose, r, 1, 12))) << "pose, row " << r;
        ASSERT_TRUE(agrees(model.computeError(q(r), shipAngles(r), u(r)) * kDegrees, columns(Error, r, 1, 24)))
            << "error, row " << r;
        // The controller is fed the table's errors turned back into radians.
        const VectorXd ctrl = model.computeControl(q(r), u(r), shipAngles(r), columns(Error, r, 1, 12) / kDegrees,
                                                   columns(Error, r, 13, 12) / kDegrees, turnAngle(r), coef);
        ASSERT_TRUE(agrees(ctrl, columns(Control, r, 1, 24))) << "control, row " << r;
        const VectorXd d = model.computeAccel(q(r), u(r), shipAngles(r), shipRates(r), shipAccel(r),
                                              columns(Control, r, 1, 12), columns(Control, r, 13, 12), turnAngle(r));
        ASSERT_TRUE(agrees(d, columns(Accel, r, 1, 27))) << "acceleration, row " << r;
    }
}

// The run's own step, from rest, reproduces every next row's state, and its
// first stage gives the row's errors, control and derivative.
TEST_F(ModelReference, RungeKuttaStepsFromRestReproduceTheRun)
{
    VectorXd qs = VectorXd::Zero(12), us = VectorXd::Zero(12);
    for (int r = 0; r + 1 < 2000; ++r) {
        const BodyRK4Stage first =
            bodyRK4Step(model, qs, us, 0.01, shipAngles(r), shipRates(r), shipAccel(r), turnAngle(r), coef);
        ASSERT_TRUE(agrees(first.error * kDegrees, columns(Error, r, 1, 24))) << "row " << r;
        ASSERT_TRUE(agrees(first.control, columns(Control, r, 1, 24))) << "row " << r;
        ASSERT_TRUE(agrees(first.derivative, columns(Accel, r, 1, 27))) << "row " << r;
        ASSERT_TRUE(agrees(qs, q(r + 1))) << "q after row " << r;
        ASSERT_TRUE(agrees(us, u(r + 1))) << "u after row " << r;
    }
}
