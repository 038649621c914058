#include "core/ipv4_text.h"

#include <charconv>
#include <cstdio>

std::optional<uint32_t> parse_ipv4(std::string_view text) {
    uint32_t address = 0;
    const char* p = text.data();
    const char* const end = text.data() + text.size();
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (p == end || *p != '.') return std::nullopt;
            ++p;
        }
        // Digits only: from_chars alone would take a sign.
        if (p == end || *p < '0' || *p > '9') return std::nullopt;
        if (*p == '0' && p + 1 != end && p[1] >= '0' && p[1] <= '9') return std::nullopt;
        unsigned value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc() || value > 255 || next - p > 3) return std::nullopt;
        address = address << 8 | value;
        p = next;
    }
    if (p != end) return std::nullopt;
    return address;
}

std::string ipv4_text(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF,
                  address >> 8 & 0xFF, address & 0xFF);
    return text;
}
