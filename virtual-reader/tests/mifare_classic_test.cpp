// MIFARE Classic through the reader: keyed reads and writes, the access
// conditions of the sector trailers, value blocks.
#include "cards/mifare_classic.h"

#include "test_support.h"

namespace vr::testing {
namespace {

constexpr std::uint8_t kKeyA = 0x00;
constexpr std::uint8_t kKeyB = 0x01;
const Bytes kUid{0xC1, 0xC2, 0xC3, 0xC4};
const Bytes kTransportKey(6, 0xFF);
const Bytes kKeyAValue{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
const Bytes kKeyBValue{0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};

Bytes blockOf(std::uint8_t fill) { return Bytes(16, fill); }

// Trailer with keys A and B and access bits for blocks 0..2 and the trailer,
// each condition given as C1 C2 C3 packed into 3 bits.
MifareClassic::Block trailer(const Bytes& keyA, const Bytes& keyB, std::array<int, 4> conditions) {
  std::uint8_t c1 = 0, c2 = 0, c3 = 0;
  for (int i = 0; i < 4; ++i) {
    c1 |= ((conditions[i] >> 2) & 1) << i;
    c2 |= ((conditions[i] >> 1) & 1) << i;
    c3 |= (conditions[i] & 1) << i;
  }
  MifareClassic::Block t{};
  std::copy(keyA.begin(), keyA.end(), t.begin());
  t[6] = static_cast<std::uint8_t>(((~c2 & 0x0F) << 4) | (~c1 & 0x0F));
  t[7] = static_cast<std::uint8_t>((c1 << 4) | (~c3 & 0x0F));
  t[8] = static_cast<std::uint8_t>((c3 << 4) | c2);
  t[9] = 0x69;
  std::copy(keyB.begin(), keyB.end(), t.begin() + 10);
  return t;
}

class Classic : public ::testing::Test {
 protected:
  void SetUp() override {
    auto card = std::make_unique<MifareClassic>(kUid);
    card_ = card.get();
    reader_.field.cards.push_back(std::move(card));
  }

  Answer read(std::uint8_t keyMode, int first, int count, const Bytes& key) {
    return send(reader_, cmd::kMfRead,
                concat({{keyMode, std::uint8_t(count), std::uint8_t(first)}, key}));
  }
  Answer write(std::uint8_t keyMode, int first, const Bytes& key, const Bytes& data) {
    return send(
        reader_, cmd::kMfWrite,
        concat({{keyMode, std::uint8_t(data.size() / 16), std::uint8_t(first)}, key, data}));
  }
  Answer value(std::uint8_t command, std::uint8_t keyMode, int block, const Bytes& key,
               const Bytes& operand) {
    return send(reader_, command, concat({{keyMode, std::uint8_t(block)}, key, operand}));
  }
  void setSector1(std::array<int, 4> conditions) {
    card_->setBlock(7, trailer(kKeyAValue, kKeyBValue, conditions));
  }

  Reader reader_;
  MifareClassic* card_ = nullptr;
};

TEST_F(Classic, ReadsWithTheSerialNumberFirstAndKeyAAsZeros) {
  Answer a = read(kKeyA, 0, 4, kTransportKey);
  ASSERT_EQ(a.status, status::kOk);
  ASSERT_EQ(a.data.size(), 4u + 64u);
  EXPECT_EQ(Bytes(a.data.begin(), a.data.begin() + 4), kUid);
  EXPECT_EQ(Bytes(a.data.begin() + 4, a.data.begin() + 9),
            concat({kUid, {0xC1 ^ 0xC2 ^ 0xC3 ^ 0xC4}}));
  // Block 3, the trailer: key A zeros, access bits FF 07 80 69, key B readable.
  const Bytes trailerRead(a.data.begin() + 4 + 48, a.data.end());
  EXPECT_EQ(trailerRead, concat({Bytes(6, 0x00), {0xFF, 0x07, 0x80, 0x69}, kTransportKey}));
}

TEST_F(Classic, WritesAcrossSectorsBlockByBlock) {
  const MifareClassic::Block t = MifareClassic::factoryTrailer();
  const Bytes goodTrailer(t.begin(), t.end());
  Answer w = write(kKeyA, 5, kTransportKey,
                   concat({blockOf(0x11), blockOf(0x22), goodTrailer, blockOf(0x44)}));
  EXPECT_EQ(w.status, status::kOk);
  EXPECT_EQ(w.data, kUid);
  Answer back = read(kKeyA, 5, 4, kTransportKey);
  ASSERT_EQ(back.status, status::kOk);
  EXPECT_EQ(Bytes(back.data.begin() + 4, back.data.begin() + 36),
            concat({blockOf(0x11), blockOf(0x22)}));
  EXPECT_EQ(Bytes(back.data.begin() + 52, back.data.end()), blockOf(0x44));

  // A refusal half-way leaves the blocks before it written and those after
  // it untouched.
  Answer partly = write(kKeyA, 5, kTransportKey,
                        concat({blockOf(0x55), blockOf(0x66), blockOf(0x77), blockOf(0x88)}));
  EXPECT_EQ(partly.data, Bytes{detail::kBadParameter});  // 77 77 77 are no access bits
  EXPECT_EQ(card_->blocks()[6][0], 0x66);
  EXPECT_EQ(card_->blocks()[7], t);
  EXPECT_EQ(card_->blocks()[8][0], 0x44);

  Answer zero = write(kKeyA, 0, kTransportKey, blockOf(0x00));
  EXPECT_EQ(zero.data, Bytes{detail::kReadOnly});
  EXPECT_EQ(card_->blocks()[0][0], kUid[0]);
}

TEST_F(Classic, ReadableKeyBGivesNoAccess) {
  // The transport conditions let key A read key B, so key B opens nothing.
  EXPECT_EQ(read(kKeyB, 4, 1, kTransportKey).data, Bytes{detail::kAccessDenied});
  EXPECT_EQ(read(0x02, 4, 1, kTransportKey).data, Bytes{detail::kBadParameter});
}

TEST_F(Classic, DataBlockConditionsAsTheCardAppliesThem) {
  struct Case {
    int condition;  // C1 C2 C3 of block 4
    bool readA, readB, writeA, writeB;
  };
  const Case cases[] = {
      {0b000, true, true, true, true},    {0b010, true, true, false, false},
      {0b100, true, true, false, true},   {0b110, true, true, false, true},
      {0b001, true, true, false, false},  {0b011, false, true, false, true},
      {0b101, false, true, false, false}, {0b111, false, false, false, false},
  };
  for (const Case& c : cases) {
    setSector1({c.condition, 0, 0, 0b011});  // trailer 011: key B not readable
    const std::string name = "condition " + std::to_string(c.condition);
    EXPECT_EQ(read(kKeyA, 4, 1, kKeyAValue).status == status::kOk, c.readA) << name;
    EXPECT_EQ(read(kKeyB, 4, 1, kKeyBValue).status == status::kOk, c.readB) << name;
    EXPECT_EQ(write(kKeyA, 4, kKeyAValue, blockOf(0x5A)).status == status::kOk, c.writeA) << name;
    EXPECT_EQ(write(kKeyB, 4, kKeyBValue, blockOf(0x5B)).status == status::kOk, c.writeB) << name;
  }
}

TEST_F(Classic, TrailerWritesTakeOnlyThePartsTheKeyMayWrite) {
  setSector1({0, 0, 0, 0b100});  // keys written by B only, access bits by nobody
  const MifareClassic::Block proposed = trailer(kTransportKey, kTransportKey, {0, 0, 0, 0b001});
  EXPECT_EQ(write(kKeyA, 7, kKeyAValue, Bytes(proposed.begin(), proposed.end())).data,
            Bytes{detail::kAccessDenied});
  EXPECT_EQ(write(kKeyB, 7, kKeyBValue, Bytes(proposed.begin(), proposed.end())).status,
            status::kOk);
  const auto& stored = card_->blocks()[7];
  EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 6), kTransportKey);         // key A written
  EXPECT_EQ(stored[7], trailer(kKeyAValue, kKeyBValue, {0, 0, 0, 0b100})[7]);  // bits kept

  // Access bits that contradict themselves are refused.
  MifareClassic::Block broken = MifareClassic::factoryTrailer();
  broken[6] = 0x00;
  Answer w = write(kKeyA, 3, kTransportKey, Bytes(broken.begin(), broken.end()));
  EXPECT_EQ(w.data, Bytes{detail::kBadParameter});
}

TEST_F(Classic, ValueBlocksIncrementDecrementAndTransfer) {
  const Bytes hundred{100, 0, 0, 0};
  EXPECT_EQ(value(cmd::kMfInitValue, kKeyA, 4, kTransportKey, hundred).data, kUid);
  const auto block = card_->blocks()[4];
  EXPECT_EQ(Bytes(block.begin(), block.end()),
            (Bytes{100, 0, 0, 0, 0x9B, 0xFF, 0xFF, 0xFF, 100, 0, 0, 0, 4, 0xFB, 4, 0xFB}));

  Answer inc = value(cmd::kMfIncrement, kKeyA, 4, kTransportKey, {0x2C, 0x01, 0, 0});  // +300
  EXPECT_EQ(inc.data, concat({kUid, {0x90, 0x01, 0, 0}}));                             // 400
  Answer dec = value(cmd::kMfDecrement, kKeyA, 4, kTransportKey, {0x90, 0x01, 0, 0});
  EXPECT_EQ(dec.data, concat({kUid, {0, 0, 0, 0}}));
  Answer below = value(cmd::kMfDecrement, kKeyA, 4, kTransportKey, {1, 0, 0, 0});
  EXPECT_EQ(below.data, concat({kUid, {0xFF, 0xFF, 0xFF, 0xFF}}));  // values are signed

  Answer overflow = value(cmd::kMfIncrement, kKeyA, 4, kTransportKey, {0x00, 0x00, 0x00, 0x80});
  EXPECT_EQ(overflow.data.at(0), detail::kValueOverflow);
  Answer notValue = value(cmd::kMfIncrement, kKeyA, 5, kTransportKey, {1, 0, 0, 0});
  EXPECT_EQ(notValue.data, Bytes{detail::kNotValueBlock});
  Answer onTrailer = value(cmd::kMfInitValue, kKeyA, 7, kTransportKey, hundred);
  EXPECT_EQ(onTrailer.data, Bytes{detail::kBadBlock});

  // Restore block 4 and transfer it to block 6: key mode, then from, to, key.
  Answer restore = send(reader_, cmd::kMfRestore, concat({{kKeyA, 8, 4, 6}, kTransportKey}));
  EXPECT_EQ(restore.data, concat({kUid, {0xFF, 0xFF, 0xFF, 0xFF}}));
  EXPECT_EQ(card_->blocks()[6], card_->blocks()[4]);
  Answer acrossSectors = send(reader_, cmd::kMfRestore, concat({{kKeyA, 8, 4, 8}, kTransportKey}));
  EXPECT_EQ(acrossSectors.data, Bytes{detail::kBadBlock});
}

TEST_F(Classic, ValueBlockConditionLimitsIncrementToKeyB) {
  card_->setBlock(4, MifareClassic::valueBlock(10, 4));
  setSector1({0b110, 0, 0, 0b011});
  EXPECT_EQ(value(cmd::kMfIncrement, kKeyA, 4, kKeyAValue, {1, 0, 0, 0}).data,
            Bytes{detail::kAccessDenied});
  EXPECT_EQ(value(cmd::kMfDecrement, kKeyA, 4, kKeyAValue, {1, 0, 0, 0}).status, status::kOk);
  EXPECT_EQ(value(cmd::kMfIncrement, kKeyB, 4, kKeyBValue, {5, 0, 0, 0}).data,
            concat({kUid, {14, 0, 0, 0}}));
}

TEST_F(Classic, CountsAndBlocksOutOfRange) {
  EXPECT_EQ(read(kKeyA, 0, 0, kTransportKey).data, Bytes{detail::kBadParameter});
  EXPECT_EQ(read(kKeyA, 0, 16, kTransportKey).data, Bytes{detail::kBadParameter});
  EXPECT_EQ(read(kKeyA, 60, 5, kTransportKey).data, Bytes{detail::kBadBlock});
  Answer fifteen = read(kKeyA, 49, 15, kTransportKey);
  EXPECT_EQ(fifteen.status, status::kOk);
  EXPECT_EQ(fifteen.data.size(), 4u + 240u);
}

}  // namespace
}  // namespace vr::testing
