// ANSI/OEM conversion outside Windows (portable): windows-1252 as ANSI and
// code page 850 as OEM, the pair of a Western European system. The tables are
// derived from the C library's iconv at first use; a byte that has no
// counterpart in the other code page stays as it is.
#include <iconv.h>

#include <array>
#include <cstdint>

#include "core/codepage.h"

namespace {

using ByteMap = std::array<unsigned char, 256>;

// Maps every byte of `from` to the byte of `to` that stands for the same
// character, or to itself when either side has no such character.
ByteMap derive_map(const char* from, const char* to) {
    ByteMap map{};
    for (int b = 0; b < 256; ++b)
        map[b] = static_cast<unsigned char>(b);

    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return map;
    for (int b = 0x80; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[8];
        char* in_ptr = &in;
        char* out_ptr = out;
        size_t in_left = 1;
        size_t out_left = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        const size_t done = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
        if (done != static_cast<size_t>(-1) && in_left == 0 && out_ptr - out == 1) {
            map[b] = static_cast<unsigned char>(out[0]);
        }
    }
    iconv_close(cd);
    return map;
}

const ByteMap& ansi_to_oem_map() {
    static const ByteMap map = derive_map("CP1252", "CP850");
    return map;
}

const ByteMap& oem_to_ansi_map() {
    static const ByteMap map = derive_map("CP850", "CP1252");
    return map;
}

void apply(const ByteMap& map, char* text) {
    if (!text) return;
    for (; *text; ++text)
        *text = static_cast<char>(map[static_cast<unsigned char>(*text)]);
}

}  // namespace

void ansi_to_oem(char* text) {
    apply(ansi_to_oem_map(), text);
}
void oem_to_ansi(char* text) {
    apply(oem_to_ansi_map(), text);
}
