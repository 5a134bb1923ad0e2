// What the graph draws: the texts of its axes as it is asked to draw them;
// its series measured on pixels: samples mapped into the band, only segments
// inside the time window, later runs that restart their times, the thinned
// path against drawing every segment; and the newest samples on the plot
// window's screen.
#include "graphscrollwidget.h"
#include "guigraphwidget.h"
#include "shownsamples.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QtMath>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

class TestGraph : public GuiGraphWidget
{
public:
    TestGraph() : GuiGraphWidget(nullptr) {}
    using GuiGraphWidget::drawGraphics;
    using GuiGraphWidget::setEverySegmentDrawing;

    void add(double t, double v)
    {
        BaseDataPoint p(t, v);
        addData(p);
    }
};

// A 400 x 200 paint device that keeps the texts drawn on it: "text x,y px",
// with "b" after the pixel size of a bold font.
class TextRecorder : public QPaintDevice, public QPaintEngine
{
public:
    QStringList texts;

    QPaintEngine *paintEngine() const override { return const_cast<TextRecorder *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    using QPaintEngine::drawPolygon;
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {} // lines end here
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QPointF at = state->transform().map(p);
        texts << QStringLiteral("%1 %2,%3 %4%5").arg(item.text()).arg(at.x()).arg(at.y())
                     .arg(item.font().pixelSize()).arg(item.font().bold() ? "b" : "");
    }
    Type type() const override { return User; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return 400;
        case PdmHeight: return 200;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        case PdmDepth: return 32;
        default: return 96; // the resolutions
        }
    }
};

QImage renderImage(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    widget.render(&image);
    return image;
}

// The data series' blue, also where it is antialiased or crosses an axis.
bool isData(QRgb c)
{
    return qBlue(c) > qRed(c) + 40;
}

// How many pixels of the image inside r are of a kind.
int pixels(const QImage &image, QRect r, bool (*kind)(QRgb))
{
    int count = 0;
    r &= image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            count += kind(image.pixel(x, y)) ? 1 : 0;
    return count;
}

QRect around(QPointF p)
{
    return QRect(p.toPoint() - QPoint(1, 1), QSize(3, 3));
}

bool dataNear(const QImage &image, QPointF at)
{
    return pixels(image, around(at), isData) > 0;
}

// Dark pixels of a without a drawn pixel within one pixel in b. Where
// strokes overlap, antialiasing darkens what one stroke leaves light, so
// only a pixel dark in one picture asks for one merely drawn in the other.
int unmatchedDarkPixels(const QImage &a, const QImage &b)
{
    int unmatched = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (qGray(a.pixel(x, y)) < 128 && !pixels(b, around(QPointF(x, y)), [](QRgb c) { return qGray(c) < 224; }))
                ++unmatched;
        }
    }
    return unmatched;
}

// Drives a graph through steps: "static", "clear", "paint", "resize"; "xa:b"
// and "ya:b" set the static window (and paint) or the value range; "p t,v
// t,v .." feeds samples; "+a:b" feeds a run from a to b seconds, 100 samples
// a second of a slow wave with noise ("-": turned over), the compare series
// alongside, painting on the way unless "unpainted" follows; "nan" feeds a
// second of values that are not a number, "nan time" one sample whose time
// is not one. Any other step names a slot.
bool drive(TestGraph &graph, const QStringList &steps)
{
    QRandomGenerator random(7);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double last = 0.0;
    for (const QString &step : steps) {
        const QStringList span = step.mid(1).section(QLatin1Char(' '), 0, 0).split(QLatin1Char(':'));
        if (step.startsWith(QLatin1Char('+')) || step.startsWith(QLatin1Char('-'))) {
            const double sign = step.startsWith(QLatin1Char('+')) ? 1.0 : -1.0;
            for (int i = qRound(span[0].toDouble() * 100); i <= qRound(span[1].toDouble() * 100); ++i) {
                last = i * 0.01;
                const double v = sign * (10.0 * std::sin(2.0 * M_PI * last / 20.0) + 5.0)
                               + 6.0 * (random.generateDouble() - 0.5);
                graph.add(last, v);
                BaseDataPoint compare(last, 0.5 * v - 8.0);
                graph.addCompareData(compare);
                if (i % 700 == 0 && !step.endsWith(QLatin1String("unpainted")))
                    renderImage(graph);
            }
        } else if (step == QLatin1String("paint")) {
            renderImage(graph);
        } else if (step.startsWith(QLatin1Char('p'))) {
            for (const QString &sample : step.mid(1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                graph.add(sample.section(QLatin1Char(','), 0, 0).toDouble(), sample.section(QLatin1Char(','), 1).toDouble());
        } else if (step.startsWith(QLatin1Char('x'))) {
            graph.setXRange(span[0].toDouble(), span[1].toDouble());
            renderImage(graph);
        } else if (step.startsWith(QLatin1Char('y'))) {
            graph.setYRange(span[0].toDouble(), span[1].toDouble());
        } else if (step == QLatin1String("nan")) {
            for (int i = 1; i <= 100; ++i)
                graph.add(last + i * 0.01, nan);
            last += 1.0;
        } else if (step == QLatin1String("nan time")) {
            graph.add(nan, 0.0);
        } else if (step == QLatin1String("static")) {
            graph.setLiveMode(false);
        } else if (step == QLatin1String("clear")) {
            graph.clearData();
        } else if (step == QLatin1String("resize")) {
            graph.resize(graph.width() + 10, graph.height());
        } else if (!QMetaObject::invokeMethod(&graph, qPrintable(step))) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestGraphPainting : public QObject
{
    Q_OBJECT

private slots:
    void axisTexts_data();
    void axisTexts();
    void seriesDrawnWhereMapped_data();
    void seriesDrawnWhereMapped();
    void thinnedPictureMatchesEverySegment_data();
    void thinnedPictureMatchesEverySegment();
    void newestSamplesShown_data();
    void newestSamplesShown();
};

void TestGraphPainting::axisTexts_data()
{
    // A 400 x 200 graph "X1" in rad: y labels at the top, middle and bottom
    // ticks, the title and unit, the window's length in minutes.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("texts");
    const QStringList title = {"X1 8,28 24b", "(rad) 40,28 19"};
    QTest::newRow("fresh live graph") << QStringList{}
        << QStringList{"30.000 346,18 20", "0.000 346,108 20", "-30.000 346,198 20"} + title + QStringList{"Scale: 1.0 min 0,170 20"};
    QTest::newRow("range widened, zoomed in") << QStringList{"p0,0 1,0 2,90 3,-42", "zoomIn"}
        << QStringList{"90.000 346,18 20", "24.000 346,108 20", "-42.000 346,198 20"} + title + QStringList{"Scale: 0.5 min 0,170 20"};
    QTest::newRow("static window of two minutes") << QStringList{"static", "y-1:5", "x30:150"}
        << QStringList{"5.000 100,18 20", "2.000 100,108 20", "-1.000 100,198 20", "X1 8,28 24b", "(rad) 120,28 19",
                       "Scale: 2.0 min 0,170 20"};
}

void TestGraphPainting::axisTexts()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, texts);
    TestGraph graph;
    graph.setTitle(QStringLiteral("X1"));
    graph.setUnits(QStringLiteral("rad"));
    graph.setLiveMode(true);
    graph.resize(400, 200);
    QVERIFY(drive(graph, steps));
    TextRecorder recorder;
    QPainter painter(&recorder);
    graph.drawGraphics(painter);
    QCOMPARE(recorder.texts, texts);
}

void TestGraphPainting::seriesDrawnWhereMapped_data()
{
    // A 400 x 200 graph. Static: 0 .. 60 s from x = 120 at 4 px/s. Live:
    // the window ends at the newest sample on the y axis, x = 340, at 5 px/s
    // (10 px/s zoomed in). Both: the band runs from y = 10 to 190, 3 px per
    // unit about y = 100. With no points to find drawn, nothing of the
    // series may be drawn at all.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QVector<QPointF>>("drawn"); // pixels
    QTest::addColumn<QVector<QPointF>>("blank");
    QTest::newRow("values up, beyond the range on its edge") << QStringList{"static", "p10,0 20,100 30,-100 40,15"}
        << QVector<QPointF>{{160, 100}, {180, 55}, {200, 10}, {240, 190}, {260, 122.5}, {280, 55}}
        << QVector<QPointF>{{200, 4}, {240, 196}};
    QTest::newRow("live window ends at the newest") << QStringList{"p0,0 50,10 100,-10"}
        << QVector<QPointF>{{90, 70}, {215, 100}, {340, 130}} << QVector<QPointF>{{60, 74}, {345, 130}};
    QTest::newRow("live window zoomed in") << QStringList{"p0,0 80,10 100,-10", "zoomIn"}
        << QVector<QPointF>{{140, 70}, {240, 100}, {340, 130}} << QVector<QPointF>{{120, 71}};
    QTest::newRow("a sample outside the window draws no segment") << QStringList{"static", "p-5,1 5,0 10,0 70,0"}
        << QVector<QPointF>{{144, 100}, {156, 100}} << QVector<QPointF>{{130, 99}, {200, 100}, {300, 100}};
    QTest::newRow("a step back in time is not drawn") << QStringList{"static", "p10,0 30,10 20,-10 40,0"}
        << QVector<QPointF>{{200, 85}, {240, 115}} << QVector<QPointF>{{230, 85}, {210, 115}};
    // A run, then a shorter one with other values whose times start again:
    // nothing of the first run after the window's end, nor the step back, may
    // be drawn right of the y axis beyond the 2 px the newest sample touches.
    const auto firstRun = [](double t) { return 10.0 * std::sin(2.0 * M_PI * t / 40.0); };
    for (const QPoint ends : {QPoint(120, 30), QPoint(30, 20)}) {
        QString first = QStringLiteral("p"), second = QStringLiteral("p");
        for (int i = 1; i <= ends.x() * 100; ++i)
            first += QStringLiteral(" %1,%2").arg(i * 0.01).arg(firstRun(i * 0.01));
        for (int i = 1; i <= ends.y() * 100; ++i)
            second += QStringLiteral(" %1,%2").arg(i * 0.01).arg(-25.0 + i * 0.01 / 6.0);
        QVector<QPointF> drawn, blank;
        for (int t = 1; t < ends.y(); ++t) // the first run's samples in the window
            drawn << QPointF(340 - 5 * (ends.y() - t), 100 - 3 * firstRun(t));
        for (int x = 344; x < 400; x += 3)
            for (int y = 1; y < 200; y += 3)
                blank << QPointF(x, y);
        QTest::addRow("a later run, %d s after %d s", ends.y(), ends.x()) << QStringList{first, "paint", second} << drawn << blank;
    }
    QTest::newRow("equal limits draw nothing") << QStringList{"static", "y5:5", "p1,5 2,6 3,4"}
        << QVector<QPointF>{} << QVector<QPointF>{};
    QTest::newRow("an empty window draws nothing") << QStringList{"static", "x10:10", "p5,0 10,0 15,0"}
        << QVector<QPointF>{} << QVector<QPointF>{};
}

void TestGraphPainting::seriesDrawnWhereMapped()
{
    QFETCH(QStringList, steps);
    QFETCH(QVector<QPointF>, drawn);
    QFETCH(QVector<QPointF>, blank);
    TestGraph graph;
    graph.setLiveMode(true);
    graph.resize(400, 200);
    QVERIFY(drive(graph, steps));
    for (bool everySegment : {false, true}) {
        graph.setEverySegmentDrawing(everySegment);
        const QImage image = renderImage(graph);
        const QString mode = everySegment ? QStringLiteral("every segment: ") : QStringLiteral("thinned: ");
        for (const QPointF &p : drawn)
            QVERIFY2(dataNear(image, p), qPrintable(mode + QStringLiteral("nothing at %1, %2").arg(p.x()).arg(p.y())));
        for (const QPointF &p : blank)
            QVERIFY2(!dataNear(image, p), qPrintable(mode + QStringLiteral("drawn at %1, %2").arg(p.x()).arg(p.y())));
        if (drawn.isEmpty())
            QCOMPARE(pixels(image, image.rect(), isData), 0);
    }
}

void TestGraphPainting::thinnedPictureMatchesEverySegment_data()
{
    // What a graph keeps from one paint to the next must not show: a graph
    // painted while it is fed paints what drawing every segment paints.
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("fed while painted") << QStringList{"+0:90"};
    QTest::newRow("times go on across runs") << QStringList{"+0:200", "-200:300"};
    QTest::newRow("times restart") << QStringList{"+0:150", "-0:150"};
    QTest::newRow("three runs") << QStringList{"+0:120", "-0:120", "+0:90"};
    QTest::newRow("restart, first run trimmed in the window") << QStringList{"+0:280", "-100:330"};
    QTest::newRow("restart, first run trimmed away") << QStringList{"+0:40", "-0:345"};
    QTest::newRow("refilled after clearing") << QStringList{"-0:90", "clear", "+0:90 unpainted"};
    QTest::newRow("zoomed between paints") << QStringList{"+0:60", "zoomIn", "-60:75", "zoomOut", "+75:90"};
    QTest::newRow("resized between paints") << QStringList{"+0:60", "resize", "+60:90"};
    QTest::newRow("static window moved") << QStringList{"static", "+0:70", "x20:50", "x50:80", "x45:75"};
    QTest::newRow("an earlier run comes into the window") << QStringList{"+50:100", "-0:90"};
    QTest::newRow("values that are not a number") << QStringList{"+0:100", "-0:60", "nan", "-61:90"};
    QTest::newRow("a time that is not a number") << QStringList{"+0:50", "nan time", "-50:90"};
}

void TestGraphPainting::thinnedPictureMatchesEverySegment()
{
    QFETCH(QStringList, steps);
    TestGraph graph;
    graph.setLiveMode(true);
    graph.resize(600, 200);
    QVERIFY(drive(graph, steps));
    const QImage thinned = renderImage(graph);
    graph.setEverySegmentDrawing(true);
    const QImage every = renderImage(graph);

    QVERIFY(pixels(every, every.rect(), isData) > 2000);
    QCOMPARE(unmatchedDarkPixels(thinned, every), 0);
    QCOMPARE(unmatchedDarkPixels(every, thinned), 0);
}

void TestGraphPainting::newestSamplesShown_data()
{
    QTest::addColumn<bool>("flush");    // flushRepaints at the end, or wait for the next pass
    QTest::addColumn<bool>("scrolled"); // the first graphs out of view for part of the feed
    QTest::newRow("flushed at the end") << true << false;
    QTest::newRow("left to the next pass") << false << false;
    QTest::newRow("scrolled out of view and back") << true << true;
}

void TestGraphPainting::newestSamplesShown()
{
    // Six graphs, about three on screen, fed like a run: one sample each and
    // a round of event processing per step. Whatever the graphs waited for
    // while out of view, every graph on screen ends showing every sample.
    QFETCH(bool, flush);
    QFETCH(bool, scrolled);
    GraphScrollWidget window;
    window.setTargetLayout();
    window.createGraphs({"X1", "Y1", "Z1", "X2", "Y2", "Z2"}, QStringLiteral("rad"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const ShownSamples shown({&window});
    const GuiGraphWidget *first = window.getGraphList().front();
    auto *scroll = window.findChild<QScrollArea *>()->verticalScrollBar();
    auto feed = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            QTest::qWait(1);
            window.addData(i * 0.01, Eigen::VectorXd::Constant(6, std::sin(i * 0.1)));
        }
    };
    feed(0, 40);
    if (scrolled) {
        scroll->setValue(scroll->maximum());
        QVERIFY(first->visibleRegion().isEmpty());
        feed(40, 80);
        scroll->setValue(0);
        QCoreApplication::processEvents();
    }
    feed(80, 120);
    if (flush)
        window.flushRepaints(); // no event is processed after it
    else
        QVERIFY(QTest::qWaitFor([&] { return shown.behind().isEmpty(); }, 2000));
    QCOMPARE(shown.behind(), QStringList());
    const auto onScreen = std::count_if(window.getGraphList().begin(), window.getGraphList().end(),
                                        [](const GuiGraphWidget *g) { return !g->visibleRegion().isEmpty(); });
    QVERIFY(onScreen >= 2 && onScreen < 6);
}

QTEST_MAIN(TestGraphPainting)
#include "tst_graphpainting.moc"
