#include "apdu.h"

#include "errors.h"

namespace vexa::cli {
namespace {

constexpr int kByteBits = 8;
constexpr std::uint16_t kHighByte = 0xFF00;
constexpr std::uint16_t kLowByte = 0x00FF;

constexpr std::uint16_t kSwOk = 0x9000;
constexpr std::uint16_t kSwEndOfFile = 0x6282;
constexpr std::uint16_t kSwWrongLength = 0x6700;
constexpr std::uint16_t kSwNotSatisfied = 0x6985;
constexpr std::uint16_t kSwNotFound = 0x6A82;
constexpr std::uint16_t kSwWrongP1P2 = 0x6A86;
constexpr std::uint16_t kSwOffsetOutside = 0x6B00;
constexpr std::uint16_t kSwWrongLe = 0x6C00;
constexpr std::uint16_t kSwMoreData = 0x6100;
constexpr std::uint16_t kSwUnknownInstruction = 0x6D00;
constexpr std::uint16_t kSwUnknownClass = 0x6E00;

}  // namespace

std::string statusWordMeaning(std::uint16_t sw) {
  switch (sw) {
    case kSwOk:
      return "success";
    case kSwEndOfFile:
      return "end of file reached before Le bytes";
    case kSwWrongLength:
      return "wrong length";
    case kSwNotSatisfied:
      return "conditions of use not satisfied";
    case kSwNotFound:
      return "file or application not found";
    case kSwWrongP1P2:
      return "incorrect P1 P2";
    case kSwOffsetOutside:
      return "offset outside the file";
    case kSwUnknownInstruction:
      return "instruction not supported";
    case kSwUnknownClass:
      return "class not supported";
    default:
      break;
  }
  const int low = sw & kLowByte;
  if ((sw & kHighByte) == kSwWrongLe) return "wrong Le: ask for " + std::to_string(low) + " bytes";
  if ((sw & kHighByte) == kSwMoreData) return std::to_string(low) + " more bytes available";
  return "card status";
}

json apduResponseJson(ByteView response) {
  json out = {{"response", hex(response)}};
  if (response.size() < kStatusWordSize) return out;
  const std::size_t dataSize = response.size() - kStatusWordSize;
  const auto sw =
      static_cast<std::uint16_t>((response[dataSize] << kByteBits) | response[dataSize + 1]);
  out["data"] = hex(response.first(dataSize));
  out["sw"] = hex(response.subspan(dataSize));
  out["sw_meaning"] = statusWordMeaning(sw);
  return out;
}

void checkApduLength(const Bytes& apdu, std::size_t most) {
  if (apdu.size() < kApduHeaderSize || apdu.size() > most) {
    throw UsageError("APDU must be " + std::to_string(kApduHeaderSize) + " to " +
                     std::to_string(most) + " bytes, got " + std::to_string(apdu.size()));
  }
}

}  // namespace vexa::cli
