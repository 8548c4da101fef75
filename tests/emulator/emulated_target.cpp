#include "emulated_target.h"

#include <stdio.h>

#include <algorithm>

#include "hex.h"

namespace vexa::emulator {

namespace {

constexpr uint32_t kPageSize = 0x1000;
constexpr uint32_t kEntryArgumentBytes = 12;
constexpr uint32_t kTrue = 1;
constexpr uint32_t kSlotLimit = 0xFFFFFFFFu;
constexpr uint32_t kSlotSize = 4;
constexpr uint32_t kBitsPerByte = 8;
// Caller buffers start one byte past a 16-byte boundary: byte buffers may lie
// anywhere, and the library must not assume more.
constexpr uint32_t kBufferAlignment = 16;
constexpr uint32_t kBufferSkew = 1;

std::string offset(uint32_t value) {
  char text[16];
  snprintf(text, sizeof text, "+0x%x", value);
  return text;
}

uint32_t accessOf(const PeSection& section) {
  return (section.readable() ? kRead : 0u) | (section.writable() ? kWrite : 0u) |
         (section.executable() ? kExecute : 0u);
}

constexpr uint32_t kMiB = 0x100000;
constexpr uint32_t kLowStubs = 0x00010000;
constexpr uint32_t kLowStack = 0x00100000;
constexpr uint32_t kLowHeap = 0x00300000;
constexpr uint32_t kMovedBase = 0x2D7C0000;
constexpr uint32_t kMovedBaseAlternative = 0x3E5D0000;
constexpr uint32_t kHighStubs = 0x75A00000;
constexpr uint32_t kHighStack = 0x9FF00000;
constexpr uint32_t kHighHeap = 0xB0000000;

}  // namespace

Placement atPreferredBase() {
  Placement p;
  p.stubPage = kLowStubs;
  p.stackBase = kLowStack;
  p.stackSize = kMiB;
  p.heapBase = kLowHeap;
  p.heapSize = kMiB;
  return p;
}

Placement relocated(uint32_t preferredBase) {
  Placement p;
  p.imageBase = preferredBase == kMovedBase ? kMovedBaseAlternative : kMovedBase;
  p.stubPage = kHighStubs;
  p.stackBase = kHighStack;
  p.stackSize = kMiB;
  p.heapBase = kHighHeap;
  p.heapSize = kMiB;
  return p;
}

EmulatedTarget::EmulatedTarget(std::string path, const Bytes& file, const Placement& placement)
    : path_(std::move(path)), image_(PeImage::parse(file)), placement_(placement) {
  base_ = placement.imageBase != 0 ? placement.imageBase : image_.preferredBase();
  machine_.setSymbolizer([this](uint32_t address) { return symbolize(address); });

  machine_.map(placement.stubPage, kPageSize, kRead | kExecute);
  stubs_ = std::make_unique<SystemStubs>(machine_, placement.stubPage);

  Bytes memory = image_.layout(base_, placement.applyRelocations);
  for (const PeImport& import : image_.imports()) {
    const uint32_t stub = stubs_->bind(import);
    for (uint32_t i = 0; i < kSlotSize; ++i) {
      memory.at(import.slotRva + i) = static_cast<uint8_t>(stub >> (kBitsPerByte * i));
    }
  }
  // Headers read-only, each section as its flags say.
  machine_.map(base_, image_.sizeOfImage(), kRead);
  machine_.write(base_, memory.data(), memory.size());
  for (const PeSection& section : image_.sections()) {
    machine_.protect(base_ + section.rva, section.virtualSize, accessOf(section));
  }

  machine_.map(placement.stackBase, placement.stackSize, kRead | kWrite);
  machine_.map(placement.heapBase, placement.heapSize, kRead | kWrite);
  heapNext_ = placement.heapBase;
}

std::string EmulatedTarget::description() const {
  if (base_ == image_.preferredBase()) {
    return path_ + ", PE32 at " + hex(base_) + " (its preferred base)";
  }
  return path_ + ", PE32 relocated to " + hex(base_) + " (preferred base " +
         hex(image_.preferredBase()) + ")";
}

std::string EmulatedTarget::symbolize(uint32_t address) const {
  if (address < base_ || address - base_ >= image_.sizeOfImage()) return "";
  const uint32_t rva = address - base_;
  std::string text = "vexa.dll" + offset(rva);
  const PeExport* nearest = nullptr;
  for (const PeExport& e : image_.exports()) {
    if (e.rva <= rva && (nearest == nullptr || e.rva > nearest->rva)) nearest = &e;
  }
  const PeSection* section = image_.sectionAt(rva);
  if (nearest != nullptr && section != nullptr && section->executable() &&
      image_.sectionAt(nearest->rva) == section) {
    const std::string name =
        nearest->name.empty() ? "#" + std::to_string(nearest->ordinal) : nearest->name;
    text += ", " + name + offset(rva - nearest->rva);
  } else if (section != nullptr) {
    text += " in " + section->name;
  }
  return text;
}

void EmulatedTarget::notify(uint32_t reason, std::vector<std::string>& failures) {
  const std::string what = "DllEntryPoint(reason " + std::to_string(reason) + ")";
  const int result =
      callAt(base_ + image_.entryRva(), what, kEntryArgumentBytes, {base_, reason, 0}, failures);
  if (result != static_cast<int>(kTrue)) {
    failures.push_back(what + " returned " + std::to_string(result) + ", not TRUE");
  }
}

Bytes EmulatedTarget::writableData() const {
  Bytes data;
  for (const PeSection& section : image_.sections()) {
    if (!section.writable()) continue;
    Bytes bytes(section.virtualSize);
    machine_.read(base_ + section.rva, bytes.data(), bytes.size());
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  return data;
}

int EmulatedTarget::callAt(uint32_t address, const std::string& what, int argumentBytes,
                           const std::vector<uint32_t>& args, std::vector<std::string>& failures) {
  stubs_->beforeCall();
  const CallOutcome outcome =
      machine_.call(address, args, placement_.stackBase + placement_.stackSize,
                    stubs_->returnAddress(), kInstructionBudget);
  ++callsMade_;
  std::vector<std::string> seen;  // by the stubs
  if (!outcome.returned) failures.push_back(what + ": " + outcome.fault);
  stubs_->afterCall(outcome.returned, seen);
  for (const std::string& s : seen) failures.push_back(what + ": " + s);
  if (!outcome.returned) return kNoResult;

  if (outcome.argumentBytesRemoved != argumentBytes) {
    failures.push_back(what + " removed " + std::to_string(outcome.argumentBytesRemoved) +
                       " argument bytes from the stack, expected " + std::to_string(argumentBytes));
  }
  for (const std::string& v : outcome.abiViolations) failures.push_back(what + ": " + v);
  return static_cast<int>(outcome.eax);
}

int EmulatedTarget::call(const test::ExportEntry& entry, bool byOrdinal,
                         const std::vector<uint64_t>& slots, std::vector<std::string>& failures) {
  const PeExport* byName = image_.exportByName(entry.name);
  const PeExport* found =
      byOrdinal ? image_.exportByOrdinal(static_cast<uint32_t>(entry.ordinal)) : byName;
  if (found == nullptr) {
    failures.push_back(std::string(entry.name) +
                       (byOrdinal ? " not found by ordinal " + std::to_string(entry.ordinal)
                                  : " not found by name"));
    return kNoResult;
  }
  if (byOrdinal && (byName == nullptr || byName->rva != found->rva)) {
    failures.push_back("ordinal " + std::to_string(entry.ordinal) + " is not " + entry.name);
  }
  std::vector<uint32_t> args;
  for (uint64_t slot : slots) {
    if (slot > kSlotLimit) {
      failures.push_back(std::string(entry.name) + ": argument " + std::to_string(slot) +
                         " does not fit a 32-bit slot");
      return kNoResult;
    }
    args.push_back(static_cast<uint32_t>(slot));
  }
  return callAt(base_ + found->rva, entry.name, entry.argumentBytes, args, failures);
}

uint64_t EmulatedTarget::allocate(size_t size) {
  const uint32_t at =
      (heapNext_ + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment + kBufferSkew;
  const uint64_t end = static_cast<uint64_t>(placement_.heapBase) + placement_.heapSize;
  if (at + static_cast<uint64_t>(size) > end) {
    throw MachineError("the caller's heap of " + std::to_string(placement_.heapSize) +
                       " bytes is exhausted");
  }
  heapNext_ = at + static_cast<uint32_t>(size);
  return at;
}

void EmulatedTarget::writeMemory(uint64_t address, const uint8_t* bytes, size_t size) {
  machine_.write(static_cast<uint32_t>(address), bytes, size);
}

void EmulatedTarget::readMemory(uint64_t address, uint8_t* bytes, size_t size) {
  machine_.read(static_cast<uint32_t>(address), bytes, size);
}

}  // namespace vexa::emulator
