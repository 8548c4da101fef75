#include "system_stubs.h"

#include <strings.h>

#include <algorithm>

#include "hex.h"

namespace vexa::emulator {

namespace {

constexpr uint32_t kPageSize = 0x1000;
constexpr uint32_t kStubSpacing = 16;
constexpr uint8_t kHlt = 0xF4;

constexpr const char* kKernel32 = "KERNEL32.dll";
constexpr const char* kTransportFile = "Tevra.dll";
constexpr const char* kWriteName = "hidWriteData";
constexpr const char* kReadName = "hidReadData";
// The module handle LoadLibraryA gives for the transport: any value that is
// not null and not mapped, so that the DLL cannot mistake it for memory.
constexpr uint32_t kTevraHandle = 0x7E5A0000;
constexpr size_t kMaxPath = 260;
// GetProcAddress takes an ordinal where the name pointer's high word is 0.
constexpr uint32_t kOrdinalLimit = 0x10000;
constexpr uint32_t kTrue = 1;
constexpr uint32_t kFalse = 0;

// An SRWLOCK is one pointer-sized word: 0 is unlocked; an exclusive owner
// sets bit 0.
constexpr uint32_t kLockFree = 0;
constexpr uint32_t kLockHeld = 1;
constexpr uint32_t kLockSize = 4;

// The fake transport's limits (fake_transport.h): it keeps at most this many
// bytes of a frame.
constexpr int32_t kMaxFrame = 512;

constexpr uint16_t kOneArg = 4;
constexpr uint16_t kTwoArgs = 8;
constexpr uint16_t kThreeArgs = 12;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

SystemStubs::SystemStubs(Machine& machine, uint32_t page)
    : machine_(machine), page_(page), next_(page), returnAddress_(page + kPageSize - kStubSpacing) {
  const uint8_t stop[kStubSpacing] = {kHlt, kHlt, kHlt, kHlt, kHlt, kHlt, kHlt, kHlt,
                                      kHlt, kHlt, kHlt, kHlt, kHlt, kHlt, kHlt, kHlt};
  machine_.write(returnAddress_, stop, sizeof stop);

  using Args = std::vector<uint32_t>;
  kernel32_["LoadLibraryA"] =
      place("LoadLibraryA", kOneArg, [this](const Args& a) { return loadLibrary(a[0]); });
  kernel32_["GetProcAddress"] = place("GetProcAddress", kTwoArgs,
                                      [this](const Args& a) { return getProcAddress(a[0], a[1]); });
  kernel32_["FreeLibrary"] =
      place("FreeLibrary", kOneArg, [this](const Args& a) { return freeLibrary(a[0]); });
  kernel32_["AcquireSRWLockExclusive"] =
      place("AcquireSRWLockExclusive", kOneArg, [this](const Args& a) { return acquire(a[0]); });
  kernel32_["ReleaseSRWLockExclusive"] =
      place("ReleaseSRWLockExclusive", kOneArg, [this](const Args& a) { return release(a[0]); });
  writeStub_ = place("Tevra.dll!hidWriteData", kThreeArgs,
                     [this](const Args& a) { return hidWriteData(a[0], a[1], a[2]); });
  readStub_ = place("Tevra.dll!hidReadData", kThreeArgs,
                    [this](const Args& a) { return hidReadData(a[0], a[1], a[2]); });
}

uint32_t SystemStubs::place(const char* name, uint16_t argumentBytes,
                            Machine::StubHandler handler) {
  if (next_ + kStubSpacing > returnAddress_) throw MachineError("the stub page is full");
  const uint32_t at = next_;
  next_ += kStubSpacing;
  machine_.placeStub(at, argumentBytes, name, [this, handler](const std::vector<uint32_t>& args) {
    ++stubCalls_;
    return handler(args);
  });
  return at;
}

uint32_t SystemStubs::bind(const PeImport& import) {
  if (strcasecmp(import.module.c_str(), kKernel32) == 0 && !import.ordinal) {
    const auto it = kernel32_.find(import.name);
    if (it != kernel32_.end()) return it->second;
  }
  // Unknown: a trap that ends the call. Its argument size is unknown, so it
  // never returns.
  const std::string name = import.describe();
  unknown_.push_back(name);
  return place(name.c_str(), 0, [this, name](const std::vector<uint32_t>&) {
    machine_.stop("calls " + name + ", which the emulator does not provide");
    return 0u;
  });
}

void SystemStubs::script(const test::Script& script) {
  script_ = script;
  // As the fake transport's arm: counts cleared, -1 for "not called".
  record_ = test::TransportRecord{};
}

void SystemStubs::beforeCall() {
  references_ = 0;
  loads_ = 0;
  problems_.clear();
}

void SystemStubs::afterCall(bool returned, std::vector<std::string>& failures) {
  for (const std::string& p : problems_) failures.push_back(p);
  problems_.clear();
  // A call cut short by a fault leaves unbalanced whatever it had begun.
  if (returned && loads_ > 1) {
    failures.push_back("LoadLibraryA(\"Tevra.dll\") called " + std::to_string(loads_) +
                       " times in one call");
  }
  if (returned && references_ != 0) {
    failures.push_back("LoadLibraryA(\"Tevra.dll\") not balanced by FreeLibrary: " +
                       std::to_string(references_) + " reference(s) left when the call returned");
  }
  references_ = 0;
  for (auto& [lock, held] : locks_) {
    if (!held) continue;
    if (returned) {
      failures.push_back("the lock at " + machine_.describe(lock) +
                         " is still held when the call returned");
    }
    held = false;
    machine_.write32(lock, kLockFree);
  }
}

uint32_t SystemStubs::loadLibrary(uint32_t name) {
  std::string file;
  if (!machine_.readString(name, kMaxPath, file)) {
    fail("LoadLibraryA handed an unreadable name at " + hex(name));
    return 0;
  }
  if (file != kTransportFile) {
    fail("LoadLibraryA(" + quoted(file) + "): the only library to load is " +
         quoted(kTransportFile));
    return 0;
  }
  ++loads_;
  if (transport_ == test::TransportKind::kAbsent) return 0;
  ++references_;
  return kTevraHandle;
}

uint32_t SystemStubs::getProcAddress(uint32_t module, uint32_t name) {
  if (module != kTevraHandle || !tevraLoaded()) {
    fail("GetProcAddress on module " + hex(module) + ", which is not a loaded Tevra.dll");
    return 0;
  }
  if (name < kOrdinalLimit) {
    fail("GetProcAddress by ordinal " + std::to_string(name) + "; the transport's are by name");
    return 0;
  }
  std::string function;
  if (!machine_.readString(name, kMaxPath, function)) {
    fail("GetProcAddress handed an unreadable name at " + hex(name));
    return 0;
  }
  if (function == kWriteName)
    return transport_ == test::TransportKind::kWithoutWrite ? 0 : writeStub_;
  if (function == kReadName) return transport_ == test::TransportKind::kWithoutRead ? 0 : readStub_;
  fail("GetProcAddress(Tevra.dll, " + quoted(function) + "): the transport has no such function");
  return 0;
}

uint32_t SystemStubs::freeLibrary(uint32_t module) {
  if (module != kTevraHandle || !tevraLoaded()) {
    fail("FreeLibrary(" + hex(module) + ") of a module that is not loaded");
    return kFalse;
  }
  --references_;
  return kTrue;
}

uint32_t SystemStubs::acquire(uint32_t lock) {
  const uint32_t needed = kRead | kWrite;
  if ((machine_.accessAt(lock) & needed) != needed ||
      (machine_.accessAt(lock + kLockSize - 1) & needed) != needed) {
    machine_.stop("AcquireSRWLockExclusive on " + machine_.describe(lock) +
                  ", which is not writable memory");
    return 0;
  }
  if (locks_[lock]) {
    machine_.stop("AcquireSRWLockExclusive on the lock at " + machine_.describe(lock) +
                  ", which this thread already holds: it would wait forever");
    return 0;
  }
  const uint32_t word = machine_.read32(lock);
  if (word != kLockFree) {
    machine_.stop("AcquireSRWLockExclusive on the lock at " + machine_.describe(lock) +
                  ", whose word reads " + hex(word) + ", not an unlocked SRWLOCK");
    return 0;
  }
  machine_.write32(lock, kLockHeld);
  locks_[lock] = true;
  return 0;
}

uint32_t SystemStubs::release(uint32_t lock) {
  const auto it = locks_.find(lock);
  if (it == locks_.end() || !it->second) {
    fail("ReleaseSRWLockExclusive on " + machine_.describe(lock) + ", which is not held");
    return 0;
  }
  it->second = false;
  machine_.write32(lock, kLockFree);
  return 0;
}

uint32_t SystemStubs::hidWriteData(uint32_t channel, uint32_t length, uint32_t frame) {
  if (!tevraLoaded()) fail("hidWriteData called while Tevra.dll is not loaded");
  const auto signedLength = static_cast<int32_t>(length);
  ++record_.writeCalls;
  record_.writeChannel = static_cast<int32_t>(channel);
  record_.writeLength = signedLength;
  const int32_t kept = std::clamp(signedLength, 0, kMaxFrame);
  record_.frame.assign(static_cast<size_t>(kept), 0);
  machine_.read(frame, record_.frame.data(), record_.frame.size());
  return static_cast<uint32_t>(signedLength - script_.writeShortBy);
}

uint32_t SystemStubs::hidReadData(uint32_t channel, uint32_t size, uint32_t reply) {
  if (!tevraLoaded()) fail("hidReadData called while Tevra.dll is not loaded");
  ++record_.readCalls;
  record_.readChannel = static_cast<int32_t>(channel);
  record_.readSize = static_cast<int32_t>(size);
  // Only the scripted bytes are written, and no more than were asked for.
  const int32_t asked = std::max(record_.readSize, 0);
  const auto n = static_cast<uint32_t>(std::min(static_cast<int32_t>(script_.reply.size()), asked));
  if (n == 0) return 0;
  if ((machine_.accessAt(reply) & kWrite) == 0 ||
      (machine_.accessAt(reply + n - 1) & kWrite) == 0) {
    machine_.stop("hidReadData handed a reply buffer at " + machine_.describe(reply) +
                  " that is not writable");
    return 0;
  }
  machine_.write(reply, script_.reply.data(), n);
  return n;
}

}  // namespace vexa::emulator
