// What a call costs: representative calls through libvexa.so against a
// transport that answers at once, each beside a baseline that performs the
// same transport sequence itself (dlopen, dlsym twice, write, read, dlclose)
// with the same frame built by hand. The ratio of the two is the library's
// own overhead.
//
//   vexa_bench [benchmark options]        the measurements
//   vexa_bench --list                     the representative calls, one a line
//   vexa_bench --run <name>/<library|baseline> <calls>
//                                         <calls> calls inside run_calls(),
//                                         for callgrind --toggle-collect
//
// Every allocation in the process is counted (the program's own malloc
// family), and each benchmark reports the allocations one call makes.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "bench_transport.h"
#include "beside_program.h"
#include "vexa.h"

// ---- counting allocator ----

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {
std::atomic<long> allocations{0};
void counted() { allocations.fetch_add(1, std::memory_order_relaxed); }
}  // namespace

extern "C" {
void* malloc(size_t size) noexcept {
  counted();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
  counted();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) noexcept {
  counted();
  return __libc_realloc(pointer, size);
}
void* memalign(size_t alignment, size_t size) noexcept {
  counted();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
  counted();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
  counted();
  *out = __libc_memalign(alignment, size);
  return *out == nullptr ? ENOMEM : 0;
}
void free(void* pointer) noexcept { __libc_free(pointer); }
}

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kStart = 0xAA;
constexpr uint8_t kEnd = 0xBB;
constexpr uint8_t kAddress = 0x00;
constexpr int32_t kChannel = 0;
constexpr int32_t kReadSize = 248;
constexpr int kFrameCapacity = 256;
constexpr int kStatusAt = 3;
constexpr int kAllocationProbeCalls = 1000;

using TransportFn = int32_t (*)(int32_t, int32_t, uint8_t*);

struct Library : vexa::test::BesideProgram {
  decltype(&::GetVersionNum) getVersionNum = nullptr;
  decltype(&::MF_Read) mfRead = nullptr;
  decltype(&::MF_Write) mfWrite = nullptr;
  decltype(&::ISO15693_Inventory) inventory = nullptr;
  decltype(&::TypeB_TransCOS) typeBTransCos = nullptr;
  BenchTransportAnswerFn answer = nullptr;
  BenchTransportExpectFn expect = nullptr;
  BenchTransportMismatchesFn mismatches = nullptr;

  bool load() {
    if (!open()) return false;
    get(library, getVersionNum, "GetVersionNum");
    get(library, mfRead, "MF_Read");
    get(library, mfWrite, "MF_Write");
    get(library, inventory, "ISO15693_Inventory");
    get(library, typeBTransCos, "TypeB_TransCOS");
    get(transport, answer, "benchTransportAnswer");
    get(transport, expect, "benchTransportExpect");
    get(transport, mismatches, "benchTransportMismatches");
    return complete;
  }
};

Library lib;

// Caller buffers, at their documented sizes.
struct Buffers {
  uint8_t key[6];
  uint8_t data[240];
  uint8_t version[126];
  uint8_t cardCount[1];
  uint8_t cardRecords[240];
  uint8_t command[5];
  uint8_t response[127];
};
Buffers buffers;

// The card's serial number in every reply: the key's first four bytes, so
// that the library's copy of it over the key leaves the next frame alike.
const Bytes kKey{0xA0, 0xA1, 0xA2, 0xA3, 0xFF, 0xFF};
const Bytes kSerial{0xA0, 0xA1, 0xA2, 0xA3};
const Bytes kApdu{0x00, 0x84, 0x00, 0x00, 0x08};
constexpr uint8_t kKeyMode = 0x60;
constexpr uint8_t kFirstBlock = 4;
constexpr int kBlockSize = 16;

Bytes replyWith(const Bytes& data) {
  Bytes r{kStart, kAddress, static_cast<uint8_t>(1 + data.size()), 0x00};
  r.insert(r.end(), data.begin(), data.end());
  uint8_t x = 0;
  for (size_t i = 1; i < r.size(); ++i) x ^= r[i];
  r.push_back(x);
  r.push_back(kEnd);
  if (r.size() > static_cast<size_t>(kReadSize)) r.resize(kReadSize);
  return r;
}

Bytes pattern(size_t n, uint8_t first) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(first + i);
  return b;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes blockData(int blocks) {
  // data[0] comes back as the serial number's first byte after a write.
  Bytes d = pattern(static_cast<size_t>(blocks * kBlockSize), 0x10);
  d[0] = kSerial[0];
  return d;
}

struct Representative {
  const char* name;
  uint8_t len;
  uint8_t cmd;
  Bytes fields;
  Bytes reply;
  void (*prepare)();  // puts the caller's input into the buffers
  int (*call)();
};

void prepareKey() { memcpy(buffers.key, kKey.data(), kKey.size()); }

const std::vector<Representative>& representatives() {
  static const std::vector<Representative> list = {
      {"GetVersionNum",
       0x01,
       0x86,
       {},
       replyWith(pattern(16, 0x30)),
       [] {},
       [] { return lib.getVersionNum(buffers.version); }},
      {"MF_Read_1", 0x0A, 0x20, join({{kKeyMode, 1, kFirstBlock}, kKey}),
       replyWith(join({kSerial, pattern(16, 0x40)})), prepareKey,
       [] { return lib.mfRead(kKeyMode, kFirstBlock, 1, buffers.key, buffers.data); }},
      {"MF_Read_15", 0x0A, 0x20, join({{kKeyMode, 15, kFirstBlock}, kKey}),
       replyWith(join({kSerial, pattern(240, 0x40)})), prepareKey,
       [] { return lib.mfRead(kKeyMode, kFirstBlock, 15, buffers.key, buffers.data); }},
      {"MF_Write_15", 0xFA, 0x21, join({{kKeyMode, 15, kFirstBlock}, kKey, blockData(15)}),
       replyWith(kSerial),
       [] {
         prepareKey();
         const Bytes d = blockData(15);
         memcpy(buffers.data, d.data(), d.size());
       },
       [] { return lib.mfWrite(kKeyMode, kFirstBlock, 15, buffers.key, buffers.data); }},
      {"ISO15693_Inventory",
       0x04,
       0x10,
       {0x06, 0x00, 0x00},
       replyWith(join({{3}, pattern(30, 0x50)})),
       [] {},
       [] { return lib.inventory(buffers.cardCount, buffers.cardRecords); }},
      {"TypeB_TransCOS", 0x07, 0x0D, join({{5}, kApdu}), replyWith(pattern(10, 0x60)),
       [] { memcpy(buffers.command, kApdu.data(), kApdu.size()); },
       [] { return lib.typeBTransCos(buffers.command, 5, buffers.response); }},
  };
  return list;
}

// The baseline: the transport sequence of one exchange, with the frame
// built by hand into a process-wide buffer as the library does, and the
// transport opened by its path beside the library as the library opens it.
uint8_t baselineFrame[kFrameCapacity];
uint8_t baselineReply[kFrameCapacity];

int baselineExchange(const Representative& r) {
  int n = 0;
  baselineFrame[n++] = kStart;
  baselineFrame[n++] = kAddress;
  baselineFrame[n++] = r.len;
  baselineFrame[n++] = r.cmd;
  for (uint8_t b : r.fields) baselineFrame[n++] = b;
  uint8_t x = 0;
  for (int i = 1; i < n; ++i) x ^= baselineFrame[i];
  baselineFrame[n++] = x;
  baselineFrame[n++] = kEnd;

  void* module = dlopen(lib.transportPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return -1;
  auto write = reinterpret_cast<TransportFn>(dlsym(module, "hidWriteData"));
  auto read = reinterpret_cast<TransportFn>(dlsym(module, "hidReadData"));
  if (write != nullptr && read != nullptr && write(kChannel, n, baselineFrame) == n) {
    read(kChannel, kReadSize, baselineReply);
  }
  dlclose(module);
  return static_cast<int8_t>(baselineReply[kStatusAt]);
}

Bytes frameOf(const Representative& r) {
  Bytes f{kStart, kAddress, r.len, r.cmd};
  f.insert(f.end(), r.fields.begin(), r.fields.end());
  uint8_t x = 0;
  for (size_t i = 1; i < f.size(); ++i) x ^= f[i];
  f.push_back(x);
  f.push_back(kEnd);
  return f;
}

// Both paths must hand the transport the same frame and succeed.
bool checkRepresentative(const Representative& r) {
  const Bytes frame = frameOf(r);
  lib.answer(r.reply.data(), static_cast<int32_t>(r.reply.size()));
  r.prepare();
  const int before = lib.mismatches();
  lib.expect(frame.data(), static_cast<int32_t>(frame.size()));
  const int libraryResult = r.call();
  lib.expect(frame.data(), static_cast<int32_t>(frame.size()));
  const int baselineResult = baselineExchange(r);
  if (lib.mismatches() != before || libraryResult != 0 || baselineResult != 0) {
    fprintf(stderr, "%s: frames differ or the call failed (library %d, baseline %d)\n", r.name,
            libraryResult, baselineResult);
    return false;
  }
  return true;
}

template <typename Call>
double allocationsPerCall(Call call) {
  const long before = allocations.load();
  for (int i = 0; i < kAllocationProbeCalls; ++i) call();
  return static_cast<double>(allocations.load() - before) / kAllocationProbeCalls;
}

// The two paths in alternating batches, so that both meet the same load on a
// shared machine: the median of the batches' time ratios.
constexpr int kPairedBatch = 32;

template <typename Call>
double batchSeconds(Call call) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kPairedBatch; ++i) benchmark::DoNotOptimize(call());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void paired(benchmark::State& state, const Representative& r) {
  lib.answer(r.reply.data(), static_cast<int32_t>(r.reply.size()));
  r.prepare();
  std::vector<double> ratios;
  bool libraryFirst = true;
  for (auto _ : state) {
    double library, baseline;
    if (libraryFirst) {
      library = batchSeconds(r.call);
      baseline = batchSeconds([&r] { return baselineExchange(r); });
    } else {
      baseline = batchSeconds([&r] { return baselineExchange(r); });
      library = batchSeconds(r.call);
    }
    libraryFirst = !libraryFirst;
    state.PauseTiming();
    ratios.push_back(library / baseline);
    state.ResumeTiming();
  }
  if (ratios.empty()) return;
  std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
  state.counters["ratio"] = ratios[ratios.size() / 2];
}

// The fastest repetition: on a shared machine the least disturbed one.
double fastest(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

void registerBenchmarks() {
  for (const Representative& r : representatives()) {
    lib.answer(r.reply.data(), static_cast<int32_t>(r.reply.size()));
    r.prepare();
    const double libraryAllocations = allocationsPerCall(r.call);
    const double baselineAllocations = allocationsPerCall([&r] { return baselineExchange(r); });
    auto onLibrary = [&r, libraryAllocations](benchmark::State& state) {
      lib.answer(r.reply.data(), static_cast<int32_t>(r.reply.size()));
      r.prepare();
      for (auto _ : state) benchmark::DoNotOptimize(r.call());
      state.counters["allocs_per_call"] = libraryAllocations;
    };
    auto onBaseline = [&r, baselineAllocations](benchmark::State& state) {
      lib.answer(r.reply.data(), static_cast<int32_t>(r.reply.size()));
      for (auto _ : state) benchmark::DoNotOptimize(baselineExchange(r));
      state.counters["allocs_per_call"] = baselineAllocations;
    };
    benchmark::RegisterBenchmark((std::string(r.name) + "/library").c_str(), onLibrary)
        ->ComputeStatistics("min", fastest);
    benchmark::RegisterBenchmark((std::string(r.name) + "/baseline").c_str(), onBaseline)
        ->ComputeStatistics("min", fastest);
    benchmark::RegisterBenchmark((std::string(r.name) + "/paired").c_str(),
                                 [&r](benchmark::State& state) { paired(state, r); });
  }
}

int findRepresentative(const std::string& name) {
  for (size_t i = 0; i < representatives().size(); ++i) {
    if (name == representatives()[i].name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

// The calls callgrind counts (--toggle-collect=run_calls): the first call,
// which binds the library's imports, is made before.
extern "C" __attribute__((noinline)) int run_calls(int index, bool library, int calls) {
  const Representative& r = representatives()[static_cast<size_t>(index)];
  int sum = 0;
  for (int i = 0; i < calls; ++i) sum += library ? r.call() : baselineExchange(r);
  return sum;
}

int main(int argc, char** argv) {
  if (!lib.load()) {
    fprintf(stderr, "vexa_bench: libvexa.so or the benchmark libtevra.so missing beside it\n");
    return 1;
  }
  // A zero count means something only if an allocation is seen.
  if (allocationsPerCall([] {
        void* (*volatile allocate)(size_t) = malloc;  // not to be elided
        void* block = allocate(1);
        free(block);
        return block != nullptr;
      }) != 1.0) {
    fprintf(stderr, "vexa_bench: the counting allocator does not see allocations\n");
    return 1;
  }
  for (const Representative& r : representatives()) {
    if (!checkRepresentative(r)) return 1;
  }
  if (argc == 2 && strcmp(argv[1], "--list") == 0) {
    for (const Representative& r : representatives()) printf("%s\n", r.name);
    return 0;
  }
  if (argc == 4 && strcmp(argv[1], "--run") == 0) {
    const std::string what = argv[2];
    const size_t slash = what.find('/');
    if (slash == std::string::npos) return 1;
    const int index = findRepresentative(what.substr(0, slash));
    const bool library = what.substr(slash + 1) == "library";
    if (index < 0) return 1;
    const Representative& r = representatives()[static_cast<size_t>(index)];
    lib.answer(r.reply.data(), static_cast<int32_t>(r.reply.size()));
    r.prepare();
    run_calls(index, library, 1);
    return run_calls(index, library, atoi(argv[3])) == 0 ? 0 : 1;
  }
  registerBenchmarks();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
