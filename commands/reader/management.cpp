// Commands addressed to the reader itself: its bus address, serial-line
// speed, serial number, user information, version, LED and buzzer. The
// reader's reply data are copied whatever its status.
#include "command.h"

using namespace vexa::link;

namespace {

constexpr uint8_t kCmdSetDeviceAddress = 0x80;
constexpr uint8_t kCmdSetBandrate = 0x81;
constexpr uint8_t kCmdSetSerNum = 0x82;
constexpr uint8_t kCmdGetSerNum = 0x83;
constexpr uint8_t kCmdWriteUserInfo = 0x84;
constexpr uint8_t kCmdGetVersionNum = 0x86;
constexpr uint8_t kCmdControlLED = 0x88;
constexpr uint8_t kCmdControlBuzzer = 0x89;

constexpr uint8_t kLenSetByte = 0x02;  // SetDeviceAddress, SetBandrate
constexpr uint8_t kLenSetSerNum = 0x09;
constexpr uint8_t kLenGetSerNum = 0x01;
constexpr uint8_t kLenGetVersionNum = 0x01;
constexpr uint8_t kLenControl = 0x03;  // ControlLED, ControlBuzzer
// CMD, param and the count byte; the user information follows.
constexpr int kLenWriteUserInfoFixed = 3;

constexpr int kSetSerialSize = 8;
constexpr int kGetSerialSize = 9;
// The longest user information whose frame still fits the command frame.
constexpr int kMaxUserInfo = mostRequestBytes(kLenWriteUserInfoFixed);

// The reply's first data byte goes to replyByte, whatever the status.
int storeReplyByte(const Reply& reply, unsigned char* replyByte) {
  if (reply.fromOtherAddress()) return kResultNoReply;
  replyByte[0] = reply.data(0);
  return reply.status();
}

int setByte(uint8_t cmd, uint8_t value, unsigned char* replyByte) {
  return storeReplyByte(Request(kLenSetByte, cmd).field(value).send(), replyByte);
}

int control(uint8_t cmd, uint8_t param1, uint8_t param2, unsigned char* replyByte) {
  return storeReplyByte(Request(kLenControl, cmd).field(param1).field(param2).send(), replyByte);
}

}  // namespace

extern "C" int VEXA_CALL SetDeviceAddress(unsigned char address, unsigned char* replyByte) {
  return setByte(kCmdSetDeviceAddress, address, replyByte);
}

extern "C" int VEXA_CALL SetBandrate(unsigned char speedCode, unsigned char* replyByte) {
  return setByte(kCmdSetBandrate, speedCode, replyByte);
}

extern "C" int VEXA_CALL SetSerNum(const unsigned char* serialNumber, unsigned char* replyByte) {
  return storeReplyByte(
      Request(kLenSetSerNum, kCmdSetSerNum).fields(serialNumber, kSetSerialSize).send(), replyByte);
}

extern "C" int VEXA_CALL GetSerNum(unsigned char* serialNumber) {
  const Reply reply = Request(kLenGetSerNum, kCmdGetSerNum).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  // Nine bytes from their fixed positions, whatever LEN announces.
  reply.copyData(serialNumber, 0, kGetSerialSize);
  return reply.status();
}

extern "C" int VEXA_CALL ISO15693_WriteUserInfo(unsigned char param, int count,
                                                const unsigned char* data) {
  if (count < 0 || count > kMaxUserInfo) return kResultBadArgument;
  const Reply reply = Request(lowByte(count + kLenWriteUserInfoFixed), kCmdWriteUserInfo)
                          .field(param)
                          .field(lowByte(count))
                          .fields(data, count)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  return reply.status();
}

extern "C" int VEXA_CALL GetVersionNum(unsigned char* version) {
  const Reply reply = Request(kLenGetVersionNum, kCmdGetVersionNum).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  reply.copyData(version, 0, reply.dataCount());
  return reply.status();
}

extern "C" int VEXA_CALL ControlLED(unsigned char param1, unsigned char param2,
                                    unsigned char* replyByte) {
  return control(kCmdControlLED, param1, param2, replyByte);
}

extern "C" int VEXA_CALL ControlBuzzer(unsigned char param1, unsigned char param2,
                                       unsigned char* replyByte) {
  return control(kCmdControlBuzzer, param1, param2, replyByte);
}
