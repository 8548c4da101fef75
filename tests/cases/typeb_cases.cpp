// Type B: request, the second Type B command, identity-card serial number,
// transparent command.
#include <limits.h>

#include "case.h"

namespace vexa::test {
namespace {

struct AnswerCommand {
  const char* name;
  Bytes frame;
};
const AnswerCommand kAnswerCommands[] = {
    {"TypeB_Request", {0xAA, 0x00, 0x01, 0x09, 0x08, 0xBB}},
    {"Type_B", {0xAA, 0x00, 0x01, 0x0A, 0x0B, 0xBB}},
};

CallBuilder sfzsnr() {
  return CallBuilder("TYPEB_SFZSNR", {val(0x00), val(0x00), out(1), out(8)})
      .sends({0xAA, 0x00, 0x03, 0x26, 0x00, 0x00, 0x25, 0xBB});
}
CallBuilder transCos(Bytes command, int length) {
  return CallBuilder("TypeB_TransCOS",
                     {in(std::move(command)), val(static_cast<uint32_t>(length)), out(127)});
}
const Bytes kTransCosEmptyFrame{0xAA, 0x00, 0x02, 0x0D, 0x00, 0x0F, 0xBB};

}  // namespace

VEXA_CASES(typeb) {
  // TypeB_Request and Type_B: LEN - 1 bytes on status 0 (LEN signed), D[0] on 1.
  for (const AnswerCommand& c : kAnswerCommands) {
    auto call = [&c] { return CallBuilder(c.name, {out(126)}).sends(c.frame); };
    const std::string name = c.name;
    for (auto [len, copied] : {std::pair<uint8_t, size_t>{0x00, 0},
                               {0x01, 0},
                               {0x0D, 12},
                               {0x7F, 126},
                               {0x80, 0},
                               {0x90, 0}}) {
      list.push_back(
          makeCase(name + " LEN " + std::to_string(len) + " copies " + std::to_string(copied),
                   call()
                       .replies(replyWithLen(len, 0x00, sequence(126, 0x20)))
                       .returns(0)
                       .writes(0, sequence(copied, 0x20))));
    }
    list.push_back(
        makeCase(name + " status 1 stores D[0]",
                 call().replies(reply(0x01, {0x3C, 0x44})).returns(1).writes(0, {0x3C})));
    for (uint8_t status : {0x02, 0xFF}) {
      list.push_back(makeCase(
          name + " status " + std::to_string(status) + " copies nothing",
          call().replies(reply(status, sequence(12))).returns(static_cast<int8_t>(status))));
    }
    list.push_back(makeCase(name + " foreign reply returns 5",
                            call().replies(replyFrom(0x01, 0x00, sequence(12))).returns(5)));
  }

  // TYPEB_SFZSNR: info and serial on 0, info only on 1.
  const Bytes sfzData{0x90, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58};
  list.push_back(makeCase("TYPEB_SFZSNR status 0 copies info and serial",
                          sfzsnr()
                              .replies(reply(0x00, sfzData))
                              .returns(0)
                              .writes(2, {0x90})
                              .writes(3, {0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58})));
  list.push_back(makeCase("TYPEB_SFZSNR status 1 stores info only",
                          sfzsnr().replies(reply(0x01, sfzData)).returns(1).writes(2, {0x90})));
  list.push_back(makeCase("TYPEB_SFZSNR status 0x80 returns -128, copies nothing",
                          sfzsnr().replies(reply(0x80, sfzData)).returns(-128)));
  list.push_back(makeCase("TYPEB_SFZSNR foreign reply returns 5",
                          sfzsnr().replies(replyFrom(0x01, 0x00, sfzData)).returns(5)));
  list.push_back(makeCase("TYPEB_SFZSNR passes its parameter bytes unchanged",
                          CallBuilder("TYPEB_SFZSNR", {val(0x12), val(0x34), out(1), out(8)})
                              .replies(reply(0x02))
                              .sends({0xAA, 0x00, 0x03, 0x26, 0x12, 0x34, 0x03, 0xBB})
                              .returns(2)));

  // TypeB_TransCOS: the frame carries the length byte and the command.
  struct FrameRow {
    const char* what;
    Bytes command;
    int length;
    Bytes frame;
  };
  for (const FrameRow& row : {
           FrameRow{"5 sends the command bytes",
                    {0x00, 0x84, 0x00, 0x00, 0x08},
                    5,
                    {0xAA, 0x00, 0x07, 0x0D, 0x05, 0x00, 0x84, 0x00, 0x00, 0x08, 0x83, 0xBB}},
           {"0 sends the length byte only", {0x55}, 0, kTransCosEmptyFrame},
           {"-1 sends LEN 1, length byte 0xFF",
            {0x55},
            -1,
            {0xAA, 0x00, 0x01, 0x0D, 0xFF, 0xF3, 0xBB}},
           {"INT_MIN sends as 0 does", {0x55}, INT_MIN, kTransCosEmptyFrame},
           {"249 fills the whole frame", sequence(249, 0x00), 249,
            commandFrame(0xFB, 0x0D, concat({{0xF9}, sequence(249, 0x00)}))},
       }) {
    list.push_back(makeCase(std::string("TypeB_TransCOS length ") + row.what,
                            transCos(row.command, row.length)
                                .replies(replyWithLen(0x00, 0x00))
                                .sends(row.frame)
                                .returns(0)));
  }
  for (int length : {250, 256, INT_MAX}) {
    list.push_back(
        makeCase("TypeB_TransCOS length " + std::to_string(length) + " is refused",
                 transCos(sequence(4), length).replies(reply(0x00)).sendsNothing().returns(10)));
  }

  // The reply: LEN bytes (not LEN - 1), LEN signed, whatever the status.
  list.push_back(makeCase("TypeB_TransCOS status 0x6A, LEN 3 copies three bytes",
                          transCos({}, 0)
                              .replies({0xAA, 0x00, 0x03, 0x6A, 0x11, 0x22, 0x5A, 0xBB})
                              .sends(kTransCosEmptyFrame)
                              .returns(106)
                              .writes(2, {0x11, 0x22, 0x5A})));
  struct LenRow {
    uint8_t len, status;
    size_t copied;
  };
  for (const LenRow& row : {LenRow{0x00, 0x00, 0},
                            {0x01, 0x90, 1},
                            {0x7F, 0x01, 127},
                            {0x80, 0x00, 0},
                            {0xFF, 0x6A, 0}}) {
    list.push_back(makeCase("TypeB_TransCOS LEN " + std::to_string(row.len) + " status " +
                                std::to_string(row.status) + " copies " +
                                std::to_string(row.copied),
                            transCos({}, 0)
                                .replies(replyWithLen(row.len, row.status, sequence(130, 0x40)))
                                .sends(kTransCosEmptyFrame)
                                .returns(static_cast<int8_t>(row.status))
                                .writes(2, sequence(row.copied, 0x40))));
  }
  list.push_back(makeCase("TypeB_TransCOS foreign reply returns 5",
                          transCos({}, 0)
                              .replies(replyFrom(0x01, 0x00, sequence(8)))
                              .sends(kTransCosEmptyFrame)
                              .returns(5)));
  list.push_back(
      makeCase("TypeB_TransCOS failed write returns 5", transCos({}, 0)
                                                            .replies(reply(0x00, sequence(8)))
                                                            .writeFails()
                                                            .sends(kTransCosEmptyFrame)
                                                            .returns(5)));
}

}  // namespace vexa::test
