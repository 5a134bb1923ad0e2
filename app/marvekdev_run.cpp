// The simulation run of the main window: the model is given the table's
// parameters, the ship-motion recording is loaded and checked, the body is
// integrated over it step by step, and the named result files are written.
#include "marvekdev.h"

#include "bodyparameters.h"
#include "bodyrk4.h"
#include "shipmotion.h"

#include <QFile>
#include <QMessageBox>
#include <QVariant>
#include <QVector>

using Eigen::VectorXd;

namespace {

void warnRunFailed(const QString &text)
{
    QMessageBox::warning(nullptr, QStringLiteral("Simulation Failed"), text, QMessageBox::Ok);
}

// Why a recording did not load: the file's own error, or no data row.
QString loadFailure(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot load ship motion file %1:\n%2.")
            .arg(fileName, file.errorString());
    return QStringLiteral("Cannot use ship motion file %1:\nit has no data row.").arg(fileName);
}

// Result tables in the order of their fields on the "Output" tab as the run
// keeps their names: link, CG, error, control, acceleration.
enum ResultFile { LinkResult = 0, CgResult, ErrorResult, ControlResult, AccelResult, ResultCount };

} // namespace

// ---------------------------------------------------------------------------
// File fields

bool MarvekDev::hasShipMotionFile() const
{
    return !ui.paramShipMotionLineEdit->text().isEmpty();
}

bool MarvekDev::hasLinkOutputFile() const
{
    return !ui.linkFileDropLineEdit->text().isEmpty();
}

bool MarvekDev::hasCGOutputFile() const
{
    return !ui.cgFileDropLineEdit->text().isEmpty();
}

bool MarvekDev::hasControlOutputFile() const
{
    return !ui.controlFileDropLineEdit->text().isEmpty();
}

bool MarvekDev::hasErrorOutputFile() const
{
    return !ui.errorFileDropLineEdit->text().isEmpty();
}

bool MarvekDev::hasAccelOutputFile() const
{
    return !ui.accelFileDropLineEdit->text().isEmpty();
}

// ---------------------------------------------------------------------------
// Parameter table

bool MarvekDev::checkParameterTable()
{
    const QString problem = bodyparameters::checkValues(getParameterValues());
    if (problem.isEmpty())
        return true;
    warnRunFailed(QStringLiteral("The parameter table cannot be used:\n%1").arg(problem));
    return false;
}

// ---------------------------------------------------------------------------
// Result tables

void MarvekDev::SIM_addToOutputFile(AsciiDataFile &outputFile, double &timestamp,
                                    const VectorXd &vec)
{
    QVector<QVariant> row;
    row.reserve(int(vec.size()) + 1);
    row.append(QVariant(timestamp));
    for (Eigen::Index k = 0; k < vec.size(); ++k)
        row.append(QVariant(vec(k)));
    outputFile.appendRow(std::move(row));
}

QString MarvekDev::writeOutputFiles()
{
    const AsciiDataFile *tables[ResultCount] = {&m_linkOutputFile, &m_cgOutputFile,
                                                &m_errorOutputFile, &m_controlOutputFile,
                                                &m_accelOutputFile};
    QStringList failures;
    for (int k = 0; k < ResultCount; ++k) {
        const QString name = m_runOutputNames.value(k);
        if (name.isEmpty())
            continue;
        QString reason;
        if (!tables[k]->writeFile(name, &reason))
            failures << QStringLiteral("Cannot write result file %1:\n%2.").arg(name, reason);
    }
    // The fields marked their files as missing before the run created them.
    for (FileDropLineEdit *field : {ui.linkFileDropLineEdit, ui.cgFileDropLineEdit,
                                    ui.errorFileDropLineEdit, ui.controlFileDropLineEdit,
                                    ui.accelFileDropLineEdit})
        field->verifyText();
    return failures.join(QStringLiteral("\n"));
}

void MarvekDev::SIM_dumpOutputFiles()
{
    const QString failures = writeOutputFiles();
    if (!failures.isEmpty())
        warnRunFailed(failures);
}

// ---------------------------------------------------------------------------
// The run

void MarvekDev::SIM_run()
{
    // Pressed again from the event processing of a running operation: the
    // run would otherwise start nested inside it.
    if (isBusy())
        return;

    // The result files are those named now; a field edited while the run
    // goes on takes effect at the next run.
    m_runOutputNames = QStringList{ui.linkFileDropLineEdit->text(), ui.cgFileDropLineEdit->text(),
                                   ui.errorFileDropLineEdit->text(),
                                   ui.controlFileDropLineEdit->text(),
                                   ui.accelFileDropLineEdit->text()};
    bool record[ResultCount];
    for (int k = 0; k < ResultCount; ++k)
        record[k] = !m_runOutputNames.at(k).isEmpty();

    // While the 3D window is visible the model keeps the parameters that
    // Show gave it, so that the run moves the body the scene was built for.
    if (!m_view.isVisible()) {
        setStatus(QStringLiteral("Loading Model..."));
        if (!checkParameterTable())
            return;
        applyParameters(&m_model);
    }

    if (!hasShipMotionFile()) {
        warnRunFailed(QStringLiteral("Cannot load ship motion file."));
        return;
    }
    const QString shipFileName = ui.paramShipMotionLineEdit->text();
    setStatus(QStringLiteral("Loading Ship Motion..."));
    if (!m_shipMotionFile.loadFile(shipFileName, QStringLiteral(","))) {
        warnRunFailed(loadFailure(shipFileName));
        return;
    }

    m_linkOutputFile.clear();
    m_cgOutputFile.clear();
    m_errorOutputFile.clear();
    m_controlOutputFile.clear();
    m_accelOutputFile.clear();

    const double dt = getTimestep();
    const qint64 steps = shipmotion::stepCount(m_shipMotionFile.getLastTime(), dt);
    if (steps > shipmotion::maxSteps) {
        warnRunFailed(QStringLiteral("The run would take %1 steps at a timestep of %2 s; "
                                     "at most %3 steps are allowed.")
                          .arg(steps)
                          .arg(dt)
                          .arg(shipmotion::maxSteps));
        return;
    }
    const QString recordingProblem = shipmotion::checkRecording(m_shipMotionFile, steps, dt);
    if (!recordingProblem.isEmpty()) {
        warnRunFailed(QStringLiteral("Cannot use ship motion file %1:\n%2")
                          .arg(shipFileName, recordingProblem));
        return;
    }
    const int N = static_cast<int>(steps);

    VectorXd q = VectorXd::Zero(12);
    VectorXd u = VectorXd::Zero(12);
    const VectorXd coef = m_controlCoefficients;
    shipmotion::ShipVectors ship;

    startProgress(N);
    setStatus(QStringLiteral("Running Sim"));

    QString stopReason;
    double stopTime = 0.0;
    int completed = 0;
    for (int i = 1; i < N - 2; ++i) {
        double t = i * dt;

        if (!shipmotion::shipVectorsAt(m_shipMotionFile, t, &ship) || !ship.allFinite()) {
            stopReason = QStringLiteral("the ship motion is not a finite number there");
            stopTime = t;
            break;
        }

        // Centres of gravity of the state before the step.
        const bool feedPlotQ = isPlotQVisible();
        VectorXd cgPositions;
        if (record[CgResult] || feedPlotQ)
            cgPositions = m_model.computePose(q, ship.angles);

        const double turnAngle = t > m_turnTime ? m_turnDirection : 0.0;
        const BodyRK4Stage k1 = bodyRK4Step(m_model, q, u, dt, ship.angles, ship.rates,
                                            ship.accel, turnAngle, coef);

        // A step whose numbers left the finite range (a body that fell over,
        // an Euler rate at its singularity) is not recorded.
        if (!q.allFinite() || !u.allFinite() || !k1.error.allFinite()
            || !k1.control.allFinite() || !k1.derivative.allFinite()
            || !cgPositions.allFinite()) {
            stopReason = QStringLiteral("the body's state is no longer a finite number");
            stopTime = t;
            break;
        }

        // Rows of the state before the step.
        if (record[CgResult])
            SIM_addToOutputFile(m_cgOutputFile, t, cgPositions);
        if (feedPlotQ)
            m_plotQ->addData(t, cgPositions);

        // Rows of the first stage: errors (in degrees, converted with the
        // same 3.14159 the model uses for the turn, so that the files stay
        // comparable with earlier runs) and control.
        if (record[ErrorResult])
            SIM_addToOutputFile(m_errorOutputFile, t, k1.error * 180.0 / FourBar3DShipClass::pi5);
        if (record[ControlResult])
            SIM_addToOutputFile(m_controlOutputFile, t, k1.control);
        if (isPlotEVisible())
            m_plotE->addData(t, k1.error); // radians, unlike the file
        if (isPlotUVisible())
            m_plotU->addData(t, k1.control.head(12)); // the moments only

        // After the update: the first stage's derivative, then the state
        // after the step.
        if (record[AccelResult])
            SIM_addToOutputFile(m_accelOutputFile, t, k1.derivative);
        if (record[LinkResult])
            SIM_addToOutputFile(m_linkOutputFile, t, q);
        if (isPlotAVisible())
            m_plotA->addData(t, k1.derivative);
        if (isPlotXVisible())
            m_plotX->addData(t, q);
        // Last, the 3D window shows the state after the step.
        if (m_view.isVisible())
            m_view.updatePose(t, q, ship.angles, ship.accel, turnAngle);

        completed = i;
        updateProgress(i + 1);
        if (isCancelled()) {
            flushPlotWindows();
            return;
        }
    }
    flushPlotWindows();

    if (stopReason.isEmpty()) {
        SIM_dumpOutputFiles();
        return;
    }

    // Stopped on numbers that are not finite: the steps before are kept.
    QString text = QStringLiteral("The simulation stopped at t = %1 s: %2.\n").arg(stopTime).arg(stopReason);
    if (completed > 0) {
        text += QStringLiteral("The result files are cut short: they hold the %1 steps before it.")
                    .arg(completed);
        const QString failures = writeOutputFiles();
        if (!failures.isEmpty())
            text += QStringLiteral("\n") + failures;
    } else {
        text += QStringLiteral("No result file was written.");
    }
    warnRunFailed(text);
}
