#ifndef GRAPHMAPPING_H
#define GRAPHMAPPING_H

// Maps sample times and values to pixels of a graph's plot band.
//
// Coordinates are relative to the left end of the time axis (the band's left
// edge at its vertical middle), the origin the painter is moved to before a
// series is drawn: x = (t - tStart) * pixelsPerSecond, y = (v - yMid) * yScale
// with yScale negative so that values grow upwards, y clamped to the band.
class GraphMapping
{
public:
    // bandHeight is the band's height in pixels; originX is where x = 0 lies
    // on the device, so that pixel columns can be told apart.
    GraphMapping(double tStart, double tEnd, double pixelsPerSecond,
                 double yMin, double yMax, double bandHeight, double originX = 0.0);

    // v when lo < v < hi; lo below, hi above; anything else (NaN) unchanged.
    static double clamp(double v, double lo, double hi);

    // False when the scales are degenerate (equal y limits, an empty time
    // window) or not finite: nothing can then be placed in the band.
    bool isDrawable() const;

    // Whether the segment from a sample at ta to one at tb is drawn: only
    // when both samples lie in the time window and time does not go back
    // between them. A later run's times start again, and the step back to
    // them must not cross the band: each run is a line of its own.
    bool showsSegment(double ta, double tb) const { return contains(ta) && contains(tb) && ta <= tb; }
    // Whether time t lies in the window, ends included.
    bool contains(double t) const { return m_tStart <= t && t <= m_tEnd; }

    double x(double t) const { return (t - m_tStart) * m_pixelsPerSecond; }
    double y(double v) const { return clamp((v - m_yMid) * m_yScale, m_yTop, m_yBottom); }
    // Device pixel column of a mapped x.
    int column(double x) const;

    double tStart() const { return m_tStart; }
    double tEnd() const { return m_tEnd; }
    double pixelsPerSecond() const { return m_pixelsPerSecond; }

private:
    double m_tStart;
    double m_tEnd;
    double m_pixelsPerSecond;
    double m_yMid;
    double m_yScale;  // pixels per unit, negative
    double m_yTop;    // mapped y of the top of the range
    double m_yBottom; // mapped y of the bottom of the range
    double m_originX;
};

#endif // GRAPHMAPPING_H
