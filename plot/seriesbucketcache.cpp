#include "seriesbucketcache.h"

#include "sampleseries.h"

#include <QPointF>

#include <algorithm>
#include <cmath>

namespace {

// Bucket numbers are counted in 64-bit integers from time zero; far beyond
// this many pixels from it, doubles no longer tell one pixel from the next.
constexpr double kMaxBucketNumber = 1e12;

} // namespace

void SeriesBucketCache::Bucket::add(const BaseDataPoint &p)
{
    if (count == 0) {
        first = low = high = p;
        lowAt = highAt = 0;
    } else {
        if (p.getValue() < low.getValue()) {
            low = p;
            lowAt = count;
        }
        if (p.getValue() > high.getValue()) {
            high = p;
            highAt = count;
        }
    }
    last = p;
    ++count;
}

void SeriesBucketCache::Bucket::appendTo(QPolygonF &path, const GraphMapping &mapping) const
{
    if (count == 0)
        return;
    const auto point = [&mapping](const BaseDataPoint &p) {
        return QPointF(mapping.x(p.getTime()), mapping.y(p.getValue()));
    };
    path << point(first);
    // the extremes in the order the series passes them, leaving out any that
    // is the first or the last sample itself
    const bool lowFirst = lowAt < highAt;
    const int firstAt = lowFirst ? lowAt : highAt;
    const int secondAt = lowFirst ? highAt : lowAt;
    if (firstAt > 0 && firstAt < count - 1)
        path << point(lowFirst ? low : high);
    if (secondAt > 0 && secondAt < count - 1 && secondAt != firstAt)
        path << point(lowFirst ? high : low);
    if (count > 1)
        path << point(last);
}

void SeriesBucketCache::clear()
{
    m_buckets.clear();
    m_pixelsPerSecond = 0.0;
}

qint64 SeriesBucketCache::bucketOf(double t) const
{
    return qint64(std::floor(t * m_pixelsPerSecond));
}

int SeriesBucketCache::firstInBucket(const SampleSeries &series, int from, int end, qint64 b) const
{
    const BaseDataPoint *samples = series.constData();
    const BaseDataPoint *found = std::partition_point(samples + from, samples + end,
        [this, b](const BaseDataPoint &p) { return bucketOf(p.getTime()) < b; });
    return int(found - samples);
}

SeriesBucketCache::Bucket SeriesBucketCache::collect(const SampleSeries &series, int &index, int end,
                                                     qint64 b) const
{
    Bucket bucket;
    for (; index < end && bucketOf(series.at(index).getTime()) == b; ++index)
        bucket.add(series.at(index));
    return bucket;
}

bool SeriesBucketCache::thinnedPath(const SampleSeries &series, const GraphMapping &mapping, QPolygonF &path)
{
    path.clear();
    const double pps = mapping.pixelsPerSecond();
    const double reach = std::max(std::abs(mapping.tStart()), std::abs(mapping.tEnd())) * pps;
    if (!series.isAscending() || series.hasNanValue() || !(reach < kMaxBucketNumber)) {
        clear();
        return false;
    }
    if (pps != m_pixelsPerSecond || series.epoch() != m_epoch) {
        m_buckets.clear();
        m_pixelsPerSecond = pps;
        m_epoch = series.epoch();
    }

    const int first = series.lowerBound(mapping.tStart());
    const int end = series.upperBound(mapping.tEnd());
    if (end - first < 2)
        return true;
    const qint64 head = bucketOf(series.at(first).getTime());
    const qint64 tail = bucketOf(series.at(end - 1).getTime());

    // The kept buckets are those strictly between the end buckets, which the
    // window may cut or new samples may still join.
    // A live window only moves on, dropping buckets at the front and adding
    // new ones at the back; any other move starts afresh.
    const auto keptEnd = [this]() { return m_firstBucket + qint64(m_buckets.size()); };
    if (m_firstBucket > head + 1 || keptEnd() < head + 1 || keptEnd() > tail) {
        m_buckets.clear();
        m_firstBucket = head + 1;
    }
    while (!m_buckets.empty() && m_firstBucket < head + 1) {
        m_buckets.pop_front();
        ++m_firstBucket;
    }

    int index = first;
    const Bucket headBucket = collect(series, index, end, head);
    if (keptEnd() < tail) {
        int next = firstInBucket(series, index, end, keptEnd());
        for (qint64 b = keptEnd(); b < tail; ++b)
            m_buckets.push_back(collect(series, next, end, b));
    }

    path.reserve(4 * (int(m_buckets.size()) + 2));
    headBucket.appendTo(path, mapping);
    for (const Bucket &bucket : m_buckets)
        bucket.appendTo(path, mapping);
    if (tail != head) {
        int tailIndex = firstInBucket(series, index, end, tail);
        collect(series, tailIndex, end, tail).appendTo(path, mapping);
    }
    return true;
}
