// Card memory blocks: read, write, lock, and their security status.
#include "frame.h"
#include "iso15693.h"

using namespace vexa::link;
using namespace vexa::iso15693;

namespace {

constexpr uint8_t kCmdRead = 0x11;
constexpr uint8_t kCmdWrite = 0x12;
constexpr uint8_t kCmdLock = 0x13;
constexpr uint8_t kCmdGetMulSecurity = 0x1C;

// LEN without the UID: CMD, flags, then the block fields.
constexpr int kLenRead = 0x04;            // firstBlock, blockCount
constexpr int kLenWriteHead = 0x04;       // firstBlock, blockCount; the data follows
constexpr int kLenLock = 0x03;            // block
constexpr int kLenGetMulSecurity = 0x04;  // firstBlock, blockCount

constexpr int kBlockSize = 4;

constexpr CardCommand kRead{kCmdRead, kLenRead};
constexpr CardCommand kLock{kCmdLock, kLenLock};
constexpr CardCommand kGetMulSecurity{kCmdGetMulSecurity, kLenGetMulSecurity};

}  // namespace

extern "C" int VEXA_CALL ISO15693_Read(unsigned char flags, unsigned char firstBlock,
                                       unsigned char blockCount, const unsigned char* uid,
                                       unsigned char* blockData) {
  if (blockCount == 0) return kResultZeroArgument;
  const Reply reply = sendCardCommand(kRead, flags, {firstBlock, blockCount}, uid);
  if (reply.fromOtherAddress()) return reply.status();
  if (reply.statusIs(kStatusOk)) {
    copyAllData(reply, blockData);
  } else if (reply.statusIs(kStatusOne)) {
    blockData[0] = reply.data(0);
  }
  return reply.status();
}

extern "C" int VEXA_CALL ISO15693_Write(unsigned char flags, unsigned char firstBlock,
                                        unsigned char blockCount, const unsigned char* uid,
                                        unsigned char* blockData) {
  if (blockCount == 0) return kResultBadArgument;
  // Four data bytes per block; the frame must still fit the command buffer.
  const int dataSize = kBlockSize * blockCount;
  const CardCommand write{kCmdWrite, kLenWriteHead + dataSize};
  if (requestLen(write, flags) + kFrameOverhead > kFrameCapacity) return kResultBadArgument;
  const Reply reply =
      sendCardCommand(write, flags, {firstBlock, blockCount}, uid, blockData, dataSize);
  if (reply.fromOtherAddress()) return reply.status();
  if (reply.statusIs(kStatusOne)) blockData[0] = reply.data(0);
  return reply.status();
}

extern "C" int VEXA_CALL ISO15693_Lock(unsigned char flags, unsigned char block,
                                       const unsigned char* uid, unsigned char* replyByte) {
  if (block == 0) return kResultZeroArgument;
  return storeFirstByte(sendCardCommand(kLock, flags, {block}, uid), replyByte);
}

extern "C" int VEXA_CALL ISO15693_GetMulSecurity(unsigned char flags, unsigned char firstBlock,
                                                 unsigned char blockCount, const unsigned char* uid,
                                                 unsigned char* securityStatus) {
  const Reply reply = sendCardCommand(kGetMulSecurity, flags, {firstBlock, blockCount}, uid);
  if (reply.fromOtherAddress()) return kResultNoReply;
  // The reader echoes the block count first; any other count answers
  // another request.
  if (reply.data(0) != blockCount) return kResultNoReply;
  copyAllData(reply, securityStatus);
  return reply.status();
}
