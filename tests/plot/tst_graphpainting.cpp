// Where the graph paints its frame, labels and series, measured on a paint
// device that records primitives, and how the thinned series compares with
// drawing every segment, measured on pixels.
#include "guigraphwidget.h"
#include "recordingpaintdevice.h"
#include "testsupport.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtMath>
#include <QtTest>

#include <cmath>

namespace {

// The graph with its painting reachable from a test.
class TestGraph : public GuiGraphWidget
{
public:
    TestGraph() : GuiGraphWidget(nullptr) {}

    void paintInto(QPaintDevice *device)
    {
        QPainter painter(device);
        if (isValueOnlyMode()) {
            updateDataValueOnly(painter);
        } else {
            drawGraphics(painter);
            updateGraphics(painter);
        }
    }
    using GuiGraphWidget::setEverySegmentDrawing;

    void add(double t, double v)
    {
        BaseDataPoint p(t, v);
        addData(p);
    }
};

QImage renderImage(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    widget.render(&image);
    return image;
}

bool isDark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// Dark pixels of a that have no dark pixel within one pixel in b.
int unmatchedDarkPixels(const QImage &a, const QImage &b)
{
    int unmatched = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!isDark(a.pixel(x, y)))
                continue;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy) {
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    found = nx >= 0 && ny >= 0 && nx < b.width() && ny < b.height() && isDark(b.pixel(nx, ny));
                }
            }
            if (!found)
                ++unmatched;
        }
    }
    return unmatched;
}

int darkPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isDark(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// A slow wave with noise, one sample per 0.01 s from t0.
void feedNoisy(TestGraph &graph, int count, double t0, quint32 seed)
{
    QRandomGenerator random(seed);
    for (int i = 0; i < count; ++i) {
        const double t = t0 + i * 0.01;
        graph.add(t, 10.0 * std::sin(2.0 * M_PI * t / 20.0) + 6.0 * (random.generateDouble() - 0.5));
    }
}

bool near(const QPointF &a, const QPointF &b)
{
    return std::abs(a.x() - b.x()) < 1e-9 && std::abs(a.y() - b.y()) < 1e-9;
}

// Text positions reach the paint engine in 1/64 pixel steps.
bool nearText(const QPointF &a, const QPointF &b)
{
    return std::abs(a.x() - b.x()) <= 1.0 / 64 && std::abs(a.y() - b.y()) <= 1.0 / 64;
}

bool near(const QLineF &a, const QLineF &b)
{
    return near(a.p1(), b.p1()) && near(a.p2(), b.p2());
}

} // namespace

class TestGraphPainting : public QObject
{
    Q_OBJECT

private slots:
    void liveFrameGeometry();
    void titleAbovePlotAndStaticLabels();
    void valuesBeyondRangeLieOnTheBandEdge();
    void onlySegmentsInsideTheWindowAreDrawn();
    void valueOnlyDisplay();
    void equalLimitsDrawFrameOnly();
    void thinningKeepsFewPointsPerColumn();
    void repaintedPathIsTheFreshPath_data();
    void repaintedPathIsTheFreshPath();
    void laterRunDrawsNothingBeyondTheAxis();
    void thinnedPictureMatchesEverySegment_data();
    void thinnedPictureMatchesEverySegment();
    void savesPictureForPeople();
};

void TestGraphPainting::liveFrameGeometry()
{
    TestGraph graph;
    graph.setLiveMode(true);
    graph.setTitle(QStringLiteral("Roll"));
    graph.setUnits(QStringLiteral("rad"));
    graph.resize(400, 200);
    QCOMPARE(graph.getPixelsPerSecond(), 5.0);

    RecordingPaintDevice device(400, 200);
    graph.paintInto(&device);

    const QVector<QLineF> lines = device.linesIn(Qt::black);
    QCOMPARE(lines.size(), 2 + 7);
    QVERIFY(near(lines[0], QLineF(340, 10, 340, 190))); // y axis
    QVERIFY(near(lines[1], QLineF(40, 100, 340, 100))); // time axis
    for (int i = 0; i < 7; ++i)
        QVERIFY2(near(lines[2 + i], QLineF(336, 10 + 30 * i, 344, 10 + 30 * i)), qPrintable(QString::number(i)));

    struct Expected { const char *text; QPointF at; int px; bool bold; };
    const Expected expected[] = {
        {"30.000", {346, 18}, 20, false},
        {"0.000", {346, 108}, 20, false},
        {"-30.000", {346, 198}, 20, false},
        {"Roll", {8, 28}, 24, true},
        {"(rad)", {40, 28}, 19, false},
        {"Scale: 1.0 min", {0, 170}, 20, false},
    };
    QCOMPARE(device.texts.size(), int(sizeof expected / sizeof expected[0]));
    for (const Expected &e : expected) {
        const RecordedText *t = device.text(QString::fromLatin1(e.text));
        QVERIFY2(t, e.text);
        QVERIFY2(nearText(t->baseline, e.at), e.text);
        QCOMPARE(t->pixelSize, e.px);
        QCOMPARE(t->bold, e.bold);
    }
    // fewer than two samples: no series
    graph.add(1.0, 2.0);
    RecordingPaintDevice oneSample(400, 200);
    graph.paintInto(&oneSample);
    QVERIFY(oneSample.polylines.isEmpty());
    QCOMPARE(oneSample.lines.size(), 9);
}

void TestGraphPainting::titleAbovePlotAndStaticLabels()
{
    TestGraph graph;
    graph.setLiveMode(false); // left 0.3, right 0.9, window 0..60 s
    graph.setTitleAbovePlot(true); // right 0.8
    graph.setTitle(QStringLiteral("Pitch"));
    graph.resize(400, 200);

    RecordingPaintDevice device(400, 200);
    graph.paintInto(&device);
    // the y axis moves to the left edge, labels to its left
    QVERIFY(near(device.lines[0].line, QLineF(120, 10, 120, 190)));
    QVERIFY(nearText(device.text(QStringLiteral("30.000"))->baseline, QPointF(100, 18)));
    QVERIFY(nearText(device.text(QStringLiteral("Pitch"))->baseline, QPointF(400 / 6.0, 200 * (0.05 - 0.02))));
    QVERIFY(nearText(device.text(QStringLiteral("()"))->baseline, QPointF(166, 0.85 * 200 * (0.05 - 0.02))));
}

void TestGraphPainting::valuesBeyondRangeLieOnTheBandEdge()
{
    // static window 0..60 s from x = 120 at 4 px/s; band from y = 10 to 190
    TestGraph graph;
    graph.setLiveMode(false);
    graph.resize(400, 200);
    graph.add(10.0, 0.0);
    graph.add(20.0, 100.0);
    graph.add(30.0, -100.0);
    graph.add(40.0, 15.0);

    RecordingPaintDevice device(400, 200);
    graph.paintInto(&device);
    QCOMPARE(device.polylines.size(), 1);
    const QPolygonF &p = device.polylines[0].points;
    QCOMPARE(p.size(), 4);
    QVERIFY(near(p[0], QPointF(160, 100)));
    QVERIFY(near(p[1], QPointF(200, 10)));  // top edge
    QVERIFY(near(p[2], QPointF(240, 190))); // bottom edge
    QVERIFY(near(p[3], QPointF(280, 55)));
    QCOMPARE(device.polylines[0].color, QColor(Qt::blue));
    QVERIFY(device.polylines[0].antialiased);

    // live: the first two samples do not widen the range, and the newest
    // sample sits on the y axis
    TestGraph live;
    live.setLiveMode(true);
    live.resize(400, 200);
    live.add(0.0, 0.0);
    live.add(1.0, 100.0);
    RecordingPaintDevice liveDevice(400, 200);
    live.paintInto(&liveDevice);
    QCOMPARE(liveDevice.polylines.size(), 1);
    QVERIFY(near(liveDevice.polylines[0].points[0], QPointF(335, 100)));
    QVERIFY(near(liveDevice.polylines[0].points[1], QPointF(340, 10)));
}

void TestGraphPainting::onlySegmentsInsideTheWindowAreDrawn()
{
    TestGraph graph;
    graph.setLiveMode(false);
    graph.resize(400, 200);
    graph.add(-5.0, 1.0); // before the window: its segment is not drawn
    graph.add(5.0, 0.0);
    graph.add(10.0, 0.0);
    graph.add(70.0, 0.0); // after the window's end
    BaseDataPoint compare1(5.0, 3.0), compare2(15.0, 3.0);
    graph.addCompareData(compare1);
    graph.addCompareData(compare2);

    for (bool everySegment : {false, true}) {
        graph.setEverySegmentDrawing(everySegment);
        RecordingPaintDevice device(400, 200);
        graph.paintInto(&device);
        QVector<QLineF> segments;
        for (const RecordedPolyline &p : qAsConst(device.polylines)) {
            for (int i = 1; i < p.points.size(); ++i)
                segments << QLineF(p.points[i - 1], p.points[i]);
            QVERIFY(p.color == QColor(Qt::blue) || p.color == QColor(Qt::red));
        }
        for (const RecordedLine &l : qAsConst(device.lines)) {
            if (l.color != QColor(Qt::black))
                segments << l.line;
        }
        QCOMPARE(segments.size(), 2);
        QVERIFY(near(segments[0], QLineF(140, 100, 160, 100)));
        QVERIFY(near(segments[1], QLineF(140, 91, 180, 91))); // the compare series
    }

    // live: samples at 0, 30 and 70 s show only the last segment
    TestGraph live;
    live.setLiveMode(true);
    live.resize(400, 200);
    live.add(0.0, 0.0);
    live.add(30.0, 0.0);
    live.add(70.0, 0.0);
    RecordingPaintDevice device(400, 200);
    live.paintInto(&device);
    QCOMPARE(device.polylines.size(), 1);
    QCOMPARE(device.polylines[0].points.size(), 2);
    QVERIFY(near(device.polylines[0].points[0], QPointF(140, 100)));
}

void TestGraphPainting::valueOnlyDisplay()
{
    TestGraph graph;
    graph.setValueOnlyMode();
    graph.resize(400, 200);
    graph.add(1.0, 3.5);
    RecordingPaintDevice device(400, 200);
    graph.paintInto(&device);
    QCOMPARE(device.texts.size(), 1);
    QCOMPARE(device.texts[0].text, QStringLiteral("0.00"));
    QCOMPARE(device.texts[0].pixelSize, 180);
    QCOMPARE(device.rects.size(), 1);
    QCOMPARE(device.rects[0].rect, QRectF(80, 1, 240, 198));

    graph.add(2.0, -7.256);
    RecordingPaintDevice second(400, 200);
    graph.paintInto(&second);
    QCOMPARE(second.texts[0].text, QStringLiteral("-7.26"));
    QCOMPARE(second.texts[0].color, QColor(Qt::blue));
}

void TestGraphPainting::equalLimitsDrawFrameOnly()
{
    TestGraph graph;
    graph.setLiveMode(false);
    graph.setYRange(5.0, 5.0);
    graph.resize(400, 200);
    graph.add(1.0, 5.0);
    graph.add(2.0, 6.0);
    graph.add(3.0, 4.0);
    for (bool everySegment : {false, true}) {
        graph.setEverySegmentDrawing(everySegment);
        RecordingPaintDevice device(400, 200);
        graph.paintInto(&device);
        QCOMPARE(device.lines.size(), 2); // the two axes
        QVERIFY(device.polylines.isEmpty());
        QCOMPARE(device.paths, 0);
        QVERIFY(!device.text(QStringLiteral("5.000")));
        QVERIFY(device.text(QStringLiteral("Scale: 1.0 min")));
    }
}

void TestGraphPainting::thinningKeepsFewPointsPerColumn()
{
    // 600 x 200 live: the band is 450 px wide and shows 60 s, 6 000 samples
    TestGraph graph;
    graph.setLiveMode(true);
    graph.resize(600, 200);
    feedNoisy(graph, 30000, 0.0, 7);
    QCOMPARE(graph.getDataCount(), 30000);

    const GraphMapping mapping = graph.getSeriesMapping();
    const GraphSeriesPainter painter(mapping);
    const BaseDataPoint *samples = graph.getDataPoint(0);
    const QVector<QPolygonF> polylines = painter.thinnedPolylines(samples, graph.getDataCount());
    QCOMPARE(polylines.size(), 1);
    const QPolygonF &line = polylines[0];
    QVERIFY2(line.size() <= 4 * 452, qPrintable(QString::number(line.size())));
    QVERIFY(line.size() >= 3 * 450);
    // the path starts and ends at the window's first and last sample
    QVERIFY(std::abs(line.first().x()) < 0.08);
    QCOMPARE(line.last().x(), 450.0);
    QCOMPARE(line.last().y(), mapping.y(graph.getDataPoint(29999)->getValue()));
}

namespace {

QVector<QPolygonF> paintedPolylines(TestGraph &graph)
{
    RecordingPaintDevice device(graph.width(), graph.height());
    graph.paintInto(&device);
    QVector<QPolygonF> polylines;
    for (const RecordedPolyline &p : qAsConst(device.polylines))
        polylines << p.points;
    return polylines;
}

// A slow wave with noise, one sample per 0.01 s.
QVector<BaseDataPoint> noisySamples(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QVector<BaseDataPoint> samples;
    for (int i = 0; i < count; ++i) {
        const double t = i * 0.01;
        samples << BaseDataPoint(t, 10.0 * std::sin(2.0 * M_PI * t / 20.0) + 6.0 * (random.generateDouble() - 0.5));
    }
    return samples;
}

// Feeds samples [from, to), painting after every 700.
void feedPainting(TestGraph &graph, const QVector<BaseDataPoint> &samples, int from, int to)
{
    for (int i = from; i < to; ++i) {
        graph.add(samples[i].getTime(), samples[i].getValue());
        if ((i - from) % 700 == 699)
            paintedPolylines(graph);
    }
}

void feedAll(TestGraph &graph, const QVector<BaseDataPoint> &samples)
{
    for (const BaseDataPoint &p : samples)
        graph.add(p.getTime(), p.getValue());
}

} // namespace

void TestGraphPainting::repaintedPathIsTheFreshPath_data()
{
    QTest::addColumn<QString>("history");
    QTest::newRow("fed while painted") << QStringLiteral("fed");
    QTest::newRow("refilled after clearing") << QStringLiteral("refilled");
    QTest::newRow("zoomed between paints") << QStringLiteral("zoomed");
    QTest::newRow("static window moved back") << QStringLiteral("moved");
}

void TestGraphPainting::repaintedPathIsTheFreshPath()
{
    // What a graph keeps from one paint to the next must not show: a graph
    // painted while it was fed paints what a graph given the same samples at
    // once paints.
    QFETCH(QString, history);
    const QVector<BaseDataPoint> samples = noisySamples(9000, 3);
    TestGraph painted;
    TestGraph fresh;
    for (TestGraph *graph : {&painted, &fresh}) {
        graph->setLiveMode(true);
        graph->resize(600, 200);
    }
    if (history == QLatin1String("fed")) {
        feedPainting(painted, samples, 0, 9000);
    } else if (history == QLatin1String("refilled")) {
        feedPainting(painted, noisySamples(9000, 4), 0, 9000);
        painted.clearData();
        // the same times with other values, painted only once they are all in
        feedAll(painted, samples);
    } else if (history == QLatin1String("zoomed")) {
        feedPainting(painted, samples, 0, 6000);
        painted.zoomIn();
        feedPainting(painted, samples, 6000, 7500);
        painted.zoomOut();
        feedPainting(painted, samples, 7500, 9000);
    } else {
        for (TestGraph *graph : {&painted, &fresh})
            graph->setLiveMode(false);
        feedPainting(painted, samples, 0, 9000);
        painted.setXRange(50.0, 80.0);
        paintedPolylines(painted);
        painted.setXRange(20.0, 50.0);
        fresh.setXRange(20.0, 50.0);
    }
    if (fresh.getDataCount() == 0)
        feedAll(fresh, samples);
    QCOMPARE(painted.getDataCount(), fresh.getDataCount());

    const QVector<QPolygonF> expected = paintedPolylines(fresh);
    QCOMPARE(expected.size(), 1);
    QVERIFY(expected[0].size() > 100);
    QCOMPARE(paintedPolylines(painted), expected);
}

void TestGraphPainting::laterRunDrawsNothingBeyondTheAxis()
{
    // A run of 120 s, then one of 30 s with other values: the live window
    // shows -30 .. 30 s, from x = 190 (0 s) to the y axis at x = 340, 5 px
    // per second, 3 px per unit around y = 100.
    TestGraph graph;
    graph.setLiveMode(true);
    graph.resize(400, 200);
    const auto firstRun = [](double t) { return 10.0 * std::sin(2.0 * M_PI * t / 40.0); };
    for (int i = 1; i <= 12000; ++i)
        graph.add(i * 0.01, firstRun(i * 0.01));
    renderImage(graph);
    for (int i = 1; i <= 3000; ++i)
        graph.add(i * 0.01, -25.0 + i * 0.01 / 6.0);

    const auto isData = [](QRgb c) { return qBlue(c) > qRed(c) + 20; };
    for (bool everySegment : {false, true}) {
        graph.setEverySegmentDrawing(everySegment);
        const QImage image = renderImage(graph);
        // the newest sample lies on the axis and may touch the 2 px beside it
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 343; x < image.width(); ++x) {
                if (isData(image.pixel(x, y)))
                    QFAIL(qPrintable(testsupport::describe(QPoint(x, y), image.pixel(x, y))));
            }
        }
        // the first run's samples inside the window are drawn where they fall
        for (int t = 1; t < 30; ++t) {
            const QPoint at(190 + 5 * t, int(100 - 3 * firstRun(t)));
            bool drawn = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    drawn = drawn || isData(image.pixel(at + QPoint(dx, dy)));
            QVERIFY2(drawn, qPrintable(QStringLiteral("%1 s").arg(t)));
        }
    }
}

void TestGraphPainting::thinnedPictureMatchesEverySegment_data()
{
    QTest::addColumn<bool>("restart");
    QTest::newRow("times increase") << false;
    QTest::newRow("times restart") << true;
}

void TestGraphPainting::thinnedPictureMatchesEverySegment()
{
    QFETCH(bool, restart);
    TestGraph graph;
    graph.setLiveMode(true);
    graph.setTitle(QStringLiteral("X1"));
    graph.resize(600, 200);
    // painted on the way, so that what the graph keeps from one paint to the
    // next shows in the last picture too
    if (restart) {
        // a second run appends samples whose times start again
        feedNoisy(graph, 15000, 0.0, 11);
        renderImage(graph);
        feedNoisy(graph, 15000, 0.0, 12);
    } else {
        feedNoisy(graph, 20000, 0.0, 13);
        renderImage(graph);
        feedNoisy(graph, 10000, 200.0, 14);
    }
    QCOMPARE(graph.getDataCount(), 30000);

    const QImage thinned = renderImage(graph);
    graph.setEverySegmentDrawing(true);
    const QImage every = renderImage(graph);

    QVERIFY(darkPixels(every) > 5000);
    QCOMPARE(unmatchedDarkPixels(thinned, every), 0);
    QCOMPARE(unmatchedDarkPixels(every, thinned), 0);
}

void TestGraphPainting::savesPictureForPeople()
{
    TestGraph graph;
    graph.setLiveMode(true);
    graph.setTitle(QStringLiteral("X1"));
    graph.setUnits(QStringLiteral("rad"));
    graph.setYRange(-0.0001, 0.0001);
    graph.resize(600, 200);
    for (int i = 0; i < 400; ++i)
        graph.add(i * 0.01, 0.3 * std::sin(i * 0.03) + 0.05 * std::sin(i * 0.7));
    const QString path = testsupport::artifactPath(QStringLiteral("graph_live.png"));
    QVERIFY(renderImage(graph).save(path));
    QVERIFY(QFileInfo(path).size() > 0);
}

QTEST_MAIN(TestGraphPainting)
#include "tst_graphpainting.moc"
