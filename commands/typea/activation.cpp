// Type A card activation: request, anticollision, select, halt, and the
// serial number in one step.
#include "command.h"

using namespace vexa::link;

namespace {

constexpr uint8_t kCmdRequest = 0x03;
constexpr uint8_t kCmdAnticoll = 0x04;
constexpr uint8_t kCmdSelect = 0x05;
constexpr uint8_t kCmdHalt = 0x06;
constexpr uint8_t kCmdGetsnr = 0x25;

constexpr uint8_t kLenRequest = 0x02;
constexpr uint8_t kLenAnticoll = 0x01;
constexpr uint8_t kLenSelect = 0x05;
constexpr uint8_t kLenHalt = 0x01;
constexpr uint8_t kLenGetsnr = 0x03;

// ISO/IEC 14443-3 request codes.
constexpr uint8_t kWakeUpRequest = 0x52;  // WUPA
constexpr uint8_t kIdleRequest = 0x26;    // REQA
constexpr uint8_t kHighestMode = VEXA_MF_REQUEST_IDLE;

constexpr int kAnswerSize = 2;
constexpr int kSerialSize = 4;

}  // namespace

extern "C" int VEXA_CALL MF_Request(unsigned char mode, unsigned char* answer) {
  if (mode > kHighestMode) return kResultBadArgument;
  const Reply reply = Request(kLenRequest, kCmdRequest)
                          .field(mode == VEXA_MF_REQUEST_WAKEUP ? kWakeUpRequest : kIdleRequest)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  if (reply.statusIs(kStatusOk)) {
    reply.copyData(answer, 0, kAnswerSize);
    return kResultOk;
  }
  if (reply.statusIs(kStatusOne)) answer[0] = reply.data(0);
  return kResultRequestFailed;
}

extern "C" int VEXA_CALL MF_Anticoll(unsigned char* serial, unsigned char* info) {
  const Reply reply = Request(kLenAnticoll, kCmdAnticoll).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  if (reply.statusIs(kStatusOk)) {
    info[0] = reply.data(0);
    reply.copyData(serial, 1, kSerialSize);
  } else if (reply.statusIs(kStatusOne)) {
    serial[0] = reply.data(0);
  }
  return reply.status();
}

extern "C" int VEXA_CALL MF_Select(unsigned char* serial) {
  const Reply reply = Request(kLenSelect, kCmdSelect).fields(serial, kSerialSize).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  if (reply.statusIs(kStatusOk)) reply.copyData(serial, 0, kSerialSize);
  return reply.status();
}

extern "C" int VEXA_CALL MF_Halt(void) {
  const Reply reply = Request(kLenHalt, kCmdHalt).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  return reply.status();
}

extern "C" int VEXA_CALL MF_Getsnr(unsigned char param1, unsigned char param2, unsigned char* info,
                                   unsigned char* serial) {
  const Reply reply = Request(kLenGetsnr, kCmdGetsnr).field(param1).field(param2).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  copyInfoAndSerial(reply, info, serial, kSerialSize);
  return reply.status();
}
