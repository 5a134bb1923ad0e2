#include "guigraphwidget.h"

#include "graphrepaintpass.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

// Ticks on the y axis divide the range into this many steps.
constexpr int kTickDivisions = 6;

int pixelSize(double px)
{
    return qMax(1, int(px));
}

} // namespace

GuiGraphWidget::GuiGraphWidget(QWidget *parent)
    : GraphMouseInteractionClass(parent)
    , m_drawingEnabled(true)
    , m_backgroundColor(Qt::white)
    , m_axisColor(Qt::black)
    , m_dataColor(Qt::blue)
    , m_compareColor(Qt::red)
    , m_yMin(-30.0)
    , m_yMax(30.0)
    , m_cursorTime(0.0)
    , m_xMin(0.0)
    , m_xMax(60.0)
    , m_zoomFactor(2.0)
    , m_maxHistory(300.0)
    , m_liveSpan(60.0)
    , m_liveMode(true)
    , m_valueOnlyMode(false)
    , m_showValueBox(false)
    , m_titleAbovePlot(false)
    , m_showScale(true)
    , m_showLabels(true)
    , m_decimals(2)
    , m_staticPlotRight(0.9)
    , m_plotLeft(0.05)
    , m_plotRight(0.85)
    , m_plotTop(0.05)
    , m_plotBottom(0.95)
    , m_tickLength(0.01)
    , m_fontSize(0.1)
    , m_bottomMargin(0.0)
    , m_valueFontSize(0.25)
{
}

GuiGraphWidget::~GuiGraphWidget()
{
    if (m_repaintPending)
        GraphRepaintPass::instance().forget(this);
}

// ---- settings -------------------------------------------------------------

void GuiGraphWidget::setTitle(const QString &title)
{
    m_title = title;
}

void GuiGraphWidget::setUnits(const QString &units)
{
    m_units = units;
}

void GuiGraphWidget::setYRange(double min, double max)
{
    m_yMin = min;
    m_yMax = max;
}

void GuiGraphWidget::setXRange(double min, double max)
{
    m_xMin = min;
    m_xMax = max;
    update();
}

void GuiGraphWidget::setCursorTime(double time)
{
    m_cursorTime = time;
    update();
}

void GuiGraphWidget::setLiveMode(bool on)
{
    m_liveMode = on;
    if (on) {
        m_plotLeft = 0.1;
        m_plotRight = 0.85;
    } else {
        m_plotLeft = 0.3;
        m_plotRight = m_staticPlotRight;
        m_xMin = 0.0;
        m_xMax = 60.0;
    }
}

void GuiGraphWidget::setShowValueBox(bool on)
{
    m_showValueBox = on;
    m_plotLeft = on ? 0.3 : 0.15;
}

void GuiGraphWidget::setValueOnlyMode()
{
    m_showValueBox = true;
    m_valueOnlyMode = true;
    m_liveSpan = 2.0;
    m_plotLeft = 0.75;
    m_valueFontSize = 0.9;
}

void GuiGraphWidget::setTitleAbovePlot(bool on)
{
    m_titleAbovePlot = on;
    if (m_liveMode)
        m_plotRight = on ? 0.75 : 0.85;
    else
        m_plotRight = on ? 0.8 : 0.95;
}

void GuiGraphWidget::setShowLabels(bool on)
{
    m_showLabels = on;
    m_plotTop = on ? 0.2 : 0.05;
}

void GuiGraphWidget::setBottomMargin(double margin)
{
    m_bottomMargin = margin;
    m_plotBottom = 1.0 - m_plotTop - margin;
}

// ---- derived values ------------------------------------------------------

double GuiGraphWidget::getTimeSpan() const
{
    return m_liveMode ? m_liveSpan : m_xMax - m_xMin;
}

double GuiGraphWidget::getPixelsPerSecond() const
{
    return width() * (m_plotRight - m_plotLeft) / getTimeSpan();
}

QLineF GuiGraphWidget::getYAxisLine() const
{
    const double x = width() * (m_liveMode ? m_plotRight : m_plotLeft);
    return QLineF(x, height() * m_plotTop, x, height() * m_plotBottom);
}

QLineF GuiGraphWidget::getXAxisLine() const
{
    const double y = height() * getPlotMiddle();
    return QLineF(width() * m_plotLeft, y, width() * m_plotRight, y);
}

GraphMapping GuiGraphWidget::getSeriesMapping() const
{
    double tStart = m_xMin;
    double tEnd = m_xMax;
    if (m_liveMode) {
        tEnd = m_data.isEmpty() ? 0.0 : m_data.last().getTime();
        tStart = tEnd - getTimeSpan();
    }
    return GraphMapping(tStart, tEnd, getPixelsPerSecond(), m_yMin, m_yMax,
                        height() * getPlotHeight(), width() * getPlotLeft());
}

BaseDataPoint *GuiGraphWidget::getDataPoint(int i)
{
    if (i < 0 || i >= m_data.size())
        return nullptr;
    return m_data.pointerAt(i);
}

BaseLwEvent *GuiGraphWidget::getEvent(int i)
{
    if (i < 0 || i >= m_events.size())
        return nullptr;
    return &m_events[i];
}

// ---- data intake ----------------------------------------------------------

void GuiGraphWidget::clearData()
{
    m_data.clear();
    update();
}

void GuiGraphWidget::clearEvents()
{
    m_events.clear();
    update();
}

void GuiGraphWidget::reservedHook(void *)
{
}

void GuiGraphWidget::prepareForData(int sizeEstimate)
{
    m_data.reserve(sizeEstimate);
}

void GuiGraphWidget::addToSeries(SampleSeries &series, const BaseDataPoint &sample)
{
    series.append(sample);
    // The first two samples neither trim nor widen the range.
    if (m_liveMode && series.size() > 2) {
        if (dropsOldest(series.first().getTime(), series.last().getTime()))
            series.removeFirst();
        if (sample.getValue() > m_yMax)
            m_yMax = sample.getValue();
        if (sample.getValue() < m_yMin)
            m_yMin = sample.getValue();
    }
    requestRepaint();
}

void GuiGraphWidget::addData(BaseDataPoint &newValue)
{
    addToSeries(m_data, newValue);
}

void GuiGraphWidget::addCompareData(BaseDataPoint &newValue)
{
    addToSeries(m_compareData, newValue);
}

void GuiGraphWidget::addEventData(BaseLwEvent &event)
{
    m_events.append(event);
    if (m_liveMode && m_events.size() > 2) {
        if (m_events.first().getTime().secsTo(m_events.last().getTime()) > m_maxHistory)
            m_events.removeFirst();
    }
    requestRepaint();
}

void GuiGraphWidget::requestRepaint()
{
    // A run adds samples far more often than a screen can show them: the
    // graph is painted in the next pass over all graphs that wait.
    if (!m_repaintPending)
        GraphRepaintPass::instance().mark(this);
}

void GuiGraphWidget::flushRepaint()
{
    if (m_repaintPending)
        GraphRepaintPass::instance().flush();
}

// ---- zoom and pan ---------------------------------------------------------

void GuiGraphWidget::zoomIn()
{
    if (!m_data.isEmpty())
        zoomToSpan(getTimeSpan() / m_zoomFactor);
}

void GuiGraphWidget::zoomOut()
{
    if (!m_data.isEmpty())
        zoomToSpan(getTimeSpan() * m_zoomFactor);
}

void GuiGraphWidget::zoomToSpan(double span)
{
    if (m_liveMode) {
        // the live window ends at the newest sample
        const double first = m_data.first().getTime();
        const double last = m_data.last().getTime();
        m_liveSpan = span;
        setXRange(clampTime(last - span, first, last), m_xMax);
    } else {
        setXRange(m_cursorTime - span / 2.0, m_cursorTime + span / 2.0);
    }
}

void GuiGraphWidget::panLeft()
{
    if (m_data.isEmpty())
        return;
    const double first = m_data.first().getTime();
    double step = 1.0 / getPixelsPerSecond(); // the time of one pixel
    if (m_cursorTime - step < first)
        step = m_cursorTime - first;
    m_xMin -= step;
    m_xMax -= step;
    setCursorTime(m_cursorTime - step);
}

void GuiGraphWidget::panRight()
{
    if (m_data.isEmpty())
        return;
    const double last = m_data.last().getTime();
    double step = 1.0 / getPixelsPerSecond();
    if (m_cursorTime + step > last)
        step = last - m_cursorTime;
    m_xMin += step;
    m_xMax += step;
    setCursorTime(m_cursorTime + step);
}

void GuiGraphWidget::zoomAll()
{
    if (m_data.isEmpty())
        return;
    setXRange(m_data.first().getTime(), m_data.last().getTime());
    setCursorTime(m_xMin + getTimeSpan() / 2.0);
}

// ---- storage --------------------------------------------------------------

qint64 GuiGraphWidget::storageGrowth(double dt, qint64 count, qint64 *grownTo) const
{
    // Replays the intake over the run's times: the places in use grow by one
    // per sample, the oldest kept sample (the series' own first, then the
    // run's) is dropped as addToSeries drops it, and the dropped ones are
    // given back as the series gives them back.
    const qint64 ownKept = m_data.size();
    qint64 kept = ownKept;
    qint64 removed = m_data.places() - ownKept;
    qint64 places = m_data.places();
    qint64 largest = places;
    qint64 oldest = 0;
    for (qint64 i = 1; i <= count; ++i) {
        ++kept;
        largest = std::max(largest, ++places);
        if (!m_liveMode || kept <= 2)
            continue;
        const double oldestTime = oldest < ownKept ? m_data.at(int(oldest)).getTime()
                                                   : double(oldest - ownKept + 1) * dt;
        if (!dropsOldest(oldestTime, double(i) * dt))
            continue;
        ++oldest;
        --kept;
        if (SampleSeries::compacts(++removed, kept)) {
            places = kept;
            removed = 0;
        }
    }
    const qint64 now = m_data.storageBytes();
    const qint64 grown = m_data.storageBytes(largest);
    if (grownTo)
        *grownTo = grown > now ? grown : 0;
    // The run's samples are a stretch of their own, thinned for painting.
    const qint64 painted = count > 0 ? SeriesBucketCache::stretchBytes(width() * getPlotWidth()) : 0;
    return grown - now + painted;
}

bool GuiGraphWidget::storesLike(const GuiGraphWidget &other) const
{
    const SampleSeries &a = m_data;
    const SampleSeries &b = other.m_data;
    if (m_liveMode != other.m_liveMode || width() != other.width() || a.size() != b.size()
        || a.places() != b.places() || a.storageBytes() != b.storageBytes())
        return false;
    return a.isEmpty() || (a.first().getTime() == b.first().getTime() && a.last().getTime() == b.last().getTime());
}

// ---- searches -------------------------------------------------------------

int GuiGraphWidget::getNearestDataPointIndex(double t) const
{
    const int count = m_data.size();
    if (count < 3) {
        qDebug() << __FILE__ << __LINE__ << Q_FUNC_INFO << "Less than 3 data points";
        return 0;
    }
    const double oldest = m_data.first().getTime();
    const double newest = m_data.last().getTime();
    if (!(t > oldest)) // also a time that is not a number
        return 0;
    if (t >= newest) {
        qDebug() << __FILE__ << __LINE__ << Q_FUNC_INFO << "Time is beyond last data point";
        return count - 1;
    }
    int i = qMin(int(count * (t - oldest) / (newest - oldest)), count - 2);
    for (;;) {
        const double a = m_data.at(i).getTime();
        const double b = m_data.at(i + 1).getTime();
        if (t == a)
            return i;
        if (t == b)
            return i + 1;
        if (t < a) {
            --i;
        } else if (t > b) {
            ++i;
        } else {
            // between the two; a tie goes to the earlier sample
            return (b - t >= t - a) ? i : i + 1;
        }
        if (i < 0 || i >= count - 1) {
            qDebug() << __FILE__ << __LINE__ << Q_FUNC_INFO << "Index" << i << "out of range";
            return 0;
        }
    }
}

const BaseLwEvent *GuiGraphWidget::findEvent(double t, int direction) const
{
    if (m_events.isEmpty() || m_data.isEmpty())
        return nullptr;
    if (t < m_data.first().getTime() || t > m_data.last().getTime())
        return nullptr;

    const int n = m_events.size();
    auto eventTime = [this](int k) { return m_events.at(k).getTimeInSeconds(); };
    if (t < eventTime(0))
        return direction == 1 ? &m_events.at(0) : nullptr;
    if (t > eventTime(n - 1))
        return direction == -1 ? &m_events.at(n - 1) : nullptr;
    if (t == eventTime(n - 1)) {
        if (direction >= 0)
            return &m_events.at(n - 1);
        return n >= 2 ? &m_events.at(n - 2) : nullptr;
    }
    if (n == 1)
        return direction == 0 ? &m_events.at(0) : nullptr;

    // the neighbouring pair with e(k) <= t < e(k + 1)
    int k = 0;
    while (k + 1 < n - 1 && !(t < eventTime(k + 1)))
        ++k;
    const double ek = eventTime(k);
    const double ek1 = eventTime(k + 1);
    switch (direction) {
    case 1:
        return &m_events.at(k + 1);
    case 0:
        return (ek1 - t < t - ek) ? &m_events.at(k + 1) : &m_events.at(k);
    case -1:
        if (t == ek)
            return k > 0 ? &m_events.at(k - 1) : nullptr;
        return &m_events.at(k);
    default:
        return nullptr;
    }
}

// ---- painting -------------------------------------------------------------

void GuiGraphWidget::paintEvent(QPaintEvent *)
{
    if (!m_drawingEnabled)
        return;
    QPainter painter(this);
    if (m_valueOnlyMode) {
        updateDataValueOnly(painter);
    } else {
        drawGraphics(painter);
        updateGraphics(painter);
    }
}

void GuiGraphWidget::drawGraphics(QPainter &painter)
{
    const double w = width();
    const double h = height();

    // The band is left unfilled so that the widget's own background shows.
    painter.setPen(QPen(m_axisColor));
    painter.setBrush(Qt::NoBrush);

    const QLineF yAxis = getYAxisLine();
    painter.drawLine(yAxis);
    painter.drawLine(getXAxisLine());
    const double yAxisX = yAxis.x1();

    const double tickHalf = w * m_tickLength;
    const double step = getYTickStep();
    const double spacing = h * getPlotHeight() / kTickDivisions;
    const double fontPx = h * m_fontSize;
    const double labelX = m_liveMode ? yAxisX + 1.5 * tickHalf : w * getLabelLeft();

    QFont font;
    font.setPixelSize(pixelSize(fontPx));
    painter.setFont(font);

    // Equal (or non-finite) limits give no tick step: no ticks, no labels.
    if (step != 0.0 && std::isfinite(step)) {
        for (int i = 0; i <= kTickDivisions; ++i) {
            const double y = h * m_plotTop + i * spacing;
            painter.drawLine(QLineF(yAxisX - tickHalf, y, yAxisX + tickHalf, y));
            // labels at the top, middle and bottom ticks only
            if (i == 0 || i == kTickDivisions || i == kTickDivisions / 2) {
                const double v = m_yMax - step * i;
                painter.drawText(QPointF(labelX, y + 0.4 * fontPx), QString::number(v, 'f', 3));
            }
        }
    }

    if (m_showLabels) {
        QPointF titleAt(0.02 * w, 2.8 * h * m_plotTop);
        QPointF unitsAt(w * m_plotLeft, titleAt.y());
        if (m_titleAbovePlot) {
            titleAt = QPointF(w / 6.0, h * (m_plotTop - 0.02));
            unitsAt = QPointF(width() * 5 / 12, 0.85 * titleAt.y());
        }
        font.setBold(true);
        font.setPixelSize(pixelSize(1.2 * fontPx));
        painter.setFont(font);
        painter.drawText(titleAt, getTitle());
        font.setBold(false);
        font.setPixelSize(pixelSize(0.8 * font.pixelSize()));
        painter.setFont(font);
        painter.drawText(unitsAt, QStringLiteral("(") + m_units + QStringLiteral(")"));
    }

    if (m_showScale) {
        font.setPixelSize(pixelSize(fontPx));
        painter.setFont(font);
        painter.drawText(QPointF(0.0, 0.85 * h),
                         tr("Scale: %1 min").arg(QString::number(getTimeSpan() / 60.0, 'f', 1)));
    }
}

void GuiGraphWidget::updateGraphics(QPainter &painter)
{
    const double w = width();
    const double h = height();

    if (m_showValueBox) {
        const double margin = m_liveMode ? 0.03 * w : 0.09 * w;
        const double boxH = 1.2 * h * m_valueFontSize;
        painter.setPen(QPen(Qt::black));
        painter.drawRect(QRectF(margin, (h - boxH) / 2, w * m_plotLeft - 2 * margin, boxH));
    }

    if (m_data.size() < 2)
        return;
    const GraphMapping mapping = getSeriesMapping();
    // Equal y limits or an empty window leave nothing to place in the band.
    if (!mapping.isDrawable())
        return;

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(w * getPlotLeft(), h * getPlotMiddle());
    const GraphSeriesPainter seriesPainter(mapping);
    painter.setPen(QPen(m_dataColor));
    drawSeries(painter, seriesPainter, mapping, m_data, m_dataPath);
    painter.setPen(QPen(m_compareColor));
    drawSeries(painter, seriesPainter, mapping, m_compareData, m_comparePath);
}

void GuiGraphWidget::drawSeries(QPainter &painter, const GraphSeriesPainter &seriesPainter,
                                const GraphMapping &mapping, const SampleSeries &series,
                                SeriesBucketCache &cache)
{
    if (m_seriesDetail == GraphSeriesPainter::Detail::EverySegment) {
        // the reference: every pair of consecutive samples is looked at
        seriesPainter.draw(painter, series.constData(), series.size(), m_seriesDetail);
        return;
    }
    QVector<QPolygonF> paths;
    if (cache.thinnedPaths(series, mapping, paths)) {
        for (const QPolygonF &path : qAsConst(paths))
            painter.drawPolyline(path);
        return;
    }
    // Only samples inside the window belong to a drawn segment; those of each
    // stretch are found by time. No segment joins one stretch to the next.
    for (int s = 0; s < series.stretchCount(); ++s) {
        const int first = series.lowerBound(mapping.tStart(), series.stretchBegin(s), series.stretchEnd(s));
        const int end = series.upperBound(mapping.tEnd(), first, series.stretchEnd(s));
        if (end - first >= 2)
            seriesPainter.draw(painter, series.constData() + first, end - first, m_seriesDetail);
    }
}

void GuiGraphWidget::updateDataValueOnly(QPainter &painter)
{
    const double w = width();
    const double h = height();

    painter.setPen(QPen(Qt::black));
    painter.drawRect(QRect(int(0.2 * w), 1, int(0.6 * w), height() - 2));

    painter.setPen(QPen(m_dataColor));
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!m_showValueBox)
        return;

    QFont font;
    font.setPixelSize(pixelSize(h * m_valueFontSize));
    painter.setFont(font);
    const double margin = 0.01 * w;
    double value = 0.0;
    if (m_data.size() >= 2)
        value = m_liveMode ? m_data.last().getValue() : m_data.at(getNearestDataPointIndex(m_cursorTime)).getValue();
    const QRect box{int(margin), int(margin), int(w * m_plotLeft - 2.2 * margin), int(h - 2 * margin)};
    painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(value, 'f', m_decimals));
}

// ---- export ---------------------------------------------------------------

void GuiGraphWidget::exportData(QString filename)
{
    if (filename.isEmpty())
        filename = QFileDialog::getSaveFileName(nullptr, tr("File Save"), QStringLiteral("C:/Wemdo/"));
    // a cancelled dialog writes nothing and says nothing
    if (filename.isEmpty())
        return;

    // Written through a save file, so a failed write leaves no half file.
    QSaveFile file(filename);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream out(&file);
        out.setRealNumberNotation(QTextStream::FixedNotation);
        for (int i = 0; i < m_data.size(); ++i)
            out << m_data.at(i).getTime() << "\t" << m_data.at(i).getValue() << "\n";
        out.flush();
        if (file.commit())
            return;
    }
    QMessageBox::warning(this, tr("Export Data"),
                         tr("Cannot write file %1:\n%2.")
                             .arg(QDir::toNativeSeparators(filename), file.errorString()));
}
