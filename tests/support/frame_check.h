// Whether a command frame handed to a transport is whole: start and end
// marks, the reader's address, a LEN that matches the frame's length and an
// XOR that matches its bytes. Shared by the test transports.
#pragma once

#include <stdint.h>

namespace vexa::test {

inline bool wellFormedFrame(const uint8_t* frame, int32_t length) {
  constexpr uint8_t kStart = 0xAA;
  constexpr uint8_t kEnd = 0xBB;
  constexpr uint8_t kReaderAddress = 0x00;
  constexpr int kLenAt = 2;
  constexpr int kOverhead = 5;  // start, address, LEN, XOR, end
  constexpr int kCapacity = 256;
  if (length < kOverhead + 1 || length > kCapacity) return false;
  if (frame[0] != kStart || frame[1] != kReaderAddress || frame[length - 1] != kEnd) return false;
  uint8_t x = 0;
  for (int32_t i = 1; i < length - 2; ++i) x ^= frame[i];
  if (x != frame[length - 2]) return false;
  // LEN counts CMD and the fields; the Type A transparent command counts
  // one byte more.
  const int len = frame[kLenAt];
  return len == length - kOverhead || len == length - kOverhead + 1;
}

}  // namespace vexa::test
