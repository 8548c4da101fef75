// ISO/IEC 14443 Type B: the request, the reader's second Type B command, the
// serial number of an identity card, and the transparent card command.
#include "command.h"

using namespace vexa::link;

namespace {

constexpr uint8_t kCmdRequest = 0x09;
constexpr uint8_t kCmdTypeB = 0x0A;
constexpr uint8_t kCmdTransCOS = 0x0D;
constexpr uint8_t kCmdSfzSnr = 0x26;

constexpr uint8_t kLenRequest = 0x01;  // TypeB_Request, Type_B
constexpr uint8_t kLenSfzSnr = 0x03;
// CMD and the length byte; the command bytes follow.
constexpr int kLenTransCOSFixed = 2;

constexpr int kSerialSize = 8;
// The longest card command whose frame still fits the command frame.
constexpr int kMaxCommandLength = mostRequestBytes(kLenTransCOSFixed);

// Status 0: the reply's data bytes, as many as LEN announces; status 1: D[0].
int answerCommand(uint8_t cmd, unsigned char* answer) {
  const Reply reply = Request(kLenRequest, cmd).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  if (reply.statusIs(kStatusOk)) {
    reply.copyData(answer, 0, reply.dataCount());
  } else if (reply.statusIs(kStatusOne)) {
    answer[0] = reply.data(0);
  }
  return reply.status();
}

}  // namespace

extern "C" int VEXA_CALL TypeB_Request(unsigned char* answer) {
  return answerCommand(kCmdRequest, answer);
}

extern "C" int VEXA_CALL Type_B(unsigned char* answer) { return answerCommand(kCmdTypeB, answer); }

extern "C" int VEXA_CALL TYPEB_SFZSNR(unsigned char param1, unsigned char param2,
                                      unsigned char* info, unsigned char* serial) {
  const Reply reply = Request(kLenSfzSnr, kCmdSfzSnr).field(param1).field(param2).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  copyInfoAndSerial(reply, info, serial, kSerialSize);
  return reply.status();
}

extern "C" int VEXA_CALL TypeB_TransCOS(const unsigned char* command, int commandLength,
                                        unsigned char* response) {
  if (commandLength > kMaxCommandLength) return kResultBadArgument;
  const Reply reply = Request(lowByte(commandLength + kLenTransCOSFixed), kCmdTransCOS)
                          .field(lowByte(commandLength))
                          .fields(command, commandLength)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  // LEN bytes from D[0] on, whatever the status: the reply's data and the
  // byte that follows them.
  reply.copyData(response, 0, reply.signedLen());
  return reply.status();
}
