// Byte strings and their hexadecimal spelling.
#ifndef VR_BYTES_H
#define VR_BYTES_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vr {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// "AA 00 01" style, upper case, one space between bytes.
std::string toSpacedHex(ByteView bytes);
// "AA0001" style, upper case.
std::string toHex(ByteView bytes);
// Accepts hex digits with optional spaces, colons or dashes between bytes.
// Fails on odd digit counts and on any other character.
std::optional<Bytes> parseHex(std::string_view text);

inline void append(Bytes& to, ByteView from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace vr

#endif  // VR_BYTES_H
