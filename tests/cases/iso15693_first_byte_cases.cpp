// The vicinity-card commands that hand back one reply byte: stay quiet,
// select, reset to ready, block lock, and AFI and DSFID write and lock.
#include "case.h"

namespace vexa::test {
namespace {

const Bytes kUid{0xE0, 0x04, 0x01, 0x50, 0x6A, 0x7B, 0x8C, 0x9D};
constexpr uint8_t kAddressed = 0x22;

struct OneByteCommand {
  const char* function;
  uint8_t cmd;
  bool hasValue;   // block, AFI or DSFID byte after the flags
  bool alwaysUid;  // the UID goes out whatever the flags
  Bytes flags02;   // the frame with flags 0x02 (and value 0x07), where documented
};

const OneByteCommand kCommands[] = {
    {"ISO15693_StayQuiet", 0x14, false, true, {}},
    {"ISO15693_Select", 0x15, false, true, {}},
    {"ISO15693_ResetToReady", 0x16, false, false, {0xAA, 0x00, 0x02, 0x16, 0x02, 0x16, 0xBB}},
    {"ISO15693_Lock", 0x13, true, false, {}},
    {"ISO15693_WriteAFI", 0x17, true, false, {0xAA, 0x00, 0x03, 0x17, 0x02, 0x07, 0x11, 0xBB}},
    {"ISO15693_LockAFI", 0x18, false, false, {0xAA, 0x00, 0x02, 0x18, 0x02, 0x18, 0xBB}},
    {"ISO15693_WriteDSFID", 0x19, true, false, {0xAA, 0x00, 0x03, 0x19, 0x02, 0x07, 0x1F, 0xBB}},
    {"ISO15693_LockDSFID", 0x1A, false, false, {0xAA, 0x00, 0x02, 0x1A, 0x02, 0x1A, 0xBB}},
};

// The call with the frame it must send; the UID is passed only when sent,
// null otherwise, so a read of it would crash the case.
CallBuilder call(const OneByteCommand& c, uint32_t flagsSlot, uint8_t value = 0x05) {
  const uint8_t flags = static_cast<uint8_t>(flagsSlot);
  const bool withUid = c.alwaysUid || flags == kAddressed;
  const ArgumentGiven uid = withUid ? in(kUid) : null();
  Bytes fields{flags};
  if (c.hasValue) fields.push_back(value);
  if (withUid) fields.insert(fields.end(), kUid.begin(), kUid.end());
  CallBuilder b = c.hasValue ? CallBuilder(c.function, {val(flagsSlot), val(value), uid, out(1)})
                             : CallBuilder(c.function, {val(flagsSlot), uid, out(1)});
  return b.sends(commandFrame(static_cast<uint8_t>(1 + fields.size()), c.cmd, fields));
}
int replyByteArg(const OneByteCommand& c) { return c.hasValue ? 3 : 2; }

}  // namespace

VEXA_CASES(iso15693_first_byte) {
  for (const OneByteCommand& c : kCommands) {
    const std::string name = c.function;
    const int r = replyByteArg(c);
    if (!c.flags02.empty()) {
      list.push_back(makeCase(
          name + " frame with flags 0x02",
          call(c, 0x02, 0x07).sends(c.flags02).replies(reply(0x00, {0x00})).writes(r, {0x00})));
    }
    // Only flags equal to 0x22 address the card; the slot's upper bits do not count.
    for (uint32_t flags : {0x22u, 0x02u, 0x20u, 0x62u, 0x00u, 0xFFu, 0x7722u}) {
      list.push_back(
          makeCase(name + " flags slot " + std::to_string(flags),
                   call(c, flags).replies(reply(0x00, {0x5A, 0x11})).returns(0).writes(r, {0x5A})));
    }
    // D[0] is stored whatever the status.
    for (auto [status, result] : {std::pair{0x01, 1}, {0x83, -125}, {0xFF, -1}}) {
      list.push_back(makeCase(name + " status " + std::to_string(status) + " stores D[0]",
                              call(c, kAddressed)
                                  .replies(reply(static_cast<uint8_t>(status), {0x3C}))
                                  .returns(result)
                                  .writes(r, {0x3C})));
    }
    // Another address: nothing stored, its status is the result.
    list.push_back(makeCase(name + " foreign reply with status 0 returns 0",
                            call(c, kAddressed).replies(replyFrom(0x01, 0x00, {0x5A})).returns(0)));
    list.push_back(makeCase(name + " foreign reply with status 7 returns 7",
                            call(c, 0x02).replies(replyFrom(0x80, 0x07, {0x5A})).returns(7)));
    list.push_back(
        makeCase(name + " failed write returns 1",
                 call(c, kAddressed).replies(reply(0x00, {0x5A})).writeFails().returns(1)));
    // Value bytes go out as they are (a zero block is refused below).
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}}) {
      if (!c.hasValue || (value == 0 && name == "ISO15693_Lock")) continue;
      list.push_back(
          makeCase(name + " value " + std::to_string(value) + " is sent as it is",
                   call(c, kAddressed, value).replies(reply(0x00, {0x01})).writes(r, {0x01})));
    }
  }
  for (uint32_t block : {0x00u, 0x100u}) {
    list.push_back(
        makeCase("ISO15693_Lock block slot " + std::to_string(block) + " returns 1, sends nothing",
                 CallBuilder("ISO15693_Lock", {val(kAddressed), val(block), in(kUid), out(1)})
                     .replies(reply(0x00, {0x5A}))
                     .sendsNothing()
                     .returns(1)));
  }
}

}  // namespace vexa::test
