// The system's own ANSI/OEM conversion is the one the codec uses (Windows only).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/message.h"

namespace {

TEST(CodePageWin, DatagramTextTakesTheSystemsOemCode) {
    // The Wine prefixes run with ANSI 1252 and OEM 437, as a US system does.
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_EQ(GetOEMCP(), 437u);
    // Yen: 0xA5 in 1252, 0x9D in 437 (850 would give 0xBE); e acute 0x82 in both.
    const std::vector<char> datagram = build_datagram("PC\xA5", "PC2", "\xA5\xE9");
    EXPECT_EQ(std::string(datagram.begin(), datagram.end()),
              std::string("PC\xA5\0PC2\0\x9D\x82\0", 11));
}

TEST(CodePageWin, OemToAnsiRestoresTheText) {
    std::string text = "\x9D\x82 ok";
    oem_to_ansi(text.data());
    EXPECT_EQ(text, "\xA5\xE9 ok");
}

}  // namespace
