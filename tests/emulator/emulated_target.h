// The case tables' target for the 32-bit DLL: the PE32 image mapped into an
// emulated x86 address space, its imports bound to SystemStubs, its exports
// called as a 32-bit Windows caller calls them.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "machine.h"
#include "pe_image.h"
#include "system_stubs.h"
#include "target.h"

namespace vexa::emulator {

// Where everything lies in the emulated address space.
struct Placement {
  uint32_t imageBase = 0;  // 0: the image's preferred base
  uint32_t stubPage = 0;
  uint32_t stackBase = 0;
  uint32_t stackSize = 0;
  uint32_t heapBase = 0;  // the caller's buffers
  uint32_t heapSize = 0;
  // Off only to show that a relocated image depends on its relocations.
  bool applyRelocations = true;
};

// The two address spaces the tables run in. The first loads the image where
// it asks to be loaded. The second moves it, so that every absolute address
// in its code must have been relocated, and puts the caller's stack and
// buffers above 2 GiB, where a large-address-aware application's may lie.
Placement atPreferredBase();
Placement relocated(uint32_t preferredBase);

// A call that did not return gives this result.
inline constexpr int kNoResult = -9999;
inline constexpr uint64_t kInstructionBudget = 1000000;

class EmulatedTarget : public test::Target {
 public:
  // Loads the image; throws PeError or MachineError when it cannot.
  EmulatedTarget(std::string path, const Bytes& file, const Placement& placement);

  const PeImage& image() const { return image_; }
  uint32_t base() const { return base_; }
  const SystemStubs& stubs() const { return *stubs_; }
  // Imports the stubs do not provide (calls to them fail).
  const std::vector<std::string>& unknownImports() const { return stubs_->unknownImports(); }
  uint64_t callsMade() const { return callsMade_; }

  // Calls DllEntryPoint(module, reason, nullptr) and checks that it returns
  // TRUE and removes its 12 argument bytes.
  void notify(uint32_t reason, std::vector<std::string>& failures);
  // The bytes of every writable section, for comparing before and after.
  Bytes writableData() const;
  // Calls the function at `address`, which takes `argumentBytes` of
  // arguments; problems of the call go to `failures`.
  int callAt(uint32_t address, const std::string& what, int argumentBytes,
             const std::vector<uint32_t>& args, std::vector<std::string>& failures);

  std::string description() const override;
  bool hasOrdinals() const override { return true; }
  bool supports(test::TransportKind) const override { return true; }
  void useTransport(test::TransportKind kind) override { stubs_->useTransport(kind); }
  uint64_t allocate(size_t size) override;
  void writeMemory(uint64_t address, const uint8_t* bytes, size_t size) override;
  void readMemory(uint64_t address, uint8_t* bytes, size_t size) override;
  void releaseMemory() override { heapNext_ = placement_.heapBase; }
  void script(const test::Script& script) override { stubs_->script(script); }
  test::TransportRecord record() const override { return stubs_->record(); }
  int call(const test::ExportEntry& entry, bool byOrdinal, const std::vector<uint64_t>& slots,
           std::vector<std::string>& failures) override;

 private:
  std::string symbolize(uint32_t address) const;

  std::string path_;
  PeImage image_;
  Placement placement_;
  uint32_t base_ = 0;
  Machine machine_;
  std::unique_ptr<SystemStubs> stubs_;
  uint32_t heapNext_ = 0;
  uint64_t callsMade_ = 0;
};

}  // namespace vexa::emulator
