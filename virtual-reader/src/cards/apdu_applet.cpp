#include "apdu_applet.h"

#include <algorithm>

namespace vr {
namespace {

constexpr std::uint8_t kInterindustryClass = 0x00;
constexpr std::uint8_t kInsSelect = 0xA4;
constexpr std::uint8_t kInsReadBinary = 0xB0;
constexpr std::uint8_t kInsUpdateBinary = 0xD6;
constexpr std::uint8_t kInsGetChallenge = 0x84;
constexpr std::uint8_t kSelectByName = 0x04;
constexpr std::uint8_t kSelectById = 0x00;
constexpr std::uint8_t kMasterFileHigh = 0x3F;
constexpr std::uint8_t kMasterFileLow = 0x00;
constexpr std::uint8_t kShortFileIdFlag = 0x80;  // P1 bit 8 of READ/UPDATE BINARY
constexpr int kHeaderSize = 4;
constexpr int kShortLeMax = 256;
constexpr int kOffsetHighBits = 8;
constexpr int kByteBits = 8;
constexpr std::uint8_t kByteMask = 0xFF;
// Shifts of Marsaglia's 32-bit xorshift generator.
constexpr int kXorshiftA = 13;
constexpr int kXorshiftB = 17;
constexpr int kXorshiftC = 5;

}  // namespace

bool Apdu::parse(ByteView bytes, Apdu& out) {
  if (bytes.size() < kHeaderSize) return false;
  out = Apdu{};
  out.cla = bytes[0];
  out.ins = bytes[1];
  out.p1 = bytes[2];
  out.p2 = bytes[3];
  const ByteView body = bytes.subspan(kHeaderSize);
  if (body.empty()) return true;  // case 1
  if (body.size() == 1) {         // case 2
    out.hasLe = true;
    out.le = body[0];
    return true;
  }
  const std::size_t lc = body[0];
  if (lc == 0) return false;
  if (body.size() == 1 + lc) {  // case 3
    out.data.assign(body.begin() + 1, body.end());
    return true;
  }
  if (body.size() == 2 + lc) {  // case 4
    out.data.assign(body.begin() + 1, body.end() - 1);
    out.hasLe = true;
    out.le = body.back();
    return true;
  }
  return false;
}

Bytes withStatusWord(Bytes data, std::uint16_t statusWord) {
  data.push_back(static_cast<std::uint8_t>(statusWord >> kByteBits));
  data.push_back(static_cast<std::uint8_t>(statusWord & kByteMask));
  return data;
}

Bytes ApduApplet::process(const Apdu& apdu) {
  if (apdu.cla != kInterindustryClass) return withStatusWord({}, sw::kUnknownClass);
  switch (apdu.ins) {
    case kInsSelect:
      return select(apdu);
    case kInsReadBinary:
      return readBinary(apdu);
    case kInsUpdateBinary:
      return updateBinary(apdu);
    case kInsGetChallenge:
      return challenge(apdu);
    default:
      return withStatusWord({}, sw::kUnknownInstruction);
  }
}

Bytes ApduApplet::select(const Apdu& apdu) {
  if (apdu.p1 == kSelectByName) {
    if (!aid.empty() && apdu.data == aid) {
      selected_ = true;
      return withStatusWord({}, sw::kOk);
    }
    return withStatusWord({}, sw::kNotFound);
  }
  if (apdu.p1 == kSelectById) {
    if (apdu.data == Bytes{kMasterFileHigh, kMasterFileLow}) {
      selected_ = false;
      return withStatusWord({}, sw::kOk);
    }
    return withStatusWord({}, sw::kNotFound);
  }
  return withStatusWord({}, sw::kWrongP1P2);
}

Bytes ApduApplet::readBinary(const Apdu& apdu) const {
  if (!selected_) return withStatusWord({}, sw::kNotSatisfied);
  if (apdu.p1 & kShortFileIdFlag) return withStatusWord({}, sw::kWrongP1P2);
  const std::size_t offset = (static_cast<std::size_t>(apdu.p1) << kOffsetHighBits) | apdu.p2;
  if (offset > file.size()) return withStatusWord({}, sw::kOffsetOutside);
  const int wanted = !apdu.hasLe || apdu.le == 0 ? kShortLeMax : apdu.le;
  if (apdu.hasLe && apdu.le != 0 && wanted > kMaxResponseData) {
    return withStatusWord({}, sw::kWrongLe | kMaxResponseData);
  }
  const std::size_t available = file.size() - offset;
  const std::size_t count = std::min<std::size_t>(
      {available, static_cast<std::size_t>(wanted), static_cast<std::size_t>(kMaxResponseData)});
  Bytes data(file.begin() + static_cast<std::ptrdiff_t>(offset),
             file.begin() + static_cast<std::ptrdiff_t>(offset + count));
  const bool shortOfLe = apdu.hasLe && apdu.le != 0 && count < static_cast<std::size_t>(wanted);
  return withStatusWord(std::move(data), shortOfLe ? sw::kEndOfFile : sw::kOk);
}

Bytes ApduApplet::updateBinary(const Apdu& apdu) {
  if (!selected_) return withStatusWord({}, sw::kNotSatisfied);
  if (apdu.p1 & kShortFileIdFlag) return withStatusWord({}, sw::kWrongP1P2);
  if (apdu.data.empty() || apdu.hasLe) return withStatusWord({}, sw::kWrongLength);
  const std::size_t offset = (static_cast<std::size_t>(apdu.p1) << kOffsetHighBits) | apdu.p2;
  if (offset + apdu.data.size() > file.size()) return withStatusWord({}, sw::kOffsetOutside);
  std::copy(apdu.data.begin(), apdu.data.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
  return withStatusWord({}, sw::kOk);
}

Bytes ApduApplet::challenge(const Apdu& apdu) {
  if (!apdu.hasLe || apdu.le == 0 || apdu.le > kMaxResponseData || !apdu.data.empty()) {
    return withStatusWord({}, sw::kWrongLength);
  }
  Bytes data;
  for (int i = 0; i < apdu.le; ++i) {
    random_ ^= random_ << kXorshiftA;
    random_ ^= random_ >> kXorshiftB;
    random_ ^= random_ << kXorshiftC;
    data.push_back(static_cast<std::uint8_t>(random_));
  }
  return withStatusWord(std::move(data), sw::kOk);
}

}  // namespace vr
