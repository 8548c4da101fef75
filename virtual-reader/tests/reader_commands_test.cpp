#include <string>
#include <vector>

#include "test_support.h"

namespace vr::testing {
namespace {

TEST(ReaderCommands, SpeedCodesOutsideTheTableAreRefused) {
  struct Case {
    std::uint8_t code;
    std::uint8_t status;
  };
  for (const Case c : {Case{0x00, status::kOk}, Case{0x04, status::kOk},
                       Case{0x05, status::kFailed}, Case{0xFF, status::kFailed}}) {
    Reader reader;
    Answer a = send(reader, cmd::kSetBaudRate, {c.code});
    EXPECT_EQ(a.status, c.status) << int(c.code);
    if (c.status == status::kOk) {
      EXPECT_EQ(reader.state.speedCode, c.code);
      EXPECT_EQ(a.data, Bytes{c.code});
    } else {
      EXPECT_EQ(reader.state.speedCode, ReaderState::kDefaultSpeedCode);
      EXPECT_EQ(a.data, Bytes{detail::kBadParameter});
    }
  }
}

TEST(ReaderCommands, UserInformationGoesToItsOffset) {
  Reader reader;
  EXPECT_EQ(send(reader, cmd::kWriteUserInfo, {0x10, 0x02, 0xAB, 0xCD}).status, status::kOk);
  EXPECT_EQ(reader.state.userInfo[0x10], 0xAB);
  EXPECT_EQ(reader.state.userInfo[0x11], 0xCD);
  EXPECT_EQ(reader.state.userInfo[0x0F], 0x00);
  // The count byte must match the bytes sent, and the run must fit.
  EXPECT_EQ(send(reader, cmd::kWriteUserInfo, {0x00, 0x03, 0xAB}).status, status::kFrameError);
  Answer past = send(reader, cmd::kWriteUserInfo, {0xFF, 0x02, 0x01, 0x02});
  EXPECT_EQ(past.status, status::kFailed);
  EXPECT_EQ(past.data, Bytes{detail::kBadParameter});
  EXPECT_EQ(reader.state.userInfo[0xFF], 0x00);
}

TEST(ReaderCommands, LedAndBuzzerRequestsAreRecordedAndTraced) {
  Reader reader;
  std::vector<std::string> events;
  reader.onEvent = [&](const std::string& e) { events.push_back(e); };
  EXPECT_EQ(send(reader, cmd::kControlLed, {0x05, 0x03}).data, Bytes{0x00});
  EXPECT_EQ(send(reader, cmd::kControlBuzzer, {0x0A, 0x01}).status, status::kOk);
  EXPECT_EQ(send(reader, cmd::kControlBuzzer, {0x02, 0x02}).status, status::kOk);
  EXPECT_EQ(reader.led.count, 1u);
  EXPECT_EQ(reader.led.last.durationUnits, 0x05);
  EXPECT_EQ(reader.led.last.repeats, 0x03);
  EXPECT_EQ(reader.buzzer.count, 2u);
  EXPECT_EQ(reader.buzzer.last.durationUnits, 0x02);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0], "LED: 3 x 50 ms");
  EXPECT_EQ(events[1], "buzzer: 1 x 100 ms");
}

}  // namespace
}  // namespace vr::testing
