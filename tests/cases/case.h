// Test cases as data: which function is called with which arguments, what
// the transport does, and what must come out (the frame sent, the result,
// every caller buffer). The same tables drive every build of the library:
// natively, under wine, and the 32-bit DLL under emulation.
#pragma once

#include <stdint.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace vexa::test {

using Bytes = std::vector<uint8_t>;

// What stands where the transport library should be.
enum class TransportKind {
  kFake,          // the scripted fake transport
  kAbsent,        // no transport library can be found
  kWithoutWrite,  // a transport library without hidWriteData
  kWithoutRead,   // a transport library without hidReadData
};
const char* transportKindName(TransportKind kind);

// One argument slot of an exported function.
struct Arg {
  enum class Kind { kValue, kBuffer, kNull };
  Kind kind = Kind::kValue;
  uint32_t value = 0;  // kValue: the 32-bit slot as passed
  int buffer = -1;     // kBuffer: index into Call::buffers
};

// A caller buffer: its documented size is initial.size(). Guard bytes around
// it are checked by the runner.
struct Buffer {
  Bytes initial;
  Bytes expected;
};

// What the transport does with one exchange.
struct Script {
  // hidWriteData's result relative to the frame length (0: accepted whole).
  int32_t writeShortBy = 0;
  // The bytes hidReadData writes, from position 0; only these are written.
  Bytes reply;
};

struct Call {
  std::string function;
  std::vector<Arg> args;
  std::vector<Buffer> buffers;
  Script script;
  // The frame the transport must receive; nullopt: nothing may reach it.
  std::optional<Bytes> frame;
  int result = 0;
};

struct Case {
  std::string group;
  std::string name;
  TransportKind transport = TransportKind::kFake;
  std::vector<Call> calls;
};

// ---- building cases ----

// Argument slots. A buffer argument names its initial contents; its expected
// contents start equal to them.
struct ArgumentGiven {
  Arg::Kind kind;
  uint32_t value;
  Bytes bytes;
};
ArgumentGiven val(uint32_t slot);
ArgumentGiven in(Bytes initial);
// An output buffer of `size` bytes, filled with a recognisable pattern.
ArgumentGiven out(size_t size);
ArgumentGiven null();

// The fill pattern of out(); expected bytes that stay untouched read as this.
inline constexpr uint8_t kUntouched = 0xEE;

class CallBuilder {
 public:
  CallBuilder(std::string function, std::initializer_list<ArgumentGiven> args);

  // The transport's reply (only these bytes are delivered).
  CallBuilder& replies(Bytes reply);
  // hidWriteData reports `shortBy` bytes fewer than the frame length.
  CallBuilder& writeFails(int32_t shortBy = 1);
  CallBuilder& sends(Bytes frame);
  CallBuilder& sendsNothing();
  CallBuilder& returns(int result);
  // After the call, the buffer passed as argument `argument` (counted from 0)
  // holds `bytes` from `offset` on; its other bytes are as they were.
  CallBuilder& writes(int argument, size_t offset, Bytes bytes);
  CallBuilder& writes(int argument, Bytes bytes) { return writes(argument, 0, bytes); }

  Call build() const { return call_; }

 private:
  Call call_;
  bool frameGiven_ = false;
};

// A case of one call, or of several in a row.
Case makeCase(std::string name, CallBuilder call, TransportKind transport = TransportKind::kFake);
Case makeCase(std::string name, std::initializer_list<CallBuilder> calls,
              TransportKind transport = TransportKind::kFake);

// ---- frames ----

// A command frame: AA 00 LEN CMD fields XOR BB.
Bytes commandFrame(uint8_t len, uint8_t cmd, const Bytes& fields = {});
// A reply as the reader sends it: first byte, address, LEN (1 + data), status,
// data, XOR, BB.
Bytes reply(uint8_t status, const Bytes& data = {});
// The same with a LEN byte of the caller's choosing.
Bytes replyWithLen(uint8_t len, uint8_t status, const Bytes& data = {});
// A reply with LEN and status from another address.
Bytes replyFrom(uint8_t address, uint8_t status, const Bytes& data = {});
// n bytes counting up from `first`.
Bytes sequence(size_t n, uint8_t first = 0x01);
Bytes concat(std::initializer_list<Bytes> parts);

// ---- the table ----

using CaseList = std::vector<Case>;
// Every registered case, in registration order.
const CaseList& allCases();

struct CaseGroup {
  CaseGroup(const char* group, void (*fill)(CaseList&));
};

// Defines a group of cases: VEXA_CASES(typea_activation) { list.push_back(...); }
#define VEXA_CASES(group)                                                                    \
  static void vexaFillCases_##group(::vexa::test::CaseList& list);                           \
  static const ::vexa::test::CaseGroup vexaCaseGroup_##group(#group, vexaFillCases_##group); \
  static void vexaFillCases_##group(::vexa::test::CaseList& list)

}  // namespace vexa::test
