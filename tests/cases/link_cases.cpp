// The frame, the exchange and the result convention, seen through the
// simplest commands.
#include <limits.h>

#include "case.h"

namespace vexa::test {
namespace {

constexpr uint8_t kFill = 0x01;  // what an undelivered reply position reads

const Bytes kHaltFrame{0xAA, 0x00, 0x01, 0x06, 0x07, 0xBB};
const Bytes kAnticollFrame{0xAA, 0x00, 0x01, 0x04, 0x05, 0xBB};

CallBuilder getsnrGood() {
  return CallBuilder("MF_Getsnr", {val(0x00), val(0x00), out(1), out(4)})
      .replies(reply(0x00, {0x11, 0x21, 0x22, 0x23, 0x24}))
      .sends(commandFrame(0x03, 0x25, {0x00, 0x00}))
      .returns(0)
      .writes(2, {0x11})
      .writes(3, {0x21, 0x22, 0x23, 0x24});
}

}  // namespace

VEXA_CASES(link) {
  for (int arg : {0, 1, -1, INT_MIN, INT_MAX}) {
    list.push_back(makeCase("GetRecData(" + std::to_string(arg) + ") returns 0 and sends nothing",
                            CallBuilder("GetRecData", {val(static_cast<uint32_t>(arg))})
                                .sendsNothing()
                                .returns(0)));
  }

  // Status bytes come back sign-extended.
  for (auto [status, result] : {std::pair{0x00, 0}, {0x01, 1}, {0x7F, 127}, {0x80, -128},
                                {0xFE, -2}, {0xFF, -1}}) {
    list.push_back(makeCase("status " + std::to_string(status) + " gives " + std::to_string(result),
                            CallBuilder("MF_Halt", {})
                                .replies(reply(static_cast<uint8_t>(status)))
                                .sends(kHaltFrame)
                                .returns(result)));
  }

  list.push_back(makeCase(
      "each frame's XOR covers its own bytes only",
      {CallBuilder("MF_Halt", {}).replies(reply(0x00)).sends(kHaltFrame).returns(0),
       CallBuilder("MF_Anticoll", {out(4), out(1)})
           .replies(reply(0x02))
           .sends(kAnticollFrame)
           .returns(2)}));

  list.push_back(makeCase("a frame whose bytes XOR to zero carries 0x00 as its XOR",
                          CallBuilder("MF_Select", {in({0x01, 0x02, 0x04, 0x07})})
                              .replies(reply(0x02))
                              .sends({0xAA, 0x00, 0x05, 0x05, 0x01, 0x02, 0x04, 0x07, 0x00, 0xBB})
                              .returns(2)));

  list.push_back(makeCase("a reply from address 0x01 with status 0 is not taken",
                          CallBuilder("MF_Halt", {})
                              .replies(replyFrom(0x01, 0x00))
                              .sends(kHaltFrame)
                              .returns(5)));

  for (int32_t shortBy : {1, -1, 6}) {
    list.push_back(makeCase(
        "write result off by " + std::to_string(shortBy) + ": no read, buffers untouched",
        CallBuilder("MF_Getsnr", {val(0x00), val(0x00), out(1), out(4)})
            .replies(reply(0x00, {0x11, 0x21, 0x22, 0x23, 0x24}))
            .writeFails(shortBy)
            .sends(commandFrame(0x03, 0x25, {0x00, 0x00}))
            .returns(5)));
  }

  // An earlier reply never stands in for a missing or short one.
  list.push_back(makeCase("a read that delivers nothing after a good reply fails",
                          {getsnrGood(),
                           CallBuilder("MF_Getsnr", {val(0x00), val(0x00), out(1), out(4)})
                               .replies({})
                               .sends(commandFrame(0x03, 0x25, {0x00, 0x00}))
                               .returns(5)}));
  list.push_back(makeCase(
      "a partial reply after a good one reads the fill, not the earlier reply",
      {getsnrGood(), CallBuilder("MF_Getsnr", {val(0x00), val(0x00), out(1), out(4)})
                         .replies({0xAA, 0x00})  // LEN and status then read 0x01
                         .sends(commandFrame(0x03, 0x25, {0x00, 0x00}))
                         .returns(1)
                         .writes(2, {kFill})}));
  list.push_back(makeCase("a failed write after a good reply returns 5",
                          {getsnrGood(), getsnrGood().writeFails(1).returns(5).writes(2, {kUntouched}).writes(3, Bytes(4, kUntouched))}));

  // Without a usable transport nothing is sent and every call fails as a
  // failed write does.
  for (TransportKind kind :
       {TransportKind::kAbsent, TransportKind::kWithoutWrite, TransportKind::kWithoutRead}) {
    const std::string where = std::string(" (transport ") + transportKindName(kind) + ")";
    list.push_back(makeCase("MF_Halt fails" + where,
                            CallBuilder("MF_Halt", {}).sendsNothing().returns(5), kind));
    list.push_back(makeCase(
        "MF_Getsnr fails and writes nothing" + where,
        CallBuilder("MF_Getsnr", {val(0x01), val(0x02), out(1), out(4)}).sendsNothing().returns(5),
        kind));
    list.push_back(makeCase("MF_Request fails with 5" + where,
                            CallBuilder("MF_Request", {val(0), out(2)}).sendsNothing().returns(5),
                            kind));
    list.push_back(makeCase("GetRecData still returns 0" + where,
                            CallBuilder("GetRecData", {val(7)}).sendsNothing().returns(0), kind));
  }
}

}  // namespace vexa::test
