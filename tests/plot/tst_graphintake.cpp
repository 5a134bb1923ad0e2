// The graph's samples and events: intake, trimming, range growth, the time
// window with zoom and pan, the searches, and how often new samples repaint.
#include "guigraphwidget.h"
#include "sampleseries.h"

#include <limits>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

namespace {

void add(GuiGraphWidget &graph, double t, double v)
{
    BaseDataPoint p(t, v);
    graph.addData(p);
}

BaseLwEvent eventAt(int h, int m, int s)
{
    BaseLwEvent e;
    e.setTime(h, m, s, 0);
    return e;
}

// Counts full paints and remembers how many samples the last one showed.
class CountingGraph : public GuiGraphWidget
{
public:
    CountingGraph() : GuiGraphWidget(nullptr) {}
    int paints = 0;
    int samplesPainted = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        GuiGraphWidget::paintEvent(event);
        ++paints;
        samplesPainted = getDataCount();
    }
};

} // namespace

class TestGraphIntake : public QObject
{
    Q_OBJECT

private slots:
    void slotTable();
    void settingsMoveTheBand();
    void rangeGrowsFromTheThirdSample();
    void liveModeTrimsOneSamplePerCall();
    void longLiveRunKeepsTheNewest300Seconds();
    void staticModeKeepsEverything();
    void seriesKnowsWhenTimesRunBackwards();
    void compareSeriesTrimsOnItsOwnTimes();
    void eventsTrimmedByTimeOfDay();
    void sampleAccessByIndex();
    void liveZoom();
    void staticZoomPanAndZoomAll();
    void emptyGraphIgnoresZoomAndPan();
    void nearestDataPoint_data();
    void nearestDataPoint();
    void nearestDataPointMessages();
    void findEvent_data();
    void findEvent();
    void repaintsAtMostOncePerRefresh();
};

void TestGraphIntake::slotTable()
{
    // the graph's own slots, in order, with their parameter names
    const QMetaObject &meta = GuiGraphWidget::staticMetaObject;
    QStringList found;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod m = meta.method(i);
        QCOMPARE(m.methodType(), QMetaMethod::Slot);
        QStringList names;
        for (const QByteArray &n : m.parameterNames())
            names << QString::fromLatin1(n);
        found << QString::fromLatin1(m.methodSignature()) + QLatin1Char(' ') + names.join(QLatin1Char(','));
    }
    const QStringList expected = {
        QStringLiteral("prepareForData(int) sizeEstimate"),
        QStringLiteral("addData(BaseDataPoint&) newValue"),
        QStringLiteral("addCompareData(BaseDataPoint&) newValue"),
        QStringLiteral("addEventData(BaseLwEvent&) "),
        QStringLiteral("zoomIn() "),
        QStringLiteral("zoomOut() "),
        QStringLiteral("panLeft() "),
        QStringLiteral("panRight() "),
        QStringLiteral("zoomAll() "),
        QStringLiteral("exportData(QString) filename"),
        QStringLiteral("drawGraphics(QPainter&) painter"),
        QStringLiteral("updateGraphics(QPainter&) painter"),
        QStringLiteral("updateDataValueOnly(QPainter&) painter"),
    };
    QCOMPARE(found, expected);
    QCOMPARE(meta.method(meta.methodOffset() + 10).access(), QMetaMethod::Protected);
    QCOMPARE(meta.method(meta.methodOffset() + 9).access(), QMetaMethod::Public);
    // the base declares none of its own
    const QMetaObject &base = GraphMouseInteractionClass::staticMetaObject;
    QCOMPARE(base.methodCount(), base.methodOffset());
    QCOMPARE(QString::fromLatin1(base.superClass()->className()), QStringLiteral("QWidget"));
}

void TestGraphIntake::settingsMoveTheBand()
{
    GuiGraphWidget graph(nullptr);
    graph.resize(400, 200);
    graph.setLiveMode(true);
    QCOMPARE(graph.getPlotLeft(), 0.1);
    QCOMPARE(graph.getPixelsPerSecond(), 5.0);
    graph.setTitleAbovePlot(true);
    QCOMPARE(graph.getPlotWidth(), 0.65);
    graph.setShowLabels(true);
    graph.setBottomMargin(0.1);
    QCOMPARE(graph.getPlotHeight(), 0.5); // top 0.2, bottom 0.7

    graph.setXRange(5.0, 25.0);
    graph.setLiveMode(false); // resets the static window
    QCOMPARE(graph.getXMin(), 0.0);
    QCOMPARE(graph.getXMax(), 60.0);
    QCOMPARE(graph.getPlotLeft(), 0.3);
    QCOMPARE(graph.getPlotWidth(), 0.9 - 0.3);
    graph.setTitleAbovePlot(false);
    QCOMPARE(graph.getPlotWidth(), 0.95 - 0.3);
    graph.setShowValueBox(false);
    QCOMPARE(graph.getPlotLeft(), 0.15);

    graph.setValueOnlyMode();
    QVERIFY(graph.isValueOnlyMode());
    QVERIFY(graph.isShowValueBox());
    QCOMPARE(graph.getPlotLeft(), 0.75);
    QCOMPARE(graph.getLiveSpan(), 2.0);
}

void TestGraphIntake::rangeGrowsFromTheThirdSample()
{
    GuiGraphWidget graph(nullptr);
    add(graph, 0.0, 100.0);
    add(graph, 0.1, -100.0);
    QCOMPARE(graph.getYMax(), 30.0);
    QCOMPARE(graph.getYMin(), -30.0);
    add(graph, 0.2, 45.0);
    QCOMPARE(graph.getYMax(), 45.0);
    add(graph, 0.3, -50.0);
    QCOMPARE(graph.getYMin(), -50.0);
    add(graph, 0.4, 0.0); // never shrinks
    QCOMPARE(graph.getYMax(), 45.0);
    QCOMPARE(graph.getYMin(), -50.0);
}

void TestGraphIntake::liveModeTrimsOneSamplePerCall()
{
    GuiGraphWidget graph(nullptr);
    add(graph, 0.0, 1.0);
    add(graph, 1000.0, 2.0);
    QCOMPARE(graph.getDataCount(), 2); // two samples are never trimmed
    add(graph, 2000.0, 3.0);
    QCOMPARE(graph.getDataCount(), 2);
    QCOMPARE(graph.getDataPoint(0)->getTime(), 1000.0);
    QCOMPARE(graph.getDataPoint(1)->getTime(), 2000.0);
    add(graph, 3000.0, 4.0); // one removal per call, though two are too old
    QCOMPARE(graph.getDataCount(), 2);
    QCOMPARE(graph.getDataPoint(0)->getTime(), 2000.0);
}

void TestGraphIntake::longLiveRunKeepsTheNewest300Seconds()
{
    // 100 samples per second for 400 s; the storage compacts itself on the
    // way, which must not disturb the order of the samples
    GuiGraphWidget graph(nullptr);
    const int total = 40000;
    for (int i = 0; i < total; ++i)
        add(graph, i * 0.01, i);
    const int count = graph.getDataCount();
    QVERIFY2(count == 30000 || count == 30001, qPrintable(QString::number(count)));
    for (int k = 0; k < count; k += 997) {
        const int i = total - count + k;
        QCOMPARE(graph.getDataPoint(k)->getValue(), double(i));
        QCOMPARE(graph.getDataPoint(k)->getTime(), i * 0.01);
    }
    QCOMPARE(graph.getDataPoint(count - 1)->getValue(), double(total - 1));
    QVERIFY(graph.getDataPoint(count - 1)->getTime() - graph.getDataPoint(0)->getTime() <= 300.0);
}

void TestGraphIntake::staticModeKeepsEverything()
{
    GuiGraphWidget graph(nullptr);
    graph.setLiveMode(false);
    add(graph, 0.0, 1.0);
    add(graph, 1000.0, 2.0);
    add(graph, 2000.0, 300.0);
    QCOMPARE(graph.getDataCount(), 3);
    QCOMPARE(graph.getYMax(), 30.0);
    QCOMPARE(graph.getYMin(), -30.0);
}

void TestGraphIntake::seriesKnowsWhenTimesRunBackwards()
{
    // Stretches are runs of times that do not decrease (a second run starts
    // again); a time that is not a number stands alone.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SampleSeries series;
    for (double t : {0.0, 1.0, 1.0, 2.0, 0.5, 3.0, nan, 4.0})
        series.append(BaseDataPoint(t, 0.0));
    const auto begins = [&series]() {
        QVector<int> found;
        for (int s = 0; s < series.stretchCount(); ++s)
            found << series.stretchBegin(s);
        return found;
    };
    QCOMPARE(begins(), (QVector<int>{0, 4, 6, 7}));
    QCOMPARE(series.stretchEnd(0), 4);
    QCOMPARE(series.lowerBound(1.0, 0, 4), 1);
    QCOMPARE(series.upperBound(1.0, 0, 4), 3);
    QCOMPARE(series.upperBound(5.0, 4, 6), 6);

    // Removing the oldest samples shortens the first stretch, which keeps
    // its name until it is gone; no later stretch takes a name again.
    const qint64 key = series.stretchKey(0);
    for (int i = 0; i < 3; ++i)
        series.removeFirst();
    QCOMPARE(begins(), (QVector<int>{0, 1, 3, 4}));
    QCOMPARE(series.stretchKey(0), key);
    series.removeFirst();
    QCOMPARE(begins(), (QVector<int>{0, 2, 3}));
    series.clear();
    QCOMPARE(series.stretchCount(), 0);
    series.append(BaseDataPoint(0.0, nan));
    QVERIFY(series.stretchKey(0) != key);
    QVERIFY(series.hasNanValue());
    series.append(BaseDataPoint(1.0, 0.0));
    series.removeFirst();
    QVERIFY(!series.hasNanValue());
}

void TestGraphIntake::compareSeriesTrimsOnItsOwnTimes()
{
    GuiGraphWidget graph(nullptr);
    add(graph, 0.0, 0.0); // the data series' oldest time plays no part
    for (double t : {500.0, 1000.0, 2000.0}) {
        BaseDataPoint p(t, -40.0);
        graph.addCompareData(p);
    }
    QCOMPARE(graph.getCompareCount(), 2);
    QCOMPARE(graph.getDataCount(), 1);
    QCOMPARE(graph.getYMin(), -40.0); // the shared range grows
}

void TestGraphIntake::eventsTrimmedByTimeOfDay()
{
    GuiGraphWidget graph(nullptr);
    BaseLwEvent first = eventAt(0, 0, 0);
    BaseLwEvent second = eventAt(0, 6, 0);
    BaseLwEvent third = eventAt(0, 7, 0);
    graph.addEventData(first);
    graph.addEventData(second);
    QCOMPARE(graph.getEventCount(), 2); // 360 s apart, but only two
    graph.addEventData(third);
    QCOMPARE(graph.getEventCount(), 2);
    QCOMPARE(graph.getEvent(0)->getTimeInSeconds(), 360.0);
    QCOMPARE(graph.getYMax(), 30.0);

    GuiGraphWidget fixed(nullptr);
    fixed.setLiveMode(false);
    fixed.addEventData(first);
    fixed.addEventData(second);
    fixed.addEventData(third);
    QCOMPARE(fixed.getEventCount(), 3);
}

void TestGraphIntake::sampleAccessByIndex()
{
    GuiGraphWidget graph(nullptr);
    add(graph, 1.5, -0.25);
    QVERIFY(graph.getDataPoint(-1) == nullptr);
    QVERIFY(graph.getDataPoint(1) == nullptr);
    QCOMPARE(graph.getDataPoint(0)->getValue(), -0.25);
    graph.getDataPoint(0)->setValue(2.0); // the address of the stored sample
    QCOMPARE(graph.getDataPoint(0)->getValue(), 2.0);
    QVERIFY(graph.getEvent(0) == nullptr);
    graph.prepareForData(1000);
    QCOMPARE(graph.getDataCount(), 1);
    graph.clearData();
    QCOMPARE(graph.getDataCount(), 0);
}

void TestGraphIntake::liveZoom()
{
    GuiGraphWidget graph(nullptr);
    graph.setLiveMode(true);
    for (int i = 0; i <= 100; ++i)
        add(graph, i, 0.0);
    graph.zoomIn();
    QCOMPARE(graph.getLiveSpan(), 30.0);
    QCOMPARE(graph.getTimeSpan(), 30.0);
    QCOMPARE(graph.getXMin(), 70.0); // the static window start, clamped to the data
    graph.zoomOut();
    QCOMPARE(graph.getLiveSpan(), 60.0);
    QCOMPARE(graph.getXMin(), 40.0);
}

void TestGraphIntake::staticZoomPanAndZoomAll()
{
    GuiGraphWidget graph(nullptr);
    graph.setLiveMode(false);
    graph.resize(400, 200); // 4 px/s over 0..60 s
    for (int i = 0; i <= 100; ++i)
        add(graph, i, 0.0);

    graph.setCursorTime(30.0);
    graph.zoomIn();
    QCOMPARE(graph.getXMin(), 15.0);
    QCOMPARE(graph.getXMax(), 45.0);
    graph.zoomOut();
    QCOMPARE(graph.getXMin(), 0.0);
    QCOMPARE(graph.getXMax(), 60.0);

    graph.panRight(); // one pixel
    QCOMPARE(graph.getCursorTime(), 30.25);
    QCOMPARE(graph.getXMin(), 0.25);
    graph.panLeft();
    QCOMPARE(graph.getCursorTime(), 30.0);

    graph.setCursorTime(0.0); // at the oldest time nothing moves
    graph.panLeft();
    QCOMPARE(graph.getCursorTime(), 0.0);
    QCOMPARE(graph.getXMin(), 0.0);
    graph.setCursorTime(99.9); // near the newest, the step is cut short
    graph.panRight();
    QCOMPARE(graph.getCursorTime(), 100.0);

    graph.zoomAll();
    QCOMPARE(graph.getXMin(), 0.0);
    QCOMPARE(graph.getXMax(), 100.0);
    QCOMPARE(graph.getCursorTime(), 50.0);

    GuiGraphWidget live(nullptr);
    add(live, 10.0, 0.0);
    add(live, 500.0, 0.0);
    live.zoomAll(); // the cursor goes to the middle of the live span
    QCOMPARE(live.getCursorTime(), 40.0);
}

void TestGraphIntake::emptyGraphIgnoresZoomAndPan()
{
    GuiGraphWidget graph(nullptr);
    graph.zoomIn();
    graph.zoomOut();
    graph.panLeft();
    graph.panRight();
    graph.zoomAll();
    QCOMPARE(graph.getLiveSpan(), 60.0);
    QCOMPARE(graph.getXMin(), 0.0);
    QCOMPARE(graph.getCursorTime(), 0.0);
}

void TestGraphIntake::nearestDataPoint_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<int>("index");
    QTest::newRow("2.4") << 2.4 << 2;
    QTest::newRow("2.5 tie goes earlier") << 2.5 << 2;
    QTest::newRow("2.6") << 2.6 << 3;
    QTest::newRow("2.9") << 2.9 << 3;
    QTest::newRow("0.4") << 0.4 << 0;
    QTest::newRow("exactly 1") << 1.0 << 1;
    QTest::newRow("before the first") << -1.0 << 0;
}

void TestGraphIntake::nearestDataPoint()
{
    QFETCH(double, t);
    QFETCH(int, index);
    GuiGraphWidget graph(nullptr);
    for (int i = 0; i <= 3; ++i)
        add(graph, i, 0.0);
    QCOMPARE(graph.getNearestDataPointIndex(t), index);
}

void TestGraphIntake::nearestDataPointMessages()
{
    GuiGraphWidget graph(nullptr);
    add(graph, 0.0, 0.0);
    add(graph, 1.0, 0.0);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("guigraphwidget\\.cpp.*getNearestDataPointIndex.*Less than 3 data points")));
    QCOMPARE(graph.getNearestDataPointIndex(0.5), 0);
    add(graph, 2.0, 0.0);
    add(graph, 3.0, 0.0);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("Time is beyond last data point")));
    QCOMPARE(graph.getNearestDataPointIndex(5.0), 3);
}

void TestGraphIntake::findEvent_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("expected"); // event index, -1 for none

    // events at 10, 20 and 30 s; data from 0 to 100 s
    QTest::newRow("outside the data") << 120.0 << 1 << -1;
    QTest::newRow("before first, later") << 5.0 << 1 << 0;
    QTest::newRow("before first, nearest") << 5.0 << 0 << -1;
    QTest::newRow("after last, earlier") << 40.0 << -1 << 2;
    QTest::newRow("after last, later") << 40.0 << 1 << -1;
    QTest::newRow("at last, nearest") << 30.0 << 0 << 2;
    QTest::newRow("at last, earlier") << 30.0 << -1 << 1;
    QTest::newRow("between, later") << 12.0 << 1 << 1;
    QTest::newRow("between, nearest") << 12.0 << 0 << 0;
    QTest::newRow("between, nearest later") << 18.0 << 0 << 1;
    QTest::newRow("between, tie") << 15.0 << 0 << 0;
    QTest::newRow("between, earlier") << 18.0 << -1 << 0;
    QTest::newRow("at an event, earlier") << 20.0 << -1 << 0;
    QTest::newRow("at the first, earlier") << 10.0 << -1 << -1;
}

void TestGraphIntake::findEvent()
{
    QFETCH(double, t);
    QFETCH(int, direction);
    QFETCH(int, expected);
    GuiGraphWidget graph(nullptr);
    QVERIFY(graph.findEvent(5.0, 0) == nullptr);
    add(graph, 0.0, 0.0);
    add(graph, 100.0, 0.0);
    for (int s : {10, 20, 30}) {
        BaseLwEvent e = eventAt(0, 0, s);
        graph.addEventData(e);
    }
    const BaseLwEvent *found = graph.findEvent(t, direction);
    if (expected < 0)
        QVERIFY(found == nullptr);
    else
        QCOMPARE(found, static_cast<const BaseLwEvent *>(graph.getEvent(expected)));
}

void TestGraphIntake::repaintsAtMostOncePerRefresh()
{
    CountingGraph graph;
    graph.resize(400, 200);
    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    QTRY_VERIFY(graph.paints > 0);
    const int before = graph.paints;

    // a run: one sample and one pass of the event loop per step
    QElapsedTimer clock;
    clock.start();
    int samples = 0;
    while (clock.elapsed() < 300 || samples < 40000) {
        add(graph, samples * 0.01, samples % 7);
        ++samples;
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();
    const int paints = graph.paints - before;
    QVERIFY2(samples > 1000, qPrintable(QString::number(samples)));
    QVERIFY2(paints >= 2, qPrintable(QString::number(paints)));
    QVERIFY2(paints <= elapsed / 16 + 2, qPrintable(QStringLiteral("%1 paints in %2 ms").arg(paints).arg(elapsed)));

    // the end of the run: the waiting repaint is asked for at once
    add(graph, samples * 0.01, 0.0);
    ++samples;
    const int stored = graph.getDataCount();
    QCOMPARE(stored, 30001); // the oldest have been trimmed
    graph.flushRepaint();
    QCoreApplication::processEvents();
    QCOMPARE(graph.samplesPainted, stored);

    // without a flush the last samples are painted within one refresh
    graph.setLiveMode(false); // keeps every sample from now on
    add(graph, samples * 0.01, 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(graph.samplesPainted, stored + 1, 1000);
}

QTEST_MAIN(TestGraphIntake)
#include "tst_graphintake.moc"
