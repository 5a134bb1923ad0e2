#include "marvekdev.h"

#include "aboutdialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QScopedValueRollback>

MarvekDev::MarvekDev(QWidget *parent)
    : QMainWindow(parent),
      m_tolerance(0.0005),
      m_testsPassed(0),
      m_testsCompared(0),
      m_progressTotal(1),
      m_testDataLoaded(false),
      m_cancelled(false),
      m_timestep(0.01),
      m_turnTime(0.0),
      m_turnDirection(0.0),
      m_bodyHeight(0.0),
      m_bodyMass(0.0),
      m_controlCoefficients(Eigen::Vector2d::Zero())
{
    ui.setupUi(this);

    // Only the unit-test ship data must be a CSV file; the other file fields
    // accept any name.
    ui.shipFileDropLineEdit->setFileExtension(QStringLiteral(".csv"));

    // Kept in this order: unit-test buttons, Browse buttons, Plot buttons,
    // Cancel, then the menu actions Load Parameters, Exit, Run, Show, About.
    struct Connection
    {
        QObject *sender;
        const char *signal;
        const char *slot;
    };
    const Connection connections[] = {
        {ui.computeAllButton, SIGNAL(clicked()), SLOT(testAll())},
        {ui.rk4Button, SIGNAL(clicked()), SLOT(testRK4())},
        {ui.interpolationButton, SIGNAL(clicked()), SLOT(testInterpolation())},
        {ui.computePoseButton, SIGNAL(clicked()), SLOT(testFourBarComputePose())},
        {ui.computeErrorButton, SIGNAL(clicked()), SLOT(testFourBarComputeError())},
        {ui.computeControlButton, SIGNAL(clicked()), SLOT(testFourBarComputeControl())},
        {ui.computeAccelButton, SIGNAL(clicked()), SLOT(testFourBarComputeAccel())},
        {ui.testInitButton, SIGNAL(clicked()), SLOT(testInit())},
        {ui.linkButton, SIGNAL(clicked()), SLOT(getLinkOutputFile())},
        {ui.cgButton, SIGNAL(clicked()), SLOT(getCGOutputFile())},
        {ui.controlButton, SIGNAL(clicked()), SLOT(getControlOutputFile())},
        {ui.errorButton, SIGNAL(clicked()), SLOT(getErrorOutputFile())},
        {ui.accelButton, SIGNAL(clicked()), SLOT(getAccelOutputFile())},
        {ui.plotXButton, SIGNAL(clicked()), SLOT(showPlotX())},
        {ui.plotQButton, SIGNAL(clicked()), SLOT(showPlotQ())},
        {ui.plotUButton, SIGNAL(clicked()), SLOT(showPlotU())},
        {ui.plotEButton, SIGNAL(clicked()), SLOT(showPlotE())},
        {ui.plotAButton, SIGNAL(clicked()), SLOT(showPlotA())},
        {ui.cancelButton, SIGNAL(clicked()), SLOT(cancel())},
        {ui.actionLoadParameters, SIGNAL(triggered()), SLOT(fileLoadParameters())},
        {ui.actionExit, SIGNAL(triggered()), SLOT(fileExit())},
        {ui.actionRun, SIGNAL(triggered()), SLOT(SIM_run())},
        {ui.actionShow, SIGNAL(triggered()), SLOT(SIM_show())},
        {ui.actionAbout, SIGNAL(triggered()), SLOT(aboutAbout())},
    };
    for (const Connection &c : connections)
        connect(c.sender, c.signal, this, c.slot);

    ui.paramTableWidget->resizeColumnsToContents();
    ui.paramTableWidget->resizeRowsToContents();
    ui.fitParametersPage();
    m_idleStatus = ui.statusLabel->text();

    m_closeWhenIdle.setInterval(10);
    connect(&m_closeWhenIdle, &QTimer::timeout, this, [this]() {
        if (!isBusy()) {
            m_closeWhenIdle.stop();
            close();
        }
    });
}

MarvekDev::~MarvekDev() = default;

// ---------------------------------------------------------------------------
// Status line, progress and cancel, shared by every long operation

namespace {

// Event processing can leave the upper halves of the AVX registers in use
// (painting's wide copies do), and then every SSE instruction of the model
// pays for a transition until they are cleared: with a plot window open, a
// run took three times as long.
void clearUpperVectorHalves()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx) {
        asm volatile("vzeroupper" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7",
                     "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
    }
#endif
}

} // namespace

void MarvekDev::processPendingEvents()
{
    // Restored however the call ends: an exception from an event handler
    // (memory running out in a paint) that the operation catches must not
    // leave every command refused and a close waiting for ever.
    const QScopedValueRollback<bool> busy(m_busy, true);
    QCoreApplication::processEvents();
    clearUpperVectorHalves();
}

bool MarvekDev::isBusy() const
{
    return m_busy;
}

void MarvekDev::setStatus(const QString &text)
{
    ui.statusLabel->setText(text);
    processPendingEvents();
}

void MarvekDev::startProgress(int total)
{
    m_timer.start();
    m_cancelled = false;
    m_testsPassed = 0;
    m_testsCompared = 0;
    m_utResultsFile.clear();
    m_tolerance = getTolerance();
    m_progressTotal = total;
    ui.progressBar->setMaximum(100);
    ui.progressBar->setValue(0);
    processPendingEvents();
}

int MarvekDev::progressPercent(int done, int total)
{
    if (total <= 0)
        return 0;
    // The quotient is formed first, so 29 of 100 gives 28 (0.29 * 100.0 lies
    // just below 29); the bar has always shown it that way.
    return static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

void MarvekDev::updateProgress(int done)
{
    const int percent = progressPercent(done, m_progressTotal);
    if (percent <= 0)
        return;
    ui.progressBar->setValue(percent);
    processPendingEvents();
}

bool MarvekDev::isCancelled() const
{
    return m_cancelled;
}

void MarvekDev::cancel()
{
    m_cancelled = true;
}

// ---------------------------------------------------------------------------
// Menu commands

void MarvekDev::fileExit()
{
    m_view.close();
    close();
}

void MarvekDev::closeEvent(QCloseEvent *event)
{
    m_view.close();
    for (GraphScrollWidget *window : plotWindows()) {
        if (window)
            window->close();
    }
    if (isBusy()) {
        // Inside an operation's event processing: ending the event loop now
        // would make the operation's own dialogs return at once, unseen.
        event->ignore();
        hide();
        m_closeWhenIdle.start();
        return;
    }
    // With no window left, the application's event loop ends, where one
    // runs (QApplication::quitOnLastWindowClosed).
    event->accept();
}

void MarvekDev::aboutAbout()
{
    AboutDialog dialog;
    dialog.exec();
}

// ---------------------------------------------------------------------------
// Result file choosers

QString MarvekDev::withCsvExtension(const QString &name)
{
    if (name.toLower().endsWith(QLatin1String(".csv")))
        return name;
    return name + QStringLiteral(".csv");
}

void MarvekDev::getOutputFile(QLineEdit *target)
{
    const QString name = QFileDialog::getSaveFileName(nullptr, tr("File Save"), QString(),
                                                      QStringLiteral("*.csv"));
    if (name.isEmpty())
        return;
    target->setText(withCsvExtension(name));
}

void MarvekDev::getLinkOutputFile()
{
    getOutputFile(ui.linkFileDropLineEdit);
}

void MarvekDev::getCGOutputFile()
{
    getOutputFile(ui.cgFileDropLineEdit);
}

void MarvekDev::getControlOutputFile()
{
    getOutputFile(ui.controlFileDropLineEdit);
}

void MarvekDev::getErrorOutputFile()
{
    getOutputFile(ui.errorFileDropLineEdit);
}

void MarvekDev::getAccelOutputFile()
{
    getOutputFile(ui.accelFileDropLineEdit);
}
