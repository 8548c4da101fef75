// Vicinity-card blocks: read, write and security status (lock is with the
// other one-byte replies).
#include "case.h"

namespace vexa::test {
namespace {

const Bytes kUid{0xE0, 0x04, 0x01, 0x50, 0x6A, 0x7B, 0x8C, 0x9D};
constexpr uint8_t kAddressed = 0x22;
constexpr size_t kDataBuffer = 126;  // the documented size of the reply buffers

ArgumentGiven uidFor(uint8_t flags) { return flags == kAddressed ? in(kUid) : null(); }
Bytes withUid(uint8_t flags, Bytes fields, const Bytes& tail = {}) {
  if (flags == kAddressed) fields.insert(fields.end(), kUid.begin(), kUid.end());
  return concat({fields, tail});
}
uint8_t lenOf(const Bytes& fields) { return static_cast<uint8_t>(1 + fields.size()); }

CallBuilder read(uint8_t flags, uint32_t count = 1) {
  const Bytes fields = withUid(flags, {flags, 0x05, static_cast<uint8_t>(count)});
  return CallBuilder("ISO15693_Read",
                     {val(flags), val(0x05), val(count), uidFor(flags), out(kDataBuffer)})
      .sends(commandFrame(lenOf(fields), 0x11, fields));
}
CallBuilder write(uint8_t flags, uint8_t count, const Bytes& data) {
  const Bytes fields = withUid(flags, {flags, 0x05, count}, data);
  return CallBuilder("ISO15693_Write", {val(flags), val(0x05), val(count), uidFor(flags), in(data)})
      .sends(commandFrame(lenOf(fields), 0x12, fields));
}
CallBuilder security(uint8_t flags, uint8_t count) {
  const Bytes fields = withUid(flags, {flags, 0x05, count});
  return CallBuilder("ISO15693_GetMulSecurity",
                     {val(flags), val(0x05), val(count), uidFor(flags), out(kDataBuffer)})
      .sends(commandFrame(lenOf(fields), 0x1C, fields));
}

const Bytes kBlock{0x11, 0x22, 0x33, 0x44};

}  // namespace

VEXA_CASES(iso15693_blocks) {
  // Worked frames.
  list.push_back(makeCase(
      "ISO15693_Read flags 0x02 block 5 frame and 16 data bytes",
      CallBuilder("ISO15693_Read", {val(0x02), val(0x05), val(0x01), null(), out(kDataBuffer)})
          .replies(reply(0x00, sequence(16, 0x30)))
          .sends({0xAA, 0x00, 0x04, 0x11, 0x02, 0x05, 0x01, 0x13, 0xBB})
          .writes(4, sequence(16, 0x30))));
  list.push_back(makeCase(
      "ISO15693_Write flags 0x02 block 5 frame, status 0 keeps blockData",
      CallBuilder("ISO15693_Write", {val(0x02), val(0x05), val(0x01), null(), in(kBlock)})
          .replies(reply(0x00, {0x99}))
          .sends({0xAA, 0x00, 0x08, 0x12, 0x02, 0x05, 0x01, 0x11, 0x22, 0x33, 0x44, 0x58, 0xBB})));

  // Addressed and non-addressed forms: LEN 0x0C/0x04, 0x10/0x08, 0x0C/0x04.
  for (uint8_t flags : {uint8_t{0x22}, uint8_t{0x02}, uint8_t{0x20}, uint8_t{0x62}}) {
    const std::string f = " flags " + std::to_string(flags);
    list.push_back(
        makeCase("ISO15693_Read" + f,
                 read(flags).replies(reply(0x00, {0xA1, 0xA2})).writes(4, {0xA1, 0xA2})));
    list.push_back(makeCase("ISO15693_Write" + f, write(flags, 1, kBlock).replies(reply(0x00))));
    list.push_back(makeCase(
        "ISO15693_GetMulSecurity" + f,
        security(flags, 2).replies(reply(0x00, {0x02, 0x00, 0x01})).writes(4, {0x02, 0x00, 0x01})));
  }

  // Read: status 1 stores D[0] alone, other statuses nothing; count 0 is refused.
  list.push_back(makeCase(
      "ISO15693_Read status 1 stores D[0] only",
      read(kAddressed).replies(reply(0x01, {0x0F, 0xA2, 0xA3})).returns(1).writes(4, {0x0F})));
  for (auto [status, result] : {std::pair{0x02, 2}, {0xFF, -1}}) {
    list.push_back(makeCase("ISO15693_Read status " + std::to_string(status) + " stores nothing",
                            read(kAddressed)
                                .replies(reply(static_cast<uint8_t>(status), {0x0F, 0xA2}))
                                .returns(result)));
  }
  for (uint32_t count : {0x00u, 0x300u}) {
    list.push_back(
        makeCase("ISO15693_Read count slot " + std::to_string(count) + " returns 1, sends nothing",
                 CallBuilder("ISO15693_Read",
                             {val(kAddressed), val(0x05), val(count), in(kUid), out(kDataBuffer)})
                     .replies(reply(0x00, {0xA1}))
                     .sendsNothing()
                     .returns(1)));
  }

  // Write: status 1 replaces blockData[0]; 4 bytes per block go out, up to a full frame.
  list.push_back(makeCase(
      "ISO15693_Write status 1 replaces blockData[0]",
      write(kAddressed, 1, kBlock).replies(reply(0x01, {0x0F})).returns(1).writes(4, {0x0F})));
  list.push_back(makeCase("ISO15693_Write status 0x83 keeps blockData",
                          write(kAddressed, 1, kBlock).replies(reply(0x83, {0x0F})).returns(-125)));
  for (auto [flags, count] : {std::pair{0x22, 2}, {0x02, 2}, {0x22, 59}, {0x02, 61}}) {
    list.push_back(makeCase(
        "ISO15693_Write flags " + std::to_string(flags) + " sends all " + std::to_string(count) +
            " blocks",
        write(static_cast<uint8_t>(flags), static_cast<uint8_t>(count), sequence(4u * count, 0x40))
            .replies(reply(0x00))));
  }
  for (auto [flags, count] : {std::pair{0x22, 0}, {0x02, 0}, {0x22, 60}, {0x02, 62}, {0x02, 255}}) {
    list.push_back(
        makeCase("ISO15693_Write flags " + std::to_string(flags) + " count " +
                     std::to_string(count) + " is refused",
                 CallBuilder("ISO15693_Write", {val(static_cast<uint32_t>(flags)), val(0x05),
                                                val(static_cast<uint32_t>(count)), in(kUid),
                                                in(sequence(count ? 4u * count : 4u, 0x40))})
                     .replies(reply(0x00))
                     .sendsNothing()
                     .returns(10)));
  }

  // GetMulSecurity: the echoed count is tested first, as an unsigned byte.
  list.push_back(makeCase("ISO15693_GetMulSecurity count 3 echoed copies D[0..3]",
                          security(kAddressed, 3)
                              .replies(reply(0x00, {0x03, 0x01, 0x00, 0x01}))
                              .writes(4, {0x03, 0x01, 0x00, 0x01})));
  list.push_back(
      makeCase("ISO15693_GetMulSecurity count 3, echo 2 returns 5",
               security(kAddressed, 3).replies(reply(0x00, {0x02, 0x01, 0x00, 0x01})).returns(5)));
  list.push_back(makeCase("ISO15693_GetMulSecurity error status, wrong echo returns 5",
                          security(kAddressed, 3).replies(reply(0x0F, {0x02, 0x01})).returns(5)));
  list.push_back(makeCase("ISO15693_GetMulSecurity error status, right echo copies and returns it",
                          security(kAddressed, 3)
                              .replies(reply(0x8F, {0x03, 0x01}))
                              .returns(-113)
                              .writes(4, {0x03, 0x01})));
  for (uint8_t count : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
    list.push_back(makeCase(
        "ISO15693_GetMulSecurity count " + std::to_string(count) + " echoed",
        security(0x02, count).replies(reply(0x00, {count, 0x01})).writes(4, {count, 0x01})));
  }
}

}  // namespace vexa::test
