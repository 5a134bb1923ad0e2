#ifndef SAMPLESERIES_H
#define SAMPLESERIES_H

#include "baserecords.h"

#include <QVector>

// The samples of one graph series in arrival order, held contiguously.
//
// A live graph drops its oldest sample for every new one once its history is
// full; removing from the front of a plain vector would move every remaining
// sample each time, so the front is only marked as gone and the storage is
// compacted once the gone part is as large as the rest (constant cost per
// sample on average).
class SampleSeries
{
public:
    int size() const { return m_samples.size() - m_head; }
    bool isEmpty() const { return size() == 0; }

    const BaseDataPoint &at(int i) const { return m_samples.at(m_head + i); }
    BaseDataPoint *pointerAt(int i) { return m_samples.data() + m_head + i; }
    const BaseDataPoint &first() const { return at(0); }
    const BaseDataPoint &last() const { return m_samples.last(); }
    // The samples 0 .. size() - 1, contiguous.
    const BaseDataPoint *constData() const { return m_samples.constData() + m_head; }

    void append(const BaseDataPoint &sample);
    void removeFirst();
    void reserve(int count) { m_samples.reserve(m_head + count); }
    void clear();

    // Whether every sample's time is at least that of the one before (a
    // second run appends times that start again, and then it is not; nor
    // is a series with a time that is not a number).
    bool isAscending() const { return m_descents == 0; }
    // For an ascending series: the first index whose time is not below t,
    // and the first whose time is above t (size() when there is none).
    int lowerBound(double t) const;
    int upperBound(double t) const;

    // Whether a kept sample's value is not a number.
    bool hasNanValue() const { return m_nanValues > 0; }
    // Changes whenever the series is cleared or gains a sample that goes back
    // in time or whose value is not a number: what was derived from the
    // samples of one epoch stays true of them while it lasts.
    quint32 epoch() const { return m_epoch; }

private:
    // Whether the step from sample index i - 1 to i (in storage) goes back
    // in time, or involves a time that is not a number.
    bool descendsAt(int storageIndex) const;

    QVector<BaseDataPoint> m_samples;
    int m_head = 0;      // samples before this index are gone
    int m_descents = 0;  // steps back in time among the kept samples
    int m_nanValues = 0; // kept samples whose value is not a number
    quint32 m_epoch = 0;
};

#endif // SAMPLESERIES_H
