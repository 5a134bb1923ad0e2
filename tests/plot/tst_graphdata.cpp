// What a graph keeps of its samples and events, its window under zoom and pan,
// its search by time, and its export. (The plot window's graphs fed by index:
// the whole run in tst_run.)
#include "guigraphwidget.h"
#include "testsupport.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

#include <malloc.h>

namespace {

void add(GuiGraphWidget &graph, double t, double v)
{
    BaseDataPoint p(t, v);
    graph.addData(p);
}

} // namespace

class TestGraphData : public QObject
{
    Q_OBJECT

private slots:
    void keptSamplesAndRange_data();
    void keptSamplesAndRange();
    void longLiveRunKeepsTheNewest300SecondsInOrder();
    void storageGrowthBoundsARun_data();
    void storageGrowthBoundsARun();
    void zoomAndPan_data();
    void zoomAndPan();
    void nearestSample_data();
    void nearestSample();
    void exportData_data();
    void exportData();
    void menuExportAsksForAName();
};

void TestGraphData::keptSamplesAndRange_data()
{
    // A live graph keeps 300 s of each series (of events by time of day),
    // dropping one old item per new one, and widens its range to take new
    // samples; the first two do neither. A static graph keeps everything.
    QTest::addColumn<bool>("live");
    QTest::addColumn<QString>("series");        // data, compare or events
    QTest::addColumn<QVector<QPointF>>("added"); // (time, value); events: (second of the day, -)
    QTest::addColumn<QVector<double>>("kept");   // times; compare: one 0 each
    QTest::addColumn<QPointF>("range");          // (min, max)

    const QString data = QStringLiteral("data"), events = QStringLiteral("events");
    const QPointF initial(-30, 30);
    QTest::newRow("first two neither trim nor widen") << true << data
        << QVector<QPointF>{{0, 100}, {1000, -100}} << QVector<double>{0, 1000} << initial;
    QTest::newRow("third trims the oldest and widens") << true << data
        << QVector<QPointF>{{0, 1}, {1000, 2}, {2000, 45}} << QVector<double>{1000, 2000} << QPointF(-30, 45);
    QTest::newRow("one old sample dropped per new one") << true << data
        << QVector<QPointF>{{0, 0}, {1000, 0}, {2000, 0}, {3000, 0}} << QVector<double>{2000, 3000} << initial;
    QTest::newRow("300 s apart are kept") << true << data
        << QVector<QPointF>{{0, 0}, {150, 0}, {300, 0}} << QVector<double>{0, 150, 300} << initial;
    QTest::newRow("range widens both ways, never shrinks") << true << data
        << QVector<QPointF>{{0, 0}, {0.1, 0}, {0.2, 45}, {0.3, -50}, {0.4, 0}}
        << QVector<double>{0, 0.1, 0.2, 0.3, 0.4} << QPointF(-50, 45);
    QTest::newRow("static keeps every sample and its range") << false << data
        << QVector<QPointF>{{0, 1}, {1000, 2}, {2000, 300}} << QVector<double>{0, 1000, 2000} << initial;
    QTest::newRow("compare series like the data") << true << QStringLiteral("compare")
        << QVector<QPointF>{{500, 0}, {1000, 0}, {2000, -40}} << QVector<double>{0, 0} << QPointF(-40, 30);
    QTest::newRow("first two events kept") << true << events
        << QVector<QPointF>{{0, 0}, {1000, 0}} << QVector<double>{0, 1000} << initial;
    QTest::newRow("events trimmed by time of day") << true << events
        << QVector<QPointF>{{0, 0}, {360, 0}, {420, 0}} << QVector<double>{360, 420} << initial;
    QTest::newRow("static keeps every event") << false << events
        << QVector<QPointF>{{0, 0}, {360, 0}, {420, 0}} << QVector<double>{0, 360, 420} << initial;
}

void TestGraphData::keptSamplesAndRange()
{
    QFETCH(bool, live);
    QFETCH(QString, series);
    QFETCH(QVector<QPointF>, added);
    GuiGraphWidget graph(nullptr);
    graph.setLiveMode(live);
    for (const QPointF &p : added) {
        BaseDataPoint sample(p.x(), p.y());
        BaseLwEvent event;
        event.setTimeFromSeconds(int(p.x()));
        series == QLatin1String("data") ? graph.addData(sample)
            : series == QLatin1String("compare") ? graph.addCompareData(sample) : graph.addEventData(event);
    }
    QVector<double> kept(graph.getCompareCount()); // the compare series' times are not to be had
    for (int i = 0; i < graph.getDataCount(); ++i)
        kept << graph.getDataPoint(i)->getTime();
    for (int i = 0; i < graph.getEventCount(); ++i)
        kept << graph.getEvent(i)->getTimeInSeconds();
    QTEST(kept, "kept");
    QVERIFY(!graph.getDataPoint(-1) && !graph.getDataPoint(graph.getDataCount()));
    QTEST(QPointF(graph.getYMin(), graph.getYMax()), "range");
}

void TestGraphData::longLiveRunKeepsTheNewest300SecondsInOrder()
{
    // 128 samples a second (exact in binary) for 780 s: the storage of those
    // dropped is given back on the way without disturbing those kept.
    GuiGraphWidget graph(nullptr);
    const int total = 100000;
    for (int i = 0; i < total; ++i)
        add(graph, i / 128.0, i);
    const int kept = 300 * 128 + 1;
    QCOMPARE(graph.getDataCount(), kept);
    for (int k = 0; k < kept; k += 997) {
        QCOMPARE(graph.getDataPoint(k)->getValue(), double(total - kept + k));
        QCOMPARE(graph.getDataPoint(k)->getTime(), (total - kept + k) / 128.0);
    }
    QCOMPARE(graph.getDataPoint(kept - 1)->getValue(), double(total - 1));
    graph.clearData();
    QCOMPARE(graph.getDataCount(), 0);
}

void TestGraphData::storageGrowthBoundsARun_data()
{
    // What a run's samples take, painted, measured at the allocator, against
    // the graph's estimate before the run: never less, and not much more.
    QTest::addColumn<bool>("live");
    QTest::addColumn<QVector<int>>("before"); // earlier runs, seconds at 0.01 s
    QTest::addColumn<int>("seconds");
    QTest::addColumn<double>("dt");
    QTest::newRow("first long run, trimmed to 300 s") << true << QVector<int>{} << 1200 << 0.01;
    QTest::newRow("second long run, kept behind the first") << true << QVector<int>{1200} << 1200 << 0.01;
    QTest::newRow("third run") << true << QVector<int>{350, 120} << 400 << 0.01;
    QTest::newRow("half the timestep") << true << QVector<int>{} << 200 << 0.005;
    QTest::newRow("short run within the storage") << true << QVector<int>{100} << 20 << 0.01;
    QTest::newRow("static keeps everything") << false << QVector<int>{400} << 400 << 0.01;
}

void TestGraphData::storageGrowthBoundsARun()
{
    QFETCH(bool, live);
    QFETCH(QVector<int>, before);
    QFETCH(int, seconds);
    QFETCH(double, dt);
    GuiGraphWidget graph(nullptr);
    graph.setLiveMode(live);
    graph.resize(600, 200);
    QImage picture(graph.size(), QImage::Format_RGB32); // painted as on screen
    for (int i = 0; i < 3; ++i) // what the first paint of a line sets up is not the run's
        add(graph, -1.0 + i, i);
    graph.render(&picture);
    graph.clearData();
    for (int run : before) {
        for (int i = 1; i <= run * 100; ++i)
            add(graph, i * 0.01, std::sin(i * 0.001));
        graph.render(&picture);
    }
    const int count = int(std::lround(seconds / dt));
    const qint64 estimate = graph.storageGrowth(dt, count);
    const qint64 inUse = qint64(mallinfo2().uordblks + mallinfo2().hblkhd);
    for (int i = 1; i <= count; ++i)
        add(graph, i * dt, std::sin(i * 0.001));
    graph.render(&picture);
    const qint64 grown = qint64(mallinfo2().uordblks + mallinfo2().hblkhd) - inUse;
    // Painting the run keeps up to one bucket a pixel, about 40 kB here.
    QVERIFY2(estimate >= grown - 8192 && estimate <= std::max<qint64>(grown, 0) * 1.1 + 49152,
             qPrintable(QStringLiteral("estimate %1, grown %2").arg(estimate).arg(grown)));
}

void TestGraphData::zoomAndPan_data()
{
    // Samples at 0, 1, .. 100 s on a 400 px wide graph: a pixel is 1/4 s in
    // the static window, whose default is 0 .. 60 s. A live window ends at
    // the newest sample and sets its start only where it zooms.
    QTest::addColumn<bool>("live");
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("cursor");
    QTest::addColumn<QStringList>("actions"); // slots, in order
    QTest::addColumn<double>("xMin");
    QTest::addColumn<double>("xMax");
    QTest::addColumn<double>("cursorAfter");
    QTest::addColumn<double>("span");

    QTest::newRow("live in") << true << 101 << 0.0 << QStringList{"zoomIn"} << 70.0 << 60.0 << 0.0 << 30.0;
    QTest::newRow("live in, out") << true << 101 << 0.0 << QStringList{"zoomIn", "zoomOut"} << 40.0 << 60.0 << 0.0 << 60.0;
    QTest::newRow("live out, from the oldest") << true << 101 << 0.0 << QStringList{"zoomOut"} << 0.0 << 60.0 << 0.0 << 120.0;
    QTest::newRow("live all") << true << 101 << 0.0 << QStringList{"zoomAll"} << 0.0 << 100.0 << 30.0 << 60.0;
    QTest::newRow("in about the cursor") << false << 101 << 30.0 << QStringList{"zoomIn"} << 15.0 << 45.0 << 30.0 << 30.0;
    QTest::newRow("in, out") << false << 101 << 30.0 << QStringList{"zoomIn", "zoomOut"} << 0.0 << 60.0 << 30.0 << 60.0;
    QTest::newRow("right by a pixel") << false << 101 << 30.0 << QStringList{"panRight"} << 0.25 << 60.25 << 30.25 << 60.0;
    QTest::newRow("right, left") << false << 101 << 30.0 << QStringList{"panRight", "panLeft"} << 0.0 << 60.0 << 30.0 << 60.0;
    QTest::newRow("left stops at the oldest") << false << 101 << 0.0 << QStringList{"panLeft"} << 0.0 << 60.0 << 0.0 << 60.0;
    QTest::newRow("right stops at the newest") << false << 101 << 99.9 << QStringList{"panRight"} << 0.1 << 60.1 << 100.0 << 60.0;
    QTest::newRow("all") << false << 101 << 30.0 << QStringList{"zoomAll"} << 0.0 << 100.0 << 50.0 << 100.0;
    QTest::newRow("empty graph stays")
        << true << 0 << 0.0 << QStringList{"zoomIn", "zoomOut", "panLeft", "panRight", "zoomAll"} << 0.0 << 60.0 << 0.0 << 60.0;
}

void TestGraphData::zoomAndPan()
{
    QFETCH(bool, live);
    QFETCH(int, samples);
    QFETCH(double, cursor);
    QFETCH(QStringList, actions);
    GuiGraphWidget graph(nullptr);
    graph.setLiveMode(live);
    graph.resize(400, 200);
    for (int i = 0; i < samples; ++i)
        add(graph, i, 0.0);
    graph.setCursorTime(cursor);
    for (const QString &slot : actions)
        QVERIFY(QMetaObject::invokeMethod(&graph, qPrintable(slot)));
    QTEST(graph.getXMin(), "xMin");
    QTEST(graph.getXMax(), "xMax");
    QTEST(graph.getCursorTime(), "cursorAfter");
    QTEST(graph.getTimeSpan(), "span");
}

void TestGraphData::nearestSample_data()
{
    QTest::addColumn<QVector<double>>("times");
    QTest::addColumn<double>("t");
    QTest::addColumn<int>("index");
    // unevenly spaced, so that the first guess is not always the answer
    const QVector<double> times{0, 1, 2, 2.5, 8, 9, 10};
    QTest::newRow("nearer the earlier, found forwards") << times << 2.2 << 2;
    QTest::newRow("nearer the later, found backwards") << times << 5.8 << 4;
    QTest::newRow("tie goes to the earlier") << times << 1.5 << 1;
    QTest::newRow("tie in a wide gap") << times << 5.25 << 3;
    QTest::newRow("at a sample") << times << 8.0 << 4;
    QTest::newRow("in the last gap") << times << 9.6 << 6;
    QTest::newRow("before the oldest") << times << -1.0 << 0;
    QTest::newRow("after the newest") << times << 12.0 << 6;
    QTest::newRow("not a number") << times << std::numeric_limits<double>::quiet_NaN() << 0;
    QTest::newRow("fewer than three samples") << QVector<double>{0, 1} << 0.9 << 0;
}

void TestGraphData::nearestSample()
{
    QFETCH(QVector<double>, times);
    QFETCH(double, t);
    GuiGraphWidget graph(nullptr);
    for (double time : times)
        add(graph, time, 0.0);
    QTEST(graph.getNearestDataPointIndex(t), "index");
}

void TestGraphData::exportData_data()
{
    QTest::addColumn<QVector<QPointF>>("samples"); // (time, value)
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents"); // null: no file, the failure told
    QTest::newRow("time, tab, value in fixed notation")
        << QVector<QPointF>{{0.01, -0.25}, {0.02, 1.5}, {0.03, 1e6}, {0.04, 1e-7}} << QStringLiteral("graph.txt")
        << QByteArray("0.010000\t-0.250000\n0.020000\t1.500000\n0.030000\t1000000.000000\n0.040000\t0.000000\n");
    QTest::newRow("no samples, empty file") << QVector<QPointF>{} << QStringLiteral("empty.txt") << QByteArray("");
    QTest::newRow("unwritable") << QVector<QPointF>{{0.01, 1.0}} << QStringLiteral("no/graph.txt") << QByteArray();
}

void TestGraphData::exportData()
{
    QFETCH(QVector<QPointF>, samples);
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    ModalDialogCloser closer;
    QTemporaryDir dir;
    GuiGraphWidget graph(nullptr);
    for (const QPointF &p : samples)
        add(graph, p.x(), p.y());
    BaseDataPoint compare(0.03, 9.0); // the compare series is not exported
    graph.addCompareData(compare);

    const QString path = dir.filePath(name);
    graph.exportData(path);
    QFile file(path);
    QCOMPARE(file.open(QIODevice::ReadOnly), !contents.isNull());
    QCOMPARE(file.readAll(), contents);
    if (contents.isNull()) {
        QCOMPARE(closer.closedTexts().size(), 1);
        QVERIFY2(closer.closedTexts()[0].contains(QDir::toNativeSeparators(path)), qPrintable(closer.closedTexts()[0]));
    } else {
        QCOMPARE(closer.closedTexts(), QStringList());
    }
}

void TestGraphData::menuExportAsksForAName()
{
    // The right-click menu is built afresh each time; its export asks for a
    // file name, and a cancelled dialog is no failure to tell of.
    ModalDialogCloser closer;
    QString asked;
    closer.setAnswer([&asked](QWidget *dialog) { asked = dialog->metaObject()->className(); });
    GuiGraphWidget graph(nullptr);
    add(graph, 0.01, 1.0);
    QList<int> entries;
    for (int click = 0; click < 2; ++click) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10));
        QApplication::sendEvent(&graph, &event);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        entries << menu->actions().size();
        menu->actions().last()->trigger();
        menu->close();
    }
    QCOMPARE(entries[1], entries[0]);
    QCOMPARE(asked, QStringLiteral("QFileDialog"));
    QCOMPARE(closer.closedTexts(), QStringList());
}

QTEST_MAIN(TestGraphData)
#include "tst_graphdata.moc"
