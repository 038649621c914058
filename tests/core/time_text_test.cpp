// Arrival time and date texts; the time zones natively, the years after 2038
// on both platforms.
#include "core/time_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// Noon UTC, so that the date is the same in every time zone.
constexpr int64_t kJuly1st2040Noon = 2224756800;
constexpr int64_t kJuly1st2100Noon = 4118126400;

TEST(TimeText, YearsAfter2038) {
    EXPECT_EQ(date_text(kJuly1st2040Noon), "2040.07.01");
    EXPECT_EQ(date_text(kJuly1st2100Noon), "2100.07.01");
    const std::optional<std::string> clock = clock_text(kJuly1st2040Noon);
    ASSERT_TRUE(clock.has_value());
    EXPECT_EQ(clock->size(), 8u);
    EXPECT_EQ(clock->substr(5), ":00") << "whole minutes in every time zone";
    EXPECT_GT(now_seconds(), 1700000000);
}

#ifndef _WIN32

class TimeTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
    }
};

// 2001-12-06 is 11662 days after 1970-01-01.
constexpr int32_t at(int hour, int minute, int second) {
    return 11662 * 86400 + hour * 3600 + minute * 60 + second;
}

TEST_F(TimeTextTest, PadsEveryFieldWithZeros) {
    EXPECT_EQ(clock_text(at(9, 5, 3)), "09:05:03");
    EXPECT_EQ(clock_text(at(23, 59, 59)), "23:59:59");
    EXPECT_EQ(date_text(at(2, 7, 41)), "2001.12.06");
    EXPECT_EQ(date_text(0), "1970.01.01");
}

TEST_F(TimeTextTest, FollowsTheLocalTimeZone) {
    setenv("TZ", "CET-1", 1);
    tzset();
    EXPECT_EQ(clock_text(at(23, 30, 0)), "00:30:00");
    EXPECT_EQ(date_text(at(23, 30, 0)), "2001.12.07");
}

#endif

}  // namespace
