// The plot window: one live graph per series, each value routed to its graph
// by index, and a run's last samples on screen once the run ends.
#include "graphscrollwidget.h"
#include "guigraphwidget.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Notes when the watched graphs begin to paint.
class PaintWatch : public QObject
{
public:
    std::vector<int> paints; // per watched graph
    QElapsedTimer sinceLast; // since the last paint began
    qint64 gap = 0;          // before the first paint after arm(), ms

    void arm() { gap = -1; }

    void watch(const std::list<GuiGraphWidget *> &graphs)
    {
        for (GuiGraphWidget *graph : graphs) {
            graph->setProperty("watchIndex", int(paints.size()));
            graph->installEventFilter(this);
            paints.push_back(0);
        }
    }
    int fewest() const { return *std::min_element(paints.begin(), paints.end()); }

protected:
    bool eventFilter(QObject *graph, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints[size_t(graph->property("watchIndex").toInt())];
            if (gap < 0)
                gap = sinceLast.elapsed();
            sinceLast.start();
        }
        return false;
    }
};

const QStringList kTitles = {QStringLiteral("X1"), QStringLiteral("Y1"), QStringLiteral("Z1")};

} // namespace

class TestGraphScrollWidget : public QObject
{
    Q_OBJECT

private slots:
    void oneGraphPerSeriesFedByIndex();
    void lastSamplesShownAtTheEndOfARun_data();
    void lastSamplesShownAtTheEndOfARun();
};

void TestGraphScrollWidget::oneGraphPerSeriesFedByIndex()
{
    GraphScrollWidget window;
    window.setTargetLayout();
    window.createGraphs(kTitles.mid(0, 1), QStringLiteral("m"));
    window.createGraphs(kTitles.mid(1), QStringLiteral("rad")); // a second call appends
    window.addData(0.5, Eigen::Vector3d(1.0, -2.0, 3.0));
    window.addData(0.6, Eigen::Vector3d(4.0, -5.0, 6.0));

    QCOMPARE(int(window.getGraphList().size()), 3);
    int i = 0;
    for (GuiGraphWidget *graph : window.getGraphList()) {
        QCOMPARE(graph->getTitle(), kTitles[i]);
        QCOMPARE(graph->getUnits(), QLatin1String(i == 0 ? "m" : "rad"));
        QVERIFY(graph->isLiveMode());
        QCOMPARE(graph->getDataCount(), 2);
        QCOMPARE(graph->getDataPoint(1)->getTime(), 0.6);
        QCOMPARE(graph->getDataPoint(0)->getValue(), (i == 1 ? -1 : 1) * (i + 1.0));
        QCOMPARE(graph->getDataPoint(1)->getValue(), (i == 1 ? -1 : 1) * (i + 4.0));
        ++i;
    }
}

void TestGraphScrollWidget::lastSamplesShownAtTheEndOfARun_data()
{
    QTest::addColumn<bool>("flush");
    QTest::newRow("flushed at the end") << true;
    QTest::newRow("left to the refresh interval") << false;
}

void TestGraphScrollWidget::lastSamplesShownAtTheEndOfARun()
{
    // Samples come faster than the screen refreshes: those that arrive within
    // 16 ms of the last paint wait. At the end of a run, flushRepaints shows
    // them at once; without it they show one interval after that paint.
    QFETCH(bool, flush);
    GraphScrollWidget window;
    window.setTargetLayout();
    window.createGraphs(kTitles, QStringLiteral("rad"));
    window.resize(700, 900);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintWatch watch;
    watch.watch(window.getGraphList());

    // The first samples set each graph's range to -1 .. 1 and a slow wave of
    // 0.3 follows; right after every graph has painted, a last sample of +1
    // (-1 for the middle graph) leaves the wave at the y axis.
    QElapsedTimer deadline;
    deadline.start();
    bool lastFed = false; // within 12 ms of the last paint
    int before = 0;
    for (int step = 0; !lastFed && deadline.elapsed() < 5000; ++step) {
        const double t = step * 0.1;
        const Eigen::Vector3d wave(std::sin(t), std::sin(t + 2.0), std::sin(t + 4.0));
        if (step > 30 && watch.fewest() > before && watch.sinceLast.elapsed() < 8) {
            window.addData(t, Eigen::Vector3d(1.0, -1.0, 1.0));
            lastFed = watch.sinceLast.elapsed() < 12;
        } else {
            window.addData(t, step < 4 ? Eigen::Vector3d::Constant(step % 2 ? 1.0 : -1.0) : Eigen::Vector3d(0.3 * wave));
        }
        before = watch.fewest();
        if (!lastFed)
            QTest::qWait(1);
    }
    QVERIFY(lastFed);
    const int painted = watch.fewest();
    QCoreApplication::sendPostedEvents(); // a repaint asked for now would run here
    QCOMPARE(watch.fewest(), painted); // held back
    watch.arm();

    if (flush) {
        window.flushRepaints();
        QCoreApplication::sendPostedEvents(); // no timer runs in between
    } else {
        // woken every millisecond, so that the paint is seen when it comes
        QTimer tick;
        tick.start(1);
        deadline.restart();
        while (watch.fewest() == painted && deadline.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QVERIFY2(watch.gap >= 15, qPrintable(QStringLiteral("repainted after %1 ms").arg(watch.gap)));
    }
    QCOMPARE(watch.fewest(), painted + 1);

    // On screen: at the y axis, the last segment passes halfway between the
    // middle of the band and its edge.
    const QImage screen = window.screen()->grabWindow(window.winId()).toImage();
    int i = 0;
    for (GuiGraphWidget *graph : window.getGraphList()) {
        const QLineF axis = graph->getYAxisLine();
        const double up = i++ == 1 ? 0.25 : 0.75; // the middle graph's goes down
        const QPoint at = graph->mapTo(&window, QPointF(axis.x1(), up * axis.y1() + (1 - up) * axis.y2()).toPoint());
        bool drawn = false;
        for (int dx = -1; dx <= 1; ++dx) {
            const QRgb c = screen.pixel(at + QPoint(dx, 0));
            drawn = drawn || qBlue(c) > qRed(c) + 40;
        }
        QVERIFY2(drawn, qPrintable(graph->getTitle() + QStringLiteral(": ")
                                   + testsupport::describe(at, screen.pixel(at))));
    }
    if (flush)
        QVERIFY(screen.save(testsupport::artifactPath(QStringLiteral("graph_scroll_window.png"))));
}

QTEST_MAIN(TestGraphScrollWidget)
#include "tst_graphscrollwidget.moc"
