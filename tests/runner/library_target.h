// The case tables' target in this process: the real library loaded from
// the runner's own directory, with whatever transport stands beside it.
#pragma once

#include <memory>
#include <vector>

#include "fake_transport.h"
#include "target.h"

namespace vexa::test {

class LibraryTarget : public Target {
 public:
  // Loads the library and, where the stage has one, the fake transport
  // (kept loaded so its record outlives the library's release of it).
  LibraryTarget(const std::string& directory, TransportKind stage);
  bool loaded() const { return library_ != nullptr; }
  void* symbol(const char* name) const;

  std::string description() const override;
  bool hasOrdinals() const override;
  bool supports(TransportKind kind) const override { return kind == stage_; }
  void useTransport(TransportKind) override {}
  uint64_t allocate(size_t size) override;
  void writeMemory(uint64_t address, const uint8_t* bytes, size_t size) override;
  void readMemory(uint64_t address, uint8_t* bytes, size_t size) override;
  void releaseMemory() override;
  void script(const Script& script) override;
  TransportRecord record() const override;
  int call(const ExportEntry& entry, bool byOrdinal, const std::vector<uint64_t>& slots,
           std::vector<std::string>& failures) override;

  // Direct access to the fake, for tests beyond the tables.
  void arm(const FakeTransportScript& script);
  FakeTransportLog log() const;

 private:
  std::string path_;
  TransportKind stage_;
  void* library_ = nullptr;
  void* transport_ = nullptr;
  FakeTransportArmFn arm_ = nullptr;
  FakeTransportReadLogFn readLog_ = nullptr;
  std::vector<std::unique_ptr<uint8_t[]>> memory_;
};

}  // namespace vexa::test
