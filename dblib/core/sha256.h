// SHA-256, for storing user passwords as salted digests rather than text.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace dblib {

std::array<std::uint8_t, 32> sha256(std::string_view data);

}  // namespace dblib
