// The vexa library, unchanged, driving the virtual reader that sits beside
// it: card sessions from end to end, and the reader's own behaviour across
// processes (persistence, a malformed field file, the trace, pinning).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "vexa.h"

namespace vr::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFieldVariable = "VEXA_SIM_FIELD";
constexpr const char* kPersistVariable = "VEXA_SIM_PERSIST";
constexpr const char* kTraceVariable = "VEXA_SIM_TRACE";
constexpr const char* kChildFlag = "--vr-child=";
constexpr const char* kDirFlag = "--vr-dir=";

constexpr unsigned char kKeyA = 0x00;
constexpr unsigned char kAddressed = VEXA_ISO15693_FLAGS_ADDRESSED;
constexpr int kReplyBuffer = 248;
constexpr int kStatusFailed = 1;
constexpr unsigned char kAuthFailed = 0x82;
constexpr unsigned char kIsoBlockLocked = 0x12;
constexpr unsigned char kChecksumError = 0x02;

const unsigned char kTransportKey[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const unsigned char kClassicUid[4] = {0x11, 0x22, 0x33, 0x44};
const unsigned char kUltralightUid[7] = {0x04, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76};
const unsigned char kCpuUid[4] = {0x08, 0x55, 0x66, 0x77};
const unsigned char kPupi[4] = {0xB1, 0xB2, 0xB3, 0xB4};
const unsigned char kSelectApp[11] = {0x00, 0xA4, 0x04, 0x00, 0x06, 0xF0,
                                      0x76, 0x65, 0x78, 0x61, 0x01};

// Three vicinity tags among the other cards.
constexpr const char* kFieldFile = R"({
  "cards": [
    {"type": "mifare-classic-1k", "uid": "11223344",
     "blocks": {"1": "48656C6C6F2066726F6D207665786121"}},
    {"type": "ultralight", "uid": "04717273747576"},
    {"type": "iso14443-4a", "uid": "08556677", "aid": "F07665786101",
     "file": "0102030405060708"},
    {"type": "iso14443b", "pupi": "B1B2B3B4", "protocolInfo": "008171",
     "idSerial": "0123456789ABCDEF", "aid": "F07665786101", "file": "AABBCCDD"},
    {"type": "iso15693", "uid": "E004010000000001", "dsfid": 1},
    {"type": "iso15693", "uid": "E004010000000002", "dsfid": 2},
    {"type": "iso15693", "uid": "E004010000000003", "dsfid": 3}
  ]
})";

std::string& workDir() {
  static std::string dir;
  return dir;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Halts the selected card and wakes every card: all of them READY.
void wakeTypeA() {
  MF_Halt();
  unsigned char atqa[2] = {};
  ASSERT_EQ(MF_Request(VEXA_MF_REQUEST_WAKEUP, atqa), 0);
}

class EndToEnd : public ::testing::Test {};

TEST_F(EndToEnd, ClassicSessionWithKeysAndValues) {
  wakeTypeA();
  unsigned char serial[4] = {};
  unsigned char info = 0;
  ASSERT_EQ(MF_Anticoll(serial, &info), 0);
  EXPECT_EQ(std::memcmp(serial, kClassicUid, 4), 0);
  EXPECT_EQ(info, 3);  // the three Type A cards took part
  ASSERT_EQ(MF_Select(serial), 0);
  EXPECT_EQ(std::memcmp(serial, kClassicUid, 4), 0);

  unsigned char key[6];
  unsigned char data[16 * 2] = {};
  std::memcpy(key, kTransportKey, 6);
  ASSERT_EQ(MF_Read(kKeyA, 1, 1, key, data), 0);
  EXPECT_EQ(std::memcmp(key, kClassicUid, 4), 0);  // the serial comes back over the key
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 16), "Hello from vexa!");

  unsigned char block[32];
  for (int i = 0; i < 32; ++i) block[i] = static_cast<unsigned char>(0xA0 + i);
  std::memcpy(key, kTransportKey, 6);
  ASSERT_EQ(MF_Write(kKeyA, 8, 2, key, block), 0);
  std::memcpy(key, kTransportKey, 6);
  ASSERT_EQ(MF_Read(kKeyA, 8, 2, key, data), 0);
  EXPECT_EQ(data[0], 0xA0);
  EXPECT_EQ(data[31], 0xBF);

  unsigned char value[4] = {100, 0, 0, 0};
  std::memcpy(key, kTransportKey, 6);
  ASSERT_EQ(MF_InitValue(kKeyA, 12, key, value), 0);
  unsigned char amount[4] = {50, 0, 0, 0};
  std::memcpy(key, kTransportKey, 6);
  ASSERT_EQ(MF_Inc(kKeyA, 12, key, amount), 0);
  EXPECT_EQ(amount[0], 150);
  unsigned char less[4] = {30, 0, 0, 0};
  std::memcpy(key, kTransportKey, 6);
  ASSERT_EQ(MF_Dec(kKeyA, 12, key, less), 0);
  EXPECT_EQ(less[0], 120);

  // Restore block 12 and transfer it to block 13, both in sector 3.
  unsigned char restore[8] = {12, 13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  ASSERT_EQ(MF_Restore(kKeyA, 8, restore), 0);
  EXPECT_EQ(restore[4], 120);

  unsigned char wrong[6] = {1, 2, 3, 4, 5, 6};
  data[0] = 0;
  EXPECT_EQ(MF_Read(kKeyA, 8, 1, wrong, data), kStatusFailed);
  EXPECT_EQ(data[0], kAuthFailed);
}

TEST_F(EndToEnd, RequestAgainstWakeUpAndTheTransparentCommand) {
  wakeTypeA();
  unsigned char serial[4] = {};
  unsigned char info = 0;
  // Work through the cards one by one: select, halt, REQA for the rest.
  for (const unsigned char* expected : {kClassicUid, kUltralightUid, kCpuUid}) {
    ASSERT_EQ(MF_Anticoll(serial, &info), 0);
    // A 7-byte UID starts with the cascade tag at this level.
    const unsigned char* cl1 = expected == kUltralightUid ? nullptr : expected;
    if (cl1) {
      EXPECT_EQ(std::memcmp(serial, cl1, 4), 0);
    } else {
      EXPECT_EQ(serial[0], 0x88);
    }
    ASSERT_EQ(MF_Select(serial), 0);
    if (expected == kCpuUid) break;
    ASSERT_EQ(MF_Halt(), 0);
    unsigned char atqa[2] = {};
    ASSERT_EQ(MF_Request(VEXA_MF_REQUEST_IDLE, atqa), 0);
  }
  unsigned char response[sizeof kSelectApp] = {};
  const int len = MF_TypeATransCOSCmd(kSelectApp, sizeof kSelectApp, response);
  EXPECT_EQ(len, 3);  // status and 90 00
  EXPECT_EQ(response[0], 3);
  EXPECT_EQ(response[1], 0);
  EXPECT_EQ(response[2], 0x90);
  EXPECT_EQ(response[3], 0x00);

  // Both halted cards stay silent to REQA; WUPA wakes them.
  MF_Halt();
  unsigned char atqa[2] = {};
  EXPECT_EQ(MF_Request(VEXA_MF_REQUEST_IDLE, atqa), VEXA_RESULT_REQUEST_FAILED);
  EXPECT_EQ(MF_Request(VEXA_MF_REQUEST_WAKEUP, atqa), 0);
}

TEST_F(EndToEnd, UltralightPages) {
  unsigned char serial[7] = {};
  ASSERT_EQ(UL_Request(0x00, serial), 0);
  EXPECT_EQ(std::memcmp(serial, kUltralightUid, 7), 0);
  unsigned char page[4] = {0xCA, 0xFE, 0xF0, 0x0D};
  ASSERT_EQ(UL_HLWrite(0x00, 6, serial, page), 0);
  unsigned char data[16] = {};
  ASSERT_EQ(UL_HLRead(0x00, 4, serial, data), 0);
  EXPECT_EQ(data[8], 0xCA);
  EXPECT_EQ(data[11], 0x0D);
  unsigned char uidPage[4] = {0, 0, 0, 0};
  EXPECT_EQ(UL_HLWrite(0x00, 1, serial, uidPage), kStatusFailed);
}

TEST_F(EndToEnd, TypeBRequestAndApdu) {
  unsigned char answer[126] = {};
  ASSERT_EQ(TypeB_Request(answer), 0);
  EXPECT_EQ(answer[0], 0x50);
  EXPECT_EQ(std::memcmp(answer + 1, kPupi, 4), 0);
  unsigned char response[127] = {};
  ASSERT_EQ(TypeB_TransCOS(kSelectApp, sizeof kSelectApp, response), 0);
  EXPECT_EQ(response[0], 0x90);
  EXPECT_EQ(response[1], 0x00);
  const unsigned char readFile[5] = {0x00, 0xB0, 0x00, 0x00, 0x04};
  ASSERT_EQ(TypeB_TransCOS(readFile, 5, response), 0);
  EXPECT_EQ(response[0], 0xAA);
  EXPECT_EQ(response[3], 0xDD);
  unsigned char idInfo = 0;
  unsigned char idSerial[8] = {};
  ASSERT_EQ(TYPEB_SFZSNR(0x00, 0x00, &idInfo, idSerial), 0);
  EXPECT_EQ(idSerial[0], 0x01);
  EXPECT_EQ(idSerial[7], 0xEF);
}

TEST_F(EndToEnd, VicinityTagsFromInventoryToLocks) {
  unsigned char count = 0;
  unsigned char records[240] = {};
  ASSERT_EQ(ISO15693_Inventory(&count, records), 0);
  ASSERT_EQ(count, 3);
  // Record: response flags, DSFID, UID least significant byte first.
  EXPECT_EQ(records[1], 1);
  EXPECT_EQ(records[2], 0x01);
  EXPECT_EQ(records[9], 0xE0);
  EXPECT_EQ(records[12], 0x02);
  const unsigned char* second = records + 10 + 2;

  unsigned char data[4] = {0x5E, 0xC0, 0x4D, 0x21};
  ASSERT_EQ(ISO15693_Write(kAddressed, 4, 1, second, data), 0);
  unsigned char back[126] = {};
  ASSERT_EQ(ISO15693_Read(kAddressed, 4, 1, second, back), 0);
  EXPECT_EQ(std::memcmp(back, data, 4), 0);
  // The same block of the first tag is untouched.
  ASSERT_EQ(ISO15693_Read(kAddressed, 4, 1, records + 2, back), 0);
  EXPECT_EQ(back[0], 0x00);
  // Without a UID all three tags answer at once.
  EXPECT_EQ(ISO15693_Read(0x02, 4, 1, nullptr, back), kStatusFailed);

  unsigned char reply = 0xFF;
  ASSERT_EQ(ISO15693_Lock(kAddressed, 4, second, &reply), 0);
  EXPECT_EQ(reply, 0x00);
  unsigned char other[4] = {1, 2, 3, 4};
  EXPECT_EQ(ISO15693_Write(kAddressed, 4, 1, second, other), kStatusFailed);
  EXPECT_EQ(other[0], kIsoBlockLocked);
  ASSERT_EQ(ISO15693_Read(kAddressed, 4, 1, second, back), 0);
  EXPECT_EQ(std::memcmp(back, data, 4), 0);

  unsigned char security[126] = {};
  ASSERT_EQ(ISO15693_GetMulSecurity(kAddressed, 3, 3, second, security), 0);
  EXPECT_EQ(security[0], 3);
  EXPECT_EQ(security[1], 0x00);
  EXPECT_EQ(security[2], 0x01);

  ASSERT_EQ(ISO15693_WriteAFI(kAddressed, 0x07, second, &reply), 0);
  unsigned char info[15] = {};
  ASSERT_EQ(ISO15693_GetSysInfo(kAddressed, second, info), 0);
  EXPECT_EQ(std::memcmp(info + 2, second, 8), 0);
  EXPECT_EQ(info[10], 2);     // DSFID
  EXPECT_EQ(info[11], 0x07);  // AFI
  EXPECT_EQ(info[12], 27);    // 28 blocks

  // A quiet tag leaves the inventory until it is reset to ready.
  ASSERT_EQ(ISO15693_StayQuiet(kAddressed, second, &reply), 0);
  ASSERT_EQ(ISO15693_Inventory(&count, records), 0);
  EXPECT_EQ(count, 2);
  const unsigned char uid2[8] = {0x02, 0, 0, 0, 0x00, 0x01, 0x04, 0xE0};
  ASSERT_EQ(ISO15693_ResetToReady(kAddressed, uid2, &reply), 0);
  ASSERT_EQ(ISO15693_Inventory(&count, records), 0);
  EXPECT_EQ(count, 3);

  // Read single block 4 of the second tag through the transparent command.
  unsigned char raw[11] = {0x22, 0x20};
  std::memcpy(raw + 2, uid2, 8);
  raw[10] = 4;
  unsigned char response[126] = {};
  ASSERT_EQ(ISO15693_TransCOSCmd(raw, sizeof raw, response), 0);
  EXPECT_EQ(response[0], 0x00);
  EXPECT_EQ(std::memcmp(response + 1, data, 4), 0);
}

TEST_F(EndToEnd, ReaderVersionSerialAndSignals) {
  unsigned char version[126] = {};
  ASSERT_EQ(GetVersionNum(version), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(version)), "VEXA virtual reader 1.0");
  const unsigned char serial[8] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
  unsigned char reply = 0xFF;
  ASSERT_EQ(SetSerNum(serial, &reply), 0);
  unsigned char back[9] = {};
  // The library loads and releases the transport around every exchange;
  // the serial number is still there at the next one.
  ASSERT_EQ(GetSerNum(back), 0);
  EXPECT_EQ(std::memcmp(back + 1, serial, 8), 0);
  EXPECT_EQ(ControlLED(5, 2, &reply), 0);
  EXPECT_EQ(ControlBuzzer(10, 1, &reply), 0);
  EXPECT_EQ(SetBandrate(0x09, &reply), kStatusFailed);
}

TEST_F(EndToEnd, ACorruptedChecksumIsRefused) {
  const TransportCalls transport = openTransport();
  ASSERT_NE(transport.write, nullptr);
  ASSERT_NE(transport.read, nullptr);
  // SetDeviceAddress 0x05 with the XOR byte off by one.
  const unsigned char frame[7] = {0xAA, 0x00, 0x02, 0x80, 0x05, 0x86, 0xBB};
  ASSERT_EQ(transport.write(0, sizeof frame, frame), 7);
  unsigned char reply[kReplyBuffer] = {};
  ASSERT_GE(transport.read(0, kReplyBuffer, reply), 6);
  EXPECT_EQ(reply[3], kChecksumError);
  unsigned char serial[9] = {};
  ASSERT_EQ(GetSerNum(serial), 0);
  EXPECT_EQ(serial[0], 0x00);  // the address did not change
}

// ---- Child processes: each loads the virtual reader afresh ----

int runChild(const std::string& name, const std::vector<std::pair<const char*, std::string>>& env) {
  for (const auto& [variable, value] : env) setEnvironment(variable, value);
  const int code = runSelf({kChildFlag + name, kDirFlag + workDir()});
  setEnvironment(kFieldVariable, (fs::path(workDir()) / "field.json").string());
  setEnvironment(kPersistVariable, "");
  setEnvironment(kTraceVariable, "");
  return code;
}

std::string childErrors(const std::string& name) {
  return readFile((fs::path(workDir()) / (name + ".err")).string());
}

TEST(EndToEndProcesses, ACardWrittenInOneProcessReadsBackInTheNext) {
  const std::string path = (fs::path(workDir()) / "kept.json").string();
  fs::remove(path);
  EXPECT_EQ(runChild("persist-write", {{kFieldVariable, path}, {kPersistVariable, "1"}}), 0)
      << childErrors("persist-write");
  ASSERT_TRUE(fs::exists(path));
  for (const auto& entry : fs::directory_iterator(workDir())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(runChild("persist-read", {{kFieldVariable, path}}), 0) << childErrors("persist-read");
}

TEST(EndToEndProcesses, AMalformedFieldFileIsReportedOnceAndTheFieldIsEmpty) {
  const std::string path = (fs::path(workDir()) / "broken.json").string();
  { std::ofstream(path) << R"({"cards": [{"type": "ultralight", "uid": "0471"}]})"; }
  EXPECT_EQ(runChild("empty-field", {{kFieldVariable, path}, {kPersistVariable, "1"}}), 0);
  const std::string errors = childErrors("empty-field");
  EXPECT_NE(errors.find("broken.json"), std::string::npos) << errors;
  EXPECT_NE(errors.find("cards[0].uid"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("broken.json"), errors.rfind("broken.json")) << errors;
  EXPECT_EQ(readFile(path), R"({"cards": [{"type": "ultralight", "uid": "0471"}]})");
}

TEST(EndToEndProcesses, TheBuiltInFieldAndTheTrace) {
  EXPECT_EQ(runChild("default-field", {{kFieldVariable, ""}, {kTraceVariable, "1"}}), 0)
      << childErrors("default-field");
  const std::string trace = childErrors("default-field");
  EXPECT_NE(trace.find("-> GetVersionNum: AA 00 01 86 87 BB"), std::string::npos) << trace;
  EXPECT_NE(trace.find("<- MF_Read: status 00"), std::string::npos) << trace;
}

// ---- What the children do; each returns the number of failed checks ----

int failures = 0;

void check(bool ok, const char* what) {
  if (ok) return;
  std::printf("check failed: %s\n", what);
  ++failures;
}

const unsigned char kKeptBlock[16] = {'k', 'e', 'p', 't', ' ', 'a', 'c', 'r',
                                      'o', 's', 's', ' ', 'r', 'u', 'n', 's'};

void persistWrite() {
  unsigned char key[6];
  std::memcpy(key, kTransportKey, 6);
  unsigned char block[16];
  std::memcpy(block, kKeptBlock, 16);
  check(MF_Write(kKeyA, 9, 1, key, block) == 0, "MF_Write");
  const unsigned char serial[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  unsigned char reply = 0;
  check(SetSerNum(serial, &reply) == 0, "SetSerNum");
}

void persistRead() {
  unsigned char key[6];
  std::memcpy(key, kTransportKey, 6);
  unsigned char block[16] = {};
  check(MF_Read(kKeyA, 9, 1, key, block) == 0, "MF_Read");
  check(std::memcmp(block, kKeptBlock, 16) == 0, "block 9 as written by the other process");
  unsigned char serial[9] = {};
  check(GetSerNum(serial) == 0 && serial[1] == 9 && serial[8] == 2, "the serial number kept");
}

void emptyField() {
  unsigned char atqa[2] = {};
  check(MF_Request(VEXA_MF_REQUEST_WAKEUP, atqa) == VEXA_RESULT_REQUEST_FAILED, "no Type A card");
  unsigned char answer[126] = {};
  check(TypeB_Request(answer) == kStatusFailed, "no Type B card");
  unsigned char version[126] = {};
  check(GetVersionNum(version) == 0, "the reader still answers");
}

void defaultField() {
  unsigned char version[126] = {};
  check(GetVersionNum(version) == 0, "GetVersionNum");
  unsigned char key[6];
  std::memcpy(key, kTransportKey, 6);
  unsigned char block[16] = {};
  check(MF_Read(kKeyA, 1, 1, key, block) == 0, "MF_Read with the transport key");
  check(std::memcmp(block, "Hello from vexa!", 16) == 0, "the greeting in block 1");
  unsigned char ulSerial[7] = {};
  unsigned char pages[16] = {};
  check(UL_HLRead(0x00, 4, ulSerial, pages) == 0, "UL_HLRead");
  check(std::memcmp(pages, "Hello from vexa!", 16) == 0, "the greeting in pages 4 to 7");

  // Let go of the reader: only the library's own loads remain, and it
  // releases the reader after every exchange.
  const unsigned char serial[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  unsigned char reply = 0;
  check(SetSerNum(serial, &reply) == 0, "SetSerNum");
  closeTransport();
  check(transportLoaded(), "the virtual reader stays loaded once released");
  unsigned char back[9] = {};
  check(GetSerNum(back) == 0 && back[8] == 8, "the serial number set before the release");
}

int runChildScenario(const std::string& name) {
  if (name == "persist-write") {
    persistWrite();
  } else if (name == "persist-read") {
    persistRead();
  } else if (name == "empty-field") {
    emptyField();
  } else if (name == "default-field") {
    defaultField();
  } else {
    check(false, "unknown scenario");
  }
  return failures;
}

}  // namespace
}  // namespace vr::testing

int main(int argc, char** argv) {
  using namespace vr::testing;
  std::string child;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind(kChildFlag, 0) == 0) child = arg.substr(std::strlen(kChildFlag));
    if (arg.rfind(kDirFlag, 0) == 0) workDir() = arg.substr(std::strlen(kDirFlag));
  }
  if (!child.empty()) {
    const std::string errors = (fs::path(workDir()) / (child + ".err")).string();
    if (!std::freopen(errors.c_str(), "w", stderr)) return 1;
    if (!openTransport().write) return 1;
    return runChildScenario(child);
  }

  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  workDir() = (fs::temp_directory_path() / ("vexa-vr-e2e-" + std::to_string(stamp))).string();
  fs::create_directories(workDir());
  const std::string field = (fs::path(workDir()) / "field.json").string();
  { std::ofstream(field) << kFieldFile; }
  setEnvironment(kFieldVariable, field);
  setEnvironment(kPersistVariable, "");
  setEnvironment(kTraceVariable, "");
  if (!openTransport().write) {
    std::fprintf(stderr, "the virtual reader is not beside this program\n");
    return 1;
  }

  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  fs::remove_all(workDir(), ignored);
  return result;
}
