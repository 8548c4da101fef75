#include "fuzz_transport.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "transport.h"

namespace vexa::fuzz {

namespace {

constexpr int32_t kChannel = 0;
constexpr int kCmdAt = 3;
constexpr int kLenAt = 2;
// Start mark, address, LEN, CMD, XOR and end mark.
constexpr int kFixedFrameBytes = 6;

Exchange planned;
ExchangeRecord record;
// What openTransport hands out as the module, so closeTransport can tell it.
int moduleToken;

void checkFrame(int32_t length, const uint8_t* frame) {
  using namespace link;
  if (frame != CommandFrame.bytes) fault("the frame handed over is not the command frame");
  if (length < kFixedFrameBytes || length > kFrameCapacity) {
    fault("frame length %d outside %d..%d", length, kFixedFrameBytes, kFrameCapacity);
  }
  if (frame[0] != kStartMark || frame[length - 1] != kEndMark) {
    fault("frame marks %02X..%02X", frame[0], frame[length - 1]);
  }
  if (frame[1] != kReaderAddress) fault("frame address %02X", frame[1]);
  uint8_t x = 0;
  for (int32_t i = 1; i < length - 2; ++i) x ^= frame[i];
  if (x != frame[length - 2]) fault("frame XOR %02X, bytes give %02X", frame[length - 2], x);
  if (frame[kCmdAt] != planned.cmd)
    fault("frame CMD %02X, expected %02X", frame[kCmdAt], planned.cmd);
  if (length != kFixedFrameBytes + planned.fields) {
    fault("frame of %d bytes, expected %d request field bytes", length, planned.fields);
  }
  if (frame[kLenAt] != planned.len)
    fault("frame LEN %02X, expected %02X", frame[kLenAt], planned.len);
  if (CommandFrame.checksum != 0)
    fault("checksum %02X left after the frame", CommandFrame.checksum);
}

int32_t writeResult(int32_t length) {
  switch (planned.behaviour) {
    case Behaviour::kShortByOne:
      return length - 1;
    case Behaviour::kOverByOne:
      return length + 1;
    case Behaviour::kRefuse:
      return 0;
    case Behaviour::kMinusOne:
      return -1;
    case Behaviour::kAccept:
    case Behaviour::kReadNothing:
    case Behaviour::kUnavailable:
      break;
  }
  return length;
}

int32_t VEXA_CALL fuzzWrite(int32_t channel, int32_t length, uint8_t* frame) {
  if (++record.writes > 1) fault("more than one write in a call");
  if (channel != kChannel) fault("write on channel %d", channel);
  checkFrame(length, frame);
  const int32_t result = writeResult(length);
  record.writeAccepted = result == length;
  return result;
}

int32_t VEXA_CALL fuzzRead(int32_t channel, int32_t size, uint8_t* reply) {
  if (++record.reads > 1) fault("more than one read in a call");
  if (!record.writeAccepted) fault("read after a write that did not go out whole");
  if (channel != kChannel) fault("read on channel %d", channel);
  if (size != link::kReplyReadSize) fault("read asks for %d bytes", size);
  if (reply != link::ReplyFrame.bytes) fault("the read does not go to the reply frame");
  if (planned.behaviour == Behaviour::kReadNothing) return 0;
  memcpy(reply, planned.reply, static_cast<size_t>(planned.replyLength));
  return planned.replyLength;
}

}  // namespace

void armExchange(const Exchange& exchange) {
  planned = exchange;
  record = ExchangeRecord{};
}

const ExchangeRecord& exchangeRecord() { return record; }

void fault(const char* format, ...) {
  va_list args;
  va_start(args, format);
  fputs("vexa fuzz: ", stderr);
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
  abort();
}

}  // namespace vexa::fuzz

namespace vexa::link {

bool openTransport(Transport& transport) {
  using namespace fuzz;
  if (++record.opens > 1) fault("the transport opened twice in a call");
  if (planned.behaviour == Behaviour::kUnavailable) {
    ++record.failedOpens;
    return false;
  }
  transport = Transport{&moduleToken, fuzzWrite, fuzzRead};
  return true;
}

void closeTransport(Transport& transport) {
  using namespace fuzz;
  if (transport.module != &moduleToken) fault("closing a transport that was not opened");
  ++record.closes;
  transport = Transport{};
}

}  // namespace vexa::link
