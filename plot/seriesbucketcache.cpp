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
    m_stretches.clear();
    m_pixelsPerSecond = 0.0;
}

qint64 SeriesBucketCache::stretchBytes(double bandPixels)
{
    // One bucket a pixel and the two end buckets, in blocks of 512 bytes
    // (16 more each at the allocator) with one to spare at either end, and
    // the map of the blocks, which doubles as it grows.
    constexpr qint64 block = 512;
    constexpr qint64 perBlock = block / qint64(sizeof(Bucket));
    const qint64 buckets = qint64(std::ceil(std::max(0.0, bandPixels))) + 2;
    const qint64 blocks = buckets / perBlock + 2;
    return blocks * (block + 16) + 2 * blocks * qint64(sizeof(void *)) + 16;
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

bool SeriesBucketCache::thinnedPaths(const SampleSeries &series, const GraphMapping &mapping,
                                     QVector<QPolygonF> &paths)
{
    paths.clear();
    const double pps = mapping.pixelsPerSecond();
    const double reach = std::max(std::abs(mapping.tStart()), std::abs(mapping.tEnd())) * pps;
    if (series.hasNanValue() || !(reach < kMaxBucketNumber)) {
        clear();
        return false;
    }
    if (pps != m_pixelsPerSecond) {
        m_stretches.clear();
        m_pixelsPerSecond = pps;
    }

    std::deque<StretchBuckets> previous;
    previous.swap(m_stretches);
    auto reuse = previous.begin();
    QPolygonF path;
    for (int s = 0; s < series.stretchCount(); ++s) {
        const int begin = series.stretchBegin(s);
        const int end = series.stretchEnd(s);
        const int first = series.lowerBound(mapping.tStart(), begin, end);
        const int last = series.upperBound(mapping.tEnd(), first, end);
        if (last - first < 2)
            continue;
        const qint64 key = series.stretchKey(s);
        while (reuse != previous.end() && reuse->key < key)
            ++reuse;
        StretchBuckets kept;
        if (reuse != previous.end() && reuse->key == key)
            kept = std::move(*reuse++);
        kept.key = key;
        stretchPath(series, first, last, kept, mapping, path);
        if (path.size() >= 2)
            paths.append(path);
        m_stretches.push_back(std::move(kept));
    }
    return true;
}

void SeriesBucketCache::stretchPath(const SampleSeries &series, int first, int end, StretchBuckets &kept,
                                    const GraphMapping &mapping, QPolygonF &path) const
{
    path.clear();
    const qint64 head = bucketOf(series.at(first).getTime());
    const qint64 tail = bucketOf(series.at(end - 1).getTime());

    // The kept buckets are those strictly between the end buckets, which the
    // window may cut or new samples may still join.
    // A live window mostly moves on, dropping buckets at the front and adding
    // new ones at the back; any other move starts afresh.
    std::deque<Bucket> &buckets = kept.buckets;
    if (kept.firstBucket > head + 1 || kept.keptEnd() < head + 1 || kept.keptEnd() > tail) {
        buckets.clear();
        kept.firstBucket = head + 1;
    }
    while (!buckets.empty() && kept.firstBucket < head + 1) {
        buckets.pop_front();
        ++kept.firstBucket;
    }

    int index = first;
    const Bucket headBucket = collect(series, index, end, head);
    if (kept.keptEnd() < tail) {
        int next = firstInBucket(series, index, end, kept.keptEnd());
        for (qint64 b = kept.keptEnd(); b < tail; ++b)
            buckets.push_back(collect(series, next, end, b));
    }

    path.reserve(4 * (int(buckets.size()) + 2));
    headBucket.appendTo(path, mapping);
    for (const Bucket &bucket : buckets)
        bucket.appendTo(path, mapping);
    if (tail != head) {
        int tailIndex = firstInBucket(series, index, end, tail);
        collect(series, tailIndex, end, tail).appendTo(path, mapping);
    }
}
