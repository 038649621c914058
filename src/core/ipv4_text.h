// IPv4 addresses as text (portable): the dotted form the settings store and
// the system's adapter list use. Addresses are numbers in host byte order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "a.b.c.d" with each part 0..255 in decimal without leading zeros (some
// readers take those as octal) and nothing around it.
std::optional<uint32_t> parse_ipv4(std::string_view text);
std::string ipv4_text(uint32_t address);
