// MIFARE Classic block read and write: 1 to 15 blocks of 16 bytes under a
// 6-byte key. Each reply carries the card's serial number ahead of any block
// data.
#include "command.h"

using namespace vexa::link;

namespace {

constexpr uint8_t kCmdRead = 0x20;
constexpr uint8_t kCmdWrite = 0x21;

// CMD, key mode, block count, first block and the key; a write adds its
// blocks to this.
constexpr uint8_t kLenKeyedAccess = 0x0A;

constexpr int kKeySize = 6;
constexpr int kSerialSize = 4;
constexpr int kBlockSize = 16;

// A read reply holds the serial number and then at most 240 block bytes
// within the transport's 248-byte read.
constexpr int kMaxBlocks = (kReplyReadSize - kReplyDataAt - kSerialSize) / kBlockSize;
static_assert(kMaxBlocks == 15);
// The longest write frame, 255 bytes, still fits the command frame.
static_assert(kFrameOverhead + kLenKeyedAccess + kMaxBlocks * kBlockSize <= kFrameCapacity);

constexpr bool blockCountInRange(unsigned char blockCount) {
  return blockCount >= 1 && blockCount <= kMaxBlocks;
}

}  // namespace

extern "C" int VEXA_CALL MF_Read(unsigned char keyMode, unsigned char firstBlock,
                                 unsigned char blockCount, unsigned char* key,
                                 unsigned char* data) {
  if (!blockCountInRange(blockCount)) return kResultBadArgument;
  // On the wire the block count comes before the first block.
  const Reply reply = Request(kLenKeyedAccess, kCmdRead)
                          .field(keyMode)
                          .field(blockCount)
                          .field(firstBlock)
                          .fields(key, kKeySize)
                          .send();
  // A foreign reply is not answered with 5 here: its status is the result.
  if (reply.fromOtherAddress()) return reply.status();
  if (reply.statusIs(kStatusOk)) {
    reply.copyData(key, 0, kSerialSize);
    reply.copyData(data, kSerialSize, blockCount * kBlockSize);
  } else if (reply.statusIs(kStatusOne)) {
    data[0] = reply.data(0);
  }
  return reply.status();
}

extern "C" int VEXA_CALL MF_Write(unsigned char keyMode, unsigned char firstBlock,
                                  unsigned char blockCount, unsigned char* key,
                                  unsigned char* data) {
  if (!blockCountInRange(blockCount)) return kResultBadArgument;
  const int blockBytes = blockCount * kBlockSize;
  const Reply reply = Request(lowByte(kLenKeyedAccess + blockBytes), kCmdWrite)
                          .field(keyMode)
                          .field(blockCount)
                          .field(firstBlock)
                          .fields(key, kKeySize)
                          .fields(data, blockBytes)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  // The reader's serial number and first data byte come back whatever the
  // status.
  reply.copyData(key, 0, kSerialSize);
  data[0] = reply.data(0);
  return reply.status();
}
