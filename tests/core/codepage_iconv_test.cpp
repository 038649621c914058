// The windows-1252 / 850 pair used outside Windows.
#include "core/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string to_oem(std::string s) {
    ansi_to_oem(s.data());
    return s;
}

std::string to_ansi(std::string s) {
    oem_to_ansi(s.data());
    return s;
}

TEST(CodePage, MapsWesternLettersBetween1252And850AndKeepsTheRest) {
    // e acute, A diaeresis, O stroke (850 has it, 437 has not).
    EXPECT_EQ(to_oem("\xE9\xC4\xD8"), "\x82\x8E\x9D");
    EXPECT_EQ(to_ansi("\x82\x8E\x9D"), "\xE9\xC4\xD8");
    EXPECT_EQ(to_oem("plain ASCII ~"), "plain ASCII ~");
    // 0x81 is undefined in windows-1252; the euro sign 0x80 has no place in 850.
    EXPECT_EQ(to_oem("\x81\x80"), "\x81\x80");
}

TEST(CodePage, DirectionsAreInverseWhereBothAreDefined) {
    int mapped = 0;
    for (int b = 0x80; b < 0x100; ++b) {
        std::string byte(1, static_cast<char>(b));
        const std::string oem = to_oem(byte);
        if (oem == byte) continue;
        ++mapped;
        EXPECT_EQ(to_ansi(oem), byte) << "byte " << b;
    }
    EXPECT_GT(mapped, 90);  // most of 1252's upper half has a place in 850
}

}  // namespace
