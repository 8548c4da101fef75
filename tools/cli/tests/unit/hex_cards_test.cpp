// Hex and number arguments, and what the tool knows about the cards.
#include <gtest/gtest.h>

#include "cards.h"
#include "errors.h"
#include "hex.h"

namespace vexa::cli {
namespace {

struct HexCase {
  const char* text;
  Bytes bytes;
};

class HexAccepted : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexAccepted, GivesTheBytes) {
  EXPECT_EQ(parseHex(GetParam().text, "key"), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Spellings, HexAccepted,
                         ::testing::Values(HexCase{"", {}}, HexCase{"ff", {0xFF}},
                                           HexCase{"FFfF00", {0xFF, 0xFF, 0x00}},
                                           HexCase{"00 A4:04-00", {0x00, 0xA4, 0x04, 0x00}},
                                           HexCase{" 0a  0B ", {0x0A, 0x0B}}));

struct RefusedCase {
  const char* text;
  const char* message;  // a part of the message
};

class HexRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(HexRefused, SaysWhy) {
  try {
    parseHex(GetParam().text, "key");
    FAIL() << "accepted " << GetParam().text;
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("key", 0), 0u) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Mistakes, HexRefused,
                         ::testing::Values(RefusedCase{"FFF", "odd number of hex digits"},
                                           RefusedCase{"F F", "splits a byte at position 2"},
                                           RefusedCase{"0x12",
                                                       "'x' at position 2 is not a hex digit"},
                                           RefusedCase{"GG", "'G' at position 1"}));

TEST(HexExact, NamesTheSizeItWants) {
  EXPECT_EQ(parseHexExact("FFFFFFFFFFFF", 6, "key").size(), 6u);
  try {
    parseHexExact("FFFFFFFFFF", 6, "key");
    FAIL();
  } catch (const UsageError& e) {
    EXPECT_STREQ(e.what(), "key must be 6 bytes (12 hex digits), got 5");
  }
}

TEST(Numbers, DecimalHexAndRange) {
  EXPECT_EQ(parseNumber("63", 0, 63, "block"), 63);
  EXPECT_EQ(parseNumber("0x3F", 0, 63, "block"), 63);
  EXPECT_EQ(parseNumber("-2147483648", INT32_MIN, INT32_MAX, "value"), INT32_MIN);
  EXPECT_THROW(parseNumber("64", 0, 63, "block"), UsageError);
  EXPECT_THROW(parseNumber("-1", 0, 63, "block"), UsageError);
  EXPECT_THROW(parseNumber("4x", 0, 63, "block"), UsageError);
  EXPECT_THROW(parseNumber("", 0, 63, "block"), UsageError);
  EXPECT_THROW(parseNumber("0x", 0, 63, "block"), UsageError);
}

TEST(HexOut, ForPeopleAndForScripts) {
  const Bytes b = {0x04, 0xA2, 0x00, 0x7E, 0x7F, 0x41};
  EXPECT_EQ(hex(b), "04A2007E7F41");
  EXPECT_EQ(spacedHex(b), "04 A2 00 7E 7F 41");
  EXPECT_EQ(printable(b), "...~.A");
  EXPECT_EQ(hexByte(0x0A), "0x0A");
  EXPECT_EQ(parseHex(spacedHex(b), "x"), b);
}

struct LayoutCase {
  const char* name;
  int sector, firstBlock, blocks;
};

class Layouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layouts, SectorBoundaries) {
  const LayoutCase& c = GetParam();
  const ClassicLayout& layout = classicLayout(c.name);
  EXPECT_EQ(layout.firstBlock(c.sector), c.firstBlock);
  EXPECT_EQ(layout.blocksInSector(c.sector), c.blocks);
  const int trailer = c.firstBlock + c.blocks - 1;
  EXPECT_TRUE(layout.isTrailer(trailer));
  EXPECT_FALSE(layout.isTrailer(trailer - 1));
  EXPECT_EQ(layout.sectorOf(c.firstBlock), c.sector);
  EXPECT_EQ(layout.sectorOf(trailer), c.sector);
}

INSTANTIATE_TEST_SUITE_P(Cards, Layouts,
                         ::testing::Values(LayoutCase{"1k", 0, 0, 4}, LayoutCase{"1k", 15, 60, 4},
                                           LayoutCase{"4k", 31, 124, 4},
                                           LayoutCase{"4k", 32, 128, 16},
                                           LayoutCase{"4k", 39, 240, 16},
                                           LayoutCase{"mini", 4, 16, 4}));

TEST(Layouts, EveryBlockOfA4kCardBelongsToOneSector) {
  const ClassicLayout& layout = classicLayout("4k");
  int block = 0;
  for (int sector = 0; sector < layout.sectors; ++sector) {
    for (int i = 0; i < layout.blocksInSector(sector); ++i, ++block)
      ASSERT_EQ(layout.sectorOf(block), sector);
  }
  EXPECT_EQ(block, layout.blocks);
  EXPECT_THROW(classicLayout("8k"), UsageError);
}

Bytes valueBlockOf(std::int32_t value, std::uint8_t address) {
  Bytes b;
  const auto v = valueBytes(value);
  for (auto x : v) b.push_back(x);
  for (auto x : v) b.push_back(static_cast<std::uint8_t>(~x));
  for (auto x : v) b.push_back(x);
  for (std::uint8_t x : {address, static_cast<std::uint8_t>(~address), address,
                         static_cast<std::uint8_t>(~address)}) {
    b.push_back(x);
  }
  return b;
}

TEST(ValueBlocks, DecodeWhatTheCardKeeps) {
  for (const std::int32_t v : {0, 100, -1, INT32_MIN, INT32_MAX}) {
    const auto decoded = decodeValueBlock(valueBlockOf(v, 4));
    ASSERT_TRUE(decoded) << v;
    EXPECT_EQ(decoded->value, v);
    EXPECT_EQ(decoded->address, 4);
  }
  // The card keeps 100 as 64 00 00 00.
  EXPECT_EQ(valueBlockOf(100, 4)[0], 0x64);
}

TEST(ValueBlocks, AnyBrokenCopyIsNoValueBlock) {
  const Bytes good = valueBlockOf(100, 4);
  for (std::size_t i = 0; i < good.size(); ++i) {
    Bytes bad = good;
    bad[i] ^= 0x01;
    EXPECT_FALSE(decodeValueBlock(bad)) << "byte " << i;
  }
  EXPECT_FALSE(decodeValueBlock(Bytes(15, 0)));
}

TEST(TypeB, AnswerToRequest) {
  const Bytes atqb = {0x50, 0x1B, 0x2C, 0x3D, 0x4E, 0, 0, 0, 0, 0x00, 0x81, 0x71};
  const auto a = parseAtqb(atqb);
  ASSERT_TRUE(a);
  EXPECT_EQ(hex(a->pupi), "1B2C3D4E");
  EXPECT_EQ(hex(a->protocolInfo), "008171");
  Bytes notAtqb = atqb;
  notAtqb[0] = 0x51;
  EXPECT_FALSE(parseAtqb(notAtqb));
  EXPECT_FALSE(parseAtqb(ByteView(atqb).first(11)));
}

TEST(Vicinity, UidsAreWrittenMostSignificantFirst) {
  const Bytes wire = {0x78, 0x56, 0x34, 0x12, 0x50, 0x01, 0x04, 0xE0};
  EXPECT_EQ(hex(uidFromWire(wire)), "E004015012345678");
  EXPECT_EQ(uidToWire(uidFromWire(wire)), wire);
}

TEST(Vicinity, SystemInformationFollowsItsFlags) {
  const Bytes uid = {0x78, 0x56, 0x34, 0x12, 0x50, 0x01, 0x04, 0xE0};
  Bytes all = {0x00, 0x0F};
  all.insert(all.end(), uid.begin(), uid.end());
  for (std::uint8_t b : {0x07, 0x09, 0x1B, 0x03, 0x01}) all.push_back(b);
  const auto info = parseSystemInfo(all);
  ASSERT_TRUE(info);
  EXPECT_EQ(hex(info->uid), "E004015012345678");
  EXPECT_EQ(info->dsfid, 0x07);
  EXPECT_EQ(info->afi, 0x09);
  EXPECT_EQ(info->blocks, 28);
  EXPECT_EQ(info->blockSize, 4);
  EXPECT_EQ(info->icReference, 0x01);

  // Only AFI and IC reference: the bytes shift up.
  Bytes some = {0x00, 0x0A};
  some.insert(some.end(), uid.begin(), uid.end());
  for (std::uint8_t b : {0x09, 0x01}) some.push_back(b);
  const auto part = parseSystemInfo(some);
  ASSERT_TRUE(part);
  EXPECT_FALSE(part->dsfid);
  EXPECT_EQ(part->afi, 0x09);
  EXPECT_EQ(part->icReference, 0x01);
  EXPECT_FALSE(part->blocks);

  // Flags that announce more than there is.
  some[1] = 0x0F;
  EXPECT_FALSE(parseSystemInfo(some));
}

// What TypeB_TransCOS leaves: the reply's data, then its check byte (XOR of
// the address 0, LEN, the status and the data).
void copyReply(ReplyBuffer& buffer, const Bytes& data, std::uint8_t status) {
  const auto len = static_cast<std::uint8_t>(data.size() + 1);
  std::uint8_t x = len ^ status;
  for (std::size_t i = 0; i < data.size(); ++i) {
    buffer.data()[i] = data[i];
    x ^= data[i];
  }
  buffer.data()[data.size()] = x;
}

TEST(ReplyBuffers, WrittenEndsWhereThePatternResumes) {
  ReplyBuffer b;
  EXPECT_EQ(b.written(), 0u);
  b.data()[0] = static_cast<std::uint8_t>(ReplyBuffer::patternAt(0) + 1);
  b.data()[5] = static_cast<std::uint8_t>(ReplyBuffer::patternAt(5) + 1);
  EXPECT_EQ(b.written(), 6u);
}

TEST(ReplyBuffers, CheckByteGivesTheLength) {
  const Bytes response = {0x48, 0x65, 0x6C, 0x6C, 0x6F, 0x90, 0x00};
  ReplyBuffer b;
  copyReply(b, response, 0);
  EXPECT_EQ(b.checkedLength(0), response.size() + 1);
  EXPECT_EQ(b.first(response.size()), response);
}

TEST(ReplyBuffers, CheckByteFoundWhenItEqualsThePattern) {
  // Choose the last data byte so that the check byte equals the fill at
  // its place: the last changed byte is then not the end of the reply.
  Bytes response = {0x90, 0x00, 0x00};
  const std::uint8_t len = 4;
  response[2] = static_cast<std::uint8_t>(ReplyBuffer::patternAt(3) ^ len ^ 0x90 ^ 0x00);
  ReplyBuffer b;
  copyReply(b, response, 0);
  ASSERT_EQ(b.written(), response.size());
  EXPECT_EQ(b.checkedLength(0), response.size() + 1);
}

}  // namespace
}  // namespace vexa::cli
