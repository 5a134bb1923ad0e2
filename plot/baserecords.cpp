#include "baserecords.h"

#include <QStringList>

BaseDataPoint::BaseDataPoint(double time, double value)
    : value(value), time(time)
{
}

QTime BaseEventMarkerClass::getTime() const
{
    return QTime(hour, minute, second, msec);
}

double BaseEventMarkerClass::getTimeInSeconds() const
{
    return hour * 60.0 * 60.0 + minute * 60.0 + second + msec / 1000.0;
}

void BaseEventMarkerClass::setTime(int newHour, int newMinute, int newSecond, int newMsec)
{
    hour = static_cast<quint16>(newHour);
    minute = static_cast<quint16>(newMinute);
    second = static_cast<quint16>(newSecond);
    msec = static_cast<quint16>(newMsec);
}

void BaseEventMarkerClass::setTime(const QTime& newTime)
{
    setTime(newTime.hour(), newTime.minute(), newTime.second(), newTime.msec());
}

void BaseEventMarkerClass::setTimeFromSeconds(int seconds)
{
    const int h = seconds / 60 / 60;
    const int m = (seconds - h * 3600) / 60;
    const int s = seconds - h * 3600 - m * 60;
    setTime(h, m, s, 0);
}

void BaseEventMarkerClass::setTimeFromString(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QStringList sub = parts.value(2).split(QLatin1Char('.'), Qt::KeepEmptyParts);
    const QString zero = QStringLiteral("0");
    setTime(parts.value(0, zero).toInt(nullptr, 10),
            parts.value(1, zero).toInt(nullptr, 10),
            sub.value(0, zero).toInt(nullptr, 10),
            sub.value(1, zero).toInt(nullptr, 10));
}

BaseEventMarker::BaseEventMarker()
    : QObject(nullptr)
{
}

BaseEventMarker::~BaseEventMarker() = default;

BaseLimitsChangeEvent::BaseLimitsChangeEvent() = default;

BaseLimitsChangeEvent::BaseLimitsChangeEvent(const QString& first, const QString& second,
                                             const QString& third)
{
    limit1 = first;
    limit3 = second;
    limit5 = third;
}

BaseLimitsChangeEvent::~BaseLimitsChangeEvent() = default;

// The four time fields are copied as they are rather than through QTime, so a
// marker whose fields do not form a valid time of day keeps them unchanged.
BaseLwEvent::BaseLwEvent(const BaseEventMarker& marker)
    : BaseEventMarkerClass(static_cast<const BaseEventMarkerClass&>(marker)),
      type(QStringLiteral("MARKER"))
{
}

BaseLwEvent::BaseLwEvent(const BaseLimitsChangeEvent& event)
    : BaseEventMarkerClass(static_cast<const BaseEventMarkerClass&>(event)),
      BaseLimitsChangeEventClass(static_cast<const BaseLimitsChangeEventClass&>(event)),
      type(QStringLiteral("LIMITS"))
{
}
