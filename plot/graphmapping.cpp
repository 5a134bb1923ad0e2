#include "graphmapping.h"

#include <cmath>
#include <limits>

GraphMapping::GraphMapping(double tStart, double tEnd, double pixelsPerSecond,
                           double yMin, double yMax, double bandHeight, double originX)
    : m_tStart(tStart)
    , m_tEnd(tEnd)
    , m_pixelsPerSecond(pixelsPerSecond)
    , m_yMid((yMax + yMin) / 2.0)
    , m_yScale(-bandHeight / (yMax - yMin))
    , m_yTop((yMax - m_yMid) * m_yScale)
    , m_yBottom((yMin - m_yMid) * m_yScale)
    , m_originX(originX)
{
}

double GraphMapping::clamp(double v, double lo, double hi)
{
    if (lo < v && v < hi)
        return v;
    if (v < lo)
        return lo;
    if (v > hi)
        return hi;
    return v;
}

bool GraphMapping::isDrawable() const
{
    const double values[] = {m_tStart, m_tEnd, m_pixelsPerSecond, m_yMid, m_yScale, m_yTop, m_yBottom};
    for (double v : values) {
        if (!std::isfinite(v))
            return false;
    }
    return m_pixelsPerSecond != 0.0 && m_yScale != 0.0;
}

int GraphMapping::column(double x) const
{
    // Far outside any device the exact column no longer matters, only that
    // the conversion stays defined.
    const double c = std::floor(x + m_originX);
    const double limit = std::numeric_limits<int>::max() / 2;
    if (c > limit)
        return int(limit);
    if (c < -limit)
        return int(-limit);
    return int(c);
}
