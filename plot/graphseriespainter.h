#ifndef GRAPHSERIESPAINTER_H
#define GRAPHSERIESPAINTER_H

#include "baserecords.h"
#include "graphmapping.h"

#include <QPointF>
#include <QPolygonF>
#include <QVector>

class QPainter;

// Draws one series of a graph as line segments between consecutive samples.
//
// A segment is drawn when both of its samples lie in the time window. The
// series may run backwards in time (a second run appends samples that start
// again from the beginning): each run's samples are then drawn where their
// times fall, as a line of their own; the step back from one run to the
// next is never drawn.
//
// Thinned drawing joins the drawn segments into polylines and, where several
// consecutive points fall into one pixel column, keeps only the first, the
// lowest, the highest and the last of them: the path then covers the same
// pixels as drawing every segment, at a cost bounded by the band's width
// rather than by the number of samples.
class GraphSeriesPainter
{
public:
    enum class Detail { Thinned, EverySegment };

    explicit GraphSeriesPainter(const GraphMapping &mapping);

    // Draws samples[0 .. count - 1] with the painter's current pen.
    void draw(QPainter &painter, const BaseDataPoint *samples, int count, Detail detail) const;

    // The polylines thinned drawing paints, in order.
    QVector<QPolygonF> thinnedPolylines(const BaseDataPoint *samples, int count) const;

private:
    // Thinned points of every polyline, one after another, and where each
    // polyline ends in that list.
    struct Path
    {
        QVector<QPointF> points;
        QVector<int> ends;
    };
    void buildThinned(const BaseDataPoint *samples, int count, Path &path) const;
    void drawEverySegment(QPainter &painter, const BaseDataPoint *samples, int count) const;

    GraphMapping m_mapping;
};

#endif // GRAPHSERIESPAINTER_H
