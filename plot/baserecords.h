#ifndef BASERECORDS_H
#define BASERECORDS_H

#include <QObject>
#include <QString>
#include <QTime>
#include <QtGlobal>

// One sample of a time series: a value at a time in seconds.
class BaseDataPoint
{
public:
    // Arguments come as (time, value); the fields are stored value first.
    BaseDataPoint(double time = 0.0, double value = 0.0);
    ~BaseDataPoint() = default;

    double getTime() const { return time; }
    double getValue() const { return value; }
    void setValue(double newValue) { value = newValue; }

private:
    double value; // in the series' unit
    double time;  // seconds
};
Q_DECLARE_TYPEINFO(BaseDataPoint, Q_MOVABLE_TYPE);

// Time of day with a text: the common part of every event record.
class BaseEventMarkerClass
{
public:
    BaseEventMarkerClass() = default;

    QTime getTime() const;
    double getTimeInSeconds() const;
    // Each argument is stored truncated to 16 bits.
    void setTime(int newHour, int newMinute, int newSecond, int newMsec);
    void setTime(const QTime& newTime);
    // Whole seconds since midnight; msec becomes 0.
    void setTimeFromSeconds(int seconds);
    // "h:m:s.ms", where the digits after the point count milliseconds
    // (so "1:2:3.5" has a msec of 5, not 500). Missing parts read as 0.
    void setTimeFromString(const QString& text);

    QString getText() const { return text; }
    void setText(const QString& newText) { text = newText; }

    quint16 hour = 0;
    quint16 minute = 0;
    quint16 second = 0;
    quint16 msec = 0;
    QString text;
};

// Six strings carried along with a limits change; never interpreted here.
class BaseLimitsChangeEventClass
{
public:
    QString getLimit1() const { return limit1; }
    QString getLimit2() const { return limit2; }
    QString getLimit3() const { return limit3; }
    QString getLimit4() const { return limit4; }
    QString getLimit5() const { return limit5; }
    QString getLimit6() const { return limit6; }
    void setLimit1(const QString& value) { limit1 = value; }
    void setLimit2(const QString& value) { limit2 = value; }
    void setLimit3(const QString& value) { limit3 = value; }
    void setLimit4(const QString& value) { limit4 = value; }
    void setLimit5(const QString& value) { limit5 = value; }
    void setLimit6(const QString& value) { limit6 = value; }

    QString limit1;
    QString limit2;
    QString limit3;
    QString limit4;
    QString limit5;
    QString limit6;
};

// A marker event as a QObject; flattened into a BaseLwEvent to be stored.
class BaseEventMarker : public QObject, public BaseEventMarkerClass
{
    Q_OBJECT
public:
    BaseEventMarker();
    ~BaseEventMarker() override;
};

// A marker that also carries the six limit strings.
class BaseLimitsChangeEvent : public BaseEventMarker, public BaseLimitsChangeEventClass
{
    Q_OBJECT
public:
    BaseLimitsChangeEvent();
    // Fills limit1, limit3 and limit5; the others stay empty.
    BaseLimitsChangeEvent(const QString& first, const QString& second, const QString& third);
    ~BaseLimitsChangeEvent() override;
};

// Copyable record into which either kind of event is flattened for storage.
class BaseLwEvent : public BaseEventMarkerClass, public BaseLimitsChangeEventClass
{
public:
    BaseLwEvent() = default;
    explicit BaseLwEvent(const BaseEventMarker& marker);       // type "MARKER"
    explicit BaseLwEvent(const BaseLimitsChangeEvent& event);  // type "LIMITS"

    QString type; // "MARKER", "LIMITS", or empty for a default record
};

#endif // BASERECORDS_H
