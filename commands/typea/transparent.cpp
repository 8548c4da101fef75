// The Type A transparent command: the caller's bytes go to the card's
// operating system unchanged, and the reply comes back from its LEN byte on.
#include "command.h"

using namespace vexa::link;

namespace {

constexpr uint8_t kCmdTransparent = 0x0D;

// The reader takes this command with LEN two above the number of command
// bytes.
constexpr int kLenAboveCommand = 2;

// CMD is the only byte of the request's own: 250 command bytes fill the frame.
constexpr int kCmdBytes = 1;
constexpr int kMaxCommandLength = mostRequestBytes(kCmdBytes);
static_assert(kMaxCommandLength == 250);

// The copy reads ReplyFrame from the LEN byte up to position 251 at most:
// inside the buffer, and past the 248 bytes a read can fill only into bytes
// that no exchange writes and that stay zero.
static_assert(kReplyLenAt + kMaxCommandLength <= kFrameCapacity);

}  // namespace

extern "C" int VEXA_CALL MF_TypeATransCOSCmd(const unsigned char* command, int commandLength,
                                             unsigned char* response) {
  if (commandLength > kMaxCommandLength) return kResultBadArgument;
  // A length of 0 or less sends no command bytes and copies nothing.
  const Reply reply = Request(lowByte(commandLength + kLenAboveCommand), kCmdTransparent)
                          .fields(command, commandLength)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  // commandLength bytes from the LEN byte on, whatever the status; the
  // status reaches the caller in response[1].
  reply.copyFrame(response, kReplyLenAt, commandLength);
  return signExtend(reply.lenByte());
}
