// What a real transport does wrong, and what every command makes of it: the
// library or one of its functions missing, a write refused or short, a read
// that delivers nothing or only part of a reply, a reply from another
// address, a reply whose LEN is garbage. Where no reply from the reader's
// address arrives, no caller buffer may change; where part of one arrives,
// the missing bytes read as the fill (0x01), never as an earlier reply.
#include <functional>
#include <stdexcept>

#include "case.h"

namespace vexa::test {
namespace {

constexpr uint8_t kFill = 0x01;
constexpr size_t kWindow = 248;
constexpr size_t kDataAt = 4;
constexpr uint8_t kForeignStatus = 0x6A;
constexpr int kForeignStatusResult = 0x6A;
constexpr uint8_t kAddressed = 0x22;
constexpr uint8_t kNotAddressed = 0x02;
constexpr int kNoReply = 5;
constexpr int kNoReplyIso15693 = 2;
// What the functions that return the status anyway give after a failed
// exchange: the fill's status byte.
constexpr int kFillStatus = kFill;

const Bytes kKey{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
const Bytes kUid{0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18};
const Bytes kValue{0x40, 0x41, 0x42, 0x43};
const Bytes kPage{0x51, 0x52, 0x53, 0x54};
const Bytes kApdu{0x00, 0x84, 0x00, 0x00, 0x08};

// How a function answers a reply that is not from the reader's address.
enum class Foreign { kFive, kTwo, kStatus };

struct Command {
  std::function<CallBuilder()> call;  // arguments, buffers and the frame sent
  Foreign foreign;
};

int foreignResult(Foreign f, int status) {
  return f == Foreign::kFive ? kNoReply : f == Foreign::kTwo ? kNoReplyIso15693 : status;
}
int failedResult(Foreign f) { return foreignResult(f, kFillStatus); }

using B = CallBuilder;

// Every command function, with ordinary arguments.
std::vector<std::pair<const char*, Command>> commands() {
  const Foreign k5 = Foreign::kFive, k2 = Foreign::kTwo, kSt = Foreign::kStatus;
  auto f = [](uint8_t len, uint8_t cmd, Bytes fields = {}) {
    return commandFrame(len, cmd, fields);
  };
  auto uid = [] { return in(kUid); };
  return {
      {"MF_Request",
       {[=] {
          return B("MF_Request", {val(0), out(2)}).sends(f(0x02, 0x03, {0x52}));
        },
        k5}},
      {"MF_Anticoll",
       {[=] {
          return B("MF_Anticoll", {out(4), out(1)}).sends(f(0x01, 0x04));
        },
        k5}},
      {"MF_Select",
       {[=] {
          return B("MF_Select", {in({1, 2, 3, 4})}).sends(f(0x05, 0x05, {1, 2, 3, 4}));
        },
        k5}},
      {"MF_Halt", {[=] { return B("MF_Halt", {}).sends(f(0x01, 0x06)); }, k5}},
      {"SetDeviceAddress",
       {[=] {
          return B("SetDeviceAddress", {val(5), out(1)}).sends(f(0x02, 0x80, {5}));
        },
        k5}},
      {"SetBandrate",
       {[=] {
          return B("SetBandrate", {val(2), out(1)}).sends(f(0x02, 0x81, {2}));
        },
        k5}},
      {"SetSerNum",
       {[=] {
          return B("SetSerNum", {in(sequence(8, 0)), out(1)}).sends(f(0x09, 0x82, sequence(8, 0)));
        },
        k5}},
      {"TYPEB_SFZSNR",
       {[=] {
          return B("TYPEB_SFZSNR", {val(0), val(0), out(1), out(8)}).sends(f(0x03, 0x26, {0, 0}));
        },
        k5}},
      {"GetSerNum", {[=] { return B("GetSerNum", {out(9)}).sends(f(0x01, 0x83)); }, k5}},
      {"ControlLED",
       {[=] {
          return B("ControlLED", {val(1), val(2), out(1)}).sends(f(0x03, 0x88, {1, 2}));
        },
        k5}},
      {"ControlBuzzer",
       {[=] {
          return B("ControlBuzzer", {val(1), val(2), out(1)}).sends(f(0x03, 0x89, {1, 2}));
        },
        k5}},
      {"GetVersionNum", {[=] { return B("GetVersionNum", {out(126)}).sends(f(0x01, 0x86)); }, k5}},
      {"TypeB_Request", {[=] { return B("TypeB_Request", {out(126)}).sends(f(0x01, 0x09)); }, k5}},
      {"Type_B", {[=] { return B("Type_B", {out(126)}).sends(f(0x01, 0x0A)); }, k5}},
      {"MF_Restore",
       {[=] {
          return B("MF_Restore",
                   {val(0), val(2), in(concat({{0xAB, 0xCD}, Bytes(124, kUntouched)}))})
              .sends(f(0x05, 0x28, {0x00, 0x02, 0xAB, 0xCD}));
        },
        k5}},
      {"MF_Getsnr",
       {[=] {
          return B("MF_Getsnr", {val(0), val(0), out(1), out(4)}).sends(f(0x03, 0x25, {0, 0}));
        },
        k5}},
      {"ISO15693_WriteUserInfo",
       {[=] {
          return B("ISO15693_WriteUserInfo", {val(0), val(2), in({0xAB, 0xCD})})
              .sends(f(0x05, 0x84, {0x00, 0x02, 0xAB, 0xCD}));
        },
        k5}},
      {"MF_Read",
       {[=] {
          return B("MF_Read", {val(0x60), val(4), val(1), in(kKey), out(16)})
              .sends(f(0x0A, 0x20, concat({{0x60, 1, 4}, kKey})));
        },
        kSt}},
      {"MF_Write",
       {[=] {
          return B("MF_Write", {val(0x60), val(4), val(1), in(kKey), in(sequence(16, 0x70))})
              .sends(f(0x1A, 0x21, concat({{0x60, 1, 4}, kKey, sequence(16, 0x70)})));
        },
        k5}},
      {"MF_InitValue",
       {[=] {
          return B("MF_InitValue", {val(0x60), val(5), in(kKey), in(kValue)})
              .sends(f(0x0D, 0x22, concat({{0x60, 5}, kKey, kValue})));
        },
        k5}},
      {"MF_Dec",
       {[=] {
          return B("MF_Dec", {val(0x60), val(5), in(kKey), in(kValue)})
              .sends(f(0x0D, 0x23, concat({{0x60, 5}, kKey, kValue})));
        },
        k5}},
      {"MF_Inc",
       {[=] {
          return B("MF_Inc", {val(0x60), val(5), in(kKey), in(kValue)})
              .sends(f(0x0D, 0x24, concat({{0x60, 5}, kKey, kValue})));
        },
        k5}},
      {"ISO15693_Read",
       {[=] {
          return B("ISO15693_Read", {val(kNotAddressed), val(5), val(1), null(), out(126)})
              .sends(f(0x04, 0x11, {kNotAddressed, 5, 1}));
        },
        kSt}},
      {"ISO15693_Write",
       {[=] {
          return B("ISO15693_Write", {val(kNotAddressed), val(5), val(1), null(), in(kPage)})
              .sends(f(0x08, 0x12, concat({{kNotAddressed, 5, 1}, kPage})));
        },
        kSt}},
      {"ISO15693_Lock",
       {[=] {
          return B("ISO15693_Lock", {val(kAddressed), val(3), uid(), out(1)})
              .sends(f(0x0B, 0x13, concat({{kAddressed, 3}, kUid})));
        },
        kSt}},
      {"TypeB_TransCOS",
       {[=] {
          return B("TypeB_TransCOS", {in(kApdu), val(5), out(127)})
              .sends(f(0x07, 0x0D, concat({{5}, kApdu})));
        },
        k5}},
      {"MF_TypeATransCOSCmd",
       {[=] {
          return B("MF_TypeATransCOSCmd", {in(kApdu), val(5), out(5)}).sends(f(0x07, 0x0D, kApdu));
        },
        k5}},
      {"ISO15693_TransCOSCmd",
       {[=] {
          return B("ISO15693_TransCOSCmd", {in({0x26, 0x01, 0x00}), val(3), out(126)})
              .sends(f(0x05, 0x1D, {0x26, 0x01, 0x00}));
        },
        k5}},
      {"ISO15693_GetSysInfo",
       {[=] {
          return B("ISO15693_GetSysInfo", {val(kAddressed), uid(), out(15)})
              .sends(f(0x0A, 0x1B, concat({{kAddressed}, kUid})));
        },
        k2}},
      {"ISO15693_GetMulSecurity",
       {[=] {
          return B("ISO15693_GetMulSecurity",
                   {val(kNotAddressed), val(0), val(3), null(), out(126)})
              .sends(f(0x04, 0x1C, {kNotAddressed, 0, 3}));
        },
        k5}},
      {"ISO15693_Inventory",
       {[=] {
          return B("ISO15693_Inventory", {out(1), out(240)}).sends(f(0x04, 0x10, {0x06, 0, 0}));
        },
        k2}},
      {"ISO15693_StayQuiet",
       {[=] {
          return B("ISO15693_StayQuiet", {val(kNotAddressed), uid(), out(1)})
              .sends(f(0x0A, 0x14, concat({{kNotAddressed}, kUid})));
        },
        kSt}},
      {"ISO15693_Select",
       {[=] {
          return B("ISO15693_Select", {val(kNotAddressed), uid(), out(1)})
              .sends(f(0x0A, 0x15, concat({{kNotAddressed}, kUid})));
        },
        kSt}},
      {"ISO15693_ResetToReady",
       {[=] {
          return B("ISO15693_ResetToReady", {val(kAddressed), uid(), out(1)})
              .sends(f(0x0A, 0x16, concat({{kAddressed}, kUid})));
        },
        kSt}},
      {"ISO15693_LockAFI",
       {[=] {
          return B("ISO15693_LockAFI", {val(kAddressed), uid(), out(1)})
              .sends(f(0x0A, 0x18, concat({{kAddressed}, kUid})));
        },
        kSt}},
      {"ISO15693_LockDSFID",
       {[=] {
          return B("ISO15693_LockDSFID", {val(kAddressed), uid(), out(1)})
              .sends(f(0x0A, 0x1A, concat({{kAddressed}, kUid})));
        },
        kSt}},
      {"ISO15693_WriteAFI",
       {[=] {
          return B("ISO15693_WriteAFI", {val(kNotAddressed), val(7), null(), out(1)})
              .sends(f(0x03, 0x17, {kNotAddressed, 7}));
        },
        kSt}},
      {"ISO15693_WriteDSFID",
       {[=] {
          return B("ISO15693_WriteDSFID", {val(kNotAddressed), val(7), null(), out(1)})
              .sends(f(0x03, 0x19, {kNotAddressed, 7}));
        },
        kSt}},
      {"UL_HLRead",
       {[=] {
          return B("UL_HLRead", {val(0), val(4), out(7), out(16)}).sends(f(0x03, 0xE0, {0, 4}));
        },
        k5}},
      {"UL_HLWrite",
       {[=] {
          return B("UL_HLWrite", {val(0), val(4), out(7), in(kPage)})
              .sends(f(0x08, 0xE1, concat({{0, 1, 4}, kPage})));
        },
        k5}},
      {"UL_Request",
       {[=] {
          return B("UL_Request", {val(0), out(7)}).sends(f(0x02, 0xE3, {0}));
        },
        k5}},
  };
}

using CommandList = std::vector<std::pair<const char*, Command>>;

std::function<CallBuilder()> callOf(const CommandList& all, const char* name) {
  for (const auto& [n, c] : all) {
    if (std::string(n) == name) return c.call;
  }
  throw std::logic_error(std::string("no command ") + name);
}

// A call that leaves a long reply of bytes other than the fill in the reply
// window, so that a later call that reads an earlier reply shows it.
CallBuilder primer() {
  Bytes data(244);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0x80 | (i % 0x7F));
  return B("GetVersionNum", {out(126)})
      .sends(commandFrame(0x01, 0x86))
      .replies(replyWithLen(0x7F, 0x00, data))
      .returns(0)
      .writes(0, Bytes(data.begin(), data.begin() + 126));
}

// The reply window after a read that delivered `delivered`.
Bytes windowAfter(const Bytes& delivered) {
  Bytes window(kWindow, kFill);
  std::copy(delivered.begin(), delivered.end(), window.begin());
  return window;
}
// n data bytes of the window from D[first] on.
Bytes dataOf(const Bytes& window, size_t first, size_t n) {
  return Bytes(window.begin() + static_cast<long>(kDataAt + first),
               window.begin() + static_cast<long>(kDataAt + first + n));
}

const Bytes kAddressOnly{0xAA, 0x00};  // LEN, status and data read as the fill
Bytes headerOnly(uint8_t len) { return {0xAA, 0x00, len, 0x00}; }

// A partial reply to one command: what it writes and returns when only the
// first two bytes arrive (status and LEN read 0x01), and when only the four
// header bytes with status 0 and the given LEN arrive.
struct Partial {
  const char* name;
  std::function<CallBuilder()> call;
  int addressOnlyResult;
  std::vector<std::pair<int, Bytes>> addressOnlyWrites;
  uint8_t len;
  int headerResult;
  std::vector<std::pair<int, Bytes>> headerWrites;
};

std::vector<Partial> partials(const CommandList& all) {
  auto of = [&all](const char* name) { return callOf(all, name); };
  const Bytes f1{kFill}, f4(4, kFill), f7(7, kFill), f9(9, kFill), f16(16, kFill);
  return {
      {"MF_Request", of("MF_Request"), 4, {{1, f1}}, 0x03, 0, {{1, {kFill, kFill}}}},
      {"MF_Anticoll", of("MF_Anticoll"), 1, {{0, f1}}, 0x06, 0, {{0, f4}, {1, f1}}},
      {"MF_Getsnr", of("MF_Getsnr"), 1, {{2, f1}}, 0x06, 0, {{2, f1}, {3, f4}}},
      {"MF_Select", of("MF_Select"), 1, {}, 0x05, 0, {{0, f4}}},
      {"MF_Halt", of("MF_Halt"), 1, {}, 0x01, 0, {}},
      {"SetDeviceAddress", of("SetDeviceAddress"), 1, {{1, f1}}, 0x02, 0, {{1, f1}}},
      {"GetSerNum", of("GetSerNum"), 1, {{0, f9}}, 0x0A, 0, {{0, f9}}},
      {"GetVersionNum", of("GetVersionNum"), 1, {}, 0x0A, 0, {{0, f9}}},
      {"ISO15693_WriteUserInfo", of("ISO15693_WriteUserInfo"), 1, {}, 0x01, 0, {}},
      {"TypeB_Request", of("TypeB_Request"), 1, {{0, f1}}, 0x0D, 0, {{0, Bytes(12, kFill)}}},
      {"TYPEB_SFZSNR", of("TYPEB_SFZSNR"), 1, {{2, f1}}, 0x0A, 0, {{2, f1}, {3, Bytes(8, kFill)}}},
      // LEN bytes from D[0] on: one with LEN 1.
      {"TypeB_TransCOS", of("TypeB_TransCOS"), 1, {{2, f1}}, 0x05, 0, {{2, Bytes(5, kFill)}}},
      // commandLength bytes from the LEN byte on; the LEN byte is the result.
      {"MF_TypeATransCOSCmd",
       of("MF_TypeATransCOSCmd"),
       1,
       {{2, Bytes(5, kFill)}},
       0x07,
       7,
       {{2, {0x07, 0x00, kFill, kFill, kFill}}}},
      {"MF_Restore", of("MF_Restore"), 1, {}, 0x05, 0, {{2, f4}}},
      {"MF_Read", of("MF_Read"), 1, {{4, f1}}, 0x15, 0, {{3, f4}, {4, f16}}},
      {"MF_Write", of("MF_Write"), 1, {{3, f4}, {4, f1}}, 0x05, 0, {{3, f4}, {4, f1}}},
      {"MF_InitValue", of("MF_InitValue"), 1, {{2, f4}}, 0x05, 0, {{2, f4}}},
      {"MF_Dec", of("MF_Dec"), 1, {{2, f4}, {3, f4}}, 0x09, 0, {{2, f4}, {3, f4}}},
      {"UL_Request", of("UL_Request"), 1, {{1, f1}}, 0x08, 0, {{1, f7}}},
      {"UL_HLRead", of("UL_HLRead"), 1, {{3, f1}}, 0x18, 0, {{2, f7}, {3, f16}}},
      {"UL_HLWrite", of("UL_HLWrite"), 1, {{3, f1}}, 0x08, 0, {{2, f7}}},
      // D[0], the fill, counts one card record.
      {"ISO15693_Inventory",
       of("ISO15693_Inventory"),
       1,
       {{0, f1}},
       0x0C,
       0,
       {{0, f1}, {1, Bytes(10, kFill)}}},
      {"ISO15693_Read", of("ISO15693_Read"), 1, {{4, f1}}, 0x05, 0, {{4, f4}}},
      {"ISO15693_Write", of("ISO15693_Write"), 1, {{4, f1}}, 0x01, 0, {}},
      {"ISO15693_Select", of("ISO15693_Select"), 1, {{2, f1}}, 0x02, 0, {{2, f1}}},
      {"ISO15693_Lock", of("ISO15693_Lock"), 1, {{3, f1}}, 0x02, 0, {{3, f1}}},
      // Only a reply of LEN 16 is system information.
      {"ISO15693_GetSysInfo",
       of("ISO15693_GetSysInfo"),
       kNoReply,
       {{2, f1}},
       0x10,
       0,
       {{2, Bytes(15, kFill)}}},
      // The fill in D[0] does not echo a block count of 3 ...
      {"ISO15693_GetMulSecurity", of("ISO15693_GetMulSecurity"), kNoReply, {}, 0x04, kNoReply, {}},
      // ... and does echo a block count of 1.
      {"ISO15693_GetMulSecurity(count 1)",
       [] {
         return B("ISO15693_GetMulSecurity", {val(kNotAddressed), val(0), val(1), null(), out(126)})
             .sends(commandFrame(0x04, 0x1C, {kNotAddressed, 0, 1}));
       },
       1,
       {},
       0x04,
       0,
       {{4, {kFill, kFill, kFill}}}},
      {"ISO15693_TransCOSCmd", of("ISO15693_TransCOSCmd"), 1, {}, 0x05, 0, {{2, f4}}},
  };
}

CallBuilder withWrites(CallBuilder call, const std::vector<std::pair<int, Bytes>>& writes) {
  for (const auto& [arg, bytes] : writes) call.writes(arg, bytes);
  return call;
}

// The copies sized by the reply's LEN byte, under garbage LENs.
struct LenSized {
  const char* name;
  std::function<CallBuilder()> call;
  int buffer;
  int extra;  // bytes copied beyond LEN - 1 (TypeB_TransCOS copies LEN)
};

size_t copiedFor(uint8_t len, int extra) {
  const int signedLen = static_cast<int8_t>(len);
  const int n = signedLen - 1 + extra;
  return signedLen > 0 && n > 0 ? static_cast<size_t>(n) : 0;
}

}  // namespace

VEXA_CASES(faults) {
  const auto all = commands();

  // No reply from the reader's address, in every way it can happen: each
  // command fails as its table says and writes nothing.
  for (const auto& [name, command] : all) {
    const int failed = failedResult(command.foreign);
    const std::string n = name;
    for (TransportKind kind :
         {TransportKind::kAbsent, TransportKind::kWithoutWrite, TransportKind::kWithoutRead}) {
      list.push_back(makeCase(n + ": transport " + transportKindName(kind),
                              command.call().sendsNothing().returns(failed), kind));
    }
    const size_t frameSize = command.call().build().frame->size();
    const std::pair<const char*, int32_t> writeFaults[] = {
        {"write refused (0)", static_cast<int32_t>(frameSize)},
        {"write returns -1", static_cast<int32_t>(frameSize) + 1},
        {"write short by one", 1},
        {"write reports one byte more", -1},
    };
    for (const auto& [fault, shortBy] : writeFaults) {
      list.push_back(
          makeCase(n + ": " + fault, command.call().writeFails(shortBy).returns(failed)));
    }
    list.push_back(
        makeCase(n + ": read delivers nothing", command.call().replies({}).returns(failed)));
    list.push_back(makeCase(n + ": read delivers the first byte only",
                            {primer(), command.call().replies({0xAA}).returns(failed)}));
    list.push_back(makeCase(n + ": reply from address 0x05",
                            command.call()
                                .replies(replyFrom(0x05, kForeignStatus, sequence(30, 0x20)))
                                .returns(foreignResult(command.foreign, kForeignStatusResult))));
    list.push_back(makeCase(n + ": reply from address 0xFF, status 0",
                            command.call()
                                .replies(replyFrom(0xFF, 0x00, sequence(30, 0x20)))
                                .returns(foreignResult(command.foreign, 0))));
  }

  // Part of a reply after a long one: the missing bytes are the fill.
  for (const Partial& p : partials(all)) {
    const std::string n = p.name;
    list.push_back(
        makeCase(n + ": only address delivered",
                 {primer(), withWrites(p.call().replies(kAddressOnly).returns(p.addressOnlyResult),
                                       p.addressOnlyWrites)}));
    list.push_back(makeCase(
        n + ": header delivered, data missing",
        {primer(),
         withWrites(p.call().replies(headerOnly(p.len)).returns(p.headerResult), p.headerWrites)}));
  }

  // Garbage LEN: a negative or zero LEN copies nothing; LEN 0x7F on a short
  // reply copies 126 bytes (127 for TypeB_TransCOS), the fill after the
  // bytes that arrived.
  auto byName = [&all](const char* name) { return callOf(all, name); };
  const LenSized lenSized[] = {
      {"GetVersionNum", byName("GetVersionNum"), 0, 0},
      {"TypeB_Request", byName("TypeB_Request"), 0, 0},
      {"Type_B", byName("Type_B"), 0, 0},
      {"TypeB_TransCOS", byName("TypeB_TransCOS"), 2, 1},
      {"ISO15693_TransCOSCmd", byName("ISO15693_TransCOSCmd"), 2, 0},
      {"ISO15693_Read", byName("ISO15693_Read"), 4, 0},
      {"MF_Restore", byName("MF_Restore"), 2, 0},
  };
  const Bytes shortData = sequence(5, 0x30);
  for (const LenSized& s : lenSized) {
    for (uint8_t len : {0x00, 0x01, 0x7F, 0x80, 0xC3, 0xFF}) {
      const Bytes delivered = len == 0x7F ? replyWithLen(len, 0x00, shortData)
                                          : replyWithLen(len, 0x00, sequence(126, 0x30));
      const Bytes window = windowAfter(delivered);
      const size_t copied = copiedFor(len, s.extra);
      list.push_back(makeCase(std::string(s.name) + ": LEN " + std::to_string(len) + " copies " +
                                  std::to_string(copied),
                              {primer(), s.call().replies(delivered).returns(0).writes(
                                             s.buffer, dataOf(window, 0, copied))}));
    }
  }

  // Copies of fixed size do not look at LEN.
  const Bytes full = sequence(40, 0x30);
  for (uint8_t len : {0x00, 0x80, 0xFF}) {
    const std::string l = " with LEN " + std::to_string(len);
    const Bytes delivered = replyWithLen(len, 0x00, full);
    list.push_back(
        makeCase("GetSerNum" + l + " copies nine bytes",
                 byName("GetSerNum")().replies(delivered).returns(0).writes(0, sequence(9, 0x30))));
    list.push_back(makeCase("UL_HLRead" + l + " copies page and serial number",
                            byName("UL_HLRead")()
                                .replies(delivered)
                                .returns(0)
                                .writes(3, sequence(16, 0x30))
                                .writes(2, sequence(7, 0x40))));
    list.push_back(makeCase("MF_Read" + l + " copies serial number and block",
                            byName("MF_Read")()
                                .replies(delivered)
                                .returns(0)
                                .writes(3, sequence(4, 0x30))
                                .writes(4, sequence(16, 0x34))));
    // D[0] = 0x30 cards would not fit a reply: refused, nothing copied.
    list.push_back(makeCase(
        "ISO15693_Inventory" + l + " counts 0x30 cards: 5",
        byName("ISO15693_Inventory")().replies(delivered).returns(kNoReply).writes(0, {0x30})));
    list.push_back(makeCase("ISO15693_Inventory" + l + " copies two records by D[0]",
                            byName("ISO15693_Inventory")()
                                .replies(replyWithLen(len, 0x00, concat({{0x02}, full})))
                                .returns(0)
                                .writes(0, {0x02})
                                .writes(1, sequence(20, 0x30))));
    list.push_back(makeCase(
        "ISO15693_GetSysInfo" + l + " is not system information",
        byName("ISO15693_GetSysInfo")().replies(delivered).returns(kNoReply).writes(2, {0x30})));
    // The echo matches; the copy is LEN's.
    list.push_back(makeCase("ISO15693_GetMulSecurity" + l + " copies nothing",
                            byName("ISO15693_GetMulSecurity")()
                                .replies(replyWithLen(len, 0x00, concat({{0x03}, full})))
                                .returns(0)));
    // The LEN byte is the result, and the first byte copied.
    list.push_back(makeCase("MF_TypeATransCOSCmd" + l + " returns it",
                            byName("MF_TypeATransCOSCmd")()
                                .replies(delivered)
                                .returns(static_cast<int8_t>(len))
                                .writes(2, {len, 0x00, 0x30, 0x31, 0x32})));
  }
}

}  // namespace vexa::test
