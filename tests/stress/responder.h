// How the stress transport answers a frame: from the frame's bytes alone, so
// a caller that knows the frame its call must send also knows the answer it
// must get, whatever other threads are doing.
#pragma once

#include <stdint.h>
#include <string.h>

namespace vexa::stress {

inline constexpr int kReplySize = 248;
inline constexpr uint8_t kReplyFirstByte = 0xAA;
inline constexpr uint8_t kReaderAddress = 0x00;
inline constexpr uint8_t kOtherAddress = 0x01;
inline constexpr uint8_t kSysInfoLen = 0x10;
inline constexpr int kCmdAt = 3;
inline constexpr int kMulSecurityCountAt = 6;  // AA 00 LEN CMD flags first count
inline constexpr uint8_t kCmdGetSysInfo = 0x1B;
inline constexpr uint8_t kCmdGetMulSecurity = 0x1C;
inline constexpr uint8_t kCmdInventory = 0x10;
inline constexpr int kInventoryCounts = 30;  // 0 to 29: some past the 24 a reply holds

struct Answer {
  bool refuseWrite;  // hidWriteData reports one byte short
  uint8_t reply[kReplySize];
};

inline uint32_t frameHash(const uint8_t* frame, int32_t length) {
  constexpr uint32_t kOffset = 2166136261u;
  constexpr uint32_t kPrime = 16777619u;
  uint32_t h = kOffset;
  for (int32_t i = 0; i < length; ++i) h = (h ^ frame[i]) * kPrime;
  return h;
}

// Statuses the answers carry: mostly 0, some 1, some errors (one negative).
inline uint8_t statusFor(uint32_t h) {
  constexpr uint8_t kStatuses[] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x6A, 0xFE};
  return kStatuses[(h >> 4) % sizeof kStatuses];
}

inline Answer answerFrame(const uint8_t* frame, int32_t length) {
  constexpr uint32_t kRefuseEvery = 23;
  constexpr uint32_t kForeignEvery = 11;
  constexpr uint32_t kMostLen = 127;
  const uint32_t h = frameHash(frame, length);
  Answer a;
  a.refuseWrite = h % kRefuseEvery == 0;
  a.reply[0] = kReplyFirstByte;
  a.reply[1] = h % kForeignEvery == 0 ? kOtherAddress : kReaderAddress;
  a.reply[2] = static_cast<uint8_t>(1 + (h >> 8) % kMostLen);
  a.reply[3] = statusFor(h);
  for (int i = 4; i < kReplySize; ++i) {
    a.reply[i] = static_cast<uint8_t>((h >> ((i % 4) * 8)) ^ (i * 0x1D));
  }
  const uint8_t cmd = length > kCmdAt ? frame[kCmdAt] : 0;
  const bool half = (h >> 16) & 1;
  if (cmd == kCmdGetSysInfo && half) a.reply[2] = kSysInfoLen;
  if (cmd == kCmdGetMulSecurity && half && length > kMulSecurityCountAt) {
    a.reply[4] = frame[kMulSecurityCountAt];
  }
  if (cmd == kCmdInventory) a.reply[4] = static_cast<uint8_t>((h >> 12) % kInventoryCounts);
  return a;
}

}  // namespace vexa::stress
