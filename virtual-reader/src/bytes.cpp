#include "bytes.h"

namespace vr {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
constexpr int kNibbleBits = 4;
constexpr std::uint8_t kNibbleMask = 0x0F;
constexpr int kDecimalDigits = 10;

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + kDecimalDigits;
  if (c >= 'A' && c <= 'F') return c - 'A' + kDecimalDigits;
  return -1;
}

bool isSeparator(char c) { return c == ' ' || c == ':' || c == '-'; }

}  // namespace

std::string toHex(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> kNibbleBits]);
    out.push_back(kDigits[b & kNibbleMask]);
  }
  return out;
}

std::string toSpacedHex(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  for (std::uint8_t b : bytes) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(kDigits[b >> kNibbleBits]);
    out.push_back(kDigits[b & kNibbleMask]);
  }
  return out;
}

std::optional<Bytes> parseHex(std::string_view text) {
  Bytes out;
  int high = -1;
  for (char c : text) {
    if (isSeparator(c)) {
      if (high >= 0) return std::nullopt;  // a separator inside a byte
      continue;
    }
    int value = digitValue(c);
    if (value < 0) return std::nullopt;
    if (high < 0) {
      high = value;
    } else {
      out.push_back(static_cast<std::uint8_t>((high << kNibbleBits) | value));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

}  // namespace vr
