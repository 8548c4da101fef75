// MIFARE Classic value blocks (initialise, decrement, increment) and the
// restore command.
#include "command.h"

using namespace vexa::link;

namespace {

constexpr uint8_t kCmdInitValue = 0x22;
constexpr uint8_t kCmdDec = 0x23;
constexpr uint8_t kCmdInc = 0x24;
constexpr uint8_t kCmdRestore = 0x28;

// CMD, key mode, block, the key and the value.
constexpr uint8_t kLenValue = 0x0D;
// CMD, the parameter byte and the count byte; the data bytes come on top.
constexpr int kLenRestoreFields = 0x03;

constexpr int kKeySize = 6;
constexpr int kSerialSize = 4;
constexpr int kValueSize = 4;

// A restore frame is its data bytes plus start mark, address, LEN, CMD,
// parameter, count byte, XOR and end mark: 248 data bytes fill it.
constexpr int kMaxRestoreCount = mostRequestBytes(kLenRestoreFields);
static_assert(kMaxRestoreCount == 248);

// One value operation. The serial number replaces key[0..3] on every status;
// when valueOut is given, the four reply bytes after it replace the value.
int valueOperation(uint8_t cmd, uint8_t keyMode, uint8_t block, uint8_t* key, const uint8_t* value,
                   uint8_t* valueOut) {
  const Reply reply = Request(kLenValue, cmd)
                          .field(keyMode)
                          .field(block)
                          .fields(key, kKeySize)
                          .fields(value, kValueSize)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  reply.copyData(key, 0, kSerialSize);
  if (valueOut != nullptr) reply.copyData(valueOut, kSerialSize, kValueSize);
  return reply.status();
}

}  // namespace

extern "C" int VEXA_CALL MF_InitValue(unsigned char keyMode, unsigned char block,
                                      unsigned char* key, const unsigned char* value) {
  return valueOperation(kCmdInitValue, keyMode, block, key, value, nullptr);
}

extern "C" int VEXA_CALL MF_Dec(unsigned char keyMode, unsigned char block, unsigned char* key,
                                unsigned char* value) {
  return valueOperation(kCmdDec, keyMode, block, key, value, value);
}

extern "C" int VEXA_CALL MF_Inc(unsigned char keyMode, unsigned char block, unsigned char* key,
                                unsigned char* value) {
  return valueOperation(kCmdInc, keyMode, block, key, value, value);
}

extern "C" int VEXA_CALL MF_Restore(unsigned char param, int count, unsigned char* data) {
  if (count > kMaxRestoreCount) return kResultBadArgument;
  // LEN and the count byte carry the low 8 bits; a count of 0 or less sends
  // no data bytes.
  const Reply reply = Request(lowByte(count + kLenRestoreFields), kCmdRestore)
                          .field(param)
                          .field(lowByte(count))
                          .fields(data, count)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  // The reply's LEN alone sizes the copy (LEN read as signed: 0 to 126 bytes),
  // however many bytes were sent.
  reply.copyData(data, 0, reply.dataCount());
  return reply.status();
}
