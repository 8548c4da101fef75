// Vicinity-card system information and the transparent command.
#include <limits.h>

#include "case.h"

namespace vexa::test {
namespace {

const Bytes kUid{0xE0, 0x04, 0x01, 0x50, 0x6A, 0x7B, 0x8C, 0x9D};
constexpr uint8_t kCmdTransparent = 0x1D;

CallBuilder sysInfo() {
  return CallBuilder("ISO15693_GetSysInfo", {val(0x02), null(), out(15)})
      .sends({0xAA, 0x00, 0x02, 0x1B, 0x02, 0x1B, 0xBB});
}
CallBuilder transparent(const Bytes& command) {
  return CallBuilder("ISO15693_TransCOSCmd",
                     {in(command), val(static_cast<uint32_t>(command.size())), out(126)})
      .sends(commandFrame(static_cast<uint8_t>(command.size() + 2), kCmdTransparent, command));
}

}  // namespace

VEXA_CASES(iso15693_system) {
  // GetSysInfo: LEN is tested before the status.
  list.push_back(
      makeCase("ISO15693_GetSysInfo LEN 0x10 status 0 copies 15 bytes",
               sysInfo().replies(reply(0x00, sequence(15, 0x60))).writes(2, sequence(15, 0x60))));
  list.push_back(makeCase(
      "ISO15693_GetSysInfo LEN 0x10 status 3 copies 15 bytes",
      sysInfo().replies(reply(0x03, sequence(15, 0x60))).returns(3).writes(2, sequence(15, 0x60))));
  list.push_back(makeCase("ISO15693_GetSysInfo LEN 0x02 status 1 stores D[0] and returns 5",
                          sysInfo().replies(reply(0x01, {0x0F})).returns(5).writes(2, {0x0F})));
  for (uint8_t len : {uint8_t{0x0F}, uint8_t{0x11}, uint8_t{0x90}}) {
    list.push_back(makeCase("ISO15693_GetSysInfo LEN " + std::to_string(len) + " returns 5",
                            sysInfo()
                                .replies(replyWithLen(len, 0x00, sequence(16, 0x60)))
                                .returns(5)
                                .writes(2, {0x60})));
  }
  list.push_back(makeCase("ISO15693_GetSysInfo flags 0x22 sends the UID",
                          CallBuilder("ISO15693_GetSysInfo", {val(0x22), in(kUid), out(15)})
                              .replies(reply(0x00, sequence(15)))
                              .sends(commandFrame(0x0A, 0x1B, concat({{0x22}, kUid})))
                              .writes(2, sequence(15))));
  list.push_back(makeCase("ISO15693_GetSysInfo flags 0x20 does not",
                          CallBuilder("ISO15693_GetSysInfo", {val(0x20), null(), out(15)})
                              .replies(reply(0x00, sequence(15)))
                              .sends(commandFrame(0x02, 0x1B, {0x20}))
                              .writes(2, sequence(15))));

  // TransCOSCmd: LEN is the command length + 2; the reply's data come back
  // whatever the status.
  list.push_back(makeCase("ISO15693_TransCOSCmd status 0 LEN 5 copies 4 bytes",
                          transparent({0x02, 0x20, 0x05})
                              .replies(reply(0x00, {0xB1, 0xB2, 0xB3, 0xB4}))
                              .writes(2, {0xB1, 0xB2, 0xB3, 0xB4})));
  list.push_back(makeCase("ISO15693_TransCOSCmd status 0x81 LEN 3 copies 2 bytes",
                          transparent({0x02, 0x2B})
                              .replies(reply(0x81, {0xB1, 0xB2}))
                              .returns(-127)
                              .writes(2, {0xB1, 0xB2})));
  list.push_back(
      makeCase("ISO15693_TransCOSCmd 250 command bytes fill the frame",
               transparent(sequence(250, 0x03)).replies(reply(0x00, {0xB1})).writes(2, {0xB1})));
  for (auto [length, len] : {std::pair{0, 0x02}, {-1, 0x01}, {INT_MIN, 0x02}}) {
    list.push_back(makeCase(
        "ISO15693_TransCOSCmd length " + std::to_string(length) + " sends no command bytes",
        CallBuilder("ISO15693_TransCOSCmd",
                    {in({0x77}), val(static_cast<uint32_t>(length)), out(126)})
            .replies(reply(0x00, {0xB1}))
            .sends({0xAA, 0x00, static_cast<uint8_t>(len), 0x1D, static_cast<uint8_t>(len ^ 0x1D),
                    0xBB})
            .writes(2, {0xB1})));
  }
  for (int length : {251, 256, INT_MAX}) {
    list.push_back(
        makeCase("ISO15693_TransCOSCmd length " + std::to_string(length) + " is refused",
                 CallBuilder("ISO15693_TransCOSCmd",
                             {in(sequence(251)), val(static_cast<uint32_t>(length)), out(126)})
                     .replies(reply(0x00, {0xB1}))
                     .sendsNothing()
                     .returns(10)));
  }
}

}  // namespace vexa::test
