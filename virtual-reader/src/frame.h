// Command frames as the reader receives them, and reply frames as it sends
// them: start mark, address, LEN, command or status, fields, XOR, end mark.
#ifndef VR_FRAME_H
#define VR_FRAME_H

#include <cstdint>

#include "bytes.h"

namespace vr {

enum class FrameFault {
  kNone,
  kTooShort,     // fewer bytes than the smallest frame
  kBadMarks,     // start or end mark wrong
  kBadLength,    // LEN does not match the number of bytes received
  kBadChecksum,  // XOR byte wrong
};

struct Request {
  std::uint8_t address = 0;
  std::uint8_t len = 0;
  std::uint8_t command = 0;
  // The bytes between the command code and the XOR byte, as received.
  Bytes fields;
  // The frame is one byte shorter than its LEN says (LEN counts one byte
  // more than the command code and the fields); only the transparent
  // commands are sent this way.
  bool lenCountsOneOver = false;
};

struct ParsedFrame {
  FrameFault fault = FrameFault::kNone;
  Request request;  // address and command are filled in as far as received
};

inline constexpr int kFrameOverhead = 5;  // start, address, LEN, XOR, end
inline constexpr int kMinimumFrame = kFrameOverhead + 1;
inline constexpr int kReplyHeader = 4;  // start, address, LEN, status

std::uint8_t xorOf(ByteView bytes);
ParsedFrame parseRequest(ByteView frame);
// LEN counts the status byte and the data.
Bytes buildReply(std::uint8_t address, std::uint8_t status, ByteView data);

}  // namespace vr

#endif  // VR_FRAME_H
