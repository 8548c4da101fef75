#include "reader.h"

#include <array>

#include "codes.h"

namespace vr {
namespace {

constexpr int kCommandCodes = 256;

struct Dispatch {
  std::array<const CommandEntry*, kCommandCodes> byCode{};
  Dispatch() {
    for (auto table :
         {readerCommandTable(), typeACommandTable(), typeBCommandTable(), vicinityCommandTable()}) {
      for (const CommandEntry& entry : table) byCode[entry.code] = &entry;
    }
  }
};

const Dispatch& dispatch() {
  static const Dispatch instance;
  return instance;
}

std::uint8_t statusFor(FrameFault fault) {
  return fault == FrameFault::kBadChecksum ? status::kChecksumError : status::kFrameError;
}

}  // namespace

Reply ok(Bytes data) { return Reply{status::kOk, std::move(data)}; }
Reply failed(std::uint8_t detailCode) { return Reply{status::kFailed, {detailCode}}; }

std::uint8_t FieldReader::byte() { return take(1)[0]; }

ByteView FieldReader::take(std::size_t n) {
  if (remaining() < n) throw Misfit{};
  ByteView out = fields_.subspan(at_, n);
  at_ += n;
  return out;
}

ByteView FieldReader::rest() { return take(remaining()); }

void FieldReader::end() const {
  if (remaining() != 0) throw Misfit{};
}

Reader::Reader() { dispatch(); }

const char* Reader::commandName(std::uint8_t code) {
  const CommandEntry* entry = dispatch().byCode[code];
  return entry ? entry->name : "unknown command";
}

Reader::Exchange Reader::exchange(ByteView frame) {
  Exchange out;
  const ParsedFrame parsed = parseRequest(frame);
  const Request& request = parsed.request;
  // A reply goes to the address the frame came for.
  const std::uint8_t replyAddress =
      parsed.fault == FrameFault::kNone ? request.address : kBroadcastAddress;
  Reply reply;
  if (parsed.fault != FrameFault::kNone) {
    out.name = "malformed frame";
    reply = Reply{statusFor(parsed.fault), {request.command}};
  } else if (request.address != kBroadcastAddress && request.address != state.address) {
    out.name = commandName(request.command);
    return out;  // another reader's frame: stay silent
  } else if (const CommandEntry* entry = dispatch().byCode[request.command]; !entry) {
    out.name = commandName(request.command);
    reply = Reply{status::kUnknownCommand, {request.command}};
  } else {
    out.name = entry->name;
    FieldReader fields(request.fields);
    try {
      reply = entry->handler(*this, request, fields);
    } catch (const FieldReader::Misfit&) {
      reply = Reply{status::kFrameError, {request.command}};
    }
    if (reply.name) out.name = reply.name;
  }
  out.answered = true;
  out.status = reply.status;
  out.reply = buildReply(replyAddress, reply.status, reply.data);
  return out;
}

}  // namespace vr
