// Ultralight pages through the reader: UID pages, OTP and lock bits.
#include "cards/ultralight.h"

#include "test_support.h"

namespace vr::testing {
namespace {

const Bytes kUid{0x04, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
constexpr std::uint8_t kWakeUp = 0x00;

class UltralightPages : public ::testing::Test {
 protected:
  void SetUp() override {
    auto card = std::make_unique<Ultralight>(kUid);
    card_ = card.get();
    reader_.field.cards.push_back(std::move(card));
  }
  Answer readPage(int page) { return send(reader_, cmd::kUlRead, {kWakeUp, std::uint8_t(page)}); }
  Answer writePage(int page, const Bytes& data) {
    return send(reader_, cmd::kUlWrite, concat({{kWakeUp, 0x01, std::uint8_t(page)}, data}));
  }
  Bytes pages(const Answer& a) { return Bytes(a.data.begin(), a.data.begin() + 16); }

  Reader reader_;
  Ultralight* card_ = nullptr;
};

TEST_F(UltralightPages, RequestAndReadGiveTheSevenByteUid) {
  EXPECT_EQ(send(reader_, cmd::kUlRequest, {kWakeUp}).data, kUid);
  Answer a = readPage(0);
  ASSERT_EQ(a.data.size(), 16u + 7u);
  const std::uint8_t bcc0 = 0x88 ^ 0x04 ^ 0x10 ^ 0x20;
  const std::uint8_t bcc1 = 0x30 ^ 0x40 ^ 0x50 ^ 0x60;
  EXPECT_EQ(pages(a), (Bytes{0x04, 0x10, 0x20, bcc0, 0x30, 0x40, 0x50, 0x60, bcc1, 0x48, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Bytes(a.data.begin() + 16, a.data.end()), kUid);
  EXPECT_EQ(readPage(16).data, Bytes{detail::kBadBlock});
}

TEST_F(UltralightPages, WritesReadBackAndReadsWrapRound) {
  EXPECT_EQ(writePage(15, {0xDE, 0xAD, 0xBE, 0xEF}).data, kUid);
  EXPECT_EQ(writePage(4, {0x01, 0x02, 0x03, 0x04}).status, status::kOk);
  Answer wrapped = readPage(14);
  EXPECT_EQ(Bytes(wrapped.data.begin() + 4, wrapped.data.begin() + 12),
            (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x04, 0x10, 0x20, 0x88 ^ 0x04 ^ 0x10 ^ 0x20}));
  EXPECT_EQ(writePage(1, {0, 0, 0, 0}).data, Bytes{detail::kReadOnly});
  EXPECT_EQ(send(reader_, cmd::kUlWrite, {kWakeUp, 0x02, 0x04, 1, 2, 3, 4}).data,
            Bytes{detail::kBadParameter});
}

TEST_F(UltralightPages, OtpAndLockBitsOnlyEverGetSet) {
  writePage(3, {0x0F, 0x00, 0x00, 0x01});
  writePage(3, {0xF0, 0x00, 0x00, 0x00});
  EXPECT_EQ(Bytes(card_->memory().begin() + 12, card_->memory().begin() + 16),
            (Bytes{0xFF, 0x00, 0x00, 0x01}));

  // Lock page 5 (lock byte 0 bit 5) and page 12 (lock byte 1 bit 4).
  EXPECT_EQ(writePage(2, {0xAA, 0xAA, 0x20, 0x10}).status, status::kOk);
  EXPECT_EQ(card_->memory()[8], 0x30 ^ 0x40 ^ 0x50 ^ 0x60);  // UID check byte kept
  EXPECT_EQ(writePage(5, {1, 1, 1, 1}).data, Bytes{detail::kReadOnly});
  EXPECT_EQ(writePage(12, {1, 1, 1, 1}).data, Bytes{detail::kReadOnly});
  EXPECT_EQ(writePage(6, {1, 1, 1, 1}).status, status::kOk);
  writePage(2, {0, 0, 0x00, 0x00});
  EXPECT_EQ(card_->memory()[10], 0x20);  // clearing is impossible

  // Block-locking bit 1 freezes the lock bits of pages 4 to 9.
  writePage(2, {0, 0, 0x02, 0x00});
  writePage(2, {0, 0, 0x40, 0x01});
  EXPECT_EQ(card_->memory()[10], 0x22);
  EXPECT_EQ(card_->memory()[11], 0x10);
  EXPECT_EQ(writePage(6, {2, 2, 2, 2}).status, status::kOk);
}

}  // namespace
}  // namespace vr::testing
