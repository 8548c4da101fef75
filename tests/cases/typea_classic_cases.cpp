// MIFARE Classic: block read and write, value blocks, restore.
#include <limits.h>

#include <string>
#include <tuple>
#include <utility>

#include "case.h"

namespace vexa::test {
namespace {

const Bytes kKey{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
const Bytes kSerial{0x51, 0x52, 0x53, 0x54};
const Bytes kValue{0x10, 0x00, 0x00, 0x00};
const Bytes kNewValue{0x0F, 0x00, 0x00, 0x00};
constexpr size_t kReadSize = 248;  // what the transport can deliver

CallBuilder read(uint32_t count) {
  return CallBuilder("MF_Read", {val(0x60), val(0x04), val(count), in(kKey), out(16 * count)})
      .sends(commandFrame(0x0A, 0x20, concat({{0x60, static_cast<uint8_t>(count), 0x04}, kKey})));
}
CallBuilder write(uint8_t count, uint8_t len) {
  const Bytes blocks = sequence(16 * count, 0x10);
  return CallBuilder("MF_Write", {val(0x61), val(0x08), val(count), in(kKey), in(blocks)})
      .sends(commandFrame(len, 0x21, concat({{0x61, count, 0x08}, kKey, blocks})));
}
CallBuilder restore(int count, Bytes data) {
  return CallBuilder("MF_Restore", {val(0x7E), val(static_cast<uint32_t>(count)), in(data)});
}

}  // namespace

VEXA_CASES(typea_classic) {
  list.push_back(
      makeCase("MF_Read one block: the serial number over key[0..3], then the block",
               CallBuilder("MF_Read", {val(0x60), val(0x04), val(1), in(Bytes(6, 0xFF)), out(16)})
                   .replies(reply(0x00, concat({kSerial, sequence(16, 0x80)})))
                   .sends({0xAA, 0x00, 0x0A, 0x20, 0x60, 0x01, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0xFF, 0x4F, 0xBB})
                   .returns(0)
                   .writes(3, kSerial)
                   .writes(4, sequence(16, 0x80))));
  Bytes fullRead = reply(0x00, concat({kSerial, sequence(240, 0x08)}));
  fullRead.resize(kReadSize);
  list.push_back(makeCase(
      "MF_Read 15 blocks copies the whole 248-byte read",
      read(15).replies(fullRead).returns(0).writes(3, kSerial).writes(4, sequence(240, 0x08))));
  const Bytes data = concat({kSerial, sequence(16)});
  list.push_back(makeCase("MF_Read status 1 stores data[0] only",
                          read(1).replies(reply(0x01, data)).returns(1).writes(4, {0x51})));
  for (auto [label, answer, result] :
       {std::tuple{"status 2", reply(0x02, data), 2},
        {"status 0xFF", reply(0xFF, data), -1},
        {"foreign reply with status 0", replyFrom(0x02, 0x00, data), 0},
        {"foreign reply with status 3", replyFrom(0x02, 0x03, data), 3}}) {
    list.push_back(
        makeCase(std::string("MF_Read ") + label + " copies nothing and returns the status",
                 read(1).replies(answer).returns(result)));
  }
  list.push_back(makeCase("MF_Read failed write returns 1, copies nothing",
                          read(1).replies(reply(0x00, data)).writeFails().returns(1)));

  for (auto [count, len] : {std::pair{1, 0x1A}, {10, 0xAA}, {15, 0xFA}}) {
    list.push_back(makeCase("MF_Write " + std::to_string(count) + " blocks: LEN " +
                                std::to_string(len) + ", frame of " +
                                std::to_string(16 * count + 15) + " bytes",
                            write(static_cast<uint8_t>(count), static_cast<uint8_t>(len))
                                .replies(reply(0x00, kSerial))
                                .returns(0)
                                .writes(3, kSerial)
                                .writes(4, {0x51})));
  }
  for (uint8_t status : {0x01, 0x85}) {
    list.push_back(makeCase("MF_Write status " + std::to_string(status) + " still copies",
                            write(1, 0x1A)
                                .replies(reply(status, kSerial))
                                .returns(static_cast<int8_t>(status))
                                .writes(3, kSerial)
                                .writes(4, {0x51})));
  }
  list.push_back(makeCase("MF_Write foreign reply returns 5",
                          write(1, 0x1A).replies(replyFrom(0x01, 0x00, kSerial)).returns(5)));
  list.push_back(makeCase("MF_Write failed write returns 5",
                          write(1, 0x1A).replies(reply(0x00, kSerial)).writeFails().returns(5)));

  for (uint32_t count : {0u, 16u, 255u}) {
    for (const char* fn : {"MF_Read", "MF_Write"}) {
      list.push_back(
          makeCase(std::string(fn) + " block count " + std::to_string(count) + " is refused",
                   CallBuilder(fn, {val(0x60), val(0x04), val(count), in(kKey), out(16)})
                       .replies(reply(0x00, data))
                       .sendsNothing()
                       .returns(10)));
    }
  }

  // Value blocks: the serial number comes back on every status; MF_Dec and
  // MF_Inc also take the new value, MF_InitValue keeps the caller's.
  for (auto [fn, cmd, newValue] :
       {std::tuple{"MF_InitValue", 0x22, false}, {"MF_Dec", 0x23, true}, {"MF_Inc", 0x24, true}}) {
    const auto call = [&, fn = fn, cmd = cmd] {
      return CallBuilder(fn, {val(0x61), val(0x05), in(kKey), in(kValue)})
          .sends(
              commandFrame(0x0D, static_cast<uint8_t>(cmd), concat({{0x61, 0x05}, kKey, kValue})));
    };
    for (uint8_t status : {0x00, 0x85}) {
      CallBuilder c = call()
                          .replies(reply(status, concat({kSerial, kNewValue})))
                          .returns(static_cast<int8_t>(status))
                          .writes(2, kSerial);
      if (newValue) c.writes(3, kNewValue);
      list.push_back(
          makeCase(std::string(fn) + " status " + std::to_string(status) + " copies", c));
    }
    list.push_back(
        makeCase(std::string(fn) + " foreign reply returns 5",
                 call().replies(replyFrom(0x01, 0x00, concat({kSerial, kNewValue}))).returns(5)));
  }

  // MF_Restore: the count sizes the request, the reply's LEN the copy.
  list.push_back(makeCase("MF_Restore count 0 sends the 8-byte frame",
                          CallBuilder("MF_Restore", {val(0x00), val(0), out(4)})
                              .replies(reply(0x00))
                              .sends({0xAA, 0x00, 0x03, 0x28, 0x00, 0x00, 0x2B, 0xBB})
                              .returns(0)));
  list.push_back(makeCase("MF_Restore LEN 5 copies four bytes whatever the status",
                          restore(3, {0x31, 0x32, 0x33, 0x34})
                              .replies(reply(0x03, {0xC0, 0xC1, 0xC2, 0xC3}))
                              .sends(commandFrame(0x06, 0x28, {0x7E, 0x03, 0x31, 0x32, 0x33}))
                              .returns(3)
                              .writes(2, {0xC0, 0xC1, 0xC2, 0xC3})));
  for (uint8_t len : {0x00, 0x01, 0x80, 0xFF}) {
    list.push_back(makeCase("MF_Restore reply LEN " + std::to_string(len) + " copies nothing",
                            restore(1, {0x31, 0x32})
                                .replies(replyWithLen(len, 0x00, sequence(8)))
                                .sends(commandFrame(0x04, 0x28, {0x7E, 0x01, 0x31}))
                                .returns(0)));
  }
  list.push_back(makeCase("MF_Restore reply LEN 0x7F copies 126 bytes",
                          restore(1, Bytes(126, 0x31))
                              .replies(reply(0x00, sequence(126)))
                              .sends(commandFrame(0x04, 0x28, {0x7E, 0x01, 0x31}))
                              .returns(0)
                              .writes(2, sequence(126))));
  list.push_back(
      makeCase("MF_Restore count 248 fills the command frame",
               restore(248, sequence(248))
                   .replies(reply(0x00))
                   .sends(commandFrame(0xFB, 0x28, concat({{0x7E, 0xF8}, sequence(248)})))
                   .returns(0)));
  list.push_back(makeCase("MF_Restore count -1 sends the low byte and no data",
                          restore(-1, Bytes(4, 0x31))
                              .replies(reply(0x00))
                              .sends(commandFrame(0x02, 0x28, {0x7E, 0xFF}))
                              .returns(0)));
  for (int count : {249, INT_MAX}) {
    list.push_back(
        makeCase("MF_Restore count " + std::to_string(count) + " is refused",
                 restore(count, Bytes(4, 0x31)).replies(reply(0x00)).sendsNothing().returns(10)));
  }
  list.push_back(makeCase("MF_Restore foreign reply returns 5",
                          restore(1, {0x31, 0x32})
                              .replies(replyFrom(0x01, 0x00, {0xC0}))
                              .sends(commandFrame(0x04, 0x28, {0x7E, 0x01, 0x31}))
                              .returns(5)));
}

}  // namespace vexa::test
