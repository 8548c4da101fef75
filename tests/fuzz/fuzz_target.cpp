// libFuzzer target: drives every exported function from the fuzzer's bytes,
// several calls per input, against the in-process transport of
// fuzz_transport.cpp.
//
// Input, one record per call until the input runs out (at most kMaxCalls):
//   selector   1 byte: the export, counted in ordinal order, modulo 42
//   bytes      1 byte per byte argument, taken as it is
//   int        1 tag byte: below 0x80 picks kInterestingInts[tag % size],
//              otherwise the next 4 bytes, little-endian
//   fill       1 byte: seeds the contents of the caller buffers
//   transport  1 byte: below 0xD0 the exchange goes through; otherwise
//              (byte - 0xD0) % 6 picks a fault of kFaults
//   reply      1 byte: bytes delivered (at most 248); 1 byte: address
//              (below 0x80: the reader's, 0x00; otherwise byte * 2 + 1);
//              1 byte LEN; 1 byte status; then the data bytes, as many as
//              are delivered (a pattern once the input runs out)
//
// Every caller buffer is allocated at the size documented for the arguments
// drawn, so AddressSanitizer sees any byte touched outside it. Checked on
// every call besides: the frame (fuzz_transport.cpp), one exchange at most,
// and that a call that sends nothing, or gets no reply from the reader's
// address, leaves every buffer as it was and returns what it should.
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <vector>

#include "descriptors.h"
#include "frame.h"
#include "fuzz_transport.h"
#include "vexa.h"

namespace vexa::fuzz {

namespace {

constexpr int kMaxCalls = 8;
constexpr uint8_t kRawIntTag = 0x80;
constexpr uint8_t kFirstFaultByte = 0xD0;
constexpr uint8_t kForeignAddressByte = 0x80;
constexpr uint8_t kReplyFirstByte = 0xAA;
constexpr int kReplyHeader = link::kReplyDataAt;  // first byte, address, LEN, status
// No frame or reply holds this many bytes, so no function may touch them:
// buffers documented larger (a huge count) are allocated at this size.
constexpr size_t kLargestBuffer = 4096;

constexpr int kInterestingInts[] = {
    0,   1,   2,    8,    16,   125,  126,  127,  128,     129,         247,
    248, 249, 250,  251,  252,  255,  256,  257,  4096,    INT_MAX,     INT_MAX - 1,
    -1,  -2,  -126, -127, -128, -255, -256, -257, INT_MIN, INT_MIN + 1, -4096,
};

constexpr Behaviour kFaults[] = {
    Behaviour::kShortByOne, Behaviour::kOverByOne,   Behaviour::kRefuse,
    Behaviour::kMinusOne,   Behaviour::kUnavailable, Behaviour::kReadNothing,
};

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte() { return empty() ? 0 : data_[at_++]; }
  int integer() {
    const uint8_t tag = byte();
    if (tag < kRawIntTag) return kInterestingInts[tag % std::size(kInterestingInts)];
    uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) raw |= static_cast<uint32_t>(byte()) << (8 * i);
    int value;
    memcpy(&value, &raw, sizeof value);
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

struct Export {
  int ordinal;
  const char* name;
  int argumentBytes;
};
constexpr Export kExports[] = {
#define VEXA_EXPORT(ordinal, name, bytes) {ordinal, #name, bytes},
#include "vexa_exports.inc"
#undef VEXA_EXPORT
};

// Every export needs a row, every row an export, in the same order and with
// the same argument size: a function exported without a row stops the
// fuzzer before it starts.
void checkTableAgainstExports() {
  const auto table = descriptorTable();
  int problems = 0;
  auto problem = [&problems](const char* what, const char* name) {
    fprintf(stderr, "vexa fuzz: %s: %s\n", name, what);
    ++problems;
  };
  if (table.size() != std::size(kExports)) {
    fprintf(stderr, "vexa fuzz: %zu descriptors for %zu exports\n", table.size(),
            std::size(kExports));
    ++problems;
  }
  for (size_t i = 0; i < table.size() && i < std::size(kExports); ++i) {
    const Descriptor& d = table[i];
    const Export& e = kExports[i];
    if (strcmp(d.name, e.name) != 0) problem("descriptor out of place", e.name);
    if (e.ordinal != static_cast<int>(i) + 1) problem("ordinal out of order", e.name);
    if (d.argumentBytes != e.argumentBytes) problem("argument bytes differ", e.name);
    const int slots = d.byteArgs + (d.takesInt ? 1 : 0) + d.buffers;
    if (slots * kSlotBytes != d.argumentBytes) problem("descriptor arguments miscounted", d.name);
  }
  for (size_t i = table.size(); i < std::size(kExports); ++i) {
    problem("exported without a descriptor", kExports[i].name);
  }
  if (problems != 0) fault("descriptor table does not match the export table");
}

int foreignResult(const Descriptor& d, uint8_t status) {
  switch (d.foreign) {
    case Foreign::kNoReply:
      return VEXA_RESULT_NO_REPLY;
    case Foreign::kNoReplyIso15693:
      return VEXA_RESULT_NO_REPLY_ISO15693;
    case Foreign::kStatus:
      break;
  }
  return static_cast<int8_t>(status);
}

Exchange drawExchange(Input& in, const Descriptor& d, const CallArgs& args) {
  Exchange ex;
  const uint8_t transport = in.byte();
  if (transport >= kFirstFaultByte) {
    ex.behaviour = kFaults[(transport - kFirstFaultByte) % std::size(kFaults)];
  }
  const uint8_t delivered = in.byte();
  ex.replyLength = delivered < link::kReplyReadSize ? delivered : link::kReplyReadSize;
  const uint8_t address = in.byte();
  ex.reply[0] = kReplyFirstByte;
  ex.reply[link::kReplyAddressAt] =
      address < kForeignAddressByte ? link::kReaderAddress : static_cast<uint8_t>(address * 2 + 1);
  ex.reply[link::kReplyLenAt] = in.byte();
  ex.reply[link::kReplyStatusAt] = in.byte();
  for (int i = kReplyHeader; i < ex.replyLength; ++i) {
    ex.reply[i] = in.empty() ? static_cast<uint8_t>(i) : in.byte();
  }
  ex.cmd = d.cmd;
  ex.fields = d.fields(args);
  ex.len = d.len != nullptr ? d.len(args) : (ex.fields + 1) & 0xFF;
  return ex;
}

// The reply positions the library examines after the exchange: the planned
// reply over the fill, or the fill alone when nothing was read.
uint8_t replyByteSeen(const Exchange& ex, const ExchangeRecord& r, int at) {
  const bool read = r.reads == 1 && ex.behaviour == Behaviour::kAccept;
  return read && at < ex.replyLength ? ex.reply[at] : link::kNoReplyFill;
}

void runOneCall(Input& in) {
  const auto table = descriptorTable();
  const Descriptor& d = table[in.byte() % table.size()];
  CallArgs args;
  for (int i = 0; i < d.byteArgs; ++i) args.bytes[i] = in.byte();
  if (d.takesInt) args.count = in.integer();
  const uint8_t fill = in.byte();

  const Sizes sizes = d.sizes(args);
  std::unique_ptr<uint8_t[]> storage[kMaxBuffers];
  std::vector<uint8_t> before[kMaxBuffers];
  for (int b = 0; b < d.buffers; ++b) {
    const size_t size = sizes[b] < kLargestBuffer ? sizes[b] : kLargestBuffer;
    // AddressSanitizer gives an empty allocation one usable byte; an empty
    // buffer is passed as the end of a one-byte one instead.
    storage[b] = std::make_unique<uint8_t[]>(size == 0 ? 1 : size);
    args.buffers[b] = storage[b].get() + (size == 0 ? 1 : 0);
    for (size_t i = 0; i < size; ++i) args.buffers[b][i] = static_cast<uint8_t>(fill + 0x3B * i);
    before[b].assign(args.buffers[b], args.buffers[b] + size);
  }

  const Exchange ex = drawExchange(in, d, args);
  armExchange(ex);
  const int result = d.invoke(args);
  const ExchangeRecord r = exchangeRecord();

  auto buffersUnchanged = [&](const char* why) {
    for (int b = 0; b < d.buffers; ++b) {
      if (!before[b].empty() && memcmp(before[b].data(), args.buffers[b], before[b].size()) != 0) {
        fault("%s: buffer %d written although %s", d.name, b, why);
      }
    }
  };

  if (r.closes != r.opens - r.failedOpens)
    fault("%s: transport opened and closed unevenly", d.name);
  if (d.cmd == kNoCommand) {
    if (r.opens != 0 || result != VEXA_RESULT_OK) fault("%s: returned %d", d.name, result);
    return;
  }
  if (r.opens == 0) {
    // Refused before any frame was begun.
    buffersUnchanged("its arguments were refused");
    if (result != VEXA_RESULT_BAD_ARGUMENT && result != VEXA_RESULT_ZERO_ARGUMENT) {
      fault("%s: sent nothing and returned %d", d.name, result);
    }
    return;
  }
  if (r.failedOpens == 0 && r.writes != 1) fault("%s: %d writes", d.name, r.writes);
  if (r.writeAccepted != (r.reads == 1)) fault("%s: read made or skipped wrongly", d.name);

  const uint8_t address = replyByteSeen(ex, r, link::kReplyAddressAt);
  if (address != link::kReaderAddress) {
    buffersUnchanged("no reply came from the reader's address");
    const int expected = foreignResult(d, replyByteSeen(ex, r, link::kReplyStatusAt));
    if (result != expected) {
      fault("%s: reply from address %02X returned %d, expected %d", d.name, address, result,
            expected);
    }
  }
}

}  // namespace

}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vexa::fuzz::checkTableAgainstExports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexa::fuzz::Input in(data, size);
  for (int n = 0; n < vexa::fuzz::kMaxCalls && !in.empty(); ++n) vexa::fuzz::runOneCall(in);
  return 0;
}
