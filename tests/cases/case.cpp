#include "case.h"

#include <stdexcept>
#include <utility>

namespace vexa::test {

namespace {

constexpr uint8_t kStart = 0xAA;
constexpr uint8_t kEnd = 0xBB;
constexpr uint8_t kReaderAddress = 0x00;
constexpr uint8_t kReplyFirstByte = 0xAA;

std::vector<std::pair<const char*, void (*)(CaseList&)>>& groups() {
  static std::vector<std::pair<const char*, void (*)(CaseList&)>> list;
  return list;
}

Bytes replyBytes(uint8_t address, uint8_t len, uint8_t status, const Bytes& data) {
  Bytes bytes{kReplyFirstByte, address, len, status};
  bytes.insert(bytes.end(), data.begin(), data.end());
  uint8_t x = 0;
  for (size_t i = 1; i < bytes.size(); ++i) x ^= bytes[i];
  bytes.push_back(x);
  bytes.push_back(kEnd);
  return bytes;
}

}  // namespace

const char* transportKindName(TransportKind kind) {
  switch (kind) {
    case TransportKind::kFake:
      return "fake";
    case TransportKind::kAbsent:
      return "absent";
    case TransportKind::kWithoutWrite:
      return "without-write";
    case TransportKind::kWithoutRead:
      return "without-read";
  }
  return "?";
}

ArgumentGiven val(uint32_t slot) { return {Arg::Kind::kValue, slot, {}}; }
ArgumentGiven in(Bytes initial) { return {Arg::Kind::kBuffer, 0, std::move(initial)}; }
ArgumentGiven out(size_t size) { return {Arg::Kind::kBuffer, 0, Bytes(size, kUntouched)}; }
ArgumentGiven null() { return {Arg::Kind::kNull, 0, {}}; }

CallBuilder::CallBuilder(std::string function, std::initializer_list<ArgumentGiven> args) {
  call_.function = std::move(function);
  for (const ArgumentGiven& given : args) {
    Arg arg;
    arg.kind = given.kind;
    arg.value = given.value;
    if (given.kind == Arg::Kind::kBuffer) {
      arg.buffer = static_cast<int>(call_.buffers.size());
      call_.buffers.push_back(Buffer{given.bytes, given.bytes});
    }
    call_.args.push_back(arg);
  }
}

CallBuilder& CallBuilder::replies(Bytes bytes) {
  call_.script.reply = std::move(bytes);
  return *this;
}

CallBuilder& CallBuilder::writeFails(int32_t shortBy) {
  call_.script.writeShortBy = shortBy;
  return *this;
}

CallBuilder& CallBuilder::sends(Bytes frame) {
  call_.frame = std::move(frame);
  frameGiven_ = true;
  return *this;
}

CallBuilder& CallBuilder::sendsNothing() {
  call_.frame.reset();
  frameGiven_ = true;
  return *this;
}

CallBuilder& CallBuilder::returns(int result) {
  call_.result = result;
  return *this;
}

CallBuilder& CallBuilder::writes(int argument, size_t offset, Bytes bytes) {
  const Arg& arg = call_.args.at(static_cast<size_t>(argument));
  if (arg.kind != Arg::Kind::kBuffer) throw std::logic_error("argument is not a buffer");
  Bytes& expected = call_.buffers.at(static_cast<size_t>(arg.buffer)).expected;
  for (size_t i = 0; i < bytes.size(); ++i) expected.at(offset + i) = bytes[i];
  return *this;
}

Case makeCase(std::string name, CallBuilder call, TransportKind transport) {
  return makeCase(std::move(name), {std::move(call)}, transport);
}

Case makeCase(std::string name, std::initializer_list<CallBuilder> calls, TransportKind transport) {
  Case c;
  c.name = std::move(name);
  c.transport = transport;
  for (const CallBuilder& call : calls) c.calls.push_back(call.build());
  return c;
}

Bytes commandFrame(uint8_t len, uint8_t cmd, const Bytes& fields) {
  Bytes bytes{kStart, kReaderAddress, len, cmd};
  bytes.insert(bytes.end(), fields.begin(), fields.end());
  uint8_t x = 0;
  for (size_t i = 1; i < bytes.size(); ++i) x ^= bytes[i];
  bytes.push_back(x);
  bytes.push_back(kEnd);
  return bytes;
}

Bytes reply(uint8_t status, const Bytes& data) {
  return replyBytes(kReaderAddress, static_cast<uint8_t>(1 + data.size()), status, data);
}

Bytes replyWithLen(uint8_t len, uint8_t status, const Bytes& data) {
  return replyBytes(kReaderAddress, len, status, data);
}

Bytes replyFrom(uint8_t address, uint8_t status, const Bytes& data) {
  return replyBytes(address, static_cast<uint8_t>(1 + data.size()), status, data);
}

Bytes sequence(size_t n, uint8_t first) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes bytes;
  for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

CaseGroup::CaseGroup(const char* group, void (*fill)(CaseList&)) {
  groups().emplace_back(group, fill);
}

const CaseList& allCases() {
  static const CaseList cases = [] {
    CaseList list;
    for (const auto& [group, fill] : groups()) {
      const size_t first = list.size();
      fill(list);
      for (size_t i = first; i < list.size(); ++i) list[i].group = group;
    }
    return list;
  }();
  return cases;
}

}  // namespace vexa::test
