// The card's system information, and the transparent command that carries
// card commands of the application's own.
#include "frame.h"
#include "iso15693.h"

using namespace vexa::link;
using namespace vexa::iso15693;

namespace {

constexpr uint8_t kCmdGetSysInfo = 0x1B;
constexpr uint8_t kCmdTransparent = 0x1D;

constexpr int kLenGetSysInfo = 0x02;  // CMD and flags; the UID adds 8
// A system-information reply: the status and 15 data bytes.
constexpr uint8_t kLenSysInfoReply = 0x10;
constexpr int kSysInfoSize = 15;

// The transparent request's LEN is its command byte count plus this.
constexpr int kLenTransparentExtra = 2;
// CMD is the only byte of the request's own; the caller's bytes follow it.
constexpr int kCmdBytes = 1;
constexpr int kMostCommandBytes = mostRequestBytes(kCmdBytes);

constexpr CardCommand kGetSysInfo{kCmdGetSysInfo, kLenGetSysInfo};

}  // namespace

extern "C" int VEXA_CALL ISO15693_GetSysInfo(unsigned char flags, const unsigned char* uid,
                                             unsigned char* sysInfo) {
  const Reply reply = sendCardCommand(kGetSysInfo, flags, {}, uid);
  if (reply.fromOtherAddress()) return kResultNoReplyIso15693;
  sysInfo[0] = reply.data(0);
  // The length is checked before the status: a short reply answers nothing.
  if (reply.lenByte() != kLenSysInfoReply) return kResultNoReply;
  reply.copyData(sysInfo, 0, kSysInfoSize);
  return reply.status();
}

extern "C" int VEXA_CALL ISO15693_TransCOSCmd(const unsigned char* command, int commandLength,
                                              unsigned char* response) {
  if (commandLength > kMostCommandBytes) return kResultBadArgument;
  const Reply reply = Request(lowByte(commandLength + kLenTransparentExtra), kCmdTransparent)
                          .fields(command, commandLength)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  copyAllData(reply, response);
  return reply.status();
}
