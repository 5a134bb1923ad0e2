#include "graphseriespainter.h"

#include <QLineF>
#include <QPainter>

#include <cmath>

namespace {

bool isFinitePoint(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Collects the points of one polyline after another and keeps, of each run of
// consecutive points in one pixel column, the first, lowest, highest and last.
class ColumnThinner
{
public:
    ColumnThinner(const GraphMapping &mapping, QVector<QPointF> &out, QVector<int> &ends)
        : m_mapping(mapping), m_out(out), m_ends(ends)
    {
    }

    void add(const QPointF &p)
    {
        const int column = m_mapping.column(p.x());
        if (m_count > 0 && column == m_column) {
            if (p.y() < m_high.y()) {
                m_high = p;
                m_highIndex = m_count;
            }
            if (p.y() > m_low.y()) {
                m_low = p;
                m_lowIndex = m_count;
            }
            m_last = p;
            ++m_count;
            return;
        }
        flushColumn();
        m_column = column;
        m_first = m_low = m_high = m_last = p;
        m_lowIndex = m_highIndex = 0;
        m_count = 1;
    }

    // Ends the current polyline; a single point draws nothing and is dropped.
    void endPolyline()
    {
        flushColumn();
        const int start = m_ends.isEmpty() ? 0 : m_ends.last();
        if (m_out.size() - start >= 2)
            m_ends.append(m_out.size());
        else
            m_out.resize(start);
    }

private:
    void flushColumn()
    {
        if (m_count == 0)
            return;
        m_out.append(m_first);
        // the extremes in the order the series passes them, leaving out any
        // that is the first or the last point itself
        const bool lowFirst = m_lowIndex < m_highIndex;
        const QPointF &a = lowFirst ? m_low : m_high;
        const QPointF &b = lowFirst ? m_high : m_low;
        const int ia = lowFirst ? m_lowIndex : m_highIndex;
        const int ib = lowFirst ? m_highIndex : m_lowIndex;
        if (ia > 0 && ia < m_count - 1)
            m_out.append(a);
        if (ib > 0 && ib < m_count - 1 && ib != ia)
            m_out.append(b);
        if (m_count > 1)
            m_out.append(m_last);
        m_count = 0;
    }

    const GraphMapping &m_mapping;
    QVector<QPointF> &m_out;
    QVector<int> &m_ends;
    int m_column = 0;
    int m_count = 0; // points in the current column run
    QPointF m_first, m_low, m_high, m_last;
    int m_lowIndex = 0;  // largest y (lowest on screen)
    int m_highIndex = 0; // smallest y (highest on screen)
};

} // namespace

GraphSeriesPainter::GraphSeriesPainter(const GraphMapping &mapping)
    : m_mapping(mapping)
{
}

void GraphSeriesPainter::buildThinned(const BaseDataPoint *samples, int count, Path &path) const
{
    ColumnThinner thinner(m_mapping, path.points, path.ends);
    bool open = false;
    for (int k = 1; k < count; ++k) {
        const BaseDataPoint &a = samples[k - 1];
        const BaseDataPoint &b = samples[k];
        if (!m_mapping.showsSegment(a.getTime(), b.getTime())) {
            if (open)
                thinner.endPolyline();
            open = false;
            continue;
        }
        const QPointF pb(m_mapping.x(b.getTime()), m_mapping.y(b.getValue()));
        if (!open) {
            const QPointF pa(m_mapping.x(a.getTime()), m_mapping.y(a.getValue()));
            if (!isFinitePoint(pa))
                continue;
            thinner.add(pa);
            open = true;
        }
        if (!isFinitePoint(pb)) {
            thinner.endPolyline();
            open = false;
            continue;
        }
        thinner.add(pb);
    }
    if (open)
        thinner.endPolyline();
}

void GraphSeriesPainter::drawEverySegment(QPainter &painter, const BaseDataPoint *samples, int count) const
{
    for (int k = 1; k < count; ++k) {
        const BaseDataPoint &a = samples[k - 1];
        const BaseDataPoint &b = samples[k];
        if (!m_mapping.showsSegment(a.getTime(), b.getTime()))
            continue;
        const QPointF pa(m_mapping.x(a.getTime()), m_mapping.y(a.getValue()));
        const QPointF pb(m_mapping.x(b.getTime()), m_mapping.y(b.getValue()));
        if (isFinitePoint(pa) && isFinitePoint(pb))
            painter.drawLine(QLineF(pa, pb));
    }
}

void GraphSeriesPainter::draw(QPainter &painter, const BaseDataPoint *samples, int count, Detail detail) const
{
    if (!m_mapping.isDrawable())
        return;
    if (detail == Detail::EverySegment) {
        drawEverySegment(painter, samples, count);
        return;
    }
    Path path;
    buildThinned(samples, count, path);
    int start = 0;
    for (int end : qAsConst(path.ends)) {
        painter.drawPolyline(path.points.constData() + start, end - start);
        start = end;
    }
}

QVector<QPolygonF> GraphSeriesPainter::thinnedPolylines(const BaseDataPoint *samples, int count) const
{
    QVector<QPolygonF> polylines;
    if (!m_mapping.isDrawable())
        return polylines;
    Path path;
    buildThinned(samples, count, path);
    int start = 0;
    for (int end : qAsConst(path.ends)) {
        polylines.append(QPolygonF(path.points.mid(start, end - start)));
        start = end;
    }
    return polylines;
}
