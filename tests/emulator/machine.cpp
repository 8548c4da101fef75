#include "machine.h"

#include <unicorn/unicorn.h>

#include "hex.h"

namespace vexa::emulator {

namespace {

constexpr uint32_t kPageSize = 0x1000;
constexpr size_t kSlot = 4;
constexpr uint8_t kRetImm16 = 0xC2;  // ret imm16: return and remove imm16 bytes
constexpr size_t kStubSize = 3;

// The caller's frame above the arguments, which the callee must not touch,
// and the register values that must survive the call.
constexpr uint32_t kCallerFrameSize = 64;
constexpr uint8_t kCallerFrameByte = 0xC5;
constexpr uint32_t kStackAlignment = 16;
constexpr uint32_t kCanaryEbx = 0xB0B0B0B0;
constexpr uint32_t kCanaryEsi = 0x51515151;
constexpr uint32_t kCanaryEdi = 0xD1D1D1D1;
constexpr uint32_t kCanaryEbp = 0xBEBEBEBE;
constexpr uint32_t kScratch = 0xDEADBEEF;       // EAX, ECX, EDX: the callee may not rely on them
constexpr uint32_t kInitialFlags = 0x00000002;  // reserved bit 1 set, DF clear
constexpr uint32_t kDirectionFlag = 0x00000400;

uint32_t toUnicorn(uint32_t access) {
  uint32_t perms = UC_PROT_NONE;
  if (access & kRead) perms |= UC_PROT_READ;
  if (access & kWrite) perms |= UC_PROT_WRITE;
  if (access & kExecute) perms |= UC_PROT_EXEC;
  return perms;
}

void check(uc_err err, const std::string& what) {
  if (err != UC_ERR_OK) throw MachineError(what + ": " + uc_strerror(err));
}

const char* memoryFault(int type) {
  switch (type) {
    case UC_MEM_READ_UNMAPPED:
      return "read of unmapped address ";
    case UC_MEM_WRITE_UNMAPPED:
      return "write to unmapped address ";
    case UC_MEM_FETCH_UNMAPPED:
      return "jump to unmapped address ";
    case UC_MEM_READ_PROT:
      return "read of unreadable address ";
    case UC_MEM_WRITE_PROT:
      return "write to read-only address ";
    case UC_MEM_FETCH_PROT:
      return "jump to non-executable address ";
    default:
      return "bad access to address ";
  }
}

}  // namespace

struct MachineHooks {
  static void onCode(uc_engine*, uint64_t address, uint32_t, void* self) {
    auto* m = static_cast<Machine*>(self);
    if (++m->executed_ > m->budget_) {
      m->stop("did not return within " + std::to_string(m->budget_) + " instructions (at EIP " +
              m->describe(static_cast<uint32_t>(address)) + ")");
      return;
    }
    const auto stub = m->stubs_.find(static_cast<uint32_t>(address));
    if (stub != m->stubs_.end()) m->runStub(stub->first, stub->second);
  }

  static bool onBadMemory(uc_engine* uc, uc_mem_type type, uint64_t address, int, int64_t,
                          void* self) {
    auto* m = static_cast<Machine*>(self);
    uint32_t eip = 0;
    uc_reg_read(uc, UC_X86_REG_EIP, &eip);
    if (m->fault_.empty()) {
      m->fault_ = memoryFault(type) + hex(address) + " at EIP " + m->describe(eip);
    }
    return false;
  }

  static void onInterrupt(uc_engine* uc, uint32_t number, void* self) {
    auto* m = static_cast<Machine*>(self);
    uint32_t eip = 0;
    uc_reg_read(uc, UC_X86_REG_EIP, &eip);
    m->stop("raised interrupt " + std::to_string(number) + " (EIP " + m->describe(eip) + ")");
  }

  static bool onInvalidInstruction(uc_engine* uc, void* self) {
    auto* m = static_cast<Machine*>(self);
    uint32_t eip = 0;
    uc_reg_read(uc, UC_X86_REG_EIP, &eip);
    if (m->fault_.empty()) m->fault_ = "invalid instruction at EIP " + m->describe(eip);
    return false;
  }
};

Machine::Machine() {
  check(uc_open(UC_ARCH_X86, UC_MODE_32, &uc_), "cannot start the x86 emulator");
  uc_hook hook;
  // begin > end: every address.
  check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&MachineHooks::onCode), this,
                    1, 0),
        "code hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_INVALID,
                    reinterpret_cast<void*>(&MachineHooks::onBadMemory), this, 1, 0),
        "memory hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&MachineHooks::onInterrupt),
                    this, 1, 0),
        "interrupt hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_INSN_INVALID,
                    reinterpret_cast<void*>(&MachineHooks::onInvalidInstruction), this, 1, 0),
        "instruction hook");
}

Machine::~Machine() {
  if (uc_ != nullptr) uc_close(uc_);
}

void Machine::map(uint32_t address, uint32_t size, uint32_t access) {
  check(uc_mem_map(uc_, address, size, toUnicorn(access)), "cannot map " + hex(address));
}

void Machine::protect(uint32_t address, uint32_t size, uint32_t access) {
  check(uc_mem_protect(uc_, address, size, toUnicorn(access)), "cannot protect " + hex(address));
}

uint32_t Machine::accessAt(uint32_t address) const {
  uc_mem_region* regions = nullptr;
  uint32_t count = 0;
  if (uc_mem_regions(uc_, &regions, &count) != UC_ERR_OK) return 0;
  uint32_t access = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (address >= regions[i].begin && address <= regions[i].end) {
      if (regions[i].perms & UC_PROT_READ) access |= kRead;
      if (regions[i].perms & UC_PROT_WRITE) access |= kWrite;
      if (regions[i].perms & UC_PROT_EXEC) access |= kExecute;
    }
  }
  uc_free(regions);
  return access;
}

void Machine::write(uint32_t address, const uint8_t* bytes, size_t size) {
  if (size == 0) return;
  check(uc_mem_write(uc_, address, bytes, size),
        "cannot write " + std::to_string(size) + " bytes at " + hex(address));
}

void Machine::read(uint32_t address, uint8_t* bytes, size_t size) const {
  if (size == 0) return;
  check(uc_mem_read(uc_, address, bytes, size),
        "cannot read " + std::to_string(size) + " bytes at " + hex(address));
}

uint32_t Machine::read32(uint32_t address) const {
  uint8_t b[kSlot];
  read(address, b, sizeof b);
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
         static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

void Machine::write32(uint32_t address, uint32_t value) {
  const uint8_t b[kSlot] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  write(address, b, sizeof b);
}

bool Machine::readString(uint32_t address, size_t limit, std::string& text) const {
  text.clear();
  for (size_t i = 0; i <= limit; ++i) {
    uint8_t c = 0;
    if (uc_mem_read(uc_, address + i, &c, 1) != UC_ERR_OK) return false;
    if (c == 0) return true;
    text += static_cast<char>(c);
  }
  return false;
}

void Machine::placeStub(uint32_t address, uint16_t argumentBytes, std::string name,
                        StubHandler handler) {
  const uint8_t code[kStubSize] = {kRetImm16, static_cast<uint8_t>(argumentBytes & 0xFF),
                                   static_cast<uint8_t>(argumentBytes >> 8)};
  write(address, code, sizeof code);
  stubs_[address] = Stub{std::move(name), argumentBytes, std::move(handler)};
}

const std::string* Machine::stubName(uint32_t address) const {
  const auto it = stubs_.find(address);
  return it == stubs_.end() ? nullptr : &it->second.name;
}

void Machine::stop(const std::string& fault) {
  if (fault_.empty()) fault_ = fault;
  uc_emu_stop(uc_);
}

void Machine::runStub(uint32_t, const Stub& stub) {
  try {
    const uint32_t esp = reg(UC_X86_REG_ESP);
    std::vector<uint32_t> args;
    for (uint32_t at = kSlot; at <= stub.argumentBytes; at += kSlot)
      args.push_back(read32(esp + at));
    setReg(UC_X86_REG_EAX, stub.handler(args));
  } catch (const MachineError& e) {
    stop(stub.name + ": " + e.what());
  }
}

uint32_t Machine::reg(int id) const {
  uint32_t value = 0;
  uc_reg_read(uc_, id, &value);
  return value;
}

void Machine::setReg(int id, uint32_t value) { uc_reg_write(uc_, id, &value); }

void Machine::setSymbolizer(std::function<std::string(uint32_t)> symbolize) {
  symbolize_ = std::move(symbolize);
}

std::string Machine::describe(uint32_t address) const {
  if (const std::string* name = stubName(address)) return hex(address) + " (stub " + *name + ")";
  const std::string where = symbolize_ ? symbolize_(address) : "";
  return where.empty() ? hex(address) : hex(address) + " (" + where + ")";
}

CallOutcome Machine::call(uint32_t function, const std::vector<uint32_t>& args, uint32_t stackTop,
                          uint32_t returnAddress, uint64_t budget) {
  const uint32_t frame = stackTop - kCallerFrameSize;
  const std::vector<uint8_t> callerFrame(kCallerFrameSize, kCallerFrameByte);
  write(frame, callerFrame.data(), callerFrame.size());
  // The argument block starts 16-byte aligned, as a compiler's caller leaves it.
  const uint32_t argumentTop = frame & ~(kStackAlignment - 1);
  uint32_t esp = argumentTop;
  for (auto it = args.rbegin(); it != args.rend(); ++it) {
    esp -= kSlot;
    write32(esp, *it);
  }
  esp -= kSlot;
  write32(esp, returnAddress);
  const uint32_t entryEsp = esp;

  setReg(UC_X86_REG_ESP, esp);
  setReg(UC_X86_REG_EBP, kCanaryEbp);
  setReg(UC_X86_REG_EBX, kCanaryEbx);
  setReg(UC_X86_REG_ESI, kCanaryEsi);
  setReg(UC_X86_REG_EDI, kCanaryEdi);
  setReg(UC_X86_REG_EAX, kScratch);
  setReg(UC_X86_REG_ECX, kScratch);
  setReg(UC_X86_REG_EDX, kScratch);
  setReg(UC_X86_REG_EFLAGS, kInitialFlags);

  executed_ = 0;
  budget_ = budget;
  fault_.clear();
  const uc_err err = uc_emu_start(uc_, function, returnAddress, 0, 0);

  CallOutcome outcome;
  outcome.eip = reg(UC_X86_REG_EIP);
  outcome.instructions = executed_;
  if (err != UC_ERR_OK && fault_.empty()) {
    fault_ = std::string(uc_strerror(err)) + " at EIP " + describe(outcome.eip);
  }
  if (fault_.empty() && outcome.eip != returnAddress) {
    fault_ = "stopped at EIP " + describe(outcome.eip) + " without returning";
  }
  outcome.fault = fault_;
  outcome.returned = fault_.empty();
  if (!outcome.returned) return outcome;

  outcome.eax = reg(UC_X86_REG_EAX);
  outcome.argumentBytesRemoved = static_cast<int64_t>(reg(UC_X86_REG_ESP)) -
                                 static_cast<int64_t>(entryEsp) - static_cast<int64_t>(kSlot);
  const std::pair<int, uint32_t> saved[] = {{UC_X86_REG_EBX, kCanaryEbx},
                                            {UC_X86_REG_ESI, kCanaryEsi},
                                            {UC_X86_REG_EDI, kCanaryEdi},
                                            {UC_X86_REG_EBP, kCanaryEbp}};
  const char* names[] = {"EBX", "ESI", "EDI", "EBP"};
  for (size_t i = 0; i < std::size(saved); ++i) {
    const uint32_t now = reg(saved[i].first);
    if (now != saved[i].second) {
      outcome.abiViolations.push_back(std::string(names[i]) + " not preserved: " +
                                      hex(saved[i].second) + " became " + hex(now));
    }
  }
  if (reg(UC_X86_REG_EFLAGS) & kDirectionFlag) {
    outcome.abiViolations.push_back("returned with the direction flag set");
  }
  std::vector<uint8_t> after(kCallerFrameSize);
  read(frame, after.data(), after.size());
  if (after != callerFrame) outcome.abiViolations.push_back("wrote into the caller's stack frame");
  return outcome;
}

}  // namespace vexa::emulator
