// The "Unit Tests" tab: the reference tables, the row accessors, the
// element-by-element comparison and the eight test slots.
#include "marvekdev.h"

#include "bodyrk4.h"
#include "shipmotion.h"

#include <cmath>

using Eigen::VectorXd;

namespace {

// File names of the reference tables, looked up in the working directory.
const char *const inputTableName = "matOutXXX92.csv";
const char *const poseTableName = "matOutPos92.csv";
const char *const errorTableName = "matOutError92.csv";
const char *const controlTableName = "matOutControl92.csv";
const char *const accelTableName = "matOutAccel92.csv";

// Values that are both smaller than this in magnitude are not compared.
const double negligible = 1e-6;

} // namespace

// ---------------------------------------------------------------------------
// Reference tables

bool MarvekDev::loadTestData()
{
    startProgress(6);
    setStatus(tr("Loading Test Data..."));

    // The tables are read once per program run.
    if (!m_testDataLoaded) {
        AsciiDataFile *const tables[] = {&m_utInputFile, &m_utPoseFile, &m_utErrorFile,
                                         &m_utControlFile, &m_utAccelFile};
        const char *const names[] = {inputTableName, poseTableName, errorTableName,
                                     controlTableName, accelTableName};
        for (AsciiDataFile *table : tables)
            table->clear();
        m_shipMotionFile.clear();

        // A file is read only when every one before it loaded.
        bool loaded = true;
        for (int k = 0; k < 5; ++k) {
            if (loaded)
                loaded = tables[k]->loadFile(QString::fromLatin1(names[k]), QStringLiteral(","));
            updateProgress(k + 1);
            if (isCancelled())
                return false;
        }
        updateProgress(6);

        // Every test reads all five tables at the row numbers of the input
        // table, so a shorter table is as good as a missing one.
        for (int k = 1; loaded && k < 5; ++k)
            loaded = tables[k]->rowCount() >= m_utInputFile.rowCount();
        m_testDataLoaded = loaded;

        const QString shipFile = ui.shipFileDropLineEdit->text();
        if (!shipFile.isEmpty()) {
            if (loaded)
                loaded = m_shipMotionFile.loadFile(shipFile, QStringLiteral(","));
            m_testDataLoaded = loaded;
        }
    }

    setStatus(m_testDataLoaded ? tr("Input Files Loaded") : tr("File Load Failure"));
    return m_testDataLoaded;
}

VectorXd MarvekDev::getInputData(const AsciiDataFile &file, int row, int firstColumn,
                                 int lastColumn) const
{
    Q_ASSERT_X(row <= file.rowCount(), "getInputData", "data exceeds index");
    VectorXd values(lastColumn - firstColumn + 1);
    for (int k = 0; k < values.size(); ++k)
        values(k) = file.getValue(row, firstColumn - 1 + k);
    return values;
}

// Column ranges count from 1, both ends included.
VectorXd MarvekDev::getUTLinkAngles(int row) const { return getInputData(m_utInputFile, row, 2, 13); }
VectorXd MarvekDev::getUTShipAngles(int row) const { return getInputData(m_utInputFile, row, 14, 19); }
VectorXd MarvekDev::getUTLinkRates(int row) const { return getInputData(m_utInputFile, row, 20, 31); }
VectorXd MarvekDev::getUTShipRates(int row) const { return getInputData(m_utInputFile, row, 32, 37); }
VectorXd MarvekDev::getUTShipAccel(int row) const { return getInputData(m_utInputFile, row, 38, 43); }
VectorXd MarvekDev::getUTShipExtra(int row) const { return getInputData(m_utInputFile, row, 44, 46); }
VectorXd MarvekDev::getUTExpectedPose(int row) const { return getInputData(m_utPoseFile, row, 2, 13); }
VectorXd MarvekDev::getUTExpectedPosError(int row) const { return getInputData(m_utErrorFile, row, 2, 13); }
VectorXd MarvekDev::getUTExpectedVelError(int row) const { return getInputData(m_utErrorFile, row, 14, 25); }
VectorXd MarvekDev::getUTControlMoments(int row) const { return getInputData(m_utControlFile, row, 2, 13); }
VectorXd MarvekDev::getUTControlForces(int row) const { return getInputData(m_utControlFile, row, 14, 25); }
VectorXd MarvekDev::getUTExpectedAccel(int row) const { return getInputData(m_utAccelFile, row, 2, 28); }

double MarvekDev::getTurnAngle(int row) const
{
    return m_utInputFile.getValue(row, 0) > m_unitTest.turnTime ? m_unitTest.turnDirection : 0.0;
}

// ---------------------------------------------------------------------------
// Comparison, results and summary

void MarvekDev::compareValues(const VectorXd &first, const VectorXd &second, double tolerance,
                              int &passed, int &compared)
{
    Q_ASSERT_X(first.size() == second.size(),
               qPrintable(QStringLiteral("UT_compareVectors() %1, %2")
                              .arg(first.size())
                              .arg(second.size())),
               "vectors to compare have different sizes");
    Q_ASSERT_X(first.size() > 0, "UT_compareVectors", "vector is empty");

    for (Eigen::Index i = 0; i < first.size(); ++i) {
        const double a = first(i);
        const double b = second(i);
        // A NaN fails both tests below: it is never skipped and never passes.
        if (std::abs(a) < negligible && std::abs(b) < negligible)
            continue;
        ++compared;
        if (std::abs(a - b) < tolerance)
            ++passed;
    }
}

void MarvekDev::UT_compareVectors(const VectorXd &first, const VectorXd &second)
{
    compareValues(first, second, m_tolerance, m_testsPassed, m_testsCompared);
}

QString MarvekDev::testSummary(int passed, int compared, qint64 elapsedMs)
{
    // 0 of 0 gives a NaN percentage, printed as such.
    const double percent = static_cast<double>(passed) / static_cast<double>(compared) * 100.0;
    return QStringLiteral("Tests passed: %1 / %2 (%3 %) Time: %4 s")
        .arg(passed)
        .arg(compared)
        .arg(percent)
        .arg(static_cast<double>(elapsedMs) / 1000.0);
}

QString MarvekDev::getTestSummary() const
{
    return testSummary(m_testsPassed, m_testsCompared, m_timer.elapsed());
}

void MarvekDev::addTestResult(double time, const VectorXd &values)
{
    if (isOutputToDisk())
        SIM_addToOutputFile(m_utResultsFile, time, values);
}

void MarvekDev::saveTestResults(QString fileName)
{
    if (!isOutputToDisk()) {
        setStatus(tr("Test Complete"));
        return;
    }
    QString reason;
    if (m_utResultsFile.writeFile(fileName, &reason))
        setStatus(tr("Test Complete - Results saved to ") + fileName);
    else
        setStatus(tr("Test Complete - Results could not be saved to %1: %2").arg(fileName, reason));
}

bool MarvekDev::isOutputToDisk() const
{
    return ui.outputToDiskCheckBox->isChecked();
}

double MarvekDev::getTolerance() const
{
    // Text that is not a number gives 0.0: nothing can pass then.
    return ui.toleranceLineEdit->text().toDouble();
}

void MarvekDev::runTestRows(const QString &runningText, int firstRow,
                            const std::function<bool(int)> &testRow, QLabel *resultLabel,
                            const QString &resultsFileName)
{
    const int rows = m_utInputFile.rowCount();
    startProgress(rows);
    setStatus(runningText);
    for (int r = firstRow; r < rows; ++r) {
        if (!testRow(r))
            return;
        updateProgress(r + 1);
        if (isCancelled())
            return;
    }
    resultLabel->setText(getTestSummary());
    saveTestResults(resultsFileName);
}

// ---------------------------------------------------------------------------
// The tests

void MarvekDev::testFourBarComputePose()
{
    if (isBusy() || !loadTestData())
        return;
    setTestParameters(&m_unitTest.model);
    runTestRows(tr("Running ComputePose UT..."), 0, [this](int r) {
        const VectorXd pose = m_unitTest.model.computePose(getUTLinkAngles(r), getUTShipAngles(r));
        UT_compareVectors(pose, getUTExpectedPose(r));
        addTestResult(m_utInputFile.getTime(r), pose);
        return true;
    }, ui.computePoseLabel, QStringLiteral("UTcomputePose.csv"));
}

void MarvekDev::testFourBarComputeError()
{
    if (isBusy() || !loadTestData())
        return;
    setTestParameters(&m_unitTest.model);
    runTestRows(tr("Running ComputeError UT..."), 0, [this](int r) {
        const VectorXd error = m_unitTest.model.computeError(getUTLinkAngles(r), getUTShipAngles(r),
                                                             getUTLinkRates(r));
        // The reference errors are in degrees.
        const VectorXd degrees = error * 180.0 / FourBar3DShipClass::pi5;
        UT_compareVectors(degrees.head(12), getUTExpectedPosError(r));
        UT_compareVectors(degrees.segment(12, 12), getUTExpectedVelError(r));
        addTestResult(m_utInputFile.getTime(r), degrees);
        return true;
    }, ui.computeErrorLabel, QStringLiteral("UTcomputeError.csv"));
}

void MarvekDev::testFourBarComputeControl()
{
    if (isBusy() || !loadTestData())
        return;
    setTestParameters(&m_unitTest.model);
    const VectorXd coef = m_unitTest.controlCoefficients;
    runTestRows(tr("Running ComputeControl UT..."), 0, [&](int r) {
        // The controller is fed the reference errors, turned back into radians.
        const VectorXd posError = getUTExpectedPosError(r) * FourBar3DShipClass::pi5 / 180.0;
        const VectorXd velError = getUTExpectedVelError(r) * FourBar3DShipClass::pi5 / 180.0;
        const VectorXd control = m_unitTest.model.computeControl(
            getUTLinkAngles(r), getUTLinkRates(r), getUTShipAngles(r), posError, velError,
            getTurnAngle(r), coef);
        UT_compareVectors(control.head(12), getUTControlMoments(r));
        addTestResult(m_utInputFile.getTime(r), control);
        return true;
    }, ui.computeControlLabel, QStringLiteral("UTcomputeControl.csv"));
}

void MarvekDev::testFourBarComputeAccel()
{
    if (isBusy() || !loadTestData())
        return;
    setTestParameters(&m_unitTest.model);
    runTestRows(tr("Running ComputeAccel UT..."), 0, [this](int r) {
        typedef FourBar3DShipClass Model;
        const VectorXd accel = m_unitTest.model.computeAccel(
            Model::toFixed<12>(getUTLinkAngles(r)), Model::toFixed<12>(getUTLinkRates(r)),
            Model::toFixed<6>(getUTShipAngles(r)), Model::toFixed<6>(getUTShipRates(r)),
            Model::toFixed<6>(getUTShipAccel(r)), Model::toFixed<12>(getUTControlMoments(r)),
            Model::toFixed<12>(getUTControlForces(r)), getTurnAngle(r));
        UT_compareVectors(accel, getUTExpectedAccel(r));
        addTestResult(m_utInputFile.getTime(r), accel);
        return true;
    }, ui.computeAccelLabel, QStringLiteral("UTcomputeAccel.csv"));
}

void MarvekDev::testInterpolation()
{
    if (isBusy() || ui.shipFileDropLineEdit->text().isEmpty() || !loadTestData())
        return;

    // The ship data is read only by the first successful load of a program
    // run (or by a simulation run), so it may be missing here.
    if (m_shipMotionFile.rowCount() == 0) {
        setStatus(tr("Ship Data Interpolation stopped: no ship data is loaded (the \"Ship "
                     "Data:\" file is read by the first test of the program run)"));
        return;
    }

    const double dt = m_unitTest.timestep;
    shipmotion::ShipVectors ship; // zero before the first row, kept from row to row
    runTestRows(tr("Running Ship Data Interpolation UT"), 1, [&](int r) {
        const double time = m_utInputFile.getTime(r);
        const VectorXd row = m_shipMotionFile.getInterpolatedRow(time);
        if (row.size() == 0) {
            setStatus(tr("Ship Data Interpolation stopped: time %1 s of reference row %2 lies "
                         "outside the ship data")
                          .arg(time)
                          .arg(r));
            return false;
        }
        if (row.size() < shipmotion::requiredColumns - 1) {
            setStatus(tr("Ship Data Interpolation stopped: the ship data has fewer than %1 "
                         "columns")
                          .arg(shipmotion::requiredColumns));
            return false;
        }
        // Ramped in like a run, but driven by the row index.
        shipmotion::splitRow(row, shipmotion::rampScale(r * dt), &ship);

        UT_compareVectors(ship.angles, getUTShipAngles(r));
        UT_compareVectors(ship.rates, getUTShipRates(r));
        UT_compareVectors(ship.accel, getUTShipAccel(r));
        VectorXd values(18);
        values << ship.angles, ship.rates, ship.accel;
        addTestResult(time, values);
        return true;
    }, ui.interpolationLabel, QStringLiteral("UTshipData.csv"));
}

void MarvekDev::testRK4()
{
    if (isBusy())
        return;
    commitParameterEdit();
    if (!loadTestData())
        return;
    applyParametersToUnitTests(&m_unitTest.model);
    const double dt = m_unitTest.timestep;
    const VectorXd coef = m_unitTest.controlCoefficients;

    // The integrated state starts upright and at rest; row r is compared
    // with the state after r steps.
    VectorXd q = VectorXd::Zero(12);
    VectorXd u = VectorXd::Zero(12);
    runTestRows(tr("Running RK4Sim UT 92"), 0, [&](int r) {
        const VectorXd shipAngles = getUTShipAngles(r);
        const VectorXd pose = m_unitTest.model.computePose(q, shipAngles);
        UT_compareVectors(pose, getUTExpectedPose(r));
        addTestResult(m_utInputFile.getTime(r), pose);
        bodyRK4Step(m_unitTest.model, q, u, dt, shipAngles, getUTShipRates(r), getUTShipAccel(r),
                    getTurnAngle(r), coef);
        return true;
    }, ui.simLabel, QStringLiteral("UTcomputePose.csv"));
}

void MarvekDev::testInit()
{
    if (isBusy())
        return;
    commitParameterEdit();
    FourBar3DShipClass fixed;
    FourBar3DShipClass fromTable;
    setTestParameters(&fixed);
    applyParametersToUnitTests(&fromTable);
    ui.initLabel->setText(fixed == fromTable ? tr("Test Passed") : tr("Test Failed"));
}

void MarvekDev::testAll()
{
    if (isBusy())
        return;
    // Each test clears the cancel flag as it starts, so only a Cancel during
    // the test before stops the sequence.
    testFourBarComputePose();
    if (!isCancelled())
        testFourBarComputeError();
    if (!isCancelled())
        testFourBarComputeControl();
    if (!isCancelled())
        testFourBarComputeAccel();
}
