// Rules that several vicinity-card commands share: the data count read from
// a signed LEN, and the answer to a reply from another address or to a
// frame that never reached the reader.
#include "case.h"

namespace vexa::test {
namespace {

const Bytes kUid{0xE0, 0x04, 0x01, 0x50, 0x6A, 0x7B, 0x8C, 0x9D};
const Bytes kData = sequence(126, 0x01);  // D[0] = 1 echoes a count of 1

CallBuilder read() {
  return CallBuilder("ISO15693_Read", {val(0x02), val(0x00), val(0x01), null(), out(126)})
      .sends(commandFrame(0x04, 0x11, {0x02, 0x00, 0x01}));
}
CallBuilder security() {
  return CallBuilder("ISO15693_GetMulSecurity", {val(0x02), val(0x00), val(0x01), null(), out(126)})
      .sends(commandFrame(0x04, 0x1C, {0x02, 0x00, 0x01}));
}
CallBuilder transparent() {
  return CallBuilder("ISO15693_TransCOSCmd", {in({0x02, 0x2B}), val(2), out(126)})
      .sends(commandFrame(0x04, 0x1D, {0x02, 0x2B}));
}

}  // namespace

VEXA_CASES(iso15693_reply) {
  // LEN read as signed: 0 to 126 data bytes.
  struct Copy {
    const char* name;
    CallBuilder (*call)();
    int into;  // argument that receives the data
  };
  for (const Copy& c :
       {Copy{"ISO15693_Read", read, 4}, Copy{"ISO15693_GetMulSecurity", security, 4},
        Copy{"ISO15693_TransCOSCmd", transparent, 2}}) {
    for (auto [len, copied] : {std::pair{0x00, 0},
                               {0x01, 0},
                               {0x02, 1},
                               {0x11, 16},
                               {0x7F, 126},
                               {0x80, 0},
                               {0x90, 0},
                               {0xFF, 0}}) {
      list.push_back(makeCase(std::string(c.name) + " reply LEN " + std::to_string(len) +
                                  " copies " + std::to_string(copied),
                              c.call()
                                  .replies(replyWithLen(static_cast<uint8_t>(len), 0x00, kData))
                                  .writes(c.into, Bytes(kData.begin(), kData.begin() + copied))));
    }
  }

  // A foreign reply (status 0) and a failed write, for the commands that do
  // not hand back a single reply byte; no buffer is written.
  struct Failure {
    CallBuilder call;
    int foreign;
    int failedWrite;
  };
  const Failure failures[] = {
      {CallBuilder("ISO15693_Inventory", {out(1), out(240)})
           .sends({0xAA, 0x00, 0x04, 0x10, 0x06, 0x00, 0x00, 0x12, 0xBB}),
       2, 2},
      {CallBuilder("ISO15693_GetSysInfo", {val(0x22), in(kUid), out(15)})
           .sends(commandFrame(0x0A, 0x1B, concat({{0x22}, kUid}))),
       2, 2},
      {security(), 5, 5},
      {transparent(), 5, 5},
      {read(), 0, 1},
      {CallBuilder("ISO15693_Write", {val(0x02), val(0x00), val(0x01), null(), in({1, 2, 3, 4})})
           .sends(commandFrame(0x08, 0x12, {0x02, 0x00, 0x01, 1, 2, 3, 4})),
       0, 1},
  };
  for (const Failure& f : failures) {
    const std::string name = f.call.build().function;
    const Bytes answer = concat({{0x01}, sequence(15, 0x60)});  // would pass every other check
    list.push_back(
        makeCase(name + " foreign reply returns " + std::to_string(f.foreign),
                 CallBuilder(f.call).replies(replyFrom(0x01, 0x00, answer)).returns(f.foreign)));
    list.push_back(makeCase(name + " reply from 0xFF with status 0x01",
                            CallBuilder(f.call)
                                .replies(replyFrom(0xFF, 0x01, answer))
                                .returns(f.foreign ? f.foreign : 1)));
    list.push_back(makeCase(
        name + " failed write returns " + std::to_string(f.failedWrite),
        CallBuilder(f.call).replies(reply(0x00, answer)).writeFails().returns(f.failedWrite)));
  }
}

}  // namespace vexa::test
