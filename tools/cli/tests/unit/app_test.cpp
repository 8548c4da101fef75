// The command line against a stand-in reader: what is refused before any
// call, exit statuses, the error line, JSON, and the commands' handling of
// the buffers the library overwrites.
#include "app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "errors.h"
#include "fake_reader.h"

namespace vexa::cli {
namespace {

using testing::FakeReader;
using Json = nlohmann::json;

constexpr std::uint8_t kStatusFailed = 1;
constexpr std::uint8_t kNoCard = 0x80;
constexpr std::uint8_t kAuthFailed = 0x82;
constexpr std::uint8_t kReadOnly = 0x85;
const std::array<std::uint8_t, 4> kSerial = {0x3A, 0x7F, 0x01, 0xC4};

struct Outcome {
  int status;
  std::string out, err;
};

Outcome runWith(Reader& reader, std::vector<std::string> args) {
  args.insert(args.begin(), "vexa");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int status = run(static_cast<int>(argv.size()), argv.data(), reader, {out, err, false});
  return {status, out.str(), err.str()};
}

// ---- arguments refused before anything reaches the library ----

struct Refusal {
  std::vector<std::string> args;
  const char* message;  // a part of the error line
};

class Refused : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refused, WithOneLineAndNoLibraryCall) {
  FakeReader reader;
  const Outcome o = runWith(reader, GetParam().args);
  EXPECT_EQ(o.status, kExitUsage);
  EXPECT_EQ(reader.total(), 0) << "a call reached the library";
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  EXPECT_EQ(o.err.rfind("vexa", 0), 0u) << o.err;
  EXPECT_NE(o.err.find(GetParam().message), std::string::npos) << o.err;
  EXPECT_TRUE(o.out.empty()) << o.out;
}

const std::string kBlock(32, '0');

INSTANTIATE_TEST_SUITE_P(
    Arguments, Refused,
    ::testing::Values(
        Refusal{{"mf", "read", "64"},
                "vexa mf read: block 64 is out of range for a 1k card (0 to 63)"},
        Refusal{{"mf", "read", "4", "-k", "FFFFFFFFFF"},
                "key must be 6 bytes (12 hex digits), got 5"},
        Refusal{{"mf", "read", "4", "--key", "FFFFFFFFFFF"}, "odd number of hex digits"},
        Refusal{{"mf", "read", "62", "-n", "3"}, "last block 64 is out of range"},
        Refusal{{"mf", "read", "4", "-n", "16"}, "block count 16 is out of range (1 to 15)"},
        Refusal{{"mf", "read", "4", "-t", "C"}, "key type 'C' is not A or B"},
        Refusal{{"mf", "--card", "8k", "dump"}, "card size '8k'"},
        Refusal{{"mf", "write", "0", kBlock}, "manufacturer block"},
        Refusal{{"mf", "write", "2", kBlock + kBlock}, "trailer of sector 0"},
        Refusal{{"mf", "write", "4", "0011"}, "whole 16-byte blocks"},
        Refusal{{"mf", "value", "init", "7", "5"}, "trailer of sector 1, not a value block"},
        Refusal{{"mf", "value", "inc", "4", "-5"}, "amount"},
        Refusal{{"mf", "value", "restore", "4", "8"}, "different sectors"},
        Refusal{{"ul", "read", "16"}, "page 16 is out of range (0 to 15)"},
        Refusal{{"ul", "write", "0", "00112233"}, "page 0 is out of range (1 to 15)"},
        Refusal{{"ul", "write", "3", "00112233"}, "add --yes"},
        Refusal{{"ul", "write", "4", "001122"}, "4 bytes"},
        Refusal{{"15693", "lock", "0", "--yes"}, "block 0 cannot be locked"},
        Refusal{{"15693", "lock", "5"}, "cannot be undone: add --yes"},
        Refusal{{"15693", "afi", "lock"}, "cannot be undone"},
        Refusal{{"15693", "read", "0", "--uid", "E004015012345678", "--lock-status"},
                "cannot be combined"},
        Refusal{{"15693", "read", "0", "--uid", "E0040150123456"}, "UID must be 8 bytes"},
        Refusal{{"15693", "quiet"}, "needs the tag's UID"},
        Refusal{{"15693", "read", "0", "-n", "32"}, "out of range (1 to 31"},
        Refusal{{"15693", "read", "250", "-n", "10"}, "run past block 255"},
        Refusal{{"15693", "write", "0", "112233"}, "whole 4-byte blocks"},
        Refusal{{"15693", "raw", "02"}, "request must be 2 to 250 bytes"},
        Refusal{{"15693", "--uid", "E004015012345678", "write", "0", std::string(60 * 8, '0')},
                "at most 59 blocks per write to a UID, got 60"},
        Refusal{{"mf", "value", "init", "4", "2147483648"}, "value 2147483648 is out of range"},
        Refusal{{"typeb", "apdu", "00A4"}, "APDU must be 4 to 249 bytes, got 2"},
        Refusal{{"typea", "apdu", "00A40400", "00B0"}, "APDU must be 4 to 250 bytes, got 2"},
        Refusal{{"typea", "select", "0011"}, "serial must be 4 bytes"},
        Refusal{{"reader", "led", "--ms", "15"}, "not a multiple of 10 ms"},
        Refusal{{"reader", "buzzer", "--times", "0"}, "count"},
        Refusal{{"reader", "speed", "1234"}, "is not one of 9600"},
        Refusal{{"reader", "serial", "0011"}, "serial number must be 8 bytes"},
        Refusal{{"reader", "userinfo", "250", "00112233445566778899"}, "run past"},
        Refusal{{"mf", "read"}, "BLOCK is required"}, Refusal{{"mf"}, "vexa mf: "},
        Refusal{{"frobnicate"}, "vexa: 'frobnicate' is not a command"},
        Refusal{{"mf", "frob"}, "vexa mf: 'frob' is not a command"}));

// ---- failures of the library calls ----

TEST(Failures, NoReaderGivesOneLineAndStatusOne) {
  FakeReader reader;
  const Outcome o = runWith(reader, {"reader", "version"});
  EXPECT_EQ(o.status, kExitCallFailed);
  EXPECT_EQ(o.err,
            "vexa reader version: GetVersionNum returned 5: no reply from the reader (or the "
            "transport library is missing)\n");
  EXPECT_TRUE(o.out.empty());
}

TEST(Failures, JsonNamesTheFunctionAndResult) {
  FakeReader reader;
  const Outcome o = runWith(reader, {"--json", "15693", "inventory"});
  EXPECT_EQ(o.status, kExitCallFailed);
  const Json j = Json::parse(o.out);
  EXPECT_EQ(j["command"], "iso15693 inventory");
  EXPECT_FALSE(j["ok"].get<bool>());
  EXPECT_EQ(j["error"]["function"], "ISO15693_Inventory");
  EXPECT_EQ(j["error"]["result"]["code"], 2);
  ASSERT_EQ(j["calls"].size(), 1u);
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1);
}

// MF_Write puts the reader's detail byte into data[0] on status 1.
class RefusingWrite : public FakeReader {
 public:
  int MF_Write(u8, u8, u8, u8* key, u8* data) override {
    std::memcpy(key, kSerial.data(), kSerial.size());
    data[0] = kReadOnly;
    return kStatusFailed;
  }
};

TEST(Failures, DetailByteFromTheBufferTheLibraryFilled) {
  RefusingWrite reader;
  const Outcome o = runWith(reader, {"mf", "write", "4", kBlock});
  EXPECT_EQ(o.status, kExitCallFailed);
  EXPECT_NE(
      o.err.find("MF_Write returned 1: the command failed: the block is read-only (detail 0x85)"),
      std::string::npos)
      << o.err;
}

// ---- the key buffer that MF_Read overwrites ----

// A 1K card whose sector 2 refuses the key. Like the library, MF_Read puts
// the serial number over key[0..3] whenever it succeeds.
class ClassicCard : public FakeReader {
 public:
  std::vector<std::array<u8, 6>> keysSeen;
  int refusedSector = 2;

  int MF_Read(u8, u8 first, u8 count, u8* key, u8* data) override {
    keysSeen.push_back({key[0], key[1], key[2], key[3], key[4], key[5]});
    if (first / 4 == refusedSector) {
      data[0] = kAuthFailed;
      return kStatusFailed;
    }
    std::memcpy(key, kSerial.data(), kSerial.size());
    std::memset(data, first, static_cast<std::size_t>(count) * 16);
    return 0;
  }
};

TEST(Dump, EveryCallGetsTheKeyAndRefusedSectorsAreMarked) {
  ClassicCard reader;
  const Outcome o = runWith(reader, {"--json", "mf", "dump", "-k", "A0A1A2A3A4A5"});
  ASSERT_EQ(o.status, kExitOk) << o.err;
  ASSERT_EQ(reader.keysSeen.size(), 16u);
  for (const auto& k : reader.keysSeen) {
    EXPECT_EQ(k, (std::array<u8, 6>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
  }
  const Json j = Json::parse(o.out);
  EXPECT_EQ(j["serial"], "3A7F01C4");
  EXPECT_EQ(j["readable_sectors"], 15);
  EXPECT_FALSE(j["sectors"][2]["readable"].get<bool>());
  EXPECT_EQ(j["sectors"][2]["result"]["detail"]["code"], "0x82");
  // Sector 3 came from one call for blocks 12 to 15, which the card filled with 0x0C.
  std::string twelves;
  for (int i = 0; i < 16; ++i) twelves += "0C";
  EXPECT_EQ(j["sectors"][3]["blocks"][1]["data"], twelves);
}

TEST(Dump, NoSectorOpenFails) {
  class AllRefused : public FakeReader {
    int MF_Read(u8, u8, u8, u8*, u8* data) override {
      data[0] = kAuthFailed;
      return kStatusFailed;
    }
  } refusing;
  const Outcome o = runWith(refusing, {"mf", "dump"});
  EXPECT_EQ(o.status, kExitCallFailed);
  EXPECT_NE(o.err.find("key A opens no sector"), std::string::npos) << o.err;
}

TEST(Dump, NoCardEndsIt) {
  class Empty : public FakeReader {
    int MF_Read(u8, u8, u8, u8*, u8* data) override {
      ++calls["MF_Read"];
      data[0] = kNoCard;
      return kStatusFailed;
    }
  } reader;
  const Outcome o = runWith(reader, {"mf", "dump"});
  EXPECT_EQ(o.status, kExitCallFailed);
  EXPECT_EQ(reader.calls["MF_Read"], 1);
  EXPECT_NE(o.err.find("no card in the field"), std::string::npos) << o.err;
}

// ---- scan ----

// One Type A card that does not stay halted; nothing else in the field.
class StubbornCard : public FakeReader {
 public:
  int MF_Request(u8, u8* atqa) override {
    ++calls["MF_Request"];
    atqa[0] = 0x04;
    atqa[1] = 0x00;
    return 0;
  }
  int MF_Anticoll(u8* serial, u8* info) override {
    std::memcpy(serial, kSerial.data(), kSerial.size());
    *info = 1;
    return 0;
  }
  int MF_Select(u8*) override { return 0; }
  int MF_Halt() override { return 0; }
  int UL_Request(u8, u8* serial) override {
    serial[0] = kNoCard;
    return kStatusFailed;
  }
  int TypeB_Request(u8* answer) override {
    answer[0] = kNoCard;
    return kStatusFailed;
  }
  int ISO15693_Inventory(u8* count, u8*) override {
    *count = 0;
    return 0;
  }
};

TEST(Scan, EndsWhenACardAnswersAgain) {
  StubbornCard reader;
  const Outcome o = runWith(reader, {"--json", "scan"});
  ASSERT_EQ(o.status, kExitOk) << o.err;
  const Json j = Json::parse(o.out);
  ASSERT_EQ(j["type_a"]["cards"].size(), 1u);
  EXPECT_EQ(j["type_a"]["cards"][0]["uid"], "3A7F01C4");
  EXPECT_EQ(reader.calls["MF_Request"], 2);
  EXPECT_TRUE(j["type_b"]["cards"].empty());
  EXPECT_TRUE(j["iso15693"]["tags"].empty());
}

TEST(Scan, AFamilyThatFailsIsReportedAndTheRestScanned) {
  class NoTypeB : public StubbornCard {
    int TypeB_Request(u8*) override { return 5; }
  } reader;
  const Outcome o = runWith(reader, {"scan"});
  EXPECT_EQ(o.status, kExitCallFailed);
  EXPECT_NE(o.out.find("Type A: 1 card"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Type B: not scanned: TypeB_Request returned 5"), std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("ISO/IEC 15693: 0 tags"), std::string::npos) << o.out;
  EXPECT_EQ(o.err.rfind("vexa scan: type_b: TypeB_Request returned 5", 0), 0u) << o.err;
}

// ---- APDUs: how long the response is, when the library does not say ----

class CpuCard : public FakeReader {
 public:
  int MF_Request(u8, u8*) override { return 0; }
  int MF_Select(u8*) override { return 0; }
  // A reply of LEN 5: status 0 and four data bytes, copied from LEN on for
  // as many bytes as the command has.
  int MF_TypeATransCOSCmd(const u8*, int length, u8* response) override {
    const u8 reply[] = {0x05, 0x00, 0xCA, 0xFE, 0x90, 0x00, 0x17, 0xBB};
    std::memcpy(response, reply, static_cast<std::size_t>(length));
    return reply[0];
  }
  // The reply's data, then its check byte.
  int TypeB_Request(u8* answer) override {
    const u8 atqb[] = {0x50, 1, 2, 3, 4, 0, 0, 0, 0, 0x00, 0x81, 0x71};
    std::memcpy(answer, atqb, sizeof atqb);
    return 0;
  }
  int TypeB_TransCOS(const u8*, int, u8* response) override {
    const u8 data[] = {0xCA, 0xFE, 0x90, 0x00};
    u8 check = sizeof data + 1;
    for (u8 b : data) check ^= b;
    std::memcpy(response, data, sizeof data);
    response[sizeof data] = check;
    return 0;
  }
};

TEST(Apdu, TypeALengthFiveIsAReplyNotNoReply) {
  CpuCard reader;
  const Outcome o =
      runWith(reader, {"--json", "typea", "apdu", "--serial", "08123456", "00A4040001"});
  ASSERT_EQ(o.status, kExitOk) << o.err;
  const Json e = Json::parse(o.out)["exchanges"][0];
  // Five command bytes bring back LEN, status and three of the four data bytes.
  EXPECT_EQ(e["response"], "CAFE90");
  EXPECT_TRUE(e["truncated"].get<bool>());
  EXPECT_FALSE(e.contains("sw"));
}

TEST(Apdu, TypeAWholeReplyWhenTheCommandIsLongEnough) {
  CpuCard reader;
  const Outcome o =
      runWith(reader, {"--json", "typea", "apdu", "--serial", "08123456", "00A404000101"});
  ASSERT_EQ(o.status, kExitOk) << o.err;
  const Json e = Json::parse(o.out)["exchanges"][0];
  EXPECT_EQ(e["response"], "CAFE9000");
  EXPECT_EQ(e["sw"], "9000");
  EXPECT_FALSE(e["truncated"].get<bool>());
}

TEST(Apdu, TypeBLengthFromTheCheckByte) {
  CpuCard reader;
  const Outcome o = runWith(reader, {"--json", "typeb", "apdu", "00B0000002"});
  ASSERT_EQ(o.status, kExitOk) << o.err;
  const Json j = Json::parse(o.out);
  EXPECT_EQ(j["card"], "01020304");
  EXPECT_EQ(j["exchanges"][0]["response"], "CAFE9000");
  EXPECT_EQ(j["exchanges"][0]["data"], "CAFE");
}

}  // namespace
}  // namespace vexa::cli
