#include "sampleseries.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

void SampleSeries::append(const BaseDataPoint &sample)
{
    // also a new stretch when either time is not a number
    if (isEmpty() || !(sample.getTime() >= last().getTime()))
        m_stretchStarts.push_back(m_appended);
    m_samples.append(sample);
    ++m_appended;
    if (std::isnan(sample.getValue()))
        ++m_nanValues;
}

void SampleSeries::removeFirst()
{
    if (isEmpty())
        return;
    if (std::isnan(first().getValue()))
        --m_nanValues;
    ++m_head;
    if (m_head == m_samples.size()) {
        clear();
        return;
    }
    // the first stretch is gone once the second one begins at the front
    if (m_stretchStarts.size() >= 2 && m_stretchStarts[1] <= firstNumber())
        m_stretchStarts.pop_front();
    if (compacts(m_head, size())) {
        m_samples.remove(0, m_head);
        m_head = 0;
    }
}

qint64 SampleSeries::storageBytes() const
{
    if (m_samples.capacity() == 0)
        return 0;
    return qint64(sizeof(QArrayData)) + qint64(m_samples.capacity()) * qint64(sizeof(BaseDataPoint));
}

qint64 SampleSeries::storageBytes(qint64 places) const
{
    if (places <= m_samples.capacity())
        return storageBytes();
    // Grown as QVector grows it: to the next power of two strictly above.
    const quint64 bytes = sizeof(QArrayData) + quint64(places) * sizeof(BaseDataPoint);
    // A large block is mapped in whole pages, one more for its own header.
    constexpr qint64 page = 4096;
    return qint64(qNextPowerOfTwo(bytes)) + page;
}

void SampleSeries::clear()
{
    m_samples.clear();
    m_head = 0;
    m_stretchStarts.clear();
    m_nanValues = 0;
}

int SampleSeries::stretchBegin(int s) const
{
    return int(std::max<qint64>(0, m_stretchStarts[s] - firstNumber()));
}

int SampleSeries::stretchEnd(int s) const
{
    return s + 1 < stretchCount() ? int(m_stretchStarts[s + 1] - firstNumber()) : size();
}

int SampleSeries::lowerBound(double t, int begin, int end) const
{
    const BaseDataPoint *samples = constData();
    const BaseDataPoint *found = std::lower_bound(samples + begin, samples + end, t,
        [](const BaseDataPoint &p, double time) { return p.getTime() < time; });
    return int(found - samples);
}

int SampleSeries::upperBound(double t, int begin, int end) const
{
    const BaseDataPoint *samples = constData();
    const BaseDataPoint *found = std::upper_bound(samples + begin, samples + end, t,
        [](double time, const BaseDataPoint &p) { return time < p.getTime(); });
    return int(found - samples);
}
