#include "hex.h"

#include <charconv>

#include "errors.h"

namespace vexa::cli {
namespace {

constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;
constexpr int kNibbleBits = 4;
constexpr std::uint8_t kNibbleMask = 0x0F;
constexpr char kFirstPrintable = 0x20;
constexpr char kLastPrintable = 0x7E;
constexpr std::string_view kDigits = "0123456789ABCDEF";

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + kDecimalBase;
  if (c >= 'A' && c <= 'F') return c - 'A' + kDecimalBase;
  return -1;
}

bool isSeparator(char c) { return c == ' ' || c == ':' || c == '-'; }

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace

Bytes parseHex(std::string_view text, std::string_view what) {
  Bytes out;
  int pending = -1;  // the high nibble of a byte begun, or -1
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (isSeparator(c)) {
      if (pending >= 0) {
        throw UsageError(std::string(what) + " " + quoted(text) +
                         ": a separator splits a byte at position " + std::to_string(i + 1));
      }
      continue;
    }
    const int value = digitValue(c);
    if (value < 0) {
      throw UsageError(std::string(what) + " " + quoted(text) + ": '" + std::string(1, c) +
                       "' at position " + std::to_string(i + 1) + " is not a hex digit");
    }
    if (pending < 0) {
      pending = value;
    } else {
      out.push_back(static_cast<std::uint8_t>((pending << kNibbleBits) | value));
      pending = -1;
    }
  }
  if (pending >= 0) {
    throw UsageError(std::string(what) + " " + quoted(text) +
                     ": odd number of hex digits (each byte takes two)");
  }
  return out;
}

Bytes parseHexExact(std::string_view text, std::size_t size, std::string_view what) {
  Bytes out = parseHex(text, what);
  if (out.size() != size) {
    throw UsageError(std::string(what) + " must be " + std::to_string(size) + " bytes (" +
                     std::to_string(size * 2) + " hex digits), got " + std::to_string(out.size()));
  }
  return out;
}

long long parseNumber(std::string_view text, long long min, long long max, std::string_view what) {
  std::string_view digits = text;
  int base = kDecimalBase;
  bool negative = false;
  if (!digits.empty() && digits.front() == '-') {
    negative = true;
    digits.remove_prefix(1);
  }
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = kHexBase;
    digits.remove_prefix(2);
  }
  long long value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  const std::string range = " (" + std::to_string(min) + " to " + std::to_string(max) + ")";
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    throw UsageError(std::string(what) + " " + quoted(text) + " is not a number" + range);
  }
  if (negative) value = -value;
  if (value < min || value > max) {
    throw UsageError(std::string(what) + " " + std::string(text) + " is out of range" + range);
  }
  return value;
}

std::uint8_t parseByte(std::string_view text, std::string_view what) {
  constexpr long long kByteMax = 0xFF;
  return static_cast<std::uint8_t>(parseNumber(text, 0, kByteMax, what));
}

std::string hex(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> kNibbleBits]);
    out.push_back(kDigits[b & kNibbleMask]);
  }
  return out;
}

std::string spacedHex(ByteView bytes) {
  std::string out;
  for (const std::uint8_t b : bytes) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(kDigits[b >> kNibbleBits]);
    out.push_back(kDigits[b & kNibbleMask]);
  }
  return out;
}

std::string hexByte(std::uint8_t value) {
  const std::uint8_t one[] = {value};
  return "0x" + hex(one);
}

std::string printable(ByteView bytes) {
  std::string out;
  for (const std::uint8_t b : bytes) {
    const char c = static_cast<char>(b);
    out.push_back(c >= kFirstPrintable && c <= kLastPrintable ? c : '.');
  }
  return out;
}

}  // namespace vexa::cli
