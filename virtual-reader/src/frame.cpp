#include "frame.h"

#include "codes.h"

namespace vr {
namespace {

constexpr int kAddressAt = 1;
constexpr int kLenAt = 2;
constexpr int kCommandAt = 3;
constexpr int kFieldsAt = 4;

// The transparent commands of both card families arrive with a LEN one
// greater than the bytes that follow it; the frame itself tells the truth.
bool mayCountOneOver(std::uint8_t command) {
  return command == cmd::kTransparent14443 || command == cmd::kIsoTransparent;
}

}  // namespace

std::uint8_t xorOf(ByteView bytes) {
  std::uint8_t x = 0;
  for (std::uint8_t b : bytes) x ^= b;
  return x;
}

ParsedFrame parseRequest(ByteView frame) {
  ParsedFrame parsed;
  const int size = static_cast<int>(frame.size());
  if (size > kAddressAt) parsed.request.address = frame[kAddressAt];
  if (size > kLenAt) parsed.request.len = frame[kLenAt];
  if (size > kCommandAt) parsed.request.command = frame[kCommandAt];
  if (size < kMinimumFrame) {
    parsed.fault = FrameFault::kTooShort;
    return parsed;
  }
  if (frame.front() != kStartMark || frame.back() != kEndMark) {
    parsed.fault = FrameFault::kBadMarks;
    return parsed;
  }
  const int len = parsed.request.len;
  if (size == len + kFrameOverhead) {
    parsed.request.lenCountsOneOver = false;
  } else if (size == len + kFrameOverhead - 1 && mayCountOneOver(parsed.request.command)) {
    parsed.request.lenCountsOneOver = true;
  } else {
    parsed.fault = FrameFault::kBadLength;
    return parsed;
  }
  const int xorAt = size - 2;
  if (xorOf(frame.subspan(kAddressAt, xorAt - kAddressAt)) != frame[xorAt]) {
    parsed.fault = FrameFault::kBadChecksum;
    return parsed;
  }
  parsed.request.fields.assign(frame.begin() + kFieldsAt, frame.begin() + xorAt);
  return parsed;
}

Bytes buildReply(std::uint8_t address, std::uint8_t status, ByteView data) {
  Bytes reply;
  reply.reserve(data.size() + kFrameOverhead + 1);
  reply.push_back(kStartMark);
  reply.push_back(address);
  reply.push_back(static_cast<std::uint8_t>(data.size() + 1));
  reply.push_back(status);
  append(reply, data);
  reply.push_back(xorOf(ByteView(reply).subspan(kAddressAt)));
  reply.push_back(kEndMark);
  return reply;
}

}  // namespace vr
