// Copies of the DLL with one function overwritten by a few hand-assembled
// instructions that break one rule each. The emulator must report each
// breakage with the message the case tables would show, and must accept the
// same call on the unbroken DLL.
#include "self_test.h"

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "case.h"
#include "emulated_target.h"
#include "hex.h"

namespace vexa::emulator {

namespace {

using test::CallBuilder;

constexpr uint32_t kProcessAttach = 1;

// x86 encodings the breakages are assembled from.
constexpr uint8_t kRetImm16 = 0xC2;     // ret imm16
constexpr uint8_t kRet = 0xC3;          // ret
constexpr uint8_t kCallRel32 = 0xE8;    // call rel32
constexpr uint8_t kPushImm32 = 0x68;    // push imm32
constexpr uint8_t kMovEaxMoffs = 0xA1;  // mov eax, [abs32]
constexpr uint8_t kMovEaxImm32 = 0xB8;  // mov eax, imm32
const Bytes kXorEaxEax{0x31, 0xC0};
const Bytes kXorEbxEbx{0x31, 0xDB};
const Bytes kJmpSelf{0xEB, 0xFE};
const Bytes kJmpEax{0xFF, 0xE0};
const Bytes kUd2{0x0F, 0x0B};
const Bytes kCallIndirect{0xFF, 0x15};                // call [abs32]
const Bytes kMovByteAbs{0xC6, 0x05};                  // mov byte [abs32], imm8
const Bytes kMovEaxFirstArg{0x8B, 0x44, 0x24, 0x04};  // mov eax, [esp + 4]
const Bytes kMovByteEaxDisp8{0xC6, 0x40};             // mov byte [eax + disp8], imm8
constexpr uint8_t kNop = 0x90;
constexpr uint8_t kMarker = 0xFF;
constexpr uint32_t kNullPageAddress = 0x10;
constexpr uint16_t kDllEntryArgumentBytes = 12;
constexpr uint16_t kStdcallOneArg = 4;
constexpr uint16_t kTwoArgs = 8;
constexpr uint32_t kTrue = 1;
constexpr size_t kSerialSize = 4;
constexpr uint8_t kSerialByte = 0x01;
// MF_Halt's frame: LEN 1, command 0x06, no fields.
constexpr uint8_t kHaltLen = 0x01;
constexpr uint8_t kHaltCommand = 0x06;
constexpr uint8_t kStatusOk = 0x00;
constexpr uint8_t kBelowStart = 0xFF;  // disp8 of -1

// PE header fields for stripping the relocation directory.
constexpr uint32_t kDosNewHeaderAt = 0x3C;
constexpr uint32_t kRelocationDirectoryAt = 4 + 20 + 96 + 5 * 8;
constexpr uint32_t kDirectoryEntrySize = 8;

Bytes le32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

Bytes retImm16(uint16_t bytes) {
  return {kRetImm16, static_cast<uint8_t>(bytes), static_cast<uint8_t>(bytes >> 8)};
}

Bytes assemble(std::initializer_list<Bytes> parts) {
  Bytes code;
  for (const Bytes& part : parts) code.insert(code.end(), part.begin(), part.end());
  return code;
}

// call over an inline string: pushes its address, as a caller pushes the
// argument of LoadLibraryA.
Bytes pushString(const std::string& text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return assemble({{kCallRel32}, le32(static_cast<uint32_t>(bytes.size())), bytes});
}

uint32_t importSlot(const PeImage& image, const char* name) {
  for (const PeImport& import : image.imports()) {
    if (import.name == name) return image.preferredBase() + import.slotRva;
  }
  throw std::runtime_error(std::string("the DLL does not import ") + name);
}

// A word of writable data that the DLL leaves zero: the last of its
// uninitialised data.
uint32_t spareDataWord(const PeImage& image) {
  for (const PeSection& s : image.sections()) {
    if (s.writable() && s.rawSize == 0) return image.preferredBase() + s.rva + s.virtualSize - 4;
  }
  throw std::runtime_error("the DLL has no uninitialised data section");
}

uint32_t rvaOf(const PeImage& image, const char* function) {
  if (function == nullptr) return image.entryRva();
  const PeExport* e = image.exportByName(function);
  if (e == nullptr) throw std::runtime_error(std::string(function) + " is not exported");
  return e->rva;
}

Bytes patched(const Bytes& file, const PeImage& image, uint32_t rva, const Bytes& code) {
  const auto at = image.fileOffset(rva);
  const PeSection* section = image.sectionAt(rva);
  if (!at || section == nullptr || rva - section->rva + code.size() > section->rawSize) {
    throw std::runtime_error("no room for " + std::to_string(code.size()) + " bytes at RVA " +
                             hex(rva));
  }
  Bytes out = file;
  std::copy(code.begin(), code.end(), out.begin() + *at);
  return out;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n  " + line;
  return text.empty() ? "\n  (none)" : text;
}

bool mentions(const std::vector<std::string>& failures, const std::string& text) {
  return std::any_of(failures.begin(), failures.end(),
                     [&](const std::string& f) { return f.find(text) != std::string::npos; });
}

// One broken function: the code that replaces its start (given the image,
// loaded at its preferred base, and the function's address), how it is
// called, and what the emulator must say.
struct Breakage {
  const char* name;
  const char* function;  // an export, or nullptr for DllEntryPoint
  std::vector<uint32_t> args;
  std::function<Bytes(const PeImage&, uint32_t function)> code;
  std::function<std::string(uint32_t function)> expected;
};

std::vector<std::string> callOnce(EmulatedTarget& t, const Breakage& b) {
  std::vector<std::string> failures;
  if (b.function == nullptr) {
    t.notify(kProcessAttach, failures);
    return failures;
  }
  const test::ExportEntry* entry = test::findExport(b.function);
  if (entry == nullptr) {
    failures.push_back(std::string(b.function) + " is not in the export table");
    return failures;
  }
  t.callAt(t.base() + rvaOf(t.image(), b.function), b.function, entry->argumentBytes, b.args,
           failures);
  return failures;
}

std::vector<Breakage> breakages() {
  auto says = [](std::string text) { return [text](uint32_t) { return text; }; };
  return {
      {"StackCleanupTooShort",
       "GetRecData",
       {0},
       [](const PeImage&, uint32_t) {
         return assemble({kXorEaxEax, {kRet}});
       },
       says("GetRecData removed 0 argument bytes from the stack, expected 4")},
      {"StackCleanupOnNoArguments",
       "MF_Halt",
       {},
       [](const PeImage&, uint32_t) {
         return assemble({kXorEaxEax, retImm16(kStdcallOneArg)});
       },
       says("MF_Halt removed 4 argument bytes from the stack, expected 0")},
      {"EntryPointReturnsFalse",
       nullptr,
       {},
       [](const PeImage&, uint32_t) {
         return assemble({kXorEaxEax, retImm16(kDllEntryArgumentBytes)});
       },
       says("returned 0, not TRUE")},
      {"EntryPointLeavesItsArguments",
       nullptr,
       {},
       [](const PeImage&, uint32_t) {
         return assemble({{kMovEaxImm32}, le32(kTrue), {kRet}});
       },
       says("DllEntryPoint(reason 1) removed 0 argument bytes from the stack, expected 12")},
      {"RunawayLoop",
       "MF_Halt",
       {},
       [](const PeImage&, uint32_t) { return kJmpSelf; },
       says("did not return within 1000000 instructions")},
      {"InvalidInstruction",
       "GetRecData",
       {0},
       [](const PeImage&, uint32_t) { return kUd2; },
       [](uint32_t f) { return "invalid instruction at EIP " + hex(f); }},
      {"UnmappedRead",
       "GetRecData",
       {0},
       [](const PeImage&, uint32_t) {
         return assemble({{kMovEaxMoffs}, le32(kNullPageAddress), retImm16(kStdcallOneArg)});
       },
       [](uint32_t f) {
         return "read of unmapped address " + hex(kNullPageAddress) + " at EIP " + hex(f);
       }},
      {"WriteToCode",
       "GetRecData",
       {0},
       [](const PeImage&, uint32_t f) {
         return assemble({kMovByteAbs, le32(f), {kNop}, kXorEaxEax, retImm16(kStdcallOneArg)});
       },
       [](uint32_t f) { return "write to read-only address " + hex(f) + " at EIP " + hex(f); }},
      {"JumpIntoData",
       "GetRecData",
       {0},
       [](const PeImage& image, uint32_t) {
         return assemble({{kMovEaxImm32}, le32(spareDataWord(image)), kJmpEax});
       },
       says("jump to non-executable address")},
      {"CalleeSavedRegister",
       "GetRecData",
       {0},
       [](const PeImage&, uint32_t) {
         return assemble({kXorEbxEbx, kXorEaxEax, retImm16(kStdcallOneArg)});
       },
       says("GetRecData: EBX not preserved")},
      {"TransportNotReleased",
       "MF_Halt",
       {},
       [](const PeImage& image, uint32_t) {
         return assemble({pushString("Tevra.dll"),
                          kCallIndirect,
                          le32(importSlot(image, "LoadLibraryA")),
                          {kRet}});
       },
       says("LoadLibraryA(\"Tevra.dll\") not balanced by FreeLibrary")},
      {"OtherLibraryLoaded",
       "MF_Halt",
       {},
       [](const PeImage& image, uint32_t) {
         return assemble({pushString("tevra.so"),
                          kCallIndirect,
                          le32(importSlot(image, "LoadLibraryA")),
                          {kRet}});
       },
       says("LoadLibraryA(\"tevra.so\"): the only library to load is \"Tevra.dll\"")},
      {"LockLeftHeld",
       "MF_Halt",
       {},
       [](const PeImage& image, uint32_t) {
         return assemble({{kPushImm32},
                          le32(spareDataWord(image)),
                          kCallIndirect,
                          le32(importSlot(image, "AcquireSRWLockExclusive")),
                          {kRet}});
       },
       says("is still held when the call returned")},
  };
}

// Two calls that pass on the unbroken DLL.
test::Case haltCase() {
  return test::makeCase("halt", CallBuilder("MF_Halt", {})
                                    .replies(test::reply(kStatusOk))
                                    .sends(test::commandFrame(kHaltLen, kHaltCommand))
                                    .returns(0));
}

test::Case getRecDataCase() {
  return test::makeCase("GetRecData",
                        CallBuilder("GetRecData", {test::val(0)}).sendsNothing().returns(0));
}

void runBreakage(const std::string& path, const Bytes& file, const Breakage& b) {
  const PeImage image = PeImage::parse(file);
  const uint32_t function = image.preferredBase() + rvaOf(image, b.function);

  EmulatedTarget whole(path, file, atPreferredBase());
  const std::vector<std::string> accepted = callOnce(whole, b);
  EXPECT_TRUE(accepted.empty()) << "the unbroken DLL fails the same call:" << joined(accepted);

  EmulatedTarget broken(path + " (broken: " + b.name + ")",
                        patched(file, image, rvaOf(image, b.function), b.code(image, function)),
                        atPreferredBase());
  const std::vector<std::string> failures = callOnce(broken, b);
  const std::string expected = b.expected(function);
  EXPECT_TRUE(mentions(failures, expected))
      << "expected a failure mentioning \"" << expected << "\"; got:" << joined(failures);

  // The failure ends that call only: the next one runs as usual.
  const bool brokeGetRecData = b.function != nullptr && std::string(b.function) == "GetRecData";
  const std::vector<std::string> later =
      test::runCase(broken, brokeGetRecData ? haltCase() : getRecDataCase(), false);
  EXPECT_TRUE(later.empty()) << "the next call after the broken one:" << joined(later);
}

// A function that writes one byte just outside its caller's buffer: the
// guards of runCase must see it.
void runOverrun(const std::string& path, const Bytes& file, uint8_t displacement,
                const std::string& expected) {
  const PeImage image = PeImage::parse(file);
  const Bytes code = assemble({kMovEaxFirstArg,
                               kMovByteEaxDisp8,
                               {displacement, kMarker},
                               kXorEaxEax,
                               retImm16(kStdcallOneArg)});
  EmulatedTarget broken(path, patched(file, image, rvaOf(image, "MF_Select"), code),
                        atPreferredBase());
  const test::Case c = test::makeCase(
      "overrun",
      CallBuilder("MF_Select", {test::in(Bytes(kSerialSize, kSerialByte))}).sendsNothing());
  const std::vector<std::string> failures = test::runCase(broken, c, false);
  EXPECT_TRUE(mentions(failures, expected)) << "got:" << joined(failures);
  EXPECT_FALSE(mentions(failures, "holds")) << "the buffer itself was not written";
}

}  // namespace

void registerSelfTests(const std::string& path, const Bytes& file) {
  for (const Breakage& b : breakages()) {
    registerFunctionTest("Emulator", std::string("Catches") + b.name,
                         [path, &file, b] { runBreakage(path, file, b); });
  }

  registerFunctionTest("Emulator", "CatchesWritePastBuffer", [path, &file] {
    runOverrun(path, file, kSerialSize, "buffer 0 written past its end");
  });
  registerFunctionTest("Emulator", "CatchesWriteBelowBuffer", [path, &file] {
    runOverrun(path, file, kBelowStart, "buffer 0 written below its start");
  });

  // The export table says 8 bytes where the DLL removes 4: the table and
  // the DLL disagree, and the call shows it.
  registerFunctionTest("Emulator", "CatchesExportTableMismatch", [path, &file] {
    EmulatedTarget t(path, file, atPreferredBase());
    const test::ExportEntry* listed = test::findExport("GetRecData");
    ASSERT_NE(listed, nullptr);
    test::ExportEntry entry = *listed;
    entry.argumentBytes = kTwoArgs;
    std::vector<std::string> failures;
    t.call(entry, false, {0, 0}, failures);
    EXPECT_TRUE(
        mentions(failures, "GetRecData removed 4 argument bytes from the stack, expected 8"))
        << "got:" << joined(failures);
  });

  // An import the stubs do not know is named when the DLL is loaded and
  // when a call reaches it.
  registerFunctionTest("Emulator", "NamesUnknownImport", [path, &file] {
    const std::string known = "FreeLibrary";
    const std::string unknown = "FreeLibrarX";
    Bytes renamed = file;
    Bytes needle(known.begin(), known.end());
    needle.push_back(0);
    const auto at = std::search(renamed.begin(), renamed.end(), needle.begin(), needle.end());
    ASSERT_NE(at, renamed.end()) << "no import name " << known << " in the file";
    std::copy(unknown.begin(), unknown.end(), at);
    EmulatedTarget t(path, renamed, atPreferredBase());
    EXPECT_EQ(t.unknownImports(), std::vector<std::string>{"KERNEL32.dll!" + unknown});
    const std::vector<std::string> failures = test::runCase(t, haltCase(), false);
    EXPECT_TRUE(mentions(failures,
                         "calls KERNEL32.dll!" + unknown + ", which the emulator does not provide"))
        << "got:" << joined(failures);
  });

  // The relocated run depends on the relocations being applied: without
  // them the same call fails.
  registerFunctionTest("Emulator", "RelocatedImageNeedsItsRelocations", [path, &file] {
    const uint32_t preferred = PeImage::parse(file).preferredBase();
    EmulatedTarget moved(path, file, relocated(preferred));
    EXPECT_EQ(test::runCase(moved, haltCase(), true), std::vector<std::string>{});
    Placement unrelocated = relocated(preferred);
    unrelocated.applyRelocations = false;
    EmulatedTarget stale(path, file, unrelocated);
    EXPECT_FALSE(test::runCase(stale, haltCase(), true).empty());
  });

  registerFunctionTest("Emulator", "RefusesToMoveImageWithoutRelocations", [path, &file] {
    Bytes stripped = file;
    uint32_t pe = 0;
    for (int i = 3; i >= 0; --i) pe = pe << 8 | stripped.at(kDosNewHeaderAt + i);
    std::fill_n(stripped.begin() + pe + kRelocationDirectoryAt, kDirectoryEntrySize, 0);
    const uint32_t preferred = PeImage::parse(stripped).preferredBase();
    EXPECT_THROW(EmulatedTarget(path, stripped, relocated(preferred)), PeError);
    EXPECT_NO_THROW(EmulatedTarget(path, stripped, atPreferredBase()));
  });
}

}  // namespace vexa::emulator
