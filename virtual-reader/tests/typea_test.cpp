// Type A activation through the reader's frames: REQA and WUPA, the
// ISO/IEC 14443-3 states, anticollision and selection.
#include "cards/cpu_card_a.h"
#include "cards/mifare_classic.h"
#include "cards/ultralight.h"
#include "test_support.h"

namespace vr::testing {
namespace {

constexpr std::uint8_t kReqa = 0x26;
constexpr std::uint8_t kWupa = 0x52;
const Bytes kClassicUid{0x11, 0x22, 0x33, 0x44};
const Bytes kUltralightUid{0x04, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};

class TypeA : public ::testing::Test {
 protected:
  void SetUp() override {
    auto classic = std::make_unique<MifareClassic>(kClassicUid);
    classic_ = classic.get();
    auto ul = std::make_unique<Ultralight>(kUltralightUid);
    ultralight_ = ul.get();
    reader_.field.cards.push_back(std::move(classic));
    reader_.field.cards.push_back(std::move(ul));
  }

  Reader reader_;
  MifareClassic* classic_ = nullptr;
  Ultralight* ultralight_ = nullptr;
};

TEST_F(TypeA, RequestAnswersWithTheCombinedAtqa) {
  Answer a = send(reader_, cmd::kMfRequest, {kReqa});
  EXPECT_EQ(a.status, status::kOk);
  EXPECT_EQ(a.data, (Bytes{0x44, 0x00}));  // 04 00 of the Classic ORed with 44 00
  EXPECT_EQ(classic_->state(), TypeAState::kReady);
  EXPECT_EQ(send(reader_, cmd::kMfRequest, {0x27}).data, Bytes{detail::kBadParameter});
}

TEST_F(TypeA, AnticollisionSelectAndTheSevenByteCascade) {
  send(reader_, cmd::kMfRequest, {kReqa});
  Answer anticoll = send(reader_, cmd::kMfAnticoll);
  EXPECT_EQ(anticoll.data, concat({{0x02}, kClassicUid}));  // two cards took part

  // The Ultralight's first cascade level is the cascade tag and 3 UID bytes;
  // its selection answers with the other four.
  Answer ul = send(reader_, cmd::kMfSelect, {0x88, 0x04, 0xA1, 0xA2});
  EXPECT_EQ(ul.status, status::kOk);
  EXPECT_EQ(ul.data, (Bytes{0xA3, 0xA4, 0xA5, 0xA6}));
  EXPECT_EQ(ultralight_->state(), TypeAState::kActive);

  // Selecting the Classic now: the Ultralight drops out.
  Answer classic = send(reader_, cmd::kMfSelect, kClassicUid);
  EXPECT_EQ(classic.data, kClassicUid);
  EXPECT_EQ(classic_->state(), TypeAState::kActive);
  EXPECT_EQ(ultralight_->state(), TypeAState::kIdle);

  EXPECT_EQ(send(reader_, cmd::kMfSelect, {0x99, 0x99, 0x99, 0x99}).data, Bytes{detail::kNoCard});
}

TEST_F(TypeA, ARequestToAnActiveCardGoesUnanswered) {
  reader_.field.cards.pop_back();  // the Classic alone
  send(reader_, cmd::kMfRequest, {kReqa});
  send(reader_, cmd::kMfSelect, kClassicUid);
  EXPECT_EQ(send(reader_, cmd::kMfRequest, {kReqa}).data, Bytes{detail::kNoCard});
  EXPECT_EQ(classic_->state(), TypeAState::kIdle);
  EXPECT_EQ(send(reader_, cmd::kMfRequest, {kReqa}).status, status::kOk);
}

TEST_F(TypeA, GetSerialActivatesAndMayHalt) {
  Answer a = send(reader_, cmd::kMfGetSerial, {0x00, 0x00});
  EXPECT_EQ(a.data, concat({{0x02}, kClassicUid}));
  EXPECT_EQ(classic_->state(), TypeAState::kActive);

  Answer halted = send(reader_, cmd::kMfGetSerial, {kWupa, 0x01});
  EXPECT_EQ(halted.status, status::kOk);
  EXPECT_EQ(classic_->state(), TypeAState::kHalt);
  EXPECT_EQ(ultralight_->state(), TypeAState::kIdle);

  // REQA wakes only the Ultralight; its serial is its first four UID bytes.
  Answer ul = send(reader_, cmd::kMfGetSerial, {0x01, 0x00});
  EXPECT_EQ(ul.data, (Bytes{0x01, 0x04, 0xA1, 0xA2, 0xA3}));

  for (const Bytes& bad : {Bytes{0x02, 0x00}, Bytes{0x00, 0x02}}) {
    EXPECT_EQ(send(reader_, cmd::kMfGetSerial, bad).data, Bytes{detail::kBadParameter});
  }
}

}  // namespace
}  // namespace vr::testing
