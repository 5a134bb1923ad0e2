#ifndef MARVEKDEV_H
#define MARVEKDEV_H

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

#include <Eigen/Core>

#include "asciidatafile.h"
#include "fourbar3dshipclass.h"
#include "graphscrollwidget.h"
#include "marvekdevform.h"
#include "marvekview.h"

class FileDropLineEdit;
class QLabel;
class QLineEdit;

// The main window: owns the program's state and wires the form's buttons and
// menu actions to the operations. Long operations (a run, a unit test, the
// loading of test data) run inside their slot on the GUI thread and let events
// through only via setStatus, startProgress and updateProgress, so that Cancel
// can be pressed.
class MarvekDev : public QMainWindow
{
    Q_OBJECT
public:
    explicit MarvekDev(QWidget *parent = nullptr);
    ~MarvekDev() override;

    // Shows text on the status line and processes pending events.
    void setStatus(const QString &text);
    // Begins a long operation of `total` units: restarts the timer, clears the
    // cancel flag and the test counters, reads the tolerance, resets the bar.
    void startProgress(int total);
    // Reports `done` units finished. The bar is set and events are processed
    // only when the truncated percentage is above zero.
    void updateProgress(int done);
    bool isCancelled() const;
    // Lets the user choose a result file name for one field.
    void getOutputFile(QLineEdit *target);

    // A chosen result file name with ".csv" appended unless it already ends in
    // it (in any case).
    static QString withCsvExtension(const QString &name);

    // Percentage done as the progress bar shows it, truncated toward zero;
    // 0 when total is not positive.
    static int progressPercent(int done, int total);

    // Compares two vectors of equal size element by element: a pair whose
    // values are both below 1e-6 in magnitude is skipped; any other pair is
    // counted as compared, and as passed when the values differ by strictly
    // less than tolerance. A NaN is never skipped and never passes.
    static void compareValues(const Eigen::VectorXd &first, const Eigen::VectorXd &second,
                              double tolerance, int &passed, int &compared);
    // "Tests passed: passed / compared (percent %) Time: seconds s".
    static QString testSummary(int passed, int compared, qint64 elapsedMs);

    // True while the window processes events from inside a command. Commands
    // that start a long operation (Run, Show and the unit-test buttons) return
    // at once when this is true, so that no such operation starts nested
    // inside another one.
    bool isBusy() const;

    double tolerance() const { return m_tolerance; }

    // Whether a file field names a file: its text is not empty (blanks
    // count as a name).
    bool hasShipMotionFile() const;
    bool hasLinkOutputFile() const;
    bool hasCGOutputFile() const;
    bool hasControlOutputFile() const;
    bool hasErrorOutputFile() const;
    bool hasAccelOutputFile() const;

    // Reads the whole parameter table into the parameter members that Run
    // and the 3D window use and gives model the link parameters made from
    // it. Texts that are not numbers count as 0.0; Run and Show check the
    // table first.
    void applyParameters(FourBar3DShipClass *model);
    // Gives model the fixed parameter set of the unit-test reference tables
    // (equal to the table's defaults) and the unit tests' values its turn
    // and gains; the timestep is left as it is.
    void setTestParameters(FourBar3DShipClass *model);
    // The texts of the table's value column, in row order.
    QStringList getParameterValues() const;
    double getTimestep() const;
    // Fills the table and the file fields from a parameter file; false, with
    // nothing changed, when it is not a regular file or cannot be opened.
    bool loadParameterFile(const QString &fileName);

    // Memory a run would take whose recording gives `steps` steps at
    // timestep dt (shipmotion::stepCount; the run takes the steps up to
    // shipmotion::lastStepIndex): rows of the result tables whose files are
    // named, and the growth of the visible plot windows' samples.
    qint64 estimateRunMemory(qint64 steps, double dt) const;
    // The memory a run may take, in bytes; negative (the default) measures
    // what the system still has at the start of each run.
    void setMemoryRoom(qint64 bytes) { m_memoryRoom = bytes; }

    // A plot window is fed during a run only while it is visible; one never
    // created counts as not visible.
    bool isPlotXVisible() const;
    bool isPlotQVisible() const;
    bool isPlotUVisible() const;
    bool isPlotEVisible() const;
    bool isPlotAVisible() const;

protected:
    // Closing the main window ends the program, as Exit does: the 3D window
    // and the plot windows close with it, and the event loop ends once no
    // window is left. A long operation in progress goes on to its end with
    // every window hidden: the window closes for good once the operation no
    // longer processes its own events, and the loop ends after any warning
    // box the operation shows is closed.
    void closeEvent(QCloseEvent *event) override;

private slots:
    // Unit tests: each runs one piece of the model row by row against the
    // reference tables in the working directory.
    void testRK4();
    void testAll();
    void testFourBarComputePose();
    void testFourBarComputeError();
    void testFourBarComputeControl();
    void testFourBarComputeAccel();
    void testInterpolation();
    void testInit();
    void cancel();
    // Asks for a parameter file and loads it into the table and file fields.
    void fileLoadParameters();
    void fileExit();
    // Integrates the body over the ship-motion recording and writes the
    // named result files.
    void SIM_run();
    // Applies the parameter table to the model, builds the 3D scene from it
    // and shows the 3D window.
    void SIM_show();
    // Appends the row [timestamp, vec...] to a result table.
    void SIM_addToOutputFile(AsciiDataFile &outputFile, double &timestamp,
                             const Eigen::VectorXd &vec);
    // Writes each result table whose file was named when the run started.
    void SIM_dumpOutputFiles();
    void aboutAbout();
    void getLinkOutputFile();
    void getCGOutputFile();
    void getControlOutputFile();
    void getErrorOutputFile();
    void getAccelOutputFile();
    // Plot buttons: each creates its plot window on first use and shows it.
    void showPlotX();
    void showPlotQ();
    void showPlotU();
    void showPlotE();
    void showPlotA();

private:
    // The one place where the window processes events; marks it busy meanwhile.
    void processPendingEvents();

    // Creates a plot window with one graph per series on first use, then
    // shows it (again).
    void showPlotWindow(std::unique_ptr<GraphScrollWidget> &window, const QString &title,
                        const QStringList &series, const QString &units);
    // The five plot windows, null where not yet created.
    std::array<GraphScrollWidget *, 5> plotWindows() const;
    // Paints the samples that each plot window's graphs still hold back, so
    // that a finished run shows its last steps.
    void flushPlotWindows();
    // Empty when the parameter table can be applied for a run or the 3D
    // window; otherwise the text of the warning, naming the first refused row.
    QString parameterTableProblem() const;
    // Hands a value still being typed into a table cell to the table, and
    // closes the cell's editor; a menu or a button takes no focus, so the
    // editor would otherwise keep the text to itself.
    void commitParameterEdit();
    // A "Simulation Failed" warning box with the given text.
    static void warnSimulationFailed(const QString &text);
    // Ends a run refused before its first step: the status line returns to
    // its idle text and a "Simulation Failed" box gives the reason.
    void refuseRun(const QString &text);
    // Empty when every named result file can be written as a regular file;
    // otherwise the warning naming the first field that names a folder, a
    // node that is not a regular file (links followed) or a missing folder.
    QString resultNameProblem() const;
    // Empty when every named result file and the ship-motion file are
    // different files; otherwise the warning naming the fields that share one.
    QString sharedFileProblem() const;
    // A result table with the field that names its file and the label of
    // that field's row on the "Output" tab; columns is the width of a row.
    struct ResultOutput
    {
        FileDropLineEdit *field;
        const QLabel *label;
        const AsciiDataFile *table;
        int columns;
    };
    // In the order link, CG, error, control, acceleration.
    std::array<ResultOutput, 5> resultOutputs() const;
    void clearResultTables();
    // Writes each result table whose file the current run names. Empty when
    // all were written; otherwise one line per file that could not be, with
    // the reason, then the files written and those not. Memory running out
    // stops the writing and frees the tables.
    QString writeOutputFiles();

    // Reads the parameter table, unchecked, into the unit tests' values and
    // gives model the link parameters made from it.
    void applyParametersToUnitTests(FourBar3DShipClass *model);

    // Unit-test data. loadTestData reads the five reference tables (and the
    // unit-test ship data when named) once per program run; true when they
    // are in memory.
    bool loadTestData();
    // Cells [firstColumn, lastColumn] (counted from 1, both included) of one
    // row; missing or non-numeric cells read as 0.0.
    Eigen::VectorXd getInputData(const AsciiDataFile &file, int row, int firstColumn,
                                 int lastColumn) const;
    Eigen::VectorXd getUTLinkAngles(int row) const;
    Eigen::VectorXd getUTShipAngles(int row) const;
    Eigen::VectorXd getUTLinkRates(int row) const;
    Eigen::VectorXd getUTShipRates(int row) const;
    Eigen::VectorXd getUTShipAccel(int row) const;
    Eigen::VectorXd getUTShipExtra(int row) const;
    Eigen::VectorXd getUTExpectedPose(int row) const;
    Eigen::VectorXd getUTExpectedPosError(int row) const;
    Eigen::VectorXd getUTExpectedVelError(int row) const;
    Eigen::VectorXd getUTControlMoments(int row) const;
    Eigen::VectorXd getUTControlForces(int row) const;
    Eigen::VectorXd getUTExpectedAccel(int row) const;
    // The unit tests' turn direction (degrees) once the row's time is past
    // their turn time.
    double getTurnAngle(int row) const;
    // Counts the pairs of two vectors into the current test's counters.
    void UT_compareVectors(const Eigen::VectorXd &first, const Eigen::VectorXd &second);
    // Collects [time, values...] while "Ouput results to disk" is ticked.
    void addTestResult(double time, const Eigen::VectorXd &values);
    // Writes the collected rows under fileName while the box is ticked and
    // reports the outcome on the status line.
    void saveTestResults(QString fileName);
    QString getTestSummary() const;
    bool isOutputToDisk() const;
    double getTolerance() const;
    // The frame of a row test: progress over the rows of the input table from
    // firstRow, testRow for each (false stops the test), Cancel checked after
    // each row; at the end the summary goes into resultLabel and the results
    // are saved.
    void runTestRows(const QString &runningText, int firstRow,
                     const std::function<bool(int)> &testRow, QLabel *resultLabel,
                     const QString &resultsFileName);

    Ui::MarvekDevClass ui;
    MarvekView m_view; // separate top-level window, shown by Show
    FourBar3DShipClass m_model{nullptr};
    AsciiDataFile m_utInputFile;   // reference states "matOutXXX92.csv"
    AsciiDataFile m_utPoseFile;    // expected CG positions "matOutPos92.csv"
    AsciiDataFile m_utErrorFile;   // expected errors in degrees "matOutError92.csv"
    AsciiDataFile m_utControlFile; // expected control "matOutControl92.csv"
    AsciiDataFile m_utAccelFile;   // expected derivatives "matOutAccel92.csv"
    AsciiDataFile m_utResultsFile; // rows computed by the unit test in progress
    AsciiDataFile m_shipMotionFile;
    AsciiDataFile m_linkOutputFile;
    AsciiDataFile m_cgOutputFile;
    AsciiDataFile m_errorOutputFile;
    AsciiDataFile m_controlOutputFile;
    AsciiDataFile m_accelOutputFile;
    double m_tolerance;
    int m_testsPassed;
    int m_testsCompared;
    int m_progressTotal;
    bool m_testDataLoaded;
    bool m_cancelled;
    double m_timestep;
    QString m_id;
    std::unique_ptr<GraphScrollWidget> m_plotX; // link angles
    std::unique_ptr<GraphScrollWidget> m_plotQ; // centre-of-gravity positions
    std::unique_ptr<GraphScrollWidget> m_plotU; // control moments
    std::unique_ptr<GraphScrollWidget> m_plotE; // errors
    std::unique_ptr<GraphScrollWidget> m_plotA; // accelerations
    double m_turnTime;
    double m_turnDirection;
    double m_bodyHeight;
    double m_bodyMass;
    Eigen::Vector2d m_controlCoefficients;
    // What the unit tests compute with: a model and values of their own, so
    // that no unit test changes the model, timestep, turn or gains that Run
    // and the 3D window use.
    struct UnitTestSetup
    {
        FourBar3DShipClass model{nullptr};
        double timestep = 0.01; // the timestep last applied, by any command
        double turnTime = 0.0;
        double turnDirection = 0.0;
        Eigen::Vector2d controlCoefficients = Eigen::Vector2d::Zero();
    };
    UnitTestSetup m_unitTest;
    QElapsedTimer m_timer;
    bool m_busy = false;
    QTimer m_closeWhenIdle; // runs while a close waits for an operation to end
    QString m_idleStatus; // the status line's text before any operation
    qint64 m_memoryRoom = -1;
    // Result-file names as they stood when the current run started, in the
    // order link, CG, error, control, acceleration.
    QStringList m_runOutputNames;
};

#endif // MARVEKDEV_H
