#include "sampleseries.h"

void SampleSeries::removeFirst()
{
    if (isEmpty())
        return;
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
}
