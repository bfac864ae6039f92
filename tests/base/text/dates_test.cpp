#include "base/text/dates.h"

#include <gtest/gtest.h>

#include "base/text/clock.h"

namespace sitora::text {
namespace {

using namespace std::chrono;

TEST(ParseDate, AcceptsYearMonthDayWithOrWithoutZerosAndEitherSeparator) {
    const Date expected{year(2011), month(1), day(5)};
    for (const char* text : {"2011-1-5", "2011-01-05", "2011/1/5", "2011/01/05"})
        EXPECT_EQ(ParseDate(text), expected) << text;
}

TEST(ParseDate, RefusesTextThatIsNoRealDate) {
    for (const char* text : {"", "abc", "tomorrow", "2010-2-31", "2011-13-1", "2011-0-1", "2011-1-0",
                             "2011-1", "2011-1-5-", "2011-1/5", " 2011-1-5", "2011-1-5 ", "12345-1-1",
                             "2011-001-1", "0-1-1", "2011--1", "-2011-1-1"})
        EXPECT_FALSE(ParseDate(text).has_value()) << text;
}

TEST(ParseDate, KnowsLeapYears) {
    EXPECT_TRUE(ParseDate("2012-2-29"));
    EXPECT_TRUE(ParseDate("2000-2-29"));
    EXPECT_FALSE(ParseDate("2100-2-29"));
    EXPECT_FALSE(ParseDate("2011-2-29"));
}

TEST(Dates, ShortAndStoredForms) {
    const Date date{year(2011), month(12), day(1)};
    EXPECT_EQ(ShortDate(date), "2011-12-1");
    EXPECT_EQ(IsoDate(date), "2011-12-01");
    EXPECT_EQ(ParseDate(ShortDate(date)), date);
}

TEST(Dates, ArithmeticCrossesMonthsAndYears) {
    const Date date{year(2011), month(12), day(30)};
    EXPECT_EQ(AddDays(date, 3), (Date{year(2012), month(1), day(2)}));
    EXPECT_EQ(AddDays(Date{year(2012), month(3), day(1)}, -1), (Date{year(2012), month(2), day(29)}));
    EXPECT_EQ(DaysBetween(date, AddDays(date, -40)), -40);
}

TEST(Clock, TestsCanSetToday) {
    SetClockForTesting([] { return LocalTime{Date{year(2011), month(3), day(10)}, 8, 5, 9}; });
    EXPECT_EQ(ShortDate(Today()), "2011-3-10");
    EXPECT_EQ(TimeStamp14(Now()), "20110310080509");
    SetClockForTesting({});
    EXPECT_EQ(TimeStamp14(Now()).size(), 14u);
}

}  // namespace
}  // namespace sitora::text
