#ifndef SERIESBUCKETCACHE_H
#define SERIESBUCKETCACHE_H

#include "baserecords.h"
#include "graphmapping.h"

#include <QPolygonF>
#include <QVector>

#include <deque>

class SampleSeries;

// The thinned paths of a series, at a cost bounded by the band's width and
// the samples inside the window rather than by the number of samples stored.
//
// Each stretch of the series (a run of times that do not decrease; a later
// run of the simulation starts a new one) is thinned on its own. Time is
// cut into buckets of one pixel's width, counted from time zero, so a bucket
// keeps its samples while a live window scrolls. Of each bucket the path
// keeps the first, the lowest, the highest and the last sample; the path
// through these covers the same pixels, within one, as the path through every
// sample. A bucket that lies wholly between the first and the last bucket a
// stretch has in the window is complete (later samples come after it) and is
// kept across repaints; only the two end buckets and buckets not seen before
// are walked.
class SeriesBucketCache
{
public:
    // Sets `paths` to the thinned polylines of the segments the mapping's time
    // window shows, in its coordinates: one for each stretch with samples in
    // the window. False, with `paths` empty, for a series this cannot
    // serve: one that holds a value that is not a number, or a window too far
    // from time zero to count pixels in.
    bool thinnedPaths(const SampleSeries &series, const GraphMapping &mapping, QVector<QPolygonF> &paths);
    void clear();
    // The most a stretch's kept buckets take in a band that many pixels wide.
    static qint64 stretchBytes(double bandPixels);

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

    // The buckets kept for one stretch.
    struct StretchBuckets
    {
        qint64 key = 0;           // the stretch's name in the series
        qint64 firstBucket = 0;   // bucket number of buckets.front()
        std::deque<Bucket> buckets;

        qint64 keptEnd() const { return firstBucket + qint64(buckets.size()); }
    };

    qint64 bucketOf(double t) const;
    // The first sample at or after index `from` whose bucket is not below b.
    int firstInBucket(const SampleSeries &series, int from, int end, qint64 b) const;
    Bucket collect(const SampleSeries &series, int &index, int end, qint64 b) const;
    // The thinned path of samples first .. end - 1 of one stretch, all in
    // the window.
    void stretchPath(const SampleSeries &series, int first, int end, StretchBuckets &kept,
                     const GraphMapping &mapping, QPolygonF &path) const;

    double m_pixelsPerSecond = 0.0;
    // Of the stretches that had samples in the window at the last call, in
    // the series' order.
    std::deque<StretchBuckets> m_stretches;
};

#endif // SERIESBUCKETCACHE_H
