#ifndef RECORDINGPAINTDEVICE_H
#define RECORDINGPAINTDEVICE_H

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QVector>

// What a painter drew, in device coordinates (the painter's transform applied).
struct RecordedLine
{
    QLineF line;
    QColor color;
};

struct RecordedText
{
    QPointF baseline; // left end of the baseline
    QString text;
    int pixelSize;
    bool bold;
    QColor color;
};

struct RecordedRect
{
    QRectF rect;
    QColor color;
};

struct RecordedPolyline
{
    QPolygonF points;
    QColor color;
    bool antialiased;
};

class RecordingPaintDevice;

class RecordingPaintEngine : public QPaintEngine
{
public:
    explicit RecordingPaintEngine(RecordingPaintDevice *device);

    bool begin(QPaintDevice *) override;
    bool end() override { return true; }
    void updateState(const QPaintEngineState &state) override;
    void drawLines(const QLineF *lines, int lineCount) override;
    void drawRects(const QRectF *rects, int rectCount) override;
    void drawPolygon(const QPointF *points, int pointCount, PolygonDrawMode mode) override;
    void drawPath(const QPainterPath &path) override;
    void drawTextItem(const QPointF &p, const QTextItem &textItem) override;
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    Type type() const override { return QPaintEngine::User; }

private:
    RecordingPaintDevice *m_device;
    QTransform m_transform;
    QColor m_penColor;
    bool m_antialiased = false;
};

// A paint device that draws nothing and records every primitive, so that a
// test can check where things were painted without looking at pixels.
class RecordingPaintDevice : public QPaintDevice
{
public:
    RecordingPaintDevice(int width, int height);
    ~RecordingPaintDevice() override;

    QPaintEngine *paintEngine() const override { return m_engine; }

    QVector<RecordedLine> lines;
    QVector<RecordedText> texts;
    QVector<RecordedRect> rects;
    QVector<RecordedPolyline> polylines;
    int paths = 0;

    // The lines drawn in a colour, and the text with a given content.
    QVector<QLineF> linesIn(const QColor &color) const;
    const RecordedText *text(const QString &content) const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int m_width;
    int m_height;
    RecordingPaintEngine *m_engine;
};

#endif // RECORDINGPAINTDEVICE_H
