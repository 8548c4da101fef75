#include "library_target.h"

#include <string.h>

#include "module.h"
#include "vexa.h"

namespace vexa::test {

namespace {

using Slot = uintptr_t;
using Fn0 = int(VEXA_CALL*)();
using Fn1 = int(VEXA_CALL*)(Slot);
using Fn2 = int(VEXA_CALL*)(Slot, Slot);
using Fn3 = int(VEXA_CALL*)(Slot, Slot, Slot);
using Fn4 = int(VEXA_CALL*)(Slot, Slot, Slot, Slot);
using Fn5 = int(VEXA_CALL*)(Slot, Slot, Slot, Slot, Slot);

template <typename Fn>
Fn as(void* address) {
  return reinterpret_cast<Fn>(address);
}

}  // namespace

LibraryTarget::LibraryTarget(const std::string& directory, TransportKind stage)
    : path_(joinPath(directory, kLibraryFile)), stage_(stage) {
  if (stage != TransportKind::kAbsent) {
    transport_ = openModule(joinPath(directory, kTransportFile));
    if (transport_ != nullptr) {
      arm_ = reinterpret_cast<FakeTransportArmFn>(moduleSymbol(transport_, "fakeTransportArm"));
      readLog_ =
          reinterpret_cast<FakeTransportReadLogFn>(moduleSymbol(transport_, "fakeTransportReadLog"));
    }
  }
  library_ = openModule(path_);
}

void* LibraryTarget::symbol(const char* name) const { return moduleSymbol(library_, name); }

std::string LibraryTarget::description() const {
  return path_ + " (transport: " + transportKindName(stage_) + ")";
}

bool LibraryTarget::hasOrdinals() const { return kHasOrdinals; }

uint64_t LibraryTarget::allocate(size_t size) {
  memory_.push_back(std::make_unique<uint8_t[]>(size));
  return reinterpret_cast<uintptr_t>(memory_.back().get());
}

void LibraryTarget::writeMemory(uint64_t address, const uint8_t* bytes, size_t size) {
  memcpy(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), bytes, size);
}

void LibraryTarget::readMemory(uint64_t address, uint8_t* bytes, size_t size) {
  memcpy(bytes, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), size);
}

void LibraryTarget::releaseMemory() { memory_.clear(); }

void LibraryTarget::arm(const FakeTransportScript& s) {
  if (arm_ != nullptr) arm_(&s);
}

FakeTransportLog LibraryTarget::log() const {
  FakeTransportLog l{};
  if (readLog_ != nullptr) readLog_(&l);
  return l;
}

void LibraryTarget::script(const Script& s) {
  FakeTransportScript fake{};
  fake.writeShortBy = s.writeShortBy;
  fake.replyLength = static_cast<int32_t>(s.reply.size());
  if (!s.reply.empty()) memcpy(fake.reply, s.reply.data(), s.reply.size());
  arm(fake);
}

TransportRecord LibraryTarget::record() const {
  TransportRecord r;
  if (readLog_ == nullptr) return r;  // no fake: nothing can have been sent
  const FakeTransportLog l = log();
  r.writeCalls = l.writeCalls;
  r.readCalls = l.readCalls;
  r.writeChannel = l.writeChannel;
  r.writeLength = l.writeLength;
  r.frame.assign(l.frame, l.frame + l.frameLength);
  r.readChannel = l.readChannel;
  r.readSize = l.readSize;
  return r;
}

int LibraryTarget::call(const ExportEntry& entry, bool byOrdinal, const std::vector<uint64_t>& s,
                        std::vector<std::string>& failures) {
  void* fn = byOrdinal ? moduleOrdinal(library_, entry.ordinal) : symbol(entry.name);
  if (fn == nullptr) {
    failures.push_back(std::string(entry.name) + (byOrdinal ? " not found by ordinal " +
                                                                  std::to_string(entry.ordinal)
                                                            : " not found by name"));
    return -9999;
  }
  if (byOrdinal && fn != symbol(entry.name)) {
    failures.push_back(std::string("ordinal ") + std::to_string(entry.ordinal) + " is not " +
                       entry.name);
  }
  auto slot = [&](size_t i) { return static_cast<Slot>(s[i]); };
  switch (s.size()) {
    case 0:
      return as<Fn0>(fn)();
    case 1:
      return as<Fn1>(fn)(slot(0));
    case 2:
      return as<Fn2>(fn)(slot(0), slot(1));
    case 3:
      return as<Fn3>(fn)(slot(0), slot(1), slot(2));
    case 4:
      return as<Fn4>(fn)(slot(0), slot(1), slot(2), slot(3));
    case 5:
      return as<Fn5>(fn)(slot(0), slot(1), slot(2), slot(3), slot(4));
  }
  failures.push_back("no export takes " + std::to_string(s.size()) + " arguments");
  return -9999;
}

}  // namespace vexa::test
