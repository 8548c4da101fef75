// Reader management: address, speed, serial number, user information,
// version, LED and buzzer. Reply data are copied whatever the status.
#include <limits.h>

#include "case.h"

namespace vexa::test {
namespace {

// The commands whose first reply data byte goes to replyByte.
struct ReplyByteCommand {
  const char* name;
  int replyByteArg;
  CallBuilder call;  // with the frame it sends
};

std::vector<ReplyByteCommand> replyByteCommands() {
  using B = CallBuilder;
  return {
      {"SetDeviceAddress(0x05)", 1,
       B("SetDeviceAddress", {val(0x05), out(1)})
           .sends({0xAA, 0x00, 0x02, 0x80, 0x05, 0x87, 0xBB})},
      {"SetDeviceAddress(0x82), XOR 0", 1,
       B("SetDeviceAddress", {val(0x82), out(1)})
           .sends({0xAA, 0x00, 0x02, 0x80, 0x82, 0x00, 0xBB})},
      {"SetDeviceAddress(slot 0x105)", 1,
       B("SetDeviceAddress", {val(0x105), out(1)})
           .sends({0xAA, 0x00, 0x02, 0x80, 0x05, 0x87, 0xBB})},
      {"SetBandrate(0x02)", 1,
       B("SetBandrate", {val(0x02), out(1)}).sends({0xAA, 0x00, 0x02, 0x81, 0x02, 0x81, 0xBB})},
      {"SetSerNum(00..07)", 1,
       B("SetSerNum", {in(sequence(8, 0x00)), out(1)})
           .sends({0xAA, 0x00, 0x09, 0x82, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x8B,
                   0xBB})},
      {"ControlLED(03, 05)", 2,
       B("ControlLED", {val(0x03), val(0x05), out(1)})
           .sends({0xAA, 0x00, 0x03, 0x88, 0x03, 0x05, 0x8D, 0xBB})},
      {"ControlLED(01, 02)", 2,
       B("ControlLED", {val(0x01), val(0x02), out(1)})
           .sends({0xAA, 0x00, 0x03, 0x88, 0x01, 0x02, 0x88, 0xBB})},
      {"ControlBuzzer(03, 05)", 2,
       B("ControlBuzzer", {val(0x03), val(0x05), out(1)})
           .sends({0xAA, 0x00, 0x03, 0x89, 0x03, 0x05, 0x8C, 0xBB})},
  };
}

CallBuilder getSerNum() {
  return CallBuilder("GetSerNum", {out(9)}).sends({0xAA, 0x00, 0x01, 0x83, 0x82, 0xBB});
}
CallBuilder getVersion() {
  return CallBuilder("GetVersionNum", {out(126)}).sends({0xAA, 0x00, 0x01, 0x86, 0x87, 0xBB});
}
CallBuilder writeUserInfo(int count, Bytes data) {
  return CallBuilder("ISO15693_WriteUserInfo",
                     {val(0x00), val(static_cast<uint32_t>(count)), in(std::move(data))});
}

}  // namespace

VEXA_CASES(reader) {
  for (const ReplyByteCommand& c : replyByteCommands()) {
    const std::string name = c.name;
    for (uint8_t status : {0x00, 0x01, 0x6A, 0xFF}) {
      list.push_back(makeCase(name + " status " + std::to_string(status) + " stores D[0]",
                              CallBuilder(c.call)
                                  .replies(reply(status, {0x07, 0x99}))
                                  .returns(static_cast<int8_t>(status))
                                  .writes(c.replyByteArg, {0x07})));
    }
    list.push_back(makeCase(name + " foreign reply returns 5",
                            CallBuilder(c.call).replies(replyFrom(0x01, 0x00, {0x07})).returns(5)));
  }

  // GetSerNum: nine bytes from fixed positions, whatever LEN or the status.
  list.push_back(makeCase("GetSerNum status 3 still fills nine bytes",
                          getSerNum()
                              .replies(reply(0x03, sequence(12, 0x30)))
                              .returns(3)
                              .writes(0, sequence(9, 0x30))));
  list.push_back(makeCase("GetSerNum with LEN 1 copies the positions after the status",
                          getSerNum()
                              .replies(reply(0x00))
                              .returns(0)
                              .writes(0, {0x01, 0xBB, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01})));
  list.push_back(makeCase("GetSerNum foreign reply returns 5",
                          getSerNum().replies(replyFrom(0x01, 0x00, sequence(9))).returns(5)));
  list.push_back(makeCase("GetSerNum failed write returns 5",
                          getSerNum().replies(reply(0x00, sequence(9))).writeFails().returns(5)));

  // GetVersionNum: LEN - 1 bytes, LEN read as signed, whatever the status.
  struct VersionRow {
    uint8_t len, status;
    size_t copied;
  };
  for (const VersionRow& row : {VersionRow{0x00, 0x00, 0},
                                {0x01, 0x00, 0},
                                {0x0A, 0x00, 9},
                                {0x0D, 0x02, 12},
                                {0x7F, 0x00, 126},
                                {0x80, 0x00, 0},
                                {0x90, 0x00, 0},
                                {0xFF, 0x81, 0}}) {
    list.push_back(makeCase("GetVersionNum LEN " + std::to_string(row.len) + " status " +
                                std::to_string(row.status) + " copies " +
                                std::to_string(row.copied),
                            getVersion()
                                .replies(replyWithLen(row.len, row.status, sequence(126, 0x10)))
                                .returns(static_cast<int8_t>(row.status))
                                .writes(0, sequence(row.copied, 0x10))));
  }
  list.push_back(makeCase("GetVersionNum foreign reply returns 5",
                          getVersion().replies(replyFrom(0x02, 0x00, sequence(9))).returns(5)));

  // ISO15693_WriteUserInfo: count bytes, exactly, and only counts that fit.
  list.push_back(makeCase("WriteUserInfo sends count bytes of data",
                          writeUserInfo(2, {0xAB, 0xCD, 0xEF, 0x12})
                              .replies(reply(0x00))
                              .sends({0xAA, 0x00, 0x05, 0x84, 0x00, 0x02, 0xAB, 0xCD, 0xE5, 0xBB})
                              .returns(0)));
  list.push_back(makeCase("WriteUserInfo count 0 sends no data",
                          CallBuilder("ISO15693_WriteUserInfo", {val(0x01), val(0), in({0x55})})
                              .replies(reply(0x6A))
                              .sends({0xAA, 0x00, 0x03, 0x84, 0x01, 0x00, 0x86, 0xBB})
                              .returns(0x6A)));
  list.push_back(
      makeCase("WriteUserInfo count 248 fills the whole frame",
               writeUserInfo(248, sequence(248, 0x00))
                   .replies(reply(0x00))
                   .sends(commandFrame(0xFB, 0x84, concat({{0x00, 0xF8}, sequence(248, 0x00)})))
                   .returns(0)));
  list.push_back(makeCase("WriteUserInfo foreign reply returns 5",
                          writeUserInfo(1, {0x42})
                              .replies(replyFrom(0x01, 0x00))
                              .sends(commandFrame(0x04, 0x84, {0x00, 0x01, 0x42}))
                              .returns(5)));
  for (int count : {-1, 249, 256, INT_MIN, INT_MAX}) {
    list.push_back(makeCase(
        "WriteUserInfo count " + std::to_string(count) + " is refused",
        writeUserInfo(count, sequence(4)).replies(reply(0x00)).sendsNothing().returns(10)));
  }
}

}  // namespace vexa::test
