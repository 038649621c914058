// Arrival time and date texts.
#include "core/time_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

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

}  // namespace
