#include "core/ipv4_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Ipv4Text, ParsesOnlyDottedQuads) {
    EXPECT_EQ(parse_ipv4("10.77.0.1"), 0x0A4D0001u);
    EXPECT_EQ(parse_ipv4("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(parse_ipv4("0.0.0.0"), 0u);
    for (const char* bad :
         {"", "10.77.0", "10.77.0.1.", "10.77.0.256", "10.77.0.1x", " 10.77.0.1", "10.77.-0.1",
          "10..0.1", "+1.2.3.4", "01.2.3.4", "10.0.00.1", "1.2.3.4 "}) {
        EXPECT_FALSE(parse_ipv4(bad)) << bad;
    }
    EXPECT_EQ(ipv4_text(0x0A4D00FF), "10.77.0.255");
}

}  // namespace
