#include "baserecords.h"

#include <gtest/gtest.h>

namespace {

struct Fields
{
    int hour, minute, second, msec;
};

Fields fieldsOf(const BaseEventMarkerClass& marker)
{
    return {marker.hour, marker.minute, marker.second, marker.msec};
}

void expectFields(const BaseEventMarkerClass& marker, Fields expected)
{
    const Fields actual = fieldsOf(marker);
    EXPECT_EQ(actual.hour, expected.hour);
    EXPECT_EQ(actual.minute, expected.minute);
    EXPECT_EQ(actual.second, expected.second);
    EXPECT_EQ(actual.msec, expected.msec);
}

} // namespace

TEST(BaseDataPoint, ConstructorTakesTimeThenValue)
{
    BaseDataPoint point(1.5, -0.25);
    EXPECT_EQ(point.getTime(), 1.5);
    EXPECT_EQ(point.getValue(), -0.25);
    point.setValue(3.0);
    EXPECT_EQ(point.getValue(), 3.0);
    EXPECT_EQ(point.getTime(), 1.5);

    const BaseDataPoint empty;
    EXPECT_EQ(empty.getTime(), 0.0);
    EXPECT_EQ(empty.getValue(), 0.0);
}

TEST(BaseEventMarkerClass, TimeFromStringCountsMillisecondsAfterThePoint)
{
    BaseEventMarkerClass marker;
    marker.setTimeFromString(QStringLiteral("12:34:56.7"));
    expectFields(marker, {12, 34, 56, 7});

    marker.setTimeFromString(QStringLiteral("1:2:3.5"));
    expectFields(marker, {1, 2, 3, 5});

    marker.setTimeFromString(QStringLiteral("1:2"));
    expectFields(marker, {1, 2, 0, 0});

    marker.setTimeFromString(QStringLiteral("::"));
    expectFields(marker, {0, 0, 0, 0});

    // Empty parts between colons are skipped, so the numbers move up.
    marker.setTimeFromString(QStringLiteral("5::6:7.8"));
    expectFields(marker, {5, 6, 7, 8});

    marker.setTimeFromString(QStringLiteral("a:b:c.d"));
    expectFields(marker, {0, 0, 0, 0});
}

TEST(BaseEventMarkerClass, SecondsRoundTrip)
{
    BaseEventMarkerClass marker;
    marker.setTimeFromSeconds(3725);
    expectFields(marker, {1, 2, 5, 0});
    EXPECT_EQ(marker.getTimeInSeconds(), 3725.0);

    marker.setTime(1, 0, 0, 500);
    EXPECT_EQ(marker.getTimeInSeconds(), 3600.5);
    EXPECT_EQ(marker.getTime(), QTime(1, 0, 0, 500));

    marker.setTime(QTime(23, 59, 58, 999));
    expectFields(marker, {23, 59, 58, 999});
}

TEST(BaseEventMarkerClass, SetTimeTruncatesToSixteenBits)
{
    BaseEventMarkerClass marker;
    marker.setTime(65536 + 3, 65536 * 2 + 4, 5, 65535);
    expectFields(marker, {3, 4, 5, 65535});
}

TEST(BaseEventMarkerClass, DefaultsToMidnightAndEmptyText)
{
    const BaseEventMarkerClass marker;
    expectFields(marker, {0, 0, 0, 0});
    EXPECT_TRUE(marker.getText().isEmpty());
}

TEST(BaseLwEvent, FromLimitsChangeKeepsStringsInTheirPlaces)
{
    BaseLimitsChangeEvent event(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    event.setTimeFromString(QStringLiteral("10:20:30.400"));
    event.setText(QStringLiteral("limits changed"));

    const BaseLwEvent record(event);
    EXPECT_EQ(record.type, QStringLiteral("LIMITS"));
    EXPECT_EQ(record.getLimit1(), QStringLiteral("a"));
    EXPECT_EQ(record.getLimit2(), QString());
    EXPECT_EQ(record.getLimit3(), QStringLiteral("b"));
    EXPECT_EQ(record.getLimit4(), QString());
    EXPECT_EQ(record.getLimit5(), QStringLiteral("c"));
    EXPECT_EQ(record.getLimit6(), QString());
    EXPECT_EQ(record.getText(), QStringLiteral("limits changed"));
    expectFields(record, {10, 20, 30, 400});

    // Later setters on the event do not reach the stored copy.
    event.setLimit2(QStringLiteral("x"));
    EXPECT_EQ(record.getLimit2(), QString());
}

TEST(BaseLwEvent, FromMarkerHasNoLimits)
{
    BaseEventMarker marker;
    marker.setTime(8, 9, 10, 11);
    marker.setText(QStringLiteral("mark"));

    const BaseLwEvent record(marker);
    EXPECT_EQ(record.type, QStringLiteral("MARKER"));
    EXPECT_EQ(record.getText(), QStringLiteral("mark"));
    expectFields(record, {8, 9, 10, 11});
    EXPECT_TRUE(record.getLimit1().isEmpty());
    EXPECT_TRUE(record.getLimit6().isEmpty());

    const BaseLwEvent empty;
    EXPECT_TRUE(empty.type.isEmpty());
}

TEST(BaseLimitsChangeEvent, MetaCastReachesEveryPart)
{
    BaseLimitsChangeEvent event;
    QObject* object = &event;
    EXPECT_EQ(qobject_cast<BaseEventMarker*>(object), &event);
    EXPECT_EQ(object->qt_metacast("BaseLimitsChangeEventClass"),
              static_cast<BaseLimitsChangeEventClass*>(&event));
    EXPECT_EQ(object->qt_metacast("BaseEventMarkerClass"),
              static_cast<BaseEventMarkerClass*>(&event));
    EXPECT_TRUE(object->inherits("BaseEventMarker"));
}
