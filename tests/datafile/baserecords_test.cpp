// The event records' time of day: read from texts, seconds, fields and QTime,
// kept when an event is flattened for storage, and given back in seconds.

#include "baserecords.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct TimeCase
{
    const char *name;
    std::function<void(BaseEventMarkerClass &)> set;
    int hour, minute, second, msec;
    double seconds;
};
class EventTime : public ::testing::TestWithParam<TimeCase> {};

std::function<void(BaseEventMarkerClass &)> text(const char *t)
{
    return [t](BaseEventMarkerClass &time) { time.setTimeFromString(QString::fromLatin1(t)); };
}

std::function<void(BaseEventMarkerClass &)> fields(int hour, int minute, int second, int msec)
{
    return [=](BaseEventMarkerClass &time) { time.setTime(hour, minute, second, msec); };
}

} // namespace

TEST_P(EventTime, FieldsSecondsAndTimeOfDay)
{
    const TimeCase c = GetParam();
    BaseEventMarkerClass time;
    c.set(time);
    EXPECT_EQ(QVector<int>({time.hour, time.minute, time.second, time.msec}),
              QVector<int>({c.hour, c.minute, c.second, c.msec})) << c.name;
    EXPECT_DOUBLE_EQ(time.getTimeInSeconds(), c.seconds) << c.name;
    if (QTime::isValid(c.hour, c.minute, c.second, c.msec)) {
        EXPECT_EQ(time.getTime(), QTime(c.hour, c.minute, c.second, c.msec)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EventTime, ::testing::Values(
    TimeCase{"default: midnight", [](BaseEventMarkerClass &) {}, 0, 0, 0, 0, 0.0},
    TimeCase{"text", text("12:34:56.789"), 12, 34, 56, 789, 45296.789},
    // The digits after the point count milliseconds.
    TimeCase{"text, one digit after the point", text("1:2:3.5"), 1, 2, 3, 5, 3723.005},
    TimeCase{"text without seconds", text("1:2"), 1, 2, 0, 0, 3720.0},
    TimeCase{"text, empty parts skipped", text("5::6:7.8"), 5, 6, 7, 8, 18367.008},
    TimeCase{"text of no numbers", text("a:b:c.d"), 0, 0, 0, 0, 0.0},
    TimeCase{"whole seconds", [](BaseEventMarkerClass &t) { t.setTimeFromSeconds(3725); }, 1, 2, 5, 0, 3725.0},
    TimeCase{"fields", fields(1, 0, 0, 500), 1, 0, 0, 500, 3600.5},
    TimeCase{"fields truncated to 16 bits", fields(65536 + 3, 2 * 65536 + 4, 5, 65535), 3, 4, 5, 65535, 11110.535},
    TimeCase{"time of day", [](BaseEventMarkerClass &t) { t.setTime(QTime(23, 59, 58, 999)); },
             23, 59, 58, 999, 86398.999},
    TimeCase{"limits change flattened", [](BaseEventMarkerClass &t) {
        BaseLimitsChangeEvent event(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
        event.setTimeFromString(QStringLiteral("10:20:30.400"));
        t = BaseLwEvent(event);
    }, 10, 20, 30, 400, 37230.4},
    TimeCase{"marker flattened", [](BaseEventMarkerClass &t) {
        BaseEventMarker marker;
        marker.setTime(8, 9, 10, 11);
        t = BaseLwEvent(marker);
    }, 8, 9, 10, 11, 29350.011}));
