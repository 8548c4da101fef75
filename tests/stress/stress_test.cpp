// Several threads make a random mix of calls through libvexa.so against
// a transport that answers every frame by its content (responder.h). Each
// call knows the frame it must send, and so the reply it must get: its frame,
// result and buffers are checked call by call, and the transport's counts at
// the end. Built natively (ASan, UBSan) and with ThreadSanitizer.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "beside_program.h"
#include "responder.h"
#include "stress_transport.h"
#include "vexa.h"

namespace vexa::stress {
namespace {

constexpr uint8_t kStart = 0xAA;
constexpr uint8_t kEnd = 0xBB;
constexpr uint8_t kFill = 0x01;  // what the library reads where no reply arrived
constexpr uint8_t kAddressed = VEXA_ISO15693_FLAGS_ADDRESSED;
constexpr uint8_t kNotAddressed = 0x02;
constexpr int kUidSize = 8;
constexpr size_t kGuard = 8;
constexpr uint8_t kGuardByte = 0x5A;
constexpr int kMaxFailuresKept = 5;

// The library and the transport beside it, loaded from this program's
// directory. The transport stays loaded, so its counts outlive the
// library's release of it after each exchange.
struct Library : test::BesideProgram {
  decltype(&::GetVersionNum) getVersionNum = nullptr;
  decltype(&::MF_Read) mfRead = nullptr;
  decltype(&::MF_Write) mfWrite = nullptr;
  decltype(&::ISO15693_Inventory) inventory = nullptr;
  decltype(&::TypeB_TransCOS) typeBTransCos = nullptr;
  decltype(&::MF_TypeATransCOSCmd) typeATransCos = nullptr;
  decltype(&::ISO15693_Read) isoRead = nullptr;
  decltype(&::ISO15693_GetSysInfo) getSysInfo = nullptr;
  decltype(&::ISO15693_GetMulSecurity) getMulSecurity = nullptr;
  decltype(&::SetDeviceAddress) setDeviceAddress = nullptr;
  StressTransportResetFn reset = nullptr;
  StressTransportStatsFn stats = nullptr;
  StressTransportLastFrameFn lastFrame = nullptr;

  bool load() {
    if (!open()) return false;
    get(library, getVersionNum, "GetVersionNum");
    get(library, mfRead, "MF_Read");
    get(library, mfWrite, "MF_Write");
    get(library, inventory, "ISO15693_Inventory");
    get(library, typeBTransCos, "TypeB_TransCOS");
    get(library, typeATransCos, "MF_TypeATransCOSCmd");
    get(library, isoRead, "ISO15693_Read");
    get(library, getSysInfo, "ISO15693_GetSysInfo");
    get(library, getMulSecurity, "ISO15693_GetMulSecurity");
    get(library, setDeviceAddress, "SetDeviceAddress");
    get(transport, reset, "stressTransportReset");
    get(transport, stats, "stressTransportStats");
    get(transport, lastFrame, "stressTransportLastFrame");
    return complete;
  }
};

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<uint32_t>(state_ >> 16);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
  uint8_t byte() { return static_cast<uint8_t>(next()); }
  uint8_t flags() { return next() & 1 ? kAddressed : kNotAddressed; }

 private:
  uint64_t state_;
};

// A frame as the caller expects it to go out.
class Frame {
 public:
  Frame(int len, uint8_t cmd) {
    bytes_.push_back(kStart);
    put(kReaderAddress).put(static_cast<uint8_t>(len)).put(cmd);
  }
  Frame& put(uint8_t b) {
    bytes_.push_back(b);
    if (bytes_.size() > 1) xor_ ^= b;
    return *this;
  }
  Frame& put(const uint8_t* p, int n) {
    for (int i = 0; i < n; ++i) put(p[i]);
    return *this;
  }
  Frame& uidIf(bool addressed, const uint8_t* uid) {
    return addressed ? put(uid, kUidSize) : *this;
  }
  std::vector<uint8_t> done() const {
    std::vector<uint8_t> out = bytes_;
    out.push_back(xor_);
    out.push_back(kEnd);
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
  uint8_t xor_ = 0;
};

// The reply positions the library sees after the exchange.
struct Window {
  uint8_t bytes[kReplySize];
  bool fromReader() const { return bytes[1] == kReaderAddress; }
  uint8_t len() const { return bytes[2]; }
  uint8_t status() const { return bytes[3]; }
  int result() const { return static_cast<int8_t>(status()); }
  uint8_t d(int i) const { return bytes[4 + i]; }
  int dataCount() const {
    const int l = static_cast<int8_t>(len());
    return l > 1 ? l - 1 : 0;
  }
  int signedLen() const {
    const int l = static_cast<int8_t>(len());
    return l > 0 ? l : 0;
  }
};

// A caller buffer with guard bytes on both sides and the contents it must
// hold after the call.
class Buf {
 public:
  Buf(size_t size, Rng& rng) : memory_(size + 2 * kGuard, kGuardByte), size_(size) {
    for (size_t i = 0; i < size; ++i) memory_[kGuard + i] = rng.byte();
    expected_.assign(memory_.begin() + kGuard, memory_.end() - kGuard);
    initial_ = expected_;
  }
  uint8_t* p() { return memory_.data() + kGuard; }
  const uint8_t* initial() const { return initial_.data(); }
  // The buffer receives D[first ..] from position `at` on.
  void expectData(const Window& w, int first, int count, int at = 0) {
    for (int i = 0; i < count; ++i) expected_[static_cast<size_t>(at + i)] = w.d(first + i);
  }
  void expectFrom(const Window& w, int position, int count) {
    for (int i = 0; i < count; ++i) expected_[static_cast<size_t>(i)] = w.bytes[position + i];
  }
  bool right() const {
    for (size_t i = 0; i < kGuard; ++i) {
      if (memory_[i] != kGuardByte || memory_[kGuard + size_ + i] != kGuardByte) return false;
    }
    return std::equal(expected_.begin(), expected_.end(), memory_.begin() + kGuard);
  }

 private:
  std::vector<uint8_t> memory_;
  size_t size_;
  std::vector<uint8_t> expected_;
  std::vector<uint8_t> initial_;
};

// One thread's calls.
struct Context {
  Context(const Library& library, uint64_t seed) : lib(library), rng(seed) {}
  const Library& lib;
  Rng rng;
  std::optional<std::vector<uint8_t>> frame;
  int calls = 0;
  int sent = 0;
  int refused = 0;
  int failed = 0;
  std::vector<std::string> failures;

  // The call must send this frame; returns the reply the library sees.
  Window expect(const std::vector<uint8_t>& f) {
    frame = f;
    ++sent;
    const Answer a = answerFrame(f.data(), static_cast<int32_t>(f.size()));
    Window w;
    if (a.refuseWrite) {
      ++refused;
      std::fill(std::begin(w.bytes), std::end(w.bytes), kFill);
    } else {
      std::copy(std::begin(a.reply), std::end(a.reply), std::begin(w.bytes));
    }
    return w;
  }
  void expectNothing() { frame.reset(); }

  void verify(const char* name, int result, int expected, std::initializer_list<const Buf*> bufs) {
    ++calls;
    std::string wrong;
    uint8_t seen[kMaxFrame];
    const int32_t length = lib.lastFrame(seen);
    if (frame) {
      if (length != static_cast<int32_t>(frame->size()) ||
          !std::equal(frame->begin(), frame->end(), seen)) {
        wrong += " frame differs;";
      }
    } else if (length != -1) {
      wrong += " sent a frame;";
    }
    if (result != expected) {
      wrong +=
          " returned " + std::to_string(result) + ", expected " + std::to_string(expected) + ";";
    }
    int b = 0;
    for (const Buf* buf : bufs) {
      if (!buf->right()) wrong += " buffer " + std::to_string(b) + " wrong;";
      ++b;
    }
    if (wrong.empty()) return;
    ++failed;
    if (static_cast<int>(failures.size()) < kMaxFailuresKept) {
      failures.push_back("call " + std::to_string(calls) + " " + name + ":" + wrong);
    }
  }
};

using Command = void (*)(Context&);

const Command kCommands[] = {
    [](Context& c) {
      Buf version(126, c.rng);
      const Window w = c.expect(Frame(0x01, 0x86).done());
      int expected = VEXA_RESULT_NO_REPLY;
      if (w.fromReader()) {
        version.expectData(w, 0, w.dataCount());
        expected = w.result();
      }
      c.verify("GetVersionNum", c.lib.getVersionNum(version.p()), expected, {&version});
    },
    [](Context& c) {
      const uint8_t keyMode = c.rng.byte(), first = c.rng.byte();
      const auto n = static_cast<uint8_t>(c.rng.below(17));
      Buf key(6, c.rng), data(16u * n, c.rng);
      int expected = VEXA_RESULT_BAD_ARGUMENT;
      if (n == 0 || n > 15) {
        c.expectNothing();
      } else {
        const Window w =
            c.expect(Frame(0x0A, 0x20).put(keyMode).put(n).put(first).put(key.initial(), 6).done());
        expected = w.result();
        if (w.fromReader() && w.status() == 0) {
          key.expectData(w, 0, 4);
          data.expectData(w, 4, 16 * n);
        } else if (w.fromReader() && w.status() == 1) {
          data.expectData(w, 0, 1);
        }
      }
      c.verify("MF_Read", c.lib.mfRead(keyMode, first, n, key.p(), data.p()), expected,
               {&key, &data});
    },
    [](Context& c) {
      const uint8_t keyMode = c.rng.byte(), first = c.rng.byte();
      const auto n = static_cast<uint8_t>(c.rng.below(17));
      Buf key(6, c.rng), data(16u * n, c.rng);
      int expected = VEXA_RESULT_BAD_ARGUMENT;
      if (n == 0 || n > 15) {
        c.expectNothing();
      } else {
        const Window w = c.expect(Frame(16 * n + 10, 0x21)
                                      .put(keyMode)
                                      .put(n)
                                      .put(first)
                                      .put(key.initial(), 6)
                                      .put(data.initial(), 16 * n)
                                      .done());
        expected = VEXA_RESULT_NO_REPLY;
        if (w.fromReader()) {
          key.expectData(w, 0, 4);
          data.expectData(w, 0, 1);
          expected = w.result();
        }
      }
      c.verify("MF_Write", c.lib.mfWrite(keyMode, first, n, key.p(), data.p()), expected,
               {&key, &data});
    },
    [](Context& c) {
      constexpr int kRecordSize = 10;
      constexpr int kMostRecords = 24;
      Buf count(1, c.rng), records(kRecordSize * kMostRecords, c.rng);
      const Window w = c.expect(Frame(0x04, 0x10).put(0x06).put(0x00).put(0x00).done());
      int expected = VEXA_RESULT_NO_REPLY_ISO15693;
      if (w.fromReader()) {
        count.expectData(w, 0, 1);
        expected = w.result();
        const int cards = static_cast<int8_t>(w.d(0));
        if (w.status() == 0 && cards > kMostRecords) {
          expected = VEXA_RESULT_NO_REPLY;
        } else if (w.status() == 0 && cards > 0) {
          records.expectData(w, 1, kRecordSize * cards);
        }
      }
      c.verify("ISO15693_Inventory", c.lib.inventory(count.p(), records.p()), expected,
               {&count, &records});
    },
    [](Context& c) {
      const int length = c.rng.below(41);
      Buf command(static_cast<size_t>(length), c.rng), response(127, c.rng);
      const Window w = c.expect(Frame(length + 2, 0x0D)
                                    .put(static_cast<uint8_t>(length))
                                    .put(command.initial(), length)
                                    .done());
      int expected = VEXA_RESULT_NO_REPLY;
      if (w.fromReader()) {
        response.expectData(w, 0, w.signedLen());
        expected = w.result();
      }
      c.verify("TypeB_TransCOS", c.lib.typeBTransCos(command.p(), length, response.p()), expected,
               {&command, &response});
    },
    [](Context& c) {
      const int length = c.rng.below(41);
      Buf command(static_cast<size_t>(length), c.rng), response(static_cast<size_t>(length), c.rng);
      const Window w = c.expect(Frame(length + 2, 0x0D).put(command.initial(), length).done());
      int expected = VEXA_RESULT_NO_REPLY;
      if (w.fromReader()) {
        response.expectFrom(w, 2, length);  // from the reply's LEN byte on
        expected = static_cast<int8_t>(w.len());
      }
      c.verify("MF_TypeATransCOSCmd", c.lib.typeATransCos(command.p(), length, response.p()),
               expected, {&command, &response});
    },
    [](Context& c) {
      const uint8_t flags = c.rng.flags(), first = c.rng.byte();
      const auto n = static_cast<uint8_t>(c.rng.below(5));
      const bool addressed = flags == kAddressed;
      Buf uid(kUidSize, c.rng), data(126, c.rng);
      int expected = VEXA_RESULT_ZERO_ARGUMENT;
      if (n == 0) {
        c.expectNothing();
      } else {
        const Window w = c.expect(Frame(addressed ? 0x0C : 0x04, 0x11)
                                      .put(flags)
                                      .put(first)
                                      .put(n)
                                      .uidIf(addressed, uid.initial())
                                      .done());
        expected = w.result();
        if (w.fromReader() && w.status() == 0) {
          data.expectData(w, 0, w.dataCount());
        } else if (w.fromReader() && w.status() == 1) {
          data.expectData(w, 0, 1);
        }
      }
      c.verify("ISO15693_Read", c.lib.isoRead(flags, first, n, uid.p(), data.p()), expected,
               {&uid, &data});
    },
    [](Context& c) {
      constexpr int kSysInfoSize = 15;
      const uint8_t flags = c.rng.flags();
      const bool addressed = flags == kAddressed;
      Buf uid(kUidSize, c.rng), info(kSysInfoSize, c.rng);
      const Window w = c.expect(
          Frame(addressed ? 0x0A : 0x02, 0x1B).put(flags).uidIf(addressed, uid.initial()).done());
      int expected = VEXA_RESULT_NO_REPLY_ISO15693;
      if (w.fromReader()) {
        info.expectData(w, 0, 1);
        expected = VEXA_RESULT_NO_REPLY;
        if (w.len() == kSysInfoLen) {
          info.expectData(w, 0, kSysInfoSize);
          expected = w.result();
        }
      }
      c.verify("ISO15693_GetSysInfo", c.lib.getSysInfo(flags, uid.p(), info.p()), expected,
               {&uid, &info});
    },
    [](Context& c) {
      const uint8_t flags = c.rng.flags(), first = c.rng.byte();
      const auto n = static_cast<uint8_t>(c.rng.below(8));
      const bool addressed = flags == kAddressed;
      Buf uid(kUidSize, c.rng), status(126, c.rng);
      const Window w = c.expect(Frame(addressed ? 0x0C : 0x04, 0x1C)
                                    .put(flags)
                                    .put(first)
                                    .put(n)
                                    .uidIf(addressed, uid.initial())
                                    .done());
      int expected = VEXA_RESULT_NO_REPLY;
      if (w.fromReader() && w.d(0) == n) {
        status.expectData(w, 0, w.dataCount());
        expected = w.result();
      }
      c.verify("ISO15693_GetMulSecurity",
               c.lib.getMulSecurity(flags, first, n, uid.p(), status.p()), expected,
               {&uid, &status});
    },
    [](Context& c) {
      const uint8_t address = c.rng.byte();
      Buf replyByte(1, c.rng);
      const Window w = c.expect(Frame(0x02, 0x80).put(address).done());
      int expected = VEXA_RESULT_NO_REPLY;
      if (w.fromReader()) {
        replyByte.expectData(w, 0, 1);
        expected = w.result();
      }
      c.verify("SetDeviceAddress", c.lib.setDeviceAddress(address, replyByte.p()), expected,
               {&replyByte});
    },
};

struct Load {
  int threads;
  int callsPerThread;
};

class Stress : public testing::TestWithParam<Load> {
 protected:
  static void SetUpTestSuite() {
    static Library loaded;
    ASSERT_TRUE(loaded.load()) << "libvexa.so or the stress libtevra.so missing beside the test";
    lib = &loaded;
  }
  static const Library* lib;
};
const Library* Stress::lib = nullptr;

TEST_P(Stress, EveryCallGetsItsOwnAnswer) {
  ASSERT_NE(lib, nullptr);
  const Load load = GetParam();
  lib->reset();
  std::vector<Context> contexts;
  for (int t = 0; t < load.threads; ++t) contexts.emplace_back(*lib, static_cast<uint64_t>(t) + 1);

  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < load.threads; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready.load() < load.threads) std::this_thread::yield();
      Context& c = contexts[static_cast<size_t>(t)];
      for (int i = 0; i < load.callsPerThread; ++i) {
        kCommands[c.rng.below(static_cast<int>(std::size(kCommands)))](c);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  int sent = 0, refused = 0;
  for (size_t t = 0; t < contexts.size(); ++t) {
    const Context& c = contexts[t];
    EXPECT_EQ(c.calls, load.callsPerThread);
    EXPECT_EQ(c.failed, 0) << "thread " << t << " had " << c.failed << " wrong calls";
    for (const std::string& failure : c.failures)
      ADD_FAILURE() << "thread " << t << ": " << failure;
    sent += c.sent;
    refused += c.refused;
  }
  StressTransportStats stats{};
  lib->stats(&stats);
  EXPECT_EQ(stats.writes, sent);
  EXPECT_EQ(stats.reads, sent - refused);
  EXPECT_EQ(stats.malformed, 0);
  EXPECT_EQ(stats.overlaps, 0);
  // The answers must have exercised the failure paths too.
  EXPECT_GT(refused, 0);
}

// One thread first: a mismatch there is the test's own, not a race.
INSTANTIATE_TEST_SUITE_P(Loads, Stress,
                         testing::Values(Load{1, 3000}, Load{2, 3000}, Load{4, 3000}),
                         [](const testing::TestParamInfo<Load>& load) {
                           return std::to_string(load.param.threads) + "_threads";
                         });

}  // namespace
}  // namespace vexa::stress
