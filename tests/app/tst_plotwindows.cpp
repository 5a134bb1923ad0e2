// The five "Plot" windows: the window each button opens (once), closing that
// only hides it, and a gap in what a run feeds a window while it is hidden.
// (A whole run's samples against the reference: tst_run.)
#include "apptestsupport.h"
#include "guigraphwidget.h"

#include <QPointer>
#include <QtTest>

#include <cmath>

using namespace apptest;

namespace {

const int steps = 11997; // the sample recording at 0.01 s

// The step numbers of a graph's samples.
QVector<int> sampleSteps(GuiGraphWidget *graph)
{
    QVector<int> result;
    for (int i = 0; i < graph->getDataCount(); ++i)
        result << int(std::lround(graph->getDataPoint(i)->getTime() / 0.01));
    return result;
}

QVector<int> stepRange(int first, int last)
{
    QVector<int> range;
    for (int i = first; i <= last; ++i)
        range << i;
    return range;
}

} // namespace

class TestPlotWindows : public QObject
{
    Q_OBJECT

private slots:
    void buttonOpensItsWindowOnce_data();
    void buttonOpensItsWindowOnce();
    void hiddenWindowsGetNothing();
};

void TestPlotWindows::buttonOpensItsWindowOnce_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("series");
    QStringList links, velocities, rates;
    for (int link = 1; link <= 4; ++link) {
        for (const char *axis : {"X", "Y", "Z"}) {
            links << QStringLiteral("%1%2").arg(axis).arg(link);
            velocities << QStringLiteral("d%1%2").arg(axis).arg(link);
            rates << QStringLiteral("V_%1%2").arg(axis).arg(link);
        }
    }
    QTest::newRow("link angles") << 0 << "Link Coordinates XYZ Euler Angles [rad] - Local Frames" << "rad" << links;
    QTest::newRow("centres of gravity") << 1 << "Link Positions XYZ [metres] - Rotated Person Frame" << "m" << links;
    QTest::newRow("control moments") << 2 << "Control Moments (Nm)" << "Nm" << links;
    QTest::newRow("errors") << 3 << "Errors - Positions and Velocities" << "" << links + velocities;
    QTest::newRow("accelerations")
        << 4 << "Accelerations  (12x XYZ Euler Angle Rates + 3x Translational Accelerations + 12x Angular Accelerations"
        << "m/s^2" << rates + QStringList{"POS_X", "POS_Y", "POS_Z"} + links;
}

void TestPlotWindows::buttonOpensItsWindowOnce()
{
    QFETCH(int, plot);
    QFETCH(QString, title);
    QFETCH(QString, unit);
    QFETCH(QStringList, series);
    auto harness = std::make_unique<Harness>();
    Harness &h = *harness;
    bool (MarvekDev::*const visible[])() const = {&MarvekDev::isPlotXVisible, &MarvekDev::isPlotQVisible,
                                                  &MarvekDev::isPlotUVisible, &MarvekDev::isPlotEVisible,
                                                  &MarvekDev::isPlotAVisible};
    QPointer<GraphScrollWidget> window = h.plot(plot);
    QVERIFY(window && window->isWindow());
    QCOMPARE(window->windowTitle(), title);
    QStringList titles;
    for (GuiGraphWidget *graph : window->getGraphList()) {
        titles << graph->getTitle();
        QCOMPARE(graph->getUnits(), unit);
        QVERIFY(graph->isLiveMode());
    }
    QCOMPARE(titles, series);
    for (int k = 0; k < 5; ++k)
        QCOMPARE((h.window.get()->*visible[k])(), k == plot);

    // Closing hides it with its samples; the button shows the same window.
    window->addData(0.25, Eigen::VectorXd::Constant(series.size(), 3.0));
    QVERIFY(window->close() && window);
    QVERIFY(!(h.window.get()->*visible[plot])());
    QCOMPARE(h.plot(plot), window.data());
    QCOMPARE(h.plot(plot), window.data());
    QVERIFY((h.window.get()->*visible[plot])());
    QCOMPARE(window->getGraphList().back()->getDataCount(), 1);
    QCOMPARE(window->findChildren<GuiGraphWidget *>().size(), series.size() + 1); // and the placeholder

    // The window goes with the main window.
    harness.reset();
    QVERIFY(!window);
}

void TestPlotWindows::hiddenWindowsGetNothing()
{
    // X open throughout; E closed at 30 % and shown again at 60 %; U opened
    // at 50 %; A opened and closed before the run; Q never opened.
    Harness h;
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    GraphScrollWidget *x = h.plot(0), *e = h.plot(3), *a = h.plot(4), *u = nullptr;
    a->close();
    auto lastStep = [&] { return sampleSteps(x->getGraphList().front()).last(); };
    int closedAfter = 0, openedAfter = 0, reopenedAfter = 0;
    h.runWhile(30, [&] {
        if (!closedAfter) {
            closedAfter = lastStep();
            e->close();
        } else if (!openedAfter && h.progress() >= 50) {
            openedAfter = lastStep();
            u = h.plot(2);
        } else if (h.progress() >= 60) {
            reopenedAfter = lastStep();
            h.plot(3);
            return true;
        }
        return false;
    });
    QVERIFY(closedAfter > 3000 && reopenedAfter > 7000);
    QCOMPARE(sampleSteps(x->getGraphList().back()), stepRange(1, steps));
    QCOMPARE(sampleSteps(e->getGraphList().back()), stepRange(1, closedAfter) + stepRange(reopenedAfter + 1, steps));
    QCOMPARE(sampleSteps(u->getGraphList().back()), stepRange(openedAfter + 1, steps));
    QCOMPARE(a->getGraphList().back()->getDataCount(), 0);
    QCOMPARE(h.plot(1)->getGraphList().back()->getDataCount(), 0);
}

QTEST_MAIN(TestPlotWindows)
#include "tst_plotwindows.moc"
