// The command frame and the reply frame, and the four operations through
// which every command function builds a frame and exchanges it with the
// reader.
#pragma once

#include <stdint.h>

namespace vexa::link {

inline constexpr uint8_t kStartMark = 0xAA;
inline constexpr uint8_t kEndMark = 0xBB;
inline constexpr uint8_t kReaderAddress = 0x00;

inline constexpr int kFrameCapacity = 256;
// Every read asks the transport for this many reply bytes.
inline constexpr int32_t kReplyReadSize = 248;
// Before each exchange the reply window is filled with this byte, so that a
// read that delivers nothing fails the address check.
inline constexpr uint8_t kNoReplyFill = 0x01;

// Positions in a reply frame.
inline constexpr int kReplyAddressAt = 1;
inline constexpr int kReplyLenAt = 2;
inline constexpr int kReplyStatusAt = 3;
inline constexpr int kReplyDataAt = 4;

// Bytes of a frame that are not LEN's: start mark, address, LEN, XOR, end mark.
inline constexpr int kFrameOverhead = 5;

// The most caller bytes a request can carry beside the `fixedBytes` bytes it
// always has after LEN (CMD and its fixed fields), so that the whole frame
// fits the command frame.
constexpr int mostRequestBytes(int fixedBytes) {
  return kFrameCapacity - kFrameOverhead - fixedBytes;
}

struct CommandFrameBuffer {
  uint8_t bytes[kFrameCapacity];
  int32_t length;    // bytes in use; the next byte goes to bytes[length]
  uint8_t checksum;  // XOR of every putByte since the frame began; 0 between frames
};

struct ReplyFrameBuffer {
  uint8_t bytes[kFrameCapacity];
};

extern CommandFrameBuffer CommandFrame;
extern ReplyFrameBuffer ReplyFrame;

// Starts a frame: the start mark, then the address through putByte.
void beginCommand();

// Appends one byte and folds it into the checksum.
inline void putByte(uint8_t value) {
  CommandFrame.bytes[CommandFrame.length] = value;
  CommandFrame.checksum ^= value;
  ++CommandFrame.length;
}

// putByte of values[0..count), in order; nothing when count <= 0. Keeps the
// length and checksum in locals while it copies, so a long run of data
// bytes costs a copy, not a reload of both for every byte.
inline void putBytes(const uint8_t* values, int count) {
  int32_t length = CommandFrame.length;
  uint8_t checksum = CommandFrame.checksum;
  for (int i = 0; i < count; ++i) {
    CommandFrame.bytes[length++] = values[i];
    checksum ^= values[i];
  }
  CommandFrame.length = length;
  CommandFrame.checksum = checksum;
}
// Appends the XOR and the end mark, then writes the frame to the reader and
// reads its reply into ReplyFrame.
void sendCommand();
// True when the reply's address differs from the frame's.
bool replyFromOtherAddress();

}  // namespace vexa::link
