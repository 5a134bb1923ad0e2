#ifndef SERIESBUCKETCACHE_H
#define SERIESBUCKETCACHE_H

#include "baserecords.h"
#include "graphmapping.h"

#include <QPolygonF>

#include <deque>

class SampleSeries;

// The thinned path of a series whose times increase, at a cost bounded by the
// band's width rather than by the number of samples in the window.
//
// Time is cut into buckets of one pixel's width, counted from time zero, so a
// bucket keeps its samples while a live window scrolls. Of each bucket the
// path keeps the first, the lowest, the highest and the last sample; the
// path through these covers the same pixels, within one, as the path through
// every sample. A bucket that lies wholly between the window's first and last
// bucket is complete (later samples come after it) and is kept across
// repaints; only the two end buckets and buckets not seen before are walked.
class SeriesBucketCache
{
public:
    // Sets `path` to the thinned polyline of the segments the mapping's time
    // window shows, in its coordinates. False, with `path` empty, for a series
    // this cannot serve: one whose times run back, one that holds a value that
    // is not a number, or times too far from zero to count pixels in.
    bool thinnedPath(const SampleSeries &series, const GraphMapping &mapping, QPolygonF &path);
    void clear();

private:
    // First, lowest, highest and last sample of one bucket, by value.
    struct Bucket
    {
        BaseDataPoint first, low, high, last;
        int lowAt = 0;  // positions of low and high among the bucket's samples
        int highAt = 0;
        int count = 0;

        void add(const BaseDataPoint &p);
        void appendTo(QPolygonF &path, const GraphMapping &mapping) const;
    };

    qint64 bucketOf(double t) const;
    // The first sample at or after index `from` whose bucket is not below b.
    int firstInBucket(const SampleSeries &series, int from, int end, qint64 b) const;
    Bucket collect(const SampleSeries &series, int &index, int end, qint64 b) const;

    double m_pixelsPerSecond = 0.0;
    quint32 m_epoch = 0;        // the series' epoch the buckets belong to
    qint64 m_firstBucket = 0;   // bucket number of m_buckets.front()
    std::deque<Bucket> m_buckets;
};

#endif // SERIESBUCKETCACHE_H
