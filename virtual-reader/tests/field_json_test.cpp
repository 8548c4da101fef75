#include "field_json.h"

#include "cards/mifare_classic.h"
#include "cards/ultralight.h"
#include "cards/vicinity_tag.h"
#include "default_field.h"
#include "test_support.h"

namespace vr::testing {
namespace {

TEST(FieldJson, DefaultFieldSurvivesARoundTrip) {
  ReaderState state;
  state.address = 0x07;
  state.userInfo[3] = 0x99;
  Field field;
  fillDefaultField(field);
  const std::string saved = fieldToJson(state, field);

  ReaderState loadedState;
  Field loaded;
  ASSERT_EQ(fieldFromJson(saved, loadedState, loaded), std::nullopt);
  EXPECT_EQ(loaded.cards.size(), 5u);
  EXPECT_EQ(loadedState.address, 0x07);
  EXPECT_EQ(loadedState.userInfo[3], 0x99);
  EXPECT_EQ(fieldToJson(loadedState, loaded), saved);
}

TEST(FieldJson, HandWrittenFieldWithSparseBlocks) {
  const std::string text = R"({
    "reader": {"version": "bench reader", "serialNumber": "01 02 03 04 05 06 07 08"},
    "cards": [
      {"type": "mifare-classic-1k", "uid": "A1B2C3D4", "name": "staff card",
       "blocks": {"4": "00112233445566778899AABBCCDDEEFF"}},
      {"type": "ultralight", "uid": "04:01:02:03:04:05:06", "pages": {"5": "CAFEBABE"}},
      {"type": "iso15693", "uid": "E004010012345678", "blockCount": 8, "afi": 7,
       "lockedBlocks": [2], "blocks": {"1": "01020304"}}
    ]})";
  ReaderState state;
  Field field;
  ASSERT_EQ(fieldFromJson(text, state, field), std::nullopt);
  EXPECT_EQ(state.version, "bench reader");
  EXPECT_EQ(state.serialNumber[7], 0x08);

  auto* classic = dynamic_cast<MifareClassic*>(field.cards.at(0).get());
  ASSERT_NE(classic, nullptr);
  EXPECT_EQ(classic->name, "staff card");
  EXPECT_EQ(classic->blocks()[4][15], 0xFF);
  EXPECT_EQ(classic->blocks()[3], MifareClassic::factoryTrailer());  // untouched blocks: factory

  auto* ul = dynamic_cast<Ultralight*>(field.cards.at(1).get());
  ASSERT_NE(ul, nullptr);
  EXPECT_EQ(ul->memory()[20], 0xCA);

  auto* tag = dynamic_cast<VicinityTag*>(field.cards.at(2).get());
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->uid[0], 0x78);  // printed most significant first, kept as sent
  EXPECT_EQ(tag->uid[7], 0xE0);
  EXPECT_EQ(tag->blocks.size(), 8u);
  EXPECT_TRUE(tag->locked[2]);
  EXPECT_EQ(tag->blocks[1][3], 0x04);
  EXPECT_EQ(tag->afi, 7);
}

TEST(FieldJson, ProblemsNameTheirPlaceAndChangeNothing) {
  struct Case {
    const char* text;
    const char* expected;  // part of the message
  };
  const Case cases[] = {
      {"{ not json", "not valid JSON"},
      {"[]", "top level: expected an object"},
      {R"({"cards": {}})", "cards: expected an array"},
      {R"({"cards": [{"type": "felica", "uid": "01"}]})", "cards[0].type: unknown card type"},
      {R"({"cards": [{"uid": "01020304"}]})", "cards[0]: missing \"type\""},
      {R"({"cards": [{"type": "mifare-classic-1k", "uid": "0102"}]})", "cards[0].uid: expected 4"},
      {R"({"cards": [{"type": "ultralight", "uid": "0102030405060Z"}]})", "not hex digits"},
      {R"({"cards": [{"type": "mifare-classic-1k", "uid": "01020304", "blocks": {"64": "00"}}]})",
       "cards[0].blocks.64"},
      {R"({"cards": [{"type": "iso15693", "uid": "E004010012345678", "lockedBlocks": [40]}]})",
       "cards[0].lockedBlocks[0]: no such block"},
      {R"({"reader": {"address": 300}})", "reader.address: expected a number"},
      {R"({"cards": [{"type": "iso14443b", "pupi": "01020304", "idSerial": "01"}]})",
       "cards[0].idSerial: expected 8 bytes"},
  };
  for (const Case& c : cases) {
    ReaderState state;
    state.version = "unchanged";
    Field field;
    fillDefaultField(field);
    const auto problem = fieldFromJson(c.text, state, field);
    ASSERT_TRUE(problem.has_value()) << c.text;
    EXPECT_NE(problem->find(c.expected), std::string::npos) << *problem;
    EXPECT_EQ(state.version, "unchanged");
    EXPECT_EQ(field.cards.size(), 5u);
  }
}

}  // namespace
}  // namespace vr::testing
