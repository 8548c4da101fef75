// A build of the library that the case tables run against, with the
// transport that stands beside it. Implemented natively (dlopen /
// LoadLibrary of the real library with the fake transport) and by the
// emulator that runs the 32-bit DLL.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "case.h"

namespace vexa::test {

struct ExportEntry {
  int ordinal;
  const char* name;
  int argumentBytes;
};
// The library's export table, as api/exports.txt lists it.
const std::vector<ExportEntry>& exportTable();
const ExportEntry* findExport(const std::string& name);

// What the transport saw during one call.
struct TransportRecord {
  int writeCalls = 0;
  int readCalls = 0;
  int32_t writeChannel = -1;
  int32_t writeLength = -1;
  Bytes frame;  // the bytes hidWriteData was handed (writeLength of them)
  int32_t readChannel = -1;
  int32_t readSize = -1;
};

class Target {
 public:
  virtual ~Target() = default;
  virtual std::string description() const = 0;
  // Whether exports can also be looked up by ordinal.
  virtual bool hasOrdinals() const = 0;
  // Whether the cases that need this kind of transport can run here.
  virtual bool supports(TransportKind kind) const = 0;
  virtual void useTransport(TransportKind kind) = 0;

  // Caller memory, addressed as the library sees it.
  virtual uint64_t allocate(size_t size) = 0;
  virtual void writeMemory(uint64_t address, const uint8_t* bytes, size_t size) = 0;
  virtual void readMemory(uint64_t address, uint8_t* bytes, size_t size) = 0;
  virtual void releaseMemory() = 0;

  // Arms the transport for the next call and clears its record.
  virtual void script(const Script& script) = 0;
  virtual TransportRecord record() const = 0;

  // Calls an export with its argument slots; returns the result. Problems
  // of the call itself (stack not cleaned, budget exceeded) go to `failures`.
  virtual int call(const ExportEntry& entry, bool byOrdinal, const std::vector<uint64_t>& slots,
                   std::vector<std::string>& failures) = 0;
};

// Runs one case; returns a description of every mismatch (empty: passed).
std::vector<std::string> runCase(Target& target, const Case& c, bool byOrdinal);

}  // namespace vexa::test
