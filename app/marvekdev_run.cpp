// The simulation run of the main window: the model is given the table's
// parameters, the ship-motion recording is loaded and checked, the body is
// integrated over it step by step, and the named result files are written.
#include "marvekdev.h"

#include "bodyrk4.h"
#include "filedropwidget.h"
#include "guigraphwidget.h"
#include "memoryroom.h"
#include "shipmotion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QMessageBox>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <new>

using Eigen::VectorXd;

namespace {

// Why a recording did not load: not a regular file, the file's own error, or
// no data row. A file that is not regular is never opened: a FIFO would wait
// for a writer.
QString loadFailure(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        return QStringLiteral("Cannot load ship motion file %1:\nit is not a regular file.")
            .arg(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot load ship motion file %1:\n%2.")
            .arg(fileName, file.errorString());
    return QStringLiteral("Cannot use ship motion file %1:\nit has no data row.").arg(fileName);
}

// A file name with its symbolic links followed to the last one's target,
// which need not exist yet.
QFileInfo finalTarget(const QString &fileName)
{
    QFileInfo info(fileName);
    for (int links = 0; info.isSymLink() && links < 40; ++links) // 40: a loop of links
        info = QFileInfo(info.symLinkTarget());
    return info;
}

// Where a file name leads: the canonical path of an existing file (symbolic
// links resolved), otherwise the canonical path of its folder plus its name.
// Relative names, "./" and links to one file then compare equal, while two
// files not written yet keep their own names. A link whose target does not
// exist yet leads to where that target would be written.
QString fileIdentity(const QString &fileName)
{
    const QFileInfo info = finalTarget(fileName);
    const QString existing = info.canonicalFilePath();
    if (!existing.isEmpty())
        return existing;
    QString folder = info.absoluteDir().canonicalPath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(info.absolutePath());
    return folder + QLatin1Char('/') + info.fileName();
}

// A field's row label without its colon: "Link Coordinates".
QString rowLabel(const QLabel *label)
{
    QString text = label->text().trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return QLatin1Char('"') + text.trimmed() + QLatin1Char('"');
}

QString megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
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
// Refusals before the first step

void MarvekDev::warnSimulationFailed(const QString &text)
{
    QMessageBox::warning(nullptr, QStringLiteral("Simulation Failed"), text, QMessageBox::Ok);
}

void MarvekDev::refuseRun(const QString &text)
{
    ui.statusLabel->setText(m_idleStatus);
    warnSimulationFailed(text);
}

QString MarvekDev::resultNameProblem() const
{
    for (const ResultOutput &output : resultOutputs()) {
        const QString name = output.field->text();
        if (name.isEmpty())
            continue;
        const QFileInfo target = finalTarget(name);
        QString reason;
        if (name.endsWith(QLatin1Char('/')) || name.endsWith(QDir::separator()))
            reason = QStringLiteral("the name ends with a folder separator.");
        else if (target.isDir())
            reason = QStringLiteral("it is a folder.");
        else if (target.exists() && !target.isFile()) // a pipe, device or socket
            reason = QStringLiteral("it is not a regular file.");
        else if (!target.absoluteDir().exists())
            reason = QStringLiteral("its folder does not exist.");
        if (!reason.isEmpty())
            return QStringLiteral("%1 names %2: %3").arg(rowLabel(output.label), name, reason);
    }
    return QString();
}

QString MarvekDev::sharedFileProblem() const
{
    // The recording first, then the named result files; the warning lists
    // the fields of each shared file in this order.
    QStringList files;
    QMap<QString, QStringList> fieldsOfFile;
    auto add = [&](const QLabel *label, const QString &fileName) {
        const QString file = fileIdentity(fileName);
        if (!fieldsOfFile.contains(file))
            files << file;
        fieldsOfFile[file] << rowLabel(label);
    };
    add(ui.label_3, ui.paramShipMotionLineEdit->text());
    for (const ResultOutput &output : resultOutputs()) {
        if (!output.field->text().isEmpty())
            add(output.label, output.field->text());
    }

    QStringList lines;
    for (const QString &file : files) {
        QStringList fields = fieldsOfFile.value(file);
        if (fields.size() < 2)
            continue;
        const QString last = fields.takeLast();
        lines << QStringLiteral("%1 and %2 name the same file %3.")
                     .arg(fields.join(QStringLiteral(", ")), last, QDir::toNativeSeparators(file));
    }
    if (lines.isEmpty())
        return QString();
    return QStringLiteral("Each result needs a file of its own, apart from the ship motion "
                          "file:\n")
           + lines.join(QLatin1Char('\n'));
}

qint64 MarvekDev::estimateRunMemory(qint64 steps, double dt) const
{
    // One row and one sample for each step the run takes.
    const qint64 taken = std::max<qint64>(0, shipmotion::lastStepIndex(steps));
    qint64 bytes = 0;
    for (const ResultOutput &output : resultOutputs()) {
        if (!output.field->text().isEmpty())
            bytes += taken * AsciiDataFile::appendedRowBytes(output.columns);
    }
    // While one graph's samples move to larger storage, the old storage, at
    // most half the new, is held too.
    qint64 largestGraph = 0;
    for (const GraphScrollWidget *window : plotWindows()) {
        if (window && window->isVisible())
            bytes += window->storageGrowth(dt, taken, &largestGraph);
    }
    return bytes + largestGraph / 2;
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

std::array<MarvekDev::ResultOutput, 5> MarvekDev::resultOutputs() const
{
    return {{{ui.linkFileDropLineEdit, ui.label_4, &m_linkOutputFile, 13},
             {ui.cgFileDropLineEdit, ui.label_8, &m_cgOutputFile, 13},
             {ui.errorFileDropLineEdit, ui.label_6, &m_errorOutputFile, 25},
             {ui.controlFileDropLineEdit, ui.label_5, &m_controlOutputFile, 25},
             {ui.accelFileDropLineEdit, ui.label_7, &m_accelOutputFile, 28}}};
}

void MarvekDev::clearResultTables()
{
    m_linkOutputFile.clear();
    m_cgOutputFile.clear();
    m_errorOutputFile.clear();
    m_controlOutputFile.clear();
    m_accelOutputFile.clear();
}

QString MarvekDev::writeOutputFiles()
{
    const std::array<ResultOutput, 5> outputs = resultOutputs();
    QStringList failures;
    QStringList written;
    QStringList unwritten;
    bool outOfMemory = false;
    for (int k = 0; k < ResultCount; ++k) {
        const QString name = m_runOutputNames.value(k);
        if (name.isEmpty())
            continue;
        QString reason;
        bool ok = false;
        try {
            ok = !outOfMemory && outputs[k].table->writeFile(name, &reason);
        } catch (const std::bad_alloc &) {
            // The file is left as it was; the rest go unwritten.
            outOfMemory = true;
        }
        if (ok) {
            written << name;
            continue;
        }
        unwritten << name;
        if (!outOfMemory)
            failures << QStringLiteral("Cannot write result file %1:\n%2.").arg(name, reason);
    }
    if (outOfMemory) {
        clearResultTables();
        failures << QStringLiteral("Memory ran out while the result files were written.");
    }
    // The fields marked their files as missing before the run created them.
    for (const ResultOutput &output : outputs)
        output.field->verifyText();
    if (failures.isEmpty())
        return QString();
    const QString none = QStringLiteral("none");
    return failures.join(QLatin1Char('\n'))
           + QStringLiteral("\nWritten: %1.\nNot written: %2.")
                 .arg(written.isEmpty() ? none : written.join(QStringLiteral(", ")),
                      unwritten.join(QStringLiteral(", ")));
}

void MarvekDev::SIM_dumpOutputFiles()
{
    const QString failures = writeOutputFiles();
    if (!failures.isEmpty())
        warnSimulationFailed(failures);
}

// ---------------------------------------------------------------------------
// The run

void MarvekDev::SIM_run()
{
    // Pressed again from the event processing of a running operation: the
    // run would otherwise start nested inside it.
    if (isBusy())
        return;
    commitParameterEdit();

    // The result files are those named now; a field edited while the run
    // goes on takes effect at the next run.
    m_runOutputNames.clear();
    for (const ResultOutput &output : resultOutputs())
        m_runOutputNames << output.field->text();
    bool record[ResultCount];
    for (int k = 0; k < ResultCount; ++k)
        record[k] = !m_runOutputNames.at(k).isEmpty();

    // While the 3D window is visible the model keeps the parameters that
    // Show gave it, so that the run moves the body the scene was built for.
    if (!m_view.isVisible()) {
        setStatus(QStringLiteral("Loading Model..."));
        const QString problem = parameterTableProblem();
        if (!problem.isEmpty())
            return refuseRun(problem);
        applyParameters(&m_model);
    }

    if (!hasShipMotionFile())
        return refuseRun(QStringLiteral("Cannot load ship motion file."));
    // A result that cannot be a file, or that would be written over the
    // recording or over another result, would be lost when the run ends.
    const QString resultName = resultNameProblem();
    if (!resultName.isEmpty())
        return refuseRun(resultName);
    const QString sharedFile = sharedFileProblem();
    if (!sharedFile.isEmpty())
        return refuseRun(sharedFile);

    // The last run's rows go first, so that their memory is free for the
    // recording and counts as room for this run.
    clearResultTables();
    const QString shipFileName = ui.paramShipMotionLineEdit->text();
    setStatus(QStringLiteral("Loading Ship Motion..."));
    const double dt = getTimestep();
    qint64 steps = 0;
    bool loaded = false;
    QString recordingProblem;
    try {
        loaded = m_shipMotionFile.loadFile(shipFileName, QStringLiteral(","));
        steps = loaded ? shipmotion::stepCount(m_shipMotionFile.getLastTime(), dt) : 0;
        if (loaded && steps <= shipmotion::maxSteps)
            recordingProblem = shipmotion::checkRecording(m_shipMotionFile, steps, dt);
    } catch (const std::bad_alloc &) {
        m_shipMotionFile.clear();
        return refuseRun(QStringLiteral("Memory ran out while ship motion file %1 was loaded.")
                             .arg(shipFileName));
    }
    if (!loaded)
        return refuseRun(loadFailure(shipFileName));
    if (steps > shipmotion::maxSteps) {
        return refuseRun(QStringLiteral("The run would take %1 steps at a timestep of %2 s; "
                                        "at most %3 steps are allowed.")
                             .arg(steps)
                             .arg(dt)
                             .arg(shipmotion::maxSteps));
    }
    if (!recordingProblem.isEmpty()) {
        return refuseRun(QStringLiteral("Cannot use ship motion file %1:\n%2")
                             .arg(shipFileName, recordingProblem));
    }
    const qint64 needed = estimateRunMemory(steps, dt);
    const qint64 room = m_memoryRoom >= 0 ? m_memoryRoom : memoryroom::available();
    if (room >= 0 && needed > room) {
        return refuseRun(QStringLiteral("The run would take %1 steps and hold about %2 of results "
                                        "in memory, but only %3 are free.\nName fewer result "
                                        "files, close plot windows or choose a larger timestep.")
                             .arg(steps)
                             .arg(megabytes(needed), megabytes(room)));
    }
    const int lastStep = static_cast<int>(shipmotion::lastStepIndex(steps));

    VectorXd q = VectorXd::Zero(12);
    VectorXd u = VectorXd::Zero(12);
    const VectorXd coef = m_controlCoefficients;
    shipmotion::ShipVectors ship;

    startProgress(static_cast<int>(steps));
    setStatus(QStringLiteral("Running Sim"));

    QString stopReason;
    double stopTime = 0.0;
    int completed = 0;
    try {
        for (int i = 1; i <= lastStep; ++i) {
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

            // A step whose numbers left the finite range (a body that fell
            // over, an Euler rate at its singularity) is not recorded.
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
            // same 3.14159 the model uses for the turn, so that the files
            // stay comparable with earlier runs) and control.
            if (record[ErrorResult])
                SIM_addToOutputFile(m_errorOutputFile, t,
                                    k1.error * 180.0 / FourBar3DShipClass::pi5);
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
    } catch (const std::bad_alloc &) {
        // Memory ran out although the estimate fitted (other programs took
        // it meanwhile): the tables are given back before anything else.
        // The plot windows paint their last samples at their next pass.
        clearResultTables();
        warnSimulationFailed(QStringLiteral("The simulation ran out of memory at t = %1 s.\n"
                                            "No result file was written.")
                                 .arg((completed + 1) * dt));
        return;
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
    warnSimulationFailed(text);
}
