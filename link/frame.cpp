#include "frame.h"

#include "transport.h"

namespace vexa::link {

CommandFrameBuffer CommandFrame;
ReplyFrameBuffer ReplyFrame;

namespace {

constexpr int32_t kTransportChannel = 0;

void fillReplyWindow() {
  for (int i = 0; i < kReplyReadSize; ++i) ReplyFrame.bytes[i] = kNoReplyFill;
}

}  // namespace

void beginCommand() {
  CommandFrame.bytes[0] = kStartMark;
  CommandFrame.length = 1;
  putByte(kReaderAddress);
}

void sendCommand() {
  putByte(CommandFrame.checksum);
  CommandFrame.bytes[CommandFrame.length] = kEndMark;
  ++CommandFrame.length;

  // A reply that does not arrive, or arrives short, must not leave an
  // earlier reply in place to be taken as this one's.
  fillReplyWindow();

  Transport transport;
  if (!openTransport(transport)) return;
  const int32_t written =
      transport.write(kTransportChannel, CommandFrame.length, CommandFrame.bytes);
  if (written == CommandFrame.length) {
    transport.read(kTransportChannel, kReplyReadSize, ReplyFrame.bytes);
  }
  closeTransport(transport);
}

bool replyFromOtherAddress() {
  return ReplyFrame.bytes[kReplyAddressAt] != CommandFrame.bytes[kReplyAddressAt];
}

}  // namespace vexa::link
