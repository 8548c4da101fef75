#include "test_support.h"

namespace vr::testing {
namespace {

struct FaultCase {
  const char* name;
  Bytes frame;
  FrameFault fault;
};

TEST(FrameCodec, FindsEachFault) {
  const FaultCase cases[] = {
      {"too short", {0xAA, 0x00, 0x01, 0x86, 0xBB}, FrameFault::kTooShort},
      {"start mark", {0xAB, 0x00, 0x01, 0x86, 0x87, 0xBB}, FrameFault::kBadMarks},
      {"end mark", {0xAA, 0x00, 0x01, 0x86, 0x87, 0xBC}, FrameFault::kBadMarks},
      {"LEN too large", {0xAA, 0x00, 0x02, 0x86, 0x84, 0xBB}, FrameFault::kBadLength},
      {"LEN too small", {0xAA, 0x00, 0x01, 0x03, 0x26, 0x24, 0xBB}, FrameFault::kBadLength},
      {"one short, not transparent",
       {0xAA, 0x00, 0x03, 0x03, 0x26, 0x26, 0xBB},
       FrameFault::kBadLength},
      {"checksum", {0xAA, 0x00, 0x01, 0x86, 0x86, 0xBB}, FrameFault::kBadChecksum},
  };
  for (const FaultCase& c : cases) {
    EXPECT_EQ(parseRequest(c.frame).fault, c.fault) << c.name;
  }
}

TEST(FrameCodec, TransparentCommandsMayCountOneOver) {
  // Type A transparent with the two command bytes 00 84: LEN 4, one byte short.
  for (std::uint8_t command : {cmd::kTransparent14443, cmd::kIsoTransparent}) {
    Bytes f{0xAA, 0x00, 0x04, command, 0x00, 0x84};
    f.push_back(xorOf(ByteView(f).subspan(1)));
    f.push_back(0xBB);
    ParsedFrame parsed = parseRequest(f);
    ASSERT_EQ(parsed.fault, FrameFault::kNone);
    EXPECT_TRUE(parsed.request.lenCountsOneOver);
    EXPECT_EQ(parsed.request.fields, (Bytes{0x00, 0x84}));
  }
}

TEST(FrameCodec, BuildsReplies) {
  EXPECT_EQ(buildReply(0x00, 0x00, Bytes{0x12, 0x34}),
            (Bytes{0xAA, 0x00, 0x03, 0x00, 0x12, 0x34, 0x03 ^ 0x12 ^ 0x34, 0xBB}));
  // A reply whose bytes XOR to zero carries 0x00 as its XOR byte.
  EXPECT_EQ(buildReply(0x00, 0x01, {}), (Bytes{0xAA, 0x00, 0x01, 0x01, 0x00, 0xBB}));
}

TEST(ReaderFrames, RefusesMalformedFramesWithoutActing) {
  Reader reader;
  // SetDeviceAddress 0x05 with a corrupted XOR: refused, address unchanged.
  Answer bad = exchangeRaw(reader, Bytes{0xAA, 0x00, 0x02, 0x80, 0x05, 0x86, 0xBB});
  EXPECT_EQ(bad.status, status::kChecksumError);
  EXPECT_EQ(bad.data, Bytes{0x80});
  EXPECT_EQ(reader.state.address, 0x00);

  Answer marks = exchangeRaw(reader, Bytes{0x55, 0x00, 0x02, 0x80, 0x05, 0x87, 0xBB});
  EXPECT_EQ(marks.status, status::kFrameError);
  EXPECT_EQ(reader.state.address, 0x00);

  EXPECT_EQ(send(reader, 0x87).status, status::kUnknownCommand);
  // Fields that do not fit the command: MF_Read without its key.
  EXPECT_EQ(send(reader, cmd::kMfRead, {0x00, 0x01, 0x04}).status, status::kFrameError);
  EXPECT_EQ(send(reader, cmd::kGetSerial, {0x00}).status, status::kFrameError);
}

TEST(ReaderFrames, AnswersItsAddressAndTheBroadcastAddress) {
  Reader reader;
  ASSERT_EQ(send(reader, cmd::kSetAddress, {0x05}).status, status::kOk);
  Answer own = exchangeRaw(reader, frameTo(0x05, cmd::kGetSerial, {}));
  EXPECT_EQ(own.address, 0x05);
  EXPECT_EQ(own.data.at(0), 0x05);
  EXPECT_EQ(send(reader, cmd::kGetSerial).address, 0x00);
  EXPECT_FALSE(reader.exchange(frameTo(0x06, cmd::kGetSerial, {})).answered);
}

}  // namespace
}  // namespace vr::testing
