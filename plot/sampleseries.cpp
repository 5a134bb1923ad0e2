#include "sampleseries.h"

#include <algorithm>
#include <cmath>

bool SampleSeries::descendsAt(int storageIndex) const
{
    return !(m_samples.at(storageIndex).getTime() >= m_samples.at(storageIndex - 1).getTime());
}

void SampleSeries::append(const BaseDataPoint &sample)
{
    m_samples.append(sample);
    const bool descends = size() >= 2 && descendsAt(m_samples.size() - 1);
    const bool nanValue = std::isnan(sample.getValue());
    if (descends)
        ++m_descents;
    if (nanValue)
        ++m_nanValues;
    if (descends || nanValue)
        ++m_epoch;
}

void SampleSeries::removeFirst()
{
    if (isEmpty())
        return;
    if (size() >= 2 && descendsAt(m_head + 1))
        --m_descents;
    else if (size() == 1)
        m_descents = 0;
    if (std::isnan(first().getValue()))
        --m_nanValues;
    ++m_head;
    if (m_head == m_samples.size()) {
        clear();
    } else if (m_head >= 1024 && m_head >= size()) {
        m_samples.remove(0, m_head);
        m_head = 0;
    }
}

void SampleSeries::clear()
{
    m_samples.clear();
    m_head = 0;
    m_descents = 0;
    m_nanValues = 0;
    ++m_epoch;
}

int SampleSeries::lowerBound(double t) const
{
    const BaseDataPoint *begin = constData();
    const BaseDataPoint *found = std::lower_bound(begin, begin + size(), t,
        [](const BaseDataPoint &p, double time) { return p.getTime() < time; });
    return int(found - begin);
}

int SampleSeries::upperBound(double t) const
{
    const BaseDataPoint *begin = constData();
    const BaseDataPoint *found = std::upper_bound(begin, begin + size(), t,
        [](double time, const BaseDataPoint &p) { return time < p.getTime(); });
    return int(found - begin);
}
