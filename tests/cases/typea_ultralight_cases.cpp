// Ultralight: request, page read, page write.
#include <string>
#include <utility>

#include "case.h"

namespace vexa::test {
namespace {

const Bytes kSerial{0x04, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76};
const Bytes kPage{0x11, 0x22, 0x33, 0x44};
const Bytes kPages = sequence(16, 0x40);

CallBuilder request() {
  return CallBuilder("UL_Request", {val(0x00), out(7)})
      .sends({0xAA, 0x00, 0x02, 0xE3, 0x00, 0xE1, 0xBB});
}
CallBuilder hlRead(uint32_t page) {
  return CallBuilder("UL_HLRead", {val(0x00), val(page), out(7), out(16)})
      .sends(commandFrame(0x03, 0xE0, {0x00, static_cast<uint8_t>(page)}));
}
CallBuilder hlWrite(uint32_t page) {
  return CallBuilder("UL_HLWrite", {val(0x00), val(page), out(7), in(kPage)})
      .sends(commandFrame(0x08, 0xE1, concat({{0x00, 0x01, static_cast<uint8_t>(page)}, kPage})));
}

}  // namespace

VEXA_CASES(typea_ultralight) {
  list.push_back(makeCase("UL_Request status 0 copies the serial number",
                          request().replies(reply(0x00, kSerial)).returns(0).writes(1, kSerial)));
  list.push_back(
      makeCase("UL_Request sends its mode unchanged", CallBuilder("UL_Request", {val(0xFF), out(7)})
                                                          .replies(reply(0x02))
                                                          .sends(commandFrame(0x02, 0xE3, {0xFF}))
                                                          .returns(2)));
  list.push_back(makeCase("UL_HLRead page 4 sends the sample frame",
                          hlRead(4)
                              .replies(reply(0x02))
                              .sends({0xAA, 0x00, 0x03, 0xE0, 0x00, 0x04, 0xE7, 0xBB})
                              .returns(2)));
  list.push_back(makeCase("UL_HLRead status 0 copies data then serial, ignoring LEN",
                          hlRead(15)
                              .replies(replyWithLen(0x02, 0x00, concat({kPages, kSerial})))
                              .returns(0)
                              .writes(2, kSerial)
                              .writes(3, kPages)));
  list.push_back(makeCase(
      "UL_HLWrite sends the sample frame; status 0 copies the serial",
      hlWrite(4)
          .replies(reply(0x00, kSerial))
          .sends({0xAA, 0x00, 0x08, 0xE1, 0x00, 0x01, 0x04, 0x11, 0x22, 0x33, 0x44, 0xA8, 0xBB})
          .returns(0)
          .writes(2, kSerial)));
  list.push_back(makeCase("UL_HLWrite page 1 is sent",
                          hlWrite(1).replies(reply(0x00, kSerial)).returns(0).writes(2, kSerial)));

  // Status 1 puts D[0] in a different buffer in each function; other
  // statuses and foreign replies copy nothing.
  const Bytes data = concat({kPages, kSerial});
  for (auto [call, status1Arg] : {std::pair{request(), 1}, {hlRead(4), 3}, {hlWrite(15), 3}}) {
    const std::string fn = call.build().function;
    list.push_back(makeCase(
        fn + " status 1 stores D[0] only",
        CallBuilder(call).replies(reply(0x01, data)).returns(1).writes(status1Arg, {0x40})));
    for (auto [status, result] : {std::pair{0x02, 2}, {0x80, -128}, {0xFF, -1}}) {
      list.push_back(makeCase(
          fn + " status " + std::to_string(status) + " copies nothing",
          CallBuilder(call).replies(reply(static_cast<uint8_t>(status), data)).returns(result)));
    }
    list.push_back(makeCase(fn + " foreign reply returns 5",
                            CallBuilder(call).replies(replyFrom(0x01, 0x00, data)).returns(5)));
    list.push_back(makeCase(fn + " failed write returns 5",
                            CallBuilder(call).replies(reply(0x00, data)).writeFails().returns(5)));
  }

  for (uint32_t page : {16u, 255u}) {
    list.push_back(makeCase("UL_HLRead page " + std::to_string(page) + " is refused",
                            hlRead(page).replies(reply(0x00, data)).sendsNothing().returns(10)));
  }
  for (uint32_t page : {0u, 16u}) {
    list.push_back(makeCase("UL_HLWrite page " + std::to_string(page) + " is refused",
                            hlWrite(page).replies(reply(0x00, data)).sendsNothing().returns(10)));
  }
}

}  // namespace vexa::test
