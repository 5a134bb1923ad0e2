#ifndef GUIGRAPHWIDGET_H
#define GUIGRAPHWIDGET_H

#include "baserecords.h"
#include "graphmapping.h"
#include "graphmouseinteractionclass.h"
#include "graphseriespainter.h"
#include "sampleseries.h"
#include "seriesbucketcache.h"

#include <QColor>
#include <QLineF>
#include <QString>
#include <QVector>

class QPainter;
class QPaintEvent;

// A time-series graph: a data series, a compare series and events shown
// against time, in a window that follows the newest sample (live mode) or
// stays where it was put (static mode).
//
// Fractions below are of the widget's width or height; times are seconds.
class GuiGraphWidget : public GraphMouseInteractionClass
{
    Q_OBJECT
public:
    explicit GuiGraphWidget(QWidget *parent);
    ~GuiGraphWidget() override;

    virtual void clearData();
    virtual void clearEvents();
    virtual void reservedHook(void *);

    // settings
    void setTitle(const QString &title);
    void setUnits(const QString &units);
    QString getTitle() const { return m_title; }
    QString getUnits() const { return m_units; }
    void setYRange(double min, double max);
    void setXRange(double min, double max);
    void setCursorTime(double time);
    void setLiveMode(bool on);
    void setShowValueBox(bool on);
    void setValueOnlyMode();
    void setTitleAbovePlot(bool on);
    void setShowLabels(bool on);
    void setBottomMargin(double margin);

    // derived values
    double getTimeSpan() const;
    double getPixelsPerSecond() const;
    double getPlotLeft() const { return m_plotLeft; }
    double getPlotWidth() const { return m_plotRight - m_plotLeft; }
    double getPlotHeight() const { return m_plotBottom - m_plotTop; }
    double getPlotMiddle() const { return m_plotTop + getPlotHeight() / 2; }
    double getYTickStep() const { return (m_yMax - m_yMin) / 6.0; }
    double getLabelLeft() const { return m_plotLeft - 0.05; }
    QLineF getYAxisLine() const;
    QLineF getXAxisLine() const;
    // Where the series are drawn: the time window and the value scale, in
    // coordinates relative to the left end of the time axis.
    GraphMapping getSeriesMapping() const;

    // Sample i, or null for an index outside 0 .. count - 1.
    BaseDataPoint *getDataPoint(int i);
    BaseLwEvent *getEvent(int i);
    static double clampTime(double v, double lo, double hi) { return GraphMapping::clamp(v, lo, hi); }

    double getCursorTime() const { return m_cursorTime; }
    int getDecimals() const { return m_decimals; }
    bool isDrawingEnabled() const { return m_drawingEnabled; }
    double getXMin() const { return m_xMin; }
    double getXMax() const { return m_xMax; }
    double getYMin() const { return m_yMin; }
    double getYMax() const { return m_yMax; }
    double getLiveSpan() const { return m_liveSpan; }
    bool isLiveMode() const { return m_liveMode; }
    bool isValueOnlyMode() const { return m_valueOnlyMode; }
    bool isShowValueBox() const { return m_showValueBox; }
    int getDataCount() const { return m_data.size(); }
    int getCompareCount() const { return m_compareData.size(); }
    int getEventCount() const { return m_events.size(); }

    // Bytes by which the data series' storage grows, at its largest, when a
    // run adds one sample at each time i * dt for i = 1 .. count, with the
    // oldest samples dropped as addData drops them, and the buckets that
    // paint the run's samples. The grown storage's size goes to *grownTo (0
    // when it does not grow).
    qint64 storageGrowth(double dt, qint64 count, qint64 *grownTo = nullptr) const;
    // Whether the data series is stored as other's is (graphs fed together
    // are): the same mode, width, count, storage and first and last times,
    // so that a run grows both alike.
    bool storesLike(const GuiGraphWidget &other) const;

    // Index of the data sample whose time is nearest to t.
    int getNearestDataPointIndex(double t) const;
    // The event next to t in the given direction (+1 later, 0 nearest,
    // -1 earlier), or null.
    const BaseLwEvent *findEvent(double t, int direction) const;

    // New samples are painted in the next repaint pass over all graphs
    // (GraphRepaintPass); this runs that pass at once when the graph waits
    // for it (for the end of a run, so that the last samples are shown
    // without delay).
    void flushRepaint();

public slots:
    virtual void prepareForData(int sizeEstimate);
    void addData(BaseDataPoint &newValue);
    void addCompareData(BaseDataPoint &newValue);
    void addEventData(BaseLwEvent &);
    void zoomIn();
    void zoomOut();
    void panLeft();
    void panRight();
    void zoomAll();
    void exportData(QString filename);

protected slots:
    void drawGraphics(QPainter &painter);
    void updateGraphics(QPainter &painter);
    void updateDataValueOnly(QPainter &painter);

protected:
    void paintEvent(QPaintEvent *event) override;

    // Draws every segment instead of the thinned path; the two pictures are
    // the same, this one is the reference they are compared and timed against.
    void setEverySegmentDrawing(bool on) { m_seriesDetail = on ? GraphSeriesPainter::Detail::EverySegment : GraphSeriesPainter::Detail::Thinned; }

private:
    void addToSeries(SampleSeries &series, const BaseDataPoint &sample);
    // Live mode: whether a new sample at `newest` drops the oldest one, at
    // `oldest` (only once a series holds more than two samples).
    bool dropsOldest(double oldest, double newest) const { return newest - oldest > m_maxHistory; }
    // Sets the window's length, zooming about the newest sample (live mode)
    // or about the cursor (static mode).
    void zoomToSpan(double span);
    void drawSeries(QPainter &painter, const GraphSeriesPainter &seriesPainter, const GraphMapping &mapping,
                    const SampleSeries &series, SeriesBucketCache &cache);
    void requestRepaint();

    bool m_drawingEnabled;
    QColor m_backgroundColor;
    QColor m_axisColor;
    QColor m_dataColor;
    QColor m_compareColor;
    double m_yMin;
    double m_yMax;
    double m_cursorTime;
    double m_xMin;
    double m_xMax;
    double m_zoomFactor;
    double m_maxHistory;  // live mode: time span of samples and events kept
    double m_liveSpan;    // live mode: length of the window
    bool m_liveMode;
    SampleSeries m_data;  // data series, in arrival order
    QVector<BaseLwEvent> m_events;
    SampleSeries m_compareData;
    bool m_valueOnlyMode;
    bool m_showValueBox;
    bool m_titleAbovePlot;
    bool m_showScale;
    bool m_showLabels;
    int m_decimals;
    double m_staticPlotRight;
    double m_plotLeft;
    double m_plotRight;
    double m_plotTop;
    double m_plotBottom;
    double m_tickLength;  // half length of a y tick (of width)
    double m_fontSize;    // label font pixel size (of height)
    double m_bottomMargin;
    QString m_title;
    QString m_units;
    double m_valueFontSize;

    GraphSeriesPainter::Detail m_seriesDetail = GraphSeriesPainter::Detail::Thinned;
    SeriesBucketCache m_dataPath;      // thinned paths kept across repaints
    SeriesBucketCache m_comparePath;
    friend class GraphRepaintPass;
    bool m_repaintPending = false; // marked for the next repaint pass
};

#endif // GUIGRAPHWIDGET_H
