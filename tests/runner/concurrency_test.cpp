// Calls from several threads at once are serialised by the library: every
// frame reaches the transport whole, and every call gets its own reply.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "runner.h"
#include "vexa.h"

namespace vexa::test {

namespace {

constexpr int kThreads = 4;
constexpr int kCallsPerThread = 2000;
constexpr uint8_t kCmdGetsnr = 0x25;
constexpr uint8_t kCmdSelect = 0x05;
constexpr uint8_t kCmdGetVersionNum = 0x86;
constexpr uint8_t kLenGetVersionNum = 0x01;
constexpr uint8_t kEndMark = 0xBB;
constexpr int kVersionSize = 126;

using GetsnrFn = int(VEXA_CALL*)(unsigned char, unsigned char, unsigned char*, unsigned char*);
using SelectFn = int(VEXA_CALL*)(unsigned char*);
using GetVersionNumFn = int(VEXA_CALL*)(unsigned char*);

class ConcurrentCalls : public testing::Test {
 public:
  void TestBody() override {
    auto getsnr = reinterpret_cast<GetsnrFn>(target().symbol("MF_Getsnr"));
    auto select = reinterpret_cast<SelectFn>(target().symbol("MF_Select"));
    auto version = reinterpret_cast<GetVersionNumFn>(target().symbol("GetVersionNum"));
    ASSERT_NE(getsnr, nullptr);
    ASSERT_NE(select, nullptr);
    ASSERT_NE(version, nullptr);

    // The fake answers each frame with status 0 and the frame's bytes from
    // CMD on, so each call's result depends on its own frame only.
    FakeTransportScript echo{};
    echo.echo = 1;
    target().arm(echo);

    std::atomic<int> wrong{0};
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        // All threads start calling at once.
        ++ready;
        while (ready.load() < kThreads) std::this_thread::yield();
        for (int i = 0; i < kCallsPerThread; ++i) {
          const auto p1 = static_cast<unsigned char>(t);
          const auto p2 = static_cast<unsigned char>(i);
          if (i % 3 == 0) {
            unsigned char info = 0, serial[4] = {};
            const unsigned char x = static_cast<unsigned char>(0x03 ^ kCmdGetsnr ^ p1 ^ p2);
            const int result = getsnr(p1, p2, &info, serial);
            if (result != 0 || info != kCmdGetsnr || serial[0] != p1 || serial[1] != p2 ||
                serial[2] != x || serial[3] != 0xBB) {
              ++wrong;
            }
          } else if (i % 3 == 2) {
            // Echoed frame 86 87 BB: LEN 4, so exactly three bytes land.
            unsigned char buffer[kVersionSize] = {};
            const int result = version(buffer);
            if (result != 0 || buffer[0] != kCmdGetVersionNum ||
                buffer[1] != (kLenGetVersionNum ^ kCmdGetVersionNum) || buffer[2] != kEndMark ||
                buffer[3] != 0) {
              ++wrong;
            }
          } else {
            unsigned char serial[4] = {p1, p2, 0x5A, 0xA5};
            const int result = select(serial);
            if (result != 0 || serial[0] != kCmdSelect || serial[1] != p1 || serial[2] != p2 ||
                serial[3] != 0x5A) {
              ++wrong;
            }
          }
        }
      });
    }
    for (std::thread& thread : threads) thread.join();

    const FakeTransportLog log = target().log();
    EXPECT_EQ(wrong.load(), 0) << "calls that got another call's reply";
    EXPECT_EQ(log.writeCalls, kThreads * kCallsPerThread);
    EXPECT_EQ(log.readCalls, kThreads * kCallsPerThread);
    EXPECT_EQ(log.malformedFrames, 0);
    EXPECT_EQ(log.overlaps, 0) << "exchanges that overlapped in the transport";
  }
};

}  // namespace

void registerProcessTests(TransportKind stage) {
  if (stage != TransportKind::kFake) return;
  testing::RegisterTest("Concurrency", "ThreadsAreSerialised", nullptr, nullptr, __FILE__, __LINE__,
                        []() -> testing::Test* { return new ConcurrentCalls; });
}

}  // namespace vexa::test
