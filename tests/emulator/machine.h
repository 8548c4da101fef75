// An emulated 32-bit x86 machine (Unicorn): flat memory, code stubs that
// run host functions, and __stdcall calls with an instruction budget.
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

struct uc_struct;

namespace vexa::emulator {

class MachineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum Access : uint32_t {
  kRead = 1,
  kWrite = 2,
  kExecute = 4,
};

// What a call did, as the caller sees it after the return (or the stop).
struct CallOutcome {
  bool returned = false;  // reached the return address
  uint32_t eax = 0;
  int64_t argumentBytesRemoved = 0;  // valid when returned
  uint64_t instructions = 0;
  uint32_t eip = 0;                        // where it stopped when it did not return
  std::string fault;                       // why it did not return; empty when it did
  std::vector<std::string> abiViolations;  // registers, flags, caller's frame
};

class Machine {
 public:
  using StubHandler = std::function<uint32_t(const std::vector<uint32_t>& args)>;

  Machine();
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // Maps [address, address + size) with the given Access bits; page-aligned.
  void map(uint32_t address, uint32_t size, uint32_t access);
  void protect(uint32_t address, uint32_t size, uint32_t access);
  // The Access bits of the page holding `address`; 0 when unmapped.
  uint32_t accessAt(uint32_t address) const;

  // Host access to emulated memory (ignores page protection); throws
  // MachineError when a byte is unmapped.
  void write(uint32_t address, const uint8_t* bytes, size_t size);
  void read(uint32_t address, uint8_t* bytes, size_t size) const;
  uint32_t read32(uint32_t address) const;
  void write32(uint32_t address, uint32_t value);
  // A NUL-terminated string of at most `limit` characters.
  bool readString(uint32_t address, size_t limit, std::string& text) const;

  // Places at `address` a __stdcall function taking `argumentBytes` of
  // arguments: when called, `handler` runs with them and its result goes to
  // EAX; the stub's own `ret argumentBytes` then returns.
  void placeStub(uint32_t address, uint16_t argumentBytes, std::string name, StubHandler handler);
  // From inside a stub: ends the current call with this fault.
  void stop(const std::string& fault);
  const std::string* stubName(uint32_t address) const;

  // Calls `function` as a __stdcall caller would: `args` pushed right to left
  // below `stackTop`, then `returnAddress`; runs until the function returns
  // there or `budget` instructions have run. Checks the callee-saved
  // registers, the direction flag and the caller's frame above the arguments.
  CallOutcome call(uint32_t function, const std::vector<uint32_t>& args, uint32_t stackTop,
                   uint32_t returnAddress, uint64_t budget);

  // Names addresses in fault messages ("vexa.dll+0x1234 (MF_Read+0x34)").
  void setSymbolizer(std::function<std::string(uint32_t)> symbolize);
  std::string describe(uint32_t address) const;

 private:
  struct Stub {
    std::string name;
    uint16_t argumentBytes;
    StubHandler handler;
  };
  friend struct MachineHooks;
  void runStub(uint32_t address, const Stub& stub);
  uint32_t reg(int id) const;
  void setReg(int id, uint32_t value);

  uc_struct* uc_ = nullptr;
  std::map<uint32_t, Stub> stubs_;
  std::function<std::string(uint32_t)> symbolize_;
  // State of the call in progress.
  uint64_t executed_ = 0;
  uint64_t budget_ = 0;
  std::string fault_;
};

}  // namespace vexa::emulator
