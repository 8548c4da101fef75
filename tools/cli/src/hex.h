// Hexadecimal input and output, and the number arguments of the commands.
#ifndef VEXA_CLI_HEX_H
#define VEXA_CLI_HEX_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::cli {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Hex digits, either case, optionally split into bytes by spaces, colons or
// dashes ("FFFFFFFFFFFF", "ff:ff:ff", "00 A4 04 00"). A separator may only
// stand between whole bytes. Throws UsageError naming `what`.
Bytes parseHex(std::string_view text, std::string_view what);
// As parseHex, and exactly `size` bytes.
Bytes parseHexExact(std::string_view text, std::size_t size, std::string_view what);

// A whole number in decimal or with a 0x prefix in hex, from `min` to `max`.
// Throws UsageError naming `what` and the range.
long long parseNumber(std::string_view text, long long min, long long max, std::string_view what);
std::uint8_t parseByte(std::string_view text, std::string_view what);

// "04A21B3C": for JSON and for arguments.
std::string hex(ByteView bytes);
// "04 A2 1B 3C": for people.
std::string spacedHex(ByteView bytes);
// "0x0A".
std::string hexByte(std::uint8_t value);
// One character per byte: printable ASCII as itself, anything else '.'.
std::string printable(ByteView bytes);

}  // namespace vexa::cli

#endif  // VEXA_CLI_HEX_H
