#include "target.h"

#include <sstream>

namespace vexa::test {

namespace {

constexpr size_t kGuardSize = 16;
constexpr uint8_t kGuardByte = 0x5A;
constexpr int32_t kChannel = 0;
constexpr int32_t kReadSize = 248;

std::string hex(const Bytes& bytes) {
  std::ostringstream out;
  out << std::hex;
  for (size_t i = 0; i < bytes.size(); ++i) {
    out << (i ? " " : "") << (bytes[i] < 0x10 ? "0" : "") << static_cast<int>(bytes[i]);
  }
  return out.str();
}

void checkTransport(const Call& call, const TransportRecord& record, const std::string& at,
                    std::vector<std::string>& failures) {
  auto fail = [&](const std::string& what) { failures.push_back(at + what); };
  if (!call.frame) {
    if (record.writeCalls != 0 || record.readCalls != 0) {
      fail("expected nothing sent, but the transport saw " + std::to_string(record.writeCalls) +
           " write(s) and " + std::to_string(record.readCalls) + " read(s)");
    }
    return;
  }
  if (record.writeCalls != 1) {
    fail("expected one write, saw " + std::to_string(record.writeCalls));
    return;
  }
  if (record.frame != *call.frame) {
    fail("frame sent: " + hex(record.frame) + "\n  expected:   " + hex(*call.frame));
  }
  if (record.writeChannel != kChannel) fail("write channel " + std::to_string(record.writeChannel));
  if (record.writeLength != static_cast<int32_t>(call.frame->size())) {
    fail("write length " + std::to_string(record.writeLength));
  }
  const int expectedReads = call.script.writeShortBy == 0 ? 1 : 0;
  if (record.readCalls != expectedReads) {
    fail("expected " + std::to_string(expectedReads) + " read(s), saw " +
         std::to_string(record.readCalls));
  } else if (expectedReads == 1 && (record.readChannel != kChannel || record.readSize != kReadSize)) {
    fail("read asked with channel " + std::to_string(record.readChannel) + " and size " +
         std::to_string(record.readSize));
  }
}

}  // namespace

std::vector<std::string> runCase(Target& target, const Case& c, bool byOrdinal) {
  std::vector<std::string> failures;
  target.useTransport(c.transport);
  for (size_t n = 0; n < c.calls.size(); ++n) {
    const Call& call = c.calls[n];
    const std::string at =
        c.calls.size() > 1 ? "call " + std::to_string(n + 1) + " (" + call.function + "): "
                           : call.function + ": ";
    const ExportEntry* entry = findExport(call.function);
    if (entry == nullptr) {
      failures.push_back(at + "not in the export table");
      return failures;
    }

    // Buffers with guard bytes on both sides.
    std::vector<uint64_t> bases;
    for (const Buffer& buffer : call.buffers) {
      Bytes image(kGuardSize, kGuardByte);
      image.insert(image.end(), buffer.initial.begin(), buffer.initial.end());
      image.insert(image.end(), kGuardSize, kGuardByte);
      const uint64_t base = target.allocate(image.size());
      target.writeMemory(base, image.data(), image.size());
      bases.push_back(base);
    }
    std::vector<uint64_t> slots;
    for (const Arg& arg : call.args) {
      switch (arg.kind) {
        case Arg::Kind::kValue:
          slots.push_back(arg.value);
          break;
        case Arg::Kind::kNull:
          slots.push_back(0);
          break;
        case Arg::Kind::kBuffer:
          slots.push_back(bases[static_cast<size_t>(arg.buffer)] + kGuardSize);
          break;
      }
    }
    if (static_cast<int>(slots.size()) * 4 != entry->argumentBytes) {
      failures.push_back(at + "the case passes " + std::to_string(slots.size()) +
                         " arguments, the export takes " +
                         std::to_string(entry->argumentBytes / 4));
    }

    target.script(call.script);
    const int result = target.call(*entry, byOrdinal, slots, failures);
    if (result != call.result) {
      failures.push_back(at + "returned " + std::to_string(result) + ", expected " +
                         std::to_string(call.result));
    }
    checkTransport(call, target.record(), at, failures);

    for (size_t b = 0; b < call.buffers.size(); ++b) {
      const Buffer& buffer = call.buffers[b];
      Bytes image(buffer.initial.size() + 2 * kGuardSize);
      target.readMemory(bases[b], image.data(), image.size());
      const Bytes before(image.begin(), image.begin() + kGuardSize);
      const Bytes inside(image.begin() + kGuardSize, image.end() - kGuardSize);
      const Bytes after(image.end() - kGuardSize, image.end());
      const Bytes guard(kGuardSize, kGuardByte);
      const std::string name = "buffer " + std::to_string(b);
      if (before != guard) failures.push_back(at + name + " written below its start");
      if (after != guard) failures.push_back(at + name + " written past its end");
      if (inside != buffer.expected) {
        failures.push_back(at + name + " holds " + hex(inside) + "\n  expected:  " +
                           hex(buffer.expected));
      }
    }
    target.releaseMemory();
  }
  return failures;
}

const std::vector<ExportEntry>& exportTable() {
  static const std::vector<ExportEntry> table = {
#define VEXA_EXPORT(ordinal, name, bytes) {ordinal, #name, bytes},
#include "vexa_exports.inc"
#undef VEXA_EXPORT
  };
  return table;
}

const ExportEntry* findExport(const std::string& name) {
  for (const ExportEntry& entry : exportTable()) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

}  // namespace vexa::test
