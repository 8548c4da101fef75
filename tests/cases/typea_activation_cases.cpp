// Type A activation: request, anticollision, select, halt, serial number.
#include "case.h"

namespace vexa::test {
namespace {

const Bytes kWupaFrame{0xAA, 0x00, 0x02, 0x03, 0x52, 0x53, 0xBB};
const Bytes kReqaFrame{0xAA, 0x00, 0x02, 0x03, 0x26, 0x27, 0xBB};
const Bytes kAnticollFrame{0xAA, 0x00, 0x01, 0x04, 0x05, 0xBB};
const Bytes kHaltFrame{0xAA, 0x00, 0x01, 0x06, 0x07, 0xBB};
const Bytes kSerial{0xC1, 0xC2, 0xC3, 0xC4};
const Bytes kSelectFrame = commandFrame(0x05, 0x05, kSerial);
const Bytes kData{0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7};

CallBuilder request(uint32_t mode) { return CallBuilder("MF_Request", {val(mode), out(2)}); }
CallBuilder anticoll() { return CallBuilder("MF_Anticoll", {out(4), out(1)}).sends(kAnticollFrame); }
CallBuilder selectCall() { return CallBuilder("MF_Select", {in(kSerial)}).sends(kSelectFrame); }
CallBuilder getsnr() {
  return CallBuilder("MF_Getsnr", {val(0x26), val(0x01), out(1), out(4)})
      .sends(commandFrame(0x03, 0x25, {0x26, 0x01}));
}

}  // namespace

VEXA_CASES(typea_activation) {
  // MF_Request: the mode picks the request code; other modes are refused.
  list.push_back(makeCase("MF_Request mode 0 sends WUPA",
                          request(0).replies(reply(0x00, {0x04, 0x00})).sends(kWupaFrame).returns(0).writes(1, {0x04, 0x00})));
  list.push_back(makeCase("MF_Request mode 1 sends REQA",
                          request(1).replies(reply(0x00, {0x44, 0x03})).sends(kReqaFrame).returns(0).writes(1, {0x44, 0x03})));
  list.push_back(makeCase("MF_Request uses only the low byte of its mode slot",
                          request(0x101).replies(reply(0x00, {0x44, 0x03})).sends(kReqaFrame).returns(0).writes(1, {0x44, 0x03})));
  for (uint32_t mode : {2u, 0x80u, 0xFFu}) {
    list.push_back(makeCase("MF_Request mode " + std::to_string(mode) + " is refused",
                            request(mode).replies(reply(0x00, {0x04, 0x00})).sendsNothing().returns(10)));
  }
  list.push_back(makeCase("MF_Request status 1 stores answer[0] and returns 4",
                          request(0).replies(reply(0x01, {0x09, 0x08})).sends(kWupaFrame).returns(4).writes(1, {0x09})));
  for (uint8_t status : {0x02, 0x85, 0xFF}) {
    list.push_back(makeCase("MF_Request status " + std::to_string(status) + " returns 4, copies nothing",
                            request(0).replies(reply(status, {0x09, 0x08})).sends(kWupaFrame).returns(4)));
  }
  list.push_back(makeCase("MF_Request reply from another address returns 5",
                          request(1).replies(replyFrom(0x02, 0x00, {0x04, 0x00})).sends(kReqaFrame).returns(5)));
  list.push_back(makeCase("MF_Request failed write returns 5",
                          request(1).replies(reply(0x00, {0x04, 0x00})).writeFails().sends(kReqaFrame).returns(5)));

  // MF_Anticoll: info then serial on 0; serial[0] on 1.
  list.push_back(makeCase("MF_Anticoll status 0 copies info and serial",
                          anticoll().replies(reply(0x00, {0x08, 0xA1, 0xA2, 0xA3, 0xA4})).returns(0)
                              .writes(0, {0xA1, 0xA2, 0xA3, 0xA4}).writes(1, {0x08})));
  list.push_back(makeCase("MF_Anticoll status 1 stores serial[0] only",
                          anticoll().replies(reply(0x01, {0x3C, 0xA1})).returns(1).writes(0, {0x3C})));
  list.push_back(makeCase("MF_Anticoll status 2 copies nothing",
                          anticoll().replies(reply(0x02, kData)).returns(2)));
  list.push_back(makeCase("MF_Anticoll status 0xFF returns -1, copies nothing",
                          anticoll().replies(reply(0xFF, kData)).returns(-1)));
  list.push_back(makeCase("MF_Anticoll foreign reply returns 5",
                          anticoll().replies(replyFrom(0x7F, 0x00, kData)).returns(5)));

  // MF_Select: the reply replaces the serial only on status 0.
  list.push_back(makeCase("MF_Select status 0 replaces the serial",
                          selectCall().replies(reply(0x00, {0x08, 0x00, 0x00, 0x01})).returns(0).writes(0, {0x08, 0x00, 0x00, 0x01})));
  for (uint8_t status : {0x01, 0x03, 0x80}) {
    list.push_back(makeCase("MF_Select status " + std::to_string(status) + " keeps the serial",
                            selectCall().replies(reply(status, kData)).returns(static_cast<int8_t>(status))));
  }
  list.push_back(makeCase("MF_Select failed write returns 5",
                          selectCall().replies(reply(0x00, kData)).writeFails().returns(5)));

  // MF_Halt: status only.
  list.push_back(makeCase("MF_Halt sends its frame and returns the status",
                          CallBuilder("MF_Halt", {}).replies(reply(0x00)).sends(kHaltFrame).returns(0)));
  list.push_back(makeCase("MF_Halt foreign reply returns 5",
                          CallBuilder("MF_Halt", {}).replies(replyFrom(0x01, 0x03)).sends(kHaltFrame).returns(5)));

  // MF_Getsnr: like MF_Anticoll, but status 1 goes to info.
  list.push_back(makeCase("MF_Getsnr status 0 copies info and serial",
                          getsnr().replies(reply(0x00, {0x01, 0xB1, 0xB2, 0xB3, 0xB4})).returns(0)
                              .writes(2, {0x01}).writes(3, {0xB1, 0xB2, 0xB3, 0xB4})));
  list.push_back(makeCase("MF_Getsnr status 1 stores info only",
                          getsnr().replies(reply(0x01, {0x3C, 0xB1, 0xB2, 0xB3, 0xB4})).returns(1).writes(2, {0x3C})));
  list.push_back(makeCase("MF_Getsnr status 0x14 copies nothing",
                          getsnr().replies(reply(0x14, kData)).returns(0x14)));
  list.push_back(makeCase("MF_Getsnr foreign reply returns 5",
                          getsnr().replies(replyFrom(0x01, 0x00, kData)).returns(5)));
  list.push_back(makeCase("MF_Getsnr passes its parameter bytes unchanged",
                          CallBuilder("MF_Getsnr", {val(0xFF), val(0x00), out(1), out(4)})
                              .replies(reply(0x02))
                              .sends({0xAA, 0x00, 0x03, 0x25, 0xFF, 0x00, 0xD9, 0xBB})
                              .returns(2)));
}

}  // namespace vexa::test
