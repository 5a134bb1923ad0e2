// The five result plot windows: one graph per element of a result vector,
// fed by the simulation run while the window is visible.
#include "marvekdev.h"

namespace {

// "X1", "Y1", "Z1", ... "Z4", each prefixed: the digit numbers the link from
// the deck up, the letter names the component.
QStringList linkSeries(const QString &prefix = QString())
{
    QStringList names;
    for (int link = 1; link <= 4; ++link) {
        for (const char *axis : {"X", "Y", "Z"})
            names << prefix + QLatin1String(axis) + QString::number(link);
    }
    return names;
}

bool isShown(const std::unique_ptr<GraphScrollWidget> &window)
{
    return window && window->isVisible();
}

} // namespace

void MarvekDev::showPlotWindow(std::unique_ptr<GraphScrollWidget> &window, const QString &title,
                               const QStringList &series, const QString &units)
{
    if (!window) {
        // No parent: a top-level window of its own, deleted with the main
        // window. Closing it only hides it, so its samples are kept.
        window = std::make_unique<GraphScrollWidget>();
        window->show();
        window->setTargetLayout();
        window->setWindowTitle(title);
        window->createGraphs(series, units);
    }
    window->show();
}

void MarvekDev::showPlotX()
{
    showPlotWindow(m_plotX, tr("Link Coordinates XYZ Euler Angles [rad] - Local Frames"),
                   linkSeries(), QStringLiteral("rad"));
}

void MarvekDev::showPlotQ()
{
    showPlotWindow(m_plotQ, tr("Link Positions XYZ [metres] - Rotated Person Frame"), linkSeries(),
                   QStringLiteral("m"));
}

void MarvekDev::showPlotU()
{
    showPlotWindow(m_plotU, tr("Control Moments (Nm)"), linkSeries(), QStringLiteral("Nm"));
}

void MarvekDev::showPlotE()
{
    // Angle errors, then the links' angular velocities; the values are mixed
    // (rad and rad/s), so the graphs carry no unit.
    showPlotWindow(m_plotE, tr("Errors - Positions and Velocities"),
                   linkSeries() + linkSeries(QStringLiteral("d")), QString());
}

void MarvekDev::showPlotA()
{
    // The whole derivative vector: Euler-angle rates, the three translational
    // entries, then the link-rate accelerations. The title has always read
    // this way (two blanks, no closing parenthesis).
    const QStringList series = linkSeries(QStringLiteral("V_"))
                               + QStringList{QStringLiteral("POS_X"), QStringLiteral("POS_Y"),
                                             QStringLiteral("POS_Z")}
                               + linkSeries();
    showPlotWindow(m_plotA,
                   tr("Accelerations  (12x XYZ Euler Angle Rates + 3x Translational "
                      "Accelerations + 12x Angular Accelerations"),
                   series, QStringLiteral("m/s^2"));
}

bool MarvekDev::isPlotXVisible() const
{
    return isShown(m_plotX);
}

bool MarvekDev::isPlotQVisible() const
{
    return isShown(m_plotQ);
}

bool MarvekDev::isPlotUVisible() const
{
    return isShown(m_plotU);
}

bool MarvekDev::isPlotEVisible() const
{
    return isShown(m_plotE);
}

bool MarvekDev::isPlotAVisible() const
{
    return isShown(m_plotA);
}

std::array<GraphScrollWidget *, 5> MarvekDev::plotWindows() const
{
    return {m_plotX.get(), m_plotQ.get(), m_plotU.get(), m_plotE.get(), m_plotA.get()};
}

void MarvekDev::flushPlotWindows()
{
    for (GraphScrollWidget *window : plotWindows()) {
        if (window)
            window->flushRepaints();
    }
}
