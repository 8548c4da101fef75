// What the DLL finds around it under emulation: the KERNEL32 functions it
// imports and the reader's transport library, "Tevra.dll", as stubs that
// play the case's script and keep the same record as the native tests' fake
// transport. The stubs also check what a real process would punish later: a
// library loaded and not released within the call, a lock left held, a
// transport function called after its library was released.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "machine.h"
#include "pe_image.h"
#include "target.h"

namespace vexa::emulator {

class SystemStubs {
 public:
  // Places the stubs in the page at `page` (mapped by the caller).
  SystemStubs(Machine& machine, uint32_t page);

  // The address an import is bound to. An import the stubs do not provide
  // is bound to a trap that fails the call naming it, and is listed.
  uint32_t bind(const PeImport& import);
  const std::vector<std::string>& unknownImports() const { return unknown_; }
  // Where emulated calls return to.
  uint32_t returnAddress() const { return returnAddress_; }

  void useTransport(test::TransportKind kind) { transport_ = kind; }
  void script(const test::Script& script);
  test::TransportRecord record() const { return record_; }

  // Around every call into the DLL: afterCall reports what the stubs saw
  // go wrong and, for a call that returned, what it left unbalanced; then
  // puts everything right for the next call.
  void beforeCall();
  void afterCall(bool returned, std::vector<std::string>& failures);
  // Stub calls since the stubs were placed.
  uint64_t stubCalls() const { return stubCalls_; }

 private:
  uint32_t place(const char* name, uint16_t argumentBytes, Machine::StubHandler handler);
  void fail(const std::string& what) { problems_.push_back(what); }
  bool tevraLoaded() const { return references_ > 0; }

  uint32_t loadLibrary(uint32_t name);
  uint32_t getProcAddress(uint32_t module, uint32_t name);
  uint32_t freeLibrary(uint32_t module);
  uint32_t acquire(uint32_t lock);
  uint32_t release(uint32_t lock);
  uint32_t hidWriteData(uint32_t channel, uint32_t length, uint32_t frame);
  uint32_t hidReadData(uint32_t channel, uint32_t size, uint32_t reply);

  Machine& machine_;
  uint32_t page_;
  uint32_t next_;
  uint32_t returnAddress_;
  std::map<std::string, uint32_t> kernel32_;  // name -> stub
  std::vector<std::string> unknown_;
  uint32_t writeStub_ = 0;
  uint32_t readStub_ = 0;

  test::TransportKind transport_ = test::TransportKind::kFake;
  test::Script script_;
  test::TransportRecord record_;

  // Per call.
  int references_ = 0;  // LoadLibraryA("Tevra.dll") not yet released
  int loads_ = 0;
  std::map<uint32_t, bool> locks_;  // lock address -> held
  std::vector<std::string> problems_;
  uint64_t stubCalls_ = 0;
};

}  // namespace vexa::emulator
