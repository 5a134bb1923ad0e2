#include "recordingpaintdevice.h"

#include <QPainterPath>
#include <QTextItem>

RecordingPaintEngine::RecordingPaintEngine(RecordingPaintDevice *device)
    : QPaintEngine(QPaintEngine::AllFeatures)
    , m_device(device)
{
}

bool RecordingPaintEngine::begin(QPaintDevice *)
{
    // a painter's initial state; it reports only what changes from it
    m_transform = QTransform();
    m_penColor = Qt::black;
    m_antialiased = false;
    return true;
}

void RecordingPaintEngine::updateState(const QPaintEngineState &state)
{
    if (state.state() & QPaintEngine::DirtyTransform)
        m_transform = state.transform();
    if (state.state() & QPaintEngine::DirtyPen)
        m_penColor = state.pen().color();
    if (state.state() & QPaintEngine::DirtyHints)
        m_antialiased = state.renderHints() & QPainter::Antialiasing;
}

void RecordingPaintEngine::drawLines(const QLineF *lines, int lineCount)
{
    for (int i = 0; i < lineCount; ++i)
        m_device->lines.append({m_transform.map(lines[i]), m_penColor});
}

void RecordingPaintEngine::drawRects(const QRectF *rects, int rectCount)
{
    for (int i = 0; i < rectCount; ++i)
        m_device->rects.append({m_transform.mapRect(rects[i]), m_penColor});
}

void RecordingPaintEngine::drawPolygon(const QPointF *points, int pointCount, PolygonDrawMode mode)
{
    QPolygonF polygon;
    for (int i = 0; i < pointCount; ++i)
        polygon << m_transform.map(points[i]);
    if (mode == PolylineMode)
        m_device->polylines.append({polygon, m_penColor, m_antialiased});
    else
        ++m_device->paths;
}

void RecordingPaintEngine::drawPath(const QPainterPath &)
{
    ++m_device->paths;
}

void RecordingPaintEngine::drawTextItem(const QPointF &p, const QTextItem &textItem)
{
    const QFont font = textItem.font();
    m_device->texts.append({m_transform.map(p), textItem.text(), font.pixelSize(), font.bold(), m_penColor});
}

RecordingPaintDevice::RecordingPaintDevice(int width, int height)
    : m_width(width)
    , m_height(height)
    , m_engine(new RecordingPaintEngine(this))
{
}

RecordingPaintDevice::~RecordingPaintDevice()
{
    delete m_engine;
}

QVector<QLineF> RecordingPaintDevice::linesIn(const QColor &color) const
{
    QVector<QLineF> result;
    for (const RecordedLine &l : lines) {
        if (l.color == color)
            result << l.line;
    }
    return result;
}

const RecordedText *RecordingPaintDevice::text(const QString &content) const
{
    for (const RecordedText &t : texts) {
        if (t.text == content)
            return &t;
    }
    return nullptr;
}

int RecordingPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_width;
    case PdmHeight:
        return m_height;
    case PdmWidthMM:
        return m_width * 254 / 960;
    case PdmHeightMM:
        return m_height * 254 / 960;
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}
