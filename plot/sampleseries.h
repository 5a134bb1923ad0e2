#ifndef SAMPLESERIES_H
#define SAMPLESERIES_H

#include "baserecords.h"

#include <QVector>

#include <deque>

// The samples of one graph series in arrival order, held contiguously.
//
// A live graph drops its oldest sample for every new one once its history is
// full; removing from the front of a plain vector would move every remaining
// sample each time, so the front is only marked as gone and the storage is
// compacted once the gone part is as large as the rest (constant cost per
// sample on average).
//
// The samples fall into stretches: runs in which every time is at least the
// one before. A second run appends times that start again and so begins a
// new stretch; a time that is not a number is a stretch of its own. Within a
// stretch, samples can be found by time.
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
    // Removes the oldest sample; its place is given back once the removed
    // samples are as many as the kept ones (see compacts).
    void removeFirst();
    void reserve(int count) { m_samples.reserve(m_head + count); }
    void clear();

    // Stretch s holds the samples stretchBegin(s) .. stretchEnd(s) - 1.
    int stretchCount() const { return int(m_stretchStarts.size()); }
    int stretchBegin(int s) const;
    int stretchEnd(int s) const;
    // Names stretch s for as long as it is kept, also while its oldest
    // samples are removed; a later stretch never gets the same name.
    qint64 stretchKey(int s) const { return m_stretchStarts[s]; }

    // Within samples begin .. end - 1 of one stretch: the first index whose
    // time is not below t, and the first whose time is above t (end when
    // there is none).
    int lowerBound(double t, int begin, int end) const;
    int upperBound(double t, int begin, int end) const;

    // Whether a kept sample's value is not a number.
    bool hasNanValue() const { return m_nanValues > 0; }

    // Places of the storage in use: the kept samples and the removed ones
    // not yet given back.
    int places() const { return m_samples.size(); }
    // Whether removed samples that many, before that many kept ones, are
    // given back.
    static bool compacts(qint64 removed, qint64 kept) { return removed >= 1024 && removed >= kept; }
    // Bytes of the storage now, and once it holds that many places: it
    // grows, when it must, to the next power of two in bytes (and the
    // allocator's page around it).
    qint64 storageBytes() const;
    qint64 storageBytes(qint64 places) const;

private:
    // Sequence number of sample 0: samples are numbered in order of arrival
    // over the series' whole life.
    qint64 firstNumber() const { return m_appended - size(); }

    QVector<BaseDataPoint> m_samples;
    int m_head = 0;      // samples before this index are gone
    qint64 m_appended = 0; // samples ever appended
    std::deque<qint64> m_stretchStarts; // sequence numbers of the stretches' first samples
    int m_nanValues = 0; // kept samples whose value is not a number
};

#endif // SAMPLESERIES_H
